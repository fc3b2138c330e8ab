#pragma once
// Initialisation files with private-profile semantics: "[section]" headers, "key=value"
// lines, section and key names compared without regard to case, values trimmed, every write
// goes straight through to the file. UTF-8 on disk.
#include <QHash>
#include <QString>
#include <QStringList>

#include <utility>
#include <vector>

class ProfileFile {
  public:
    // Parses the file now; a missing or unreadable file reads as empty.
    explicit ProfileFile(QString path);

    const QString& Path() const { return path_; }
    bool Exists() const;

    // Re-reads the file from disk.
    void Reload();

    // Section names in file order (the first spelling of each).
    QStringList SectionNames() const;

    // Key names of a section in file order; empty when the section is absent.
    QStringList KeyNames(const QString& section) const;

    // Number of characters that listing the key names into a buffer of bufferChars
    // characters yields (each name NUL-terminated, the list cut to fit), as the caller of
    // the profile functions sees it. 0 when the section is absent or has no keys.
    int KeyListLength(const QString& section, int bufferChars) const;

    // The value of a key, or defaultValue when the section or key is absent. A value longer
    // than bufferChars - 1 characters is cut to that length.
    QString GetString(const QString& section, const QString& key,
                      const QString& defaultValue = QString(), int bufferChars = 255) const;

    // Sets a key (adding the section and key as needed) and writes the file. Returns false
    // when the file could not be written; the in-memory content is then unchanged.
    bool WriteString(const QString& section, const QString& key, const QString& value);
    // Sets several keys of one section with a single write: either all of them reach the
    // file or none does. Refuses the whole batch when any key or value could not read back.
    bool WriteStrings(const QString& section,
                      const std::vector<std::pair<QString, QString>>& keyValues);

    // Removes one key; removes a whole section when key is empty.
    bool DeleteKey(const QString& section, const QString& key);
    bool DeleteSection(const QString& section);

    // Replaces a section's keys with the given "key=value" lines (an empty list empties the
    // section but keeps its header).
    bool WriteSection(const QString& section, const QStringList& keyValueLines);

  private:
    struct Entry {
        QString key;   // empty for a line that is not key=value (comment, blank, other)
        QString value; // the value, or the raw line when key is empty
        QString line;  // the line as read, written back unchanged until the entry changes
    };
    struct Section {
        QString name;
        QString header; // the header line as read
        std::vector<Entry> entries;
        QHash<QString, int> keyIndex; // case-folded key -> first entry with that key
    };

    const Section* FindSection(const QString& name) const;
    // Index of the first section with that name in sections_, or -1.
    int SectionIndex(const QString& name) const;
    bool Save(const std::vector<Section>& sections, const QStringList& preamble) const;
    // Saves the changed copy and, when that worked, adopts it.
    bool Commit(std::vector<Section> sections);
    void BuildIndex();

    QString path_;
    QStringList preamble_; // lines before the first section, kept as they are
    std::vector<Section> sections_;
    QHash<QString, int> sectionIndex_; // case-folded name -> first section with that name
    bool crlf_ = false;                // the file's own line ending, kept on rewrite
    bool bom_ = false; // the file started with a UTF-8 byte order mark, kept on rewrite
};
