#include "TestSupport.h"

#include <QFile>

#include <csignal>
#include <sys/resource.h>

namespace testsupport {

QString DataPath(const QString& name) { return QStringLiteral(VM_TEST_DATA_DIR "/") + name; }
QString ShippedPath(const QString& name) {
    return QStringLiteral(VM_SHIPPED_DATA_DIR "/") + name;
}

LogFont ArialFont(std::int32_t height, bool italic) {
    LogFont f;
    f.lfHeight = height;
    f.lfWeight = FW_NORMAL;
    f.lfItalic = italic ? 1 : 0;
    f.lfPitchAndFamily = FF_SWISS;
    f.SetFaceName("Arial");
    return f;
}

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return f.readAll();
}

void WriteAll(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate)) f.write(bytes);
}

bool WithFileSizeLimit(long maxBytes, const std::function<void()>& action) {
    rlimit saved{};
    if (getrlimit(RLIMIT_FSIZE, &saved) != 0) return false;
    rlimit small = saved;
    small.rlim_cur = static_cast<rlim_t>(maxBytes);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    if (setrlimit(RLIMIT_FSIZE, &small) != 0) {
        std::signal(SIGXFSZ, oldHandler);
        return false;
    }
    action();
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    return true;
}

} // namespace testsupport
