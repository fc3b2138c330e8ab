#include "ProfileFile.h"

#include "TextCodec.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>
#include <utility>

// Reading follows the private-profile rules: the first "[section]" or key of a name wins,
// names compare without regard to case, names and values lose surrounding blanks, and a value
// in double quotes loses the quotes. Lines that are not "key=value" (comments starting with
// ';', blank lines, anything else) are kept in place so a rewrite changes only what was set.
// Lookups go through hash indexes so that loading a large catalogue key by key stays linear.

namespace {

constexpr char kBom[] = "\xEF\xBB\xBF";

bool IsBlank(QChar c) {
    return c == u' ' || c == u'\t';
}

QStringView TrimBlanks(QStringView s) {
    qsizetype b = 0;
    qsizetype e = s.size();
    while (b < e && IsBlank(s[b]))
        ++b;
    while (e > b && IsBlank(s[e - 1]))
        --e;
    return s.sliced(b, e - b);
}

QString Fold(const QString& name) {
    return TrimBlanks(name).toString().toCaseFolded();
}

bool HasLineBreak(const QString& s) {
    return s.contains(u'\n') || s.contains(u'\r');
}

// A section name that a header line can carry and that reads back as itself.
bool UsableSectionName(const QString& s) {
    return !HasLineBreak(s) && !s.contains(u']') && !TrimBlanks(s).isEmpty();
}

enum class LineKind { Section, Key, Other };

struct ParsedLine {
    LineKind kind = LineKind::Other;
    QString name;  // section or key name
    QString value; // key value, blanks trimmed, quotes kept
};

ParsedLine Parse(QStringView line) {
    ParsedLine out;
    const QStringView t = TrimBlanks(line);
    if (t.startsWith(u'[')) {
        // The name runs to the first ']'; a header without one takes the rest of the line.
        qsizetype close = t.indexOf(u']');
        if (close < 0) close = t.size();
        out.kind = LineKind::Section;
        out.name = TrimBlanks(t.sliced(1, close - 1)).toString();
        return out;
    }
    if (t.startsWith(u';')) return out;
    const qsizetype eq = t.indexOf(u'=');
    if (eq <= 0) return out;
    const QStringView key = TrimBlanks(t.first(eq));
    if (key.isEmpty()) return out;
    out.kind = LineKind::Key;
    out.name = key.toString();
    out.value = TrimBlanks(t.sliced(eq + 1)).toString();
    return out;
}

bool IsBlankLine(const QString& line) {
    return TrimBlanks(line).isEmpty();
}

} // namespace

ProfileFile::ProfileFile(QString path) : path_(std::move(path)) {
    Reload();
}

bool ProfileFile::Exists() const {
    return QFileInfo::exists(path_);
}

