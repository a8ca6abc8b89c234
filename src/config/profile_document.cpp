#include "config/profile_document.h"

#include "config/cp1250.h"

#include <QHash>

#include <atomic>
#include <cstdint>
#include <list>
#include <unordered_map>
#include <utility>

namespace kvapomer {

namespace {

enum class Eol : unsigned char { None, CrLf, Lf, Cr };

QByteArrayView eolBytes(Eol eol) {
    switch (eol) {
    case Eol::CrLf:
        return "\r\n";
    case Eol::Lf:
        return "\n";
    case Eol::Cr:
        return "\r";
    case Eol::None:
        break;
    }
    return {};
}

enum class Kind : unsigned char { Other, Header, Key };

struct Line {
    QByteArray text; // the raw bytes without the line end
    Eol eol = Eol::None;
    Kind kind = Kind::Other;
    bool first = false; // the line a read of its key finds
    QString name;       // folded section or key name
};

using Lines = std::list<Line>;
using LineIt = Lines::iterator;

// Sorts one line: a header is "[name]" after optional blanks (the name runs
// to the last "]"), a key is anything with "=", everything else is neither.
void classify(Line& line) {
    const QByteArrayView text(line.text);
    qsizetype start = 0;
    while (start < text.size() && (text[start] == ' ' || text[start] == '\t')) {
        ++start;
    }
    if (start < text.size() && text[start] == '[') {
        const qsizetype close = text.lastIndexOf(']');
        if (close > start) {
            line.kind = Kind::Header;
            line.name = cp1250::foldName(text.sliced(start + 1, close - start - 1));
            return;
        }
    }
    const qsizetype eq = text.indexOf('=');
    if (eq >= 0) {
        line.kind = Kind::Key;
        line.name = cp1250::foldName(text.first(eq));
        return;
    }
    line.kind = Kind::Other;
    line.name.clear();
}

// The stored value of a key line: after the first "=", without the blanks
// around it and without one pair of matching quotes.
QByteArrayView rawValue(const Line& line) {
    const QByteArrayView text(line.text);
    QByteArrayView v = cp1250::trimBlanks(text.sliced(text.indexOf('=') + 1));
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) {
        v = v.sliced(1, v.size() - 2);
    }
    return v;
}

// The raw key name of a key line as it stands in the file, without blanks.
QByteArrayView rawKeyName(const Line& line) {
    const QByteArrayView text(line.text);
    return cp1250::trimBlanks(text.first(text.indexOf('=')));
}

// Text written into a line must not break it into several lines.
void breakNoLine(QByteArray& bytes) {
    if (bytes.contains('\r') || bytes.contains('\n')) {
        bytes.replace('\r', ' ');
        bytes.replace('\n', ' ');
    }
}

QByteArray encodeSingleLine(const QString& text) {
    QByteArray bytes = cp1250::encode(text);
    breakNoLine(bytes);
    return bytes;
}

// A name asked for by the program, folded as it would stand in the file once
// written (so a character outside the code page matches the "?" it becomes).
QString foldArgument(const QString& name) {
    bool plain = true;
    for (const QChar c : name) {
        const char16_t u = c.unicode();
        if (u >= 0x80) {
            return cp1250::foldName(QByteArrayView(encodeSingleLine(name)));
        }
        if ((u >= u'A' && u <= u'Z') || u == u'\r' || u == u'\n') {
            plain = false;
        }
    }
    const auto blank = [](QChar c) { return c == u' ' || c == u'\t'; };
    if (plain && (name.isEmpty() || (!blank(name.front()) && !blank(name.back())))) {
        return name; // already folded: no copy
    }
    QString single = name;
    single.replace(u'\r', u' ').replace(u'\n', u' ');
    return cp1250::foldName(QStringView(single));
}

// The line "key=value" in the file's bytes.
QByteArray keyLine(const QByteArray& key, const QByteArray& value) {
    QByteArray text;
    text.reserve(key.size() + 1 + value.size());
    text += key;
    text += '=';
    text += value;
    return text;
}

// A folded name as a hash key. Names are short and come from a local file,
// so a simple multiplicative hash does; Qt's own string hash is several
// times slower and dominates the save of a long timetable.
struct Name {
    QString text;
    bool operator==(const Name& other) const { return text == other.text; }
};

std::size_t hashName(const QString& text, std::size_t seed) noexcept {
    std::uint64_t h = 0xcbf29ce484222325ULL ^ seed;
    for (const QChar c : text) {
        h = (h ^ c.unicode()) * 0x100000001b3ULL;
    }
    h ^= h >> 33; // spread into the low bits that pick the bucket
    h *= 0xff51afd7ed558ccdULL;
    h ^= h >> 33;
    return static_cast<std::size_t>(h);
}

[[maybe_unused]] std::size_t qHash(const Name& name, std::size_t seed) noexcept {
    return hashName(name.text, seed);
}

struct NameHasher {
    std::size_t operator()(const QString& text) const noexcept { return hashName(text, 0); }
};

// Tells apart every state of every document's lines, so that a reader's
// remembered position is never applied to lines it was not taken from.
std::uint64_t nextLayout() {
    static std::atomic<std::uint64_t> counter{0};
    return ++counter;
}

} // namespace

