#pragma once
// One profile (INI) file held in memory as its raw bytes, read and edited the
// way Windows' own profile functions do it:
//  - section and key names match without regard to letter case; blanks and
//    tabs around names and values are not part of them; the first matching
//    section and the first matching key win;
//  - a value wrapped in a matching pair of quotes reads without them;
//  - a line without "=" is not a key; there is no inline comment stripping;
//  - CRLF, LF and CR line ends all read; an added line takes the line end of
//    the file's first line;
//  - the text is Windows-1250, or UTF-8 when the file starts with the UTF-8
//    byte-order mark (which stays in place).
// Edits change only the affected line; every other byte stays as it was. A
// series of edits gives the same bytes as the same edits made one by one,
// each on the bytes the previous one left. Like most value types, a document
// is used by one thread at a time (reads too build an index as they go).

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

namespace kvapomer {

class ProfileDocument {
public:
    ProfileDocument();
    explicit ProfileDocument(QByteArray bytes);
    ProfileDocument(const ProfileDocument&);
    ProfileDocument& operator=(const ProfileDocument&);
    ProfileDocument(ProfileDocument&&) noexcept;
    ProfileDocument& operator=(ProfileDocument&&) noexcept;
    ~ProfileDocument();

    // The value as stored (trimmed, unquoted, decoded), or nothing when the
    // section or key is absent.
    std::optional<QString> value(const QString& section, const QString& key) const;

    // Sets a value: replaces the key's line in place, or adds the key after
    // the last key of its section, or adds the section at the end of the
    // file. Returns false when the stored value already equals `value` (the
    // bytes are then unchanged).
    bool setValue(const QString& section, const QString& key, const QString& value);

    // Removes every section of that name: its header and each line up to the
    // next section header. Returns false when there was none.
    bool removeSection(const QString& section);

    // The names of the sections, each once, in the order of their first
    // appearance, as spelled there.
    QStringList sections() const;

    // Removes from the section that reads find the keys whose names `which`
    // picks, every line of each. Returns how many lines went.
    int removeKeys(const QString& section, const std::function<bool(const QString& key)>& which);

    // The file's bytes as they stand after the edits.
    QByteArray bytes() const;

    // Whether the file is UTF-8 (it starts with the byte-order mark).
    bool isUtf8() const;

    // An empty document in this one's encoding: what a value written to this
    // file would read back as, without copying the file.
    ProfileDocument emptyAlike() const;

private:
    struct Impl;
    std::unique_ptr<Impl> d_;
};

} // namespace kvapomer
