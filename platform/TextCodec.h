#pragma once
// The one place where text crosses between stored bytes and QString.
// Bytes decode as UTF-8 when they are valid UTF-8, otherwise as Windows-1252.
// Text encodes as Windows-1252 when every character fits, otherwise as UTF-8.
#include <QString>

#include <string>
#include <string_view>

namespace textcodec {

QString Decode(std::string_view bytes);
std::string Encode(const QString& text);

bool IsValidUtf8(std::string_view bytes);

} // namespace textcodec