struct ProfileDocument::Impl {
    struct Section {
        LineIt header;
        std::optional<LineIt> lastKey; // the last line with "=" in the section
        QHash<Name, LineIt> keys;      // first line of each key
    };

    QByteArray source; // the parsed bytes; unchanged lines are views into it
    Lines lines;
    Eol newEol = Eol::CrLf; // line end for lines this document adds
    // The first section of each name (node-based, so pointers stay valid).
    std::unordered_map<QString, Section, NameHasher> sections;
    // The section that owns the last line of the file; null in the text
    // before the first header and in a repeated section (both unreachable).
    Section* tail = nullptr;
    // The section of the previous write (a save writes thousands of keys
    // into one section); valid until the index is rebuilt.
    QString lastAsked;
    Section* lastSection = nullptr;
    // Name and key count of the last removed section: a save removes a
    // line's section and writes it anew with about as many keys.
    QString removedName;
    qsizetype removedKeys = 0;
    // Changes whenever lines are added or removed.
    std::uint64_t layout = nextLayout();

    void parse(QByteArray bytes) {
        source = std::move(bytes);
        if (!source.data_ptr().isMutable()) {
            source.detach(); // raw data someone else owns: copy what lines point into
        }
        const char* data = source.constData();
        const qsizetype size = source.size();
        qsizetype begin = 0;
        bool firstEol = true;
        while (begin < size) {
            qsizetype end = begin;
            while (end < size && data[end] != '\r' && data[end] != '\n') {
                ++end;
            }
            Line line;
            line.text = QByteArray::fromRawData(data + begin, end - begin);
            qsizetype next = end;
            if (end < size) {
                if (data[end] == '\r' && end + 1 < size && data[end + 1] == '\n') {
                    line.eol = Eol::CrLf;
                    next = end + 2;
                } else {
                    line.eol = data[end] == '\r' ? Eol::Cr : Eol::Lf;
                    next = end + 1;
                }
                if (firstEol) {
                    newEol = line.eol;
                    firstEol = false;
                }
            }
            classify(line);
            lines.push_back(std::move(line));
            begin = next;
        }
        rebuildIndex();
    }

    void rebuildIndex() {
        sections.clear();
        tail = nullptr;
        lastSection = nullptr;
        layout = nextLayout();
        // Size each section's key table first: growing a table of thousands
        // of keys step by step costs more than filling it.
        Section* counting = nullptr;
        qsizetype count = 0;
        for (LineIt it = lines.begin(); it != lines.end(); ++it) {
            if (it->kind == Kind::Header) {
                if (counting != nullptr) {
                    counting->keys.reserve(count);
                }
                auto [pos, added] = sections.try_emplace(it->name);
                if (added) {
                    pos->second.header = it;
                }
                counting = added ? &pos->second : nullptr;
                count = 0;
            } else if (it->kind == Kind::Key) {
                ++count;
            }
            it->first = false;
        }
        if (counting != nullptr) {
            counting->keys.reserve(count);
        }
        for (LineIt it = lines.begin(); it != lines.end(); ++it) {
            indexLine(it);
        }
    }

