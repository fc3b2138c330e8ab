#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv) {
    // Headless, and never touching the developer's own settings.
    static QTemporaryDir home;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    const QByteArray runtime = (home.path() + "/runtime").toUtf8();
    QDir().mkpath(QString::fromUtf8(runtime));
    QFile::setPermissions(QString::fromUtf8(runtime),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    qputenv("XDG_RUNTIME_DIR", runtime);
    qputenv("XDG_CONFIG_HOME", (home.path() + "/config").toUtf8());
    qputenv("XDG_CACHE_HOME", (home.path() + "/cache").toUtf8());
    ::testing::InitGoogleTest(&argc, argv);
    // A QApplication, so that the view tests can create widgets (headless as well).
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
