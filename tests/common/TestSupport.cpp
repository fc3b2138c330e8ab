#include "TestSupport.h"

#include <QFile>

namespace testsupport {

QString DataPath(const QString& name) { return QStringLiteral(VM_TEST_DATA_DIR "/") + name; }
QString ShippedPath(const QString& name) {
    return QStringLiteral(VM_SHIPPED_DATA_DIR "/") + name;
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

} // namespace testsupport