    // Adds a line that follows every line indexed so far.
    void indexLine(LineIt it) {
        if (it->kind == Kind::Header) {
            auto [pos, added] = sections.try_emplace(it->name);
            if (added) {
                pos->second.header = it;
            }
            if (pos->second.header == it) {
                tail = &pos->second;
            } else {
                tail = nullptr; // a repeated section: its keys are never read
            }
        } else if (it->kind == Kind::Key && tail != nullptr) {
            addKey(*tail, it);
        }
    }

    static void addKey(Section& section, LineIt it) {
        const qsizetype known = section.keys.size();
        LineIt& first = section.keys[Name{it->name}];
        if (section.keys.size() != known) { // the first line of a key wins
            first = it;
            it->first = true;
        }
        section.lastKey = it;
    }

    // Inserts a new line before `before`, keeping the index up to date.
    // `owner` is the section the line is inserted into, when it is a key.
    LineIt insertLine(LineIt before, Line line, Section* owner) {
        const bool atEnd = before == lines.end();
        if (atEnd && !lines.empty() && lines.back().eol == Eol::None) {
            lines.back().eol = newEol;
        }
        line.eol = newEol;
        line.first = false;
        const LineIt it = lines.insert(before, std::move(line));
        layout = nextLayout();
        if (atEnd) {
            indexLine(it);
            if (it->kind == Kind::Header && tail != nullptr && tail->header == it &&
                it->name == removedName) {
                tail->keys.reserve(removedKeys);
            }
        } else if (it->kind == Kind::Header) {
            rebuildIndex(); // splits a section in two
        } else if (it->kind == Kind::Key && owner != nullptr) {
            addKey(*owner, it);
        }
        return it;
    }

    Section* findSection(const QString& name) {
        if (lastSection != nullptr && name == lastAsked) {
            return lastSection;
        }
        const auto pos = sections.find(foldArgument(name));
        if (pos == sections.end()) {
            return nullptr;
        }
        lastAsked = name;
        lastSection = &pos->second;
        return lastSection;
    }

    const Section* findSection(const QString& name) const {
        const auto pos = sections.find(foldArgument(name));
        return pos == sections.end() ? nullptr : &pos->second;
    }
};

ProfileDocument::ProfileDocument() : d_(std::make_unique<Impl>()) {}

ProfileDocument::ProfileDocument(QByteArray bytes) : d_(std::make_unique<Impl>()) {
    d_->parse(std::move(bytes));
}

ProfileDocument::ProfileDocument(const ProfileDocument& other) : d_(std::make_unique<Impl>()) {
    *this = other;
}

ProfileDocument& ProfileDocument::operator=(const ProfileDocument& other) {
    if (this != &other) {
        auto copy = std::make_unique<Impl>();
        if (other.d_) {
            copy->source = other.d_->source;
            copy->lines = other.d_->lines;
            copy->newEol = other.d_->newEol;
            copy->rebuildIndex(); // the index points into its own list
        }
        d_ = std::move(copy);
    }
    return *this;
}

// A moved-from document is left empty but usable.
ProfileDocument::ProfileDocument(ProfileDocument&& other) noexcept
    : d_(std::exchange(other.d_, nullptr)) {}

ProfileDocument& ProfileDocument::operator=(ProfileDocument&& other) noexcept {
    if (this != &other) {
        d_ = std::exchange(other.d_, nullptr);
    }
    return *this;
}

ProfileDocument::~ProfileDocument() = default;

