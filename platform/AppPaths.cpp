#include "AppPaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#ifndef VELLUMARK_INSTALL_DATADIR
#define VELLUMARK_INSTALL_DATADIR "/usr/local/share/vellumark"
#endif

namespace apppaths {
namespace {

QString ExecutableDir() {
    if (QCoreApplication::instance()) return QCoreApplication::applicationDirPath();
    // Without an application object (early start-up, some tools) ask the kernel.
    const QFileInfo self(QStringLiteral("/proc/self/exe"));
    return self.exists() ? QFileInfo(self.symLinkTarget()).absolutePath() : QDir::currentPath();
}

QString EnvDir(const char* variable, const QString& fallbackUnderHome) {
    const QString value = qEnvironmentVariable(variable);
    if (!value.isEmpty() && QDir::isAbsolutePath(value)) return value;
    return QDir::homePath() + QLatin1Char('/') + fallbackUnderHome;
}

QString EnsureDir(const QString& path) {
    QDir().mkpath(path);
    return path;
}

} // namespace

QString ShippedDataDir() {
    const QString exeDir = ExecutableDir();
    // Build tree: the data is copied beside the executables.
    if (QFileInfo::exists(exeDir + QStringLiteral("/lbl.ani"))) return exeDir;
    // Relocatable install: <prefix>/bin/../share/vellumark.
    const QString relative = QDir::cleanPath(exeDir + QStringLiteral("/../share/vellumark"));
    if (QFileInfo::exists(relative + QStringLiteral("/lbl.ani"))) return relative;
    return QStringLiteral(VELLUMARK_INSTALL_DATADIR);
}

QString ShippedFile(const QString& name) { return ShippedDataDir() + QLatin1Char('/') + name; }

QString UserConfigDir() {
    return EnsureDir(EnvDir("XDG_CONFIG_HOME", QStringLiteral(".config")) +
                     QStringLiteral("/vellumark"));
}

QString UserCacheDir() {
    return EnsureDir(EnvDir("XDG_CACHE_HOME", QStringLiteral(".cache")) +
                     QStringLiteral("/vellumark"));
}

QString UserFileSeeded(const QString& name) {
    const QString target = UserConfigDir() + QLatin1Char('/') + name;
    if (QFileInfo::exists(target)) return target;
    const QString shipped = ShippedFile(name);
    if (!QFileInfo::exists(shipped)) return target;
    // Copy through a temporary name so a half-written copy never passes for the real one.
    const QString partial = target + QStringLiteral(".partial");
    QFile::remove(partial);
    if (QFile::copy(shipped, partial)) {
        QFile::setPermissions(partial, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                           QFileDevice::ReadGroup | QFileDevice::ReadOther);
        if (QFile::rename(partial, target)) return target;
        QFile::remove(partial);
    }
    return shipped;
}

} // namespace apppaths
