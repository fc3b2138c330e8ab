#pragma once
// Label files of the earlier tagged text format: recognising them, and turning one into a
// current label file. The older files are a text part of tagged values ("[fCoverTitle]",
// the title, "[ENDfCoverTitle]") between "[BEGIN]" and "[END]", with up to four picture
// files embedded between "[IMAGEn]" and "[ENDIMAGEn]".
#include <QByteArray>
#include <QString>

#include <cstdint>
#include <vector>

class CVellumarkDoc;
class LabelContext;

// Whether the file is of the older tagged format. Only the bytes before the first NUL
// count, so a current label file (whose page count holds a zero byte) never qualifies.
bool IsLegacyLabelFile(const QString& path);

// Converts source into a new current-format label file at target, replacing target only
// when the whole file was written. Sets the context's current label type from the file.
// On failure nothing is written and reason (when given) says why.
bool ConvertLegacyLabel(const QString& source, const QString& target, LabelContext& context,
                        QString* reason = nullptr);

// The name offered for the converted file: the source's file name up to its last dot,
// followed by "_converted.vlm", in the source's folder ("label.old.xyz" gives
// "label.old_converted.vlm").
QString ConvertedFileName(const QString& source);

namespace legacylabel {

// Builds the pages of an older file's contents into doc (whose pages are replaced), with
// the context's current label type set from the file. Pictures are written to a private
// folder only while the items read them. False, with a reason, when the bytes hold no
// "[END]".
bool BuildDocument(const QByteArray& file, CVellumarkDoc& doc, QString* reason = nullptr);

// The text part: the bytes before the first "[END]" within the bytes before the first NUL;
// empty when there is no "[END]" there.
QByteArray TextPart(const QByteArray& file, bool* hasEnd = nullptr);

// The value of a tag in the text part: the bytes between "[name]" and the next
// "[ENDname]" after it; empty when either is missing.
QByteArray TagValue(const QByteArray& text, const char* name);

// The bytes of embedded picture n (1 front, 2 back, 3 stretched, 4 disc): from the end of
// the first "[IMAGEn]" to the next "[ENDIMAGEn]" after it; empty when there is none.
QByteArray PictureBytes(const QByteArray& file, int n);

// The values of the "[DELIM]" value "[/DELIM]" fields of a text, in order. A field without
// its closing mark ends the list.
std::vector<QByteArray> DelimFields(const QByteArray& text);

// A text holding "[DELIM]" fields as lines: each group of three values joined by spaces
// and ended by a carriage return. Text without fields is returned unchanged.
QByteArray JoinDelimGroups(const QByteArray& text);

// The extension (without its dot) for an extracted picture, from the path it had when the
// file was made: the part after the last dot of the file name, "tmp" when there is none or
// it is not a plain short extension.
QString PictureExtension(const QByteArray& imagePath);

} // namespace legacylabel
