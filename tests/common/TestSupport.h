#pragma once
#include "LogFont.h"

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

#include <cstdint>
#include <functional>

namespace testsupport {

// A fixture file under tests/data.
QString DataPath(const QString& name);
// The shipped data folder of the source tree (data/).
QString ShippedPath(const QString& name);

// Normal-weight "Arial" with this lfHeight (a size in points, as text items store it).
LogFont ArialFont(std::int32_t height, bool italic = false);

QByteArray ReadAll(const QString& path);
void WriteAll(const QString& path, const QByteArray& bytes);

// Runs action with the process's file size limit set to maxBytes, so that writes fail
// part-way as on a full disk, even for root. Returns false when the limit cannot be set.
bool WithFileSizeLimit(long maxBytes, const std::function<void()>& action);

} // namespace testsupport