std::optional<QString> ProfileDocument::value(const QString& section, const QString& key) const {
    if (!d_) {
        return std::nullopt;
    }
    const Impl::Section* s = d_->findSection(section);
    if (s == nullptr) {
        return std::nullopt;
    }
    // A load reads a section's keys in the order of the file: the key after
    // the previous one found is tried before the table, whose entries lie
    // scattered in memory. Per thread, since a document may be shared.
    struct Position {
        std::uint64_t layout = 0;
        const Impl::Section* section = nullptr;
        LineIt next;
    };
    thread_local Position position;
    const QString name = foldArgument(key);
    std::optional<LineIt> found;
    if (position.layout == d_->layout && position.section == s) {
        LineIt it = position.next;
        for (int skipped = 0; it != d_->lines.end() && it->kind == Kind::Other && skipped < 4;
             ++skipped) {
            ++it; // a comment or a blank line between the keys
        }
        if (it != d_->lines.end() && it->kind == Kind::Key && it->first && it->name == name) {
            found = it; // no header lies between, so it is a key of this section
        }
    }
    if (!found) {
        const auto pos = s->keys.constFind(Name{name});
        if (pos == s->keys.cend()) {
            return std::nullopt;
        }
        found = pos.value();
    }
    position = {d_->layout, s, std::next(*found)};
    return cp1250::decode(rawValue(**found));
}

bool ProfileDocument::setValue(const QString& section, const QString& key, const QString& value) {
    if (!d_) {
        d_ = std::make_unique<Impl>();
    }
    Impl& d = *d_;
    QByteArray newValue = encodeSingleLine(value);
    Impl::Section* s = d.findSection(section);
    if (s == nullptr) {
        Line header;
        header.text = '[' + encodeSingleLine(section) + ']';
        classify(header);
        d.insertLine(d.lines.end(), std::move(header), nullptr);
        Line line;
        line.text = keyLine(encodeSingleLine(key), newValue);
        classify(line);
        d.insertLine(d.lines.end(), std::move(line), d.tail);
        return true;
    }
    const QString name = foldArgument(key);
    const auto pos = s->keys.constFind(Name{name});
    if (pos != s->keys.cend()) {
        Line& line = *pos.value();
        if (rawValue(line) == QByteArrayView(newValue)) {
            return false;
        }
        // The key keeps its line, its spelling and its line end.
        line.text = keyLine(rawKeyName(line).toByteArray(), newValue);
        return true;
    }
    const QByteArray rawKey = encodeSingleLine(key);
    Line line;
    line.text = keyLine(rawKey, newValue);
    const QByteArrayView keyStart = cp1250::trimBlanks(rawKey);
    if (!rawKey.contains('=') && !keyStart.startsWith('[')) {
        line.kind = Kind::Key; // what classify() would find, without folding again
        line.name = name;
    } else {
        classify(line);
    }
    const LineIt after = s->lastKey ? *s->lastKey : s->header;
    d.insertLine(std::next(after), std::move(line), s);
    return true;
}

bool ProfileDocument::removeSection(const QString& section) {
    if (!d_) {
        return false;
    }
    const QString name = foldArgument(section);
    if (const auto indexed = d_->sections.find(name); indexed != d_->sections.end()) {
        d_->removedName = name;
        d_->removedKeys = indexed->second.keys.size();
    }
    bool removing = false;
    bool found = false;
    for (LineIt it = d_->lines.begin(); it != d_->lines.end();) {
        if (it->kind == Kind::Header) {
            removing = it->name == name;
            found = found || removing;
        }
        it = removing ? d_->lines.erase(it) : std::next(it);
    }
    if (found) {
        d_->rebuildIndex();
    }
    return found;
}

QByteArray ProfileDocument::bytes() const {
    QByteArray out;
    if (!d_) {
        return out;
    }
    qsizetype size = 0;
    for (const Line& line : d_->lines) {
        size += line.text.size() + 2;
    }
    out.reserve(size);
    for (const Line& line : d_->lines) {
        out += line.text;
        out += eolBytes(line.eol);
    }
    return out;
}

} // namespace kvapomer
