#pragma once
#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

namespace testsupport {

// A fixture file under tests/data.
QString DataPath(const QString& name);
// The shipped data folder of the source tree (data/).
QString ShippedPath(const QString& name);

QByteArray ReadAll(const QString& path);
void WriteAll(const QString& path, const QByteArray& bytes);

} // namespace testsupport