void ProfileFile::Reload() {
    preamble_.clear();
    sections_.clear();
    sectionIndex_.clear();
    crlf_ = false;
    bom_ = false;

    QFile file(path_);
    if (path_.isEmpty() || !file.open(QIODevice::ReadOnly)) return;
    QByteArray bytes = file.readAll();
    if (bytes.startsWith(kBom)) {
        bom_ = true;
        bytes.remove(0, 3);
    }
    const QString text = textcodec::Decode(
        std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    const qsizetype firstLf = text.indexOf(u'\n');
    crlf_ = firstLf > 0 && text[firstLf - 1] == u'\r';

    qsizetype pos = 0;
    while (pos < text.size()) {
        qsizetype end = text.indexOf(u'\n', pos);
        if (end < 0) end = text.size();
        qsizetype stop = end;
        if (stop > pos && text[stop - 1] == u'\r') --stop;
        const QString line = text.sliced(pos, stop - pos);
        pos = end + 1;

        ParsedLine parsed = Parse(line);
        if (parsed.kind == LineKind::Section) {
            sections_.push_back(Section{std::move(parsed.name), line, {}, {}});
            continue;
        }
        if (sections_.empty()) {
            preamble_.append(line);
            continue;
        }
        std::vector<Entry>& entries = sections_.back().entries;
        if (parsed.kind == LineKind::Key)
            entries.push_back(Entry{std::move(parsed.name), std::move(parsed.value), line});
        else
            entries.push_back(Entry{QString(), line, line});
    }
    BuildIndex();
}

void ProfileFile::BuildIndex() {
    sectionIndex_.clear();
    for (int i = 0; i < static_cast<int>(sections_.size()); ++i) {
        Section& s = sections_[static_cast<std::size_t>(i)];
        const QString folded = Fold(s.name);
        if (!sectionIndex_.contains(folded)) sectionIndex_.insert(folded, i);
        s.keyIndex.clear();
        for (int k = 0; k < static_cast<int>(s.entries.size()); ++k) {
            const Entry& e = s.entries[static_cast<std::size_t>(k)];
            if (e.key.isEmpty()) continue;
            const QString key = e.key.toCaseFolded();
            if (!s.keyIndex.contains(key)) s.keyIndex.insert(key, k);
        }
    }
}

int ProfileFile::SectionIndex(const QString& name) const {
    return sectionIndex_.value(Fold(name), -1);
}

const ProfileFile::Section* ProfileFile::FindSection(const QString& name) const {
    const int i = SectionIndex(name);
    return i < 0 ? nullptr : &sections_[static_cast<std::size_t>(i)];
}

QStringList ProfileFile::SectionNames() const {
    QStringList out;
    for (int i = 0; i < static_cast<int>(sections_.size()); ++i) {
        const Section& s = sections_[static_cast<std::size_t>(i)];
        if (SectionIndex(s.name) == i) out.append(s.name);
    }
    return out;
}

QStringList ProfileFile::KeyNames(const QString& section) const {
    QStringList out;
    const Section* s = FindSection(section);
    if (!s) return out;
    for (int k = 0; k < static_cast<int>(s->entries.size()); ++k) {
        const Entry& e = s->entries[static_cast<std::size_t>(k)];
        if (!e.key.isEmpty() && s->keyIndex.value(e.key.toCaseFolded()) == k) out.append(e.key);
    }
    return out;
}

// Listing names fills the buffer with "name\0name\0...\0". When that does not fit, the list
// is cut and the count is the buffer size less the two closing NULs. A duplicate key name is
// listed once.
int ProfileFile::KeyListLength(const QString& section, int bufferChars) const {
    if (bufferChars <= 2) return 0;
    qsizetype total = 0;
    for (const QString& name : KeyNames(section))
        total += name.size() + 1;
    if (total + 1 > bufferChars) return bufferChars - 2;
    return static_cast<int>(total);
}

QString ProfileFile::GetString(const QString& section, const QString& key,
                               const QString& defaultValue, int bufferChars) const {
    QString value = defaultValue;
    if (const Section* s = FindSection(section)) {
        const int k = s->keyIndex.value(Fold(key), -1);
        if (k >= 0) {
            value = s->entries[static_cast<std::size_t>(k)].value;
            if (value.size() >= 2 && value.front() == u'"' && value.back() == u'"')
                value = value.sliced(1, value.size() - 2);
        }
    }
    if (bufferChars <= 0) return QString();
    const qsizetype limit = bufferChars - 1;
    if (value.size() > limit) {
        // Counted in UTF-16 units like the wide Windows calls; never leave half a pair.
        qsizetype cut = limit;
        if (cut > 0 && value[cut - 1].isHighSurrogate()) --cut;
        value.truncate(cut);
    }
    return value;
}

bool ProfileFile::WriteString(const QString& section, const QString& key, const QString& value) {
    return WriteStrings(section, {{key, value}});
}

bool ProfileFile::WriteStrings(const QString& section,
                               const std::vector<std::pair<QString, QString>>& keyValues) {
    if (!UsableSectionName(section)) return false;
    std::vector<Section> sections = sections_;
    int si = SectionIndex(section);
    for (const auto& [key, value] : keyValues) {
        const QString name = TrimBlanks(key).toString();
        if (HasLineBreak(name) || HasLineBreak(value)) return false;
        const QString line = name + u'=' + value;
        const ParsedLine parsed = Parse(line);
        // The key must read back as this very key, so '=' in it or a leading '[' or ';' are
        // refused.
        if (parsed.kind != LineKind::Key || parsed.name != name) return false;

        if (si < 0) {
            const QString sectionName = TrimBlanks(section).toString();
            sections.push_back(Section{sectionName, u'[' + sectionName + u']', {}, {}});
            si = static_cast<int>(sections.size()) - 1;
        }
        Section& s = sections[static_cast<std::size_t>(si)];
        // The copy's key index is not kept up to date within a batch; batches are short.
        const QString folded = name.toCaseFolded();
        const auto existing = std::find_if(s.entries.begin(), s.entries.end(), [&](const Entry& e) {
            return !e.key.isEmpty() && e.key.toCaseFolded() == folded;
        });
        if (existing != s.entries.end()) {
            existing->value = parsed.value;
            existing->line = existing->key + u'=' + value; // keeps the key's spelling in the file
            continue;
        }
        auto at = s.entries.end();
        while (at != s.entries.begin() && (at - 1)->key.isEmpty() && IsBlankLine((at - 1)->line))
            --at;
        s.entries.insert(at, Entry{parsed.name, parsed.value, line});
    }
    return Commit(std::move(sections));
}

bool ProfileFile::DeleteKey(const QString& section, const QString& key) {
    if (key.isEmpty()) return DeleteSection(section);
    const int si = SectionIndex(section);
    if (si < 0) return true;
    const QString folded = Fold(key);
    std::vector<Section> sections = sections_;
    std::vector<Entry>& entries = sections[static_cast<std::size_t>(si)].entries;
    // Every copy goes, so that a later duplicate does not surface as the value.
    const auto removed = std::erase_if(entries, [&](const Entry& e) {
        return !e.key.isEmpty() && e.key.toCaseFolded() == folded;
    });
    if (removed == 0) return true;
    return Commit(std::move(sections));
}

bool ProfileFile::DeleteSection(const QString& section) {
    const QString folded = Fold(section);
    std::vector<Section> sections = sections_;
    const auto removed =
        std::erase_if(sections, [&](const Section& s) { return s.name.toCaseFolded() == folded; });
    if (removed == 0) return true;
    return Commit(std::move(sections));
}

// The section's lines (comments included) are replaced; trailing blank lines stay so the
// spacing before the next section is kept.
bool ProfileFile::WriteSection(const QString& section, const QStringList& keyValueLines) {
    if (!UsableSectionName(section)) return false;
    std::vector<Entry> fresh;
    fresh.reserve(static_cast<std::size_t>(keyValueLines.size()));
    for (const QString& line : keyValueLines) {
        if (HasLineBreak(line)) return false;
        ParsedLine parsed = Parse(line);
        if (parsed.kind == LineKind::Section) return false;
        if (parsed.kind == LineKind::Key)
            fresh.push_back(Entry{std::move(parsed.name), std::move(parsed.value), line});
        else
            fresh.push_back(Entry{QString(), line, line});
    }

    std::vector<Section> sections = sections_;
    const int si = SectionIndex(section);
    if (si < 0) {
        const QString sectionName = TrimBlanks(section).toString();
        sections.push_back(Section{sectionName, u'[' + sectionName + u']', std::move(fresh), {}});
        return Commit(std::move(sections));
    }
    std::vector<Entry>& entries = sections[static_cast<std::size_t>(si)].entries;
    auto keep = entries.end();
    while (keep != entries.begin() && (keep - 1)->key.isEmpty() && IsBlankLine((keep - 1)->line))
        --keep;
    entries.erase(entries.begin(), keep);
    entries.insert(entries.begin(), std::make_move_iterator(fresh.begin()),
                   std::make_move_iterator(fresh.end()));
    return Commit(std::move(sections));
}

bool ProfileFile::Commit(std::vector<Section> sections) {
    if (!Save(sections, preamble_)) return false;
    sections_ = std::move(sections);
    BuildIndex();
    return true;
}

// QSaveFile writes a temporary file beside the target and renames it over the target, so a
// failed write leaves the previous file as it was.
bool ProfileFile::Save(const std::vector<Section>& sections, const QStringList& preamble) const {
    const QString eol = crlf_ ? QStringLiteral("\r\n") : QStringLiteral("\n");
    QString text;
    for (const QString& line : preamble)
        text += line + eol;
    for (const Section& s : sections) {
        text += s.header + eol;
        for (const Entry& e : s.entries)
            text += e.line + eol;
    }
    QByteArray bytes;
    if (bom_) bytes = kBom;
    bytes += text.toUtf8();

    if (path_.isEmpty()) return false;
    QSaveFile file(path_);
    // Unbuffered: a buffered flush can report a short write (disk full, size limit) as
    // success, and commit would then rename a truncated file over the good one.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) return false;
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}
