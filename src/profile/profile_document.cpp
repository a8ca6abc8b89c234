#include "profile/profile_document.h"

#include "profile/cp1250.h"

#include <QHash>

#include <algorithm>
#include <utility>
#include <vector>

namespace kvapomer {

namespace {

constexpr QByteArrayView kUtf8Mark = "\xEF\xBB\xBF";

enum class Eol : unsigned char { None, CrLf, Lf, Cr };
enum class Kind : unsigned char { Other, Header, Key };

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

struct Line {
    QByteArray
        text; // the raw bytes without the line end; a view into the parsed bytes until edited
    Eol eol = Eol::None;
    Kind kind = Kind::Other;
};

// A header is "[name]" after optional blanks (the name runs to the last
// "]"), a key is anything with "=", everything else is neither.
Kind classify(QByteArrayView text, QByteArrayView* name) {
    const QByteArrayView body = cp1250::trimBlanks(text);
    if (body.startsWith('[')) {
        const qsizetype close = text.lastIndexOf(']');
        const qsizetype open = text.indexOf('[');
        if (close > open) {
            *name = text.sliced(open + 1, close - open - 1);
            return Kind::Header;
        }
    }
    const qsizetype eq = text.indexOf('=');
    if (eq >= 0) {
        *name = text.first(eq);
        return Kind::Key;
    }
    return Kind::Other;
}

// The stored value of a key line: after the first "=", without the blanks
// around it and without one pair of matching quotes.
QByteArrayView rawValue(QByteArrayView text) {
    QByteArrayView v = cp1250::trimBlanks(text.sliced(text.indexOf('=') + 1));
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) {
        v = v.sliced(1, v.size() - 2);
    }
    return v;
}

// Adds `name` unless it is there already: the first line of a name wins.
bool addFirst(QHash<QByteArray, qsizetype>& table, const QByteArray& name, qsizetype value) {
    const qsizetype known = table.size();
    qsizetype& slot = table[name];
    if (table.size() == known) {
        return false;
    }
    slot = value;
    return true;
}

} // namespace

struct ProfileDocument::Impl {
    struct Section {
        QByteArray name;       // folded
        qsizetype header = 0;  // line of the header
        qsizetype end = 0;     // one past the section's last line
        qsizetype lastKey = 0; // offset from the header of the last key line; 0: none
        bool first = false;    // the first section of its name, the one reads find
        // Folded key name to offset from the header, first line of each name;
        // built on first use.
        mutable std::optional<QHash<QByteArray, qsizetype>> keys;
    };

    QByteArray source; // the parsed bytes; unchanged lines are views into it
    bool utf8 = false;
    std::vector<Line> lines;
    std::vector<Section> sections;            // in file order
    QHash<QByteArray, qsizetype> firstByName; // folded name to index in `sections`

    QString decode(QByteArrayView bytes) const {
        return utf8 ? QString::fromUtf8(bytes) : cp1250::decode(bytes);
    }

    // Text as the file's bytes, kept on one line.
    QByteArray encode(const QString& text) const {
        QByteArray bytes = utf8 ? text.toUtf8() : cp1250::encode(text);
        bytes.replace('\r', ' ').replace('\n', ' ');
        return bytes;
    }

    // A name without its blanks, in the one form in which names compare: the
    // UTF-8 of its case folding. Names of the parsed bytes that are folded
    // already (t0, t1, ...) are not copied.
    QByteArray fold(QByteArrayView raw) const {
        const QByteArrayView name = cp1250::trimBlanks(raw);
        bool folded = true;
        for (const char c : name) {
            if (static_cast<unsigned char>(c) >= 0x80) {
                return decode(name).toCaseFolded().toUtf8();
            }
            folded = folded && !(c >= 'A' && c <= 'Z');
        }
        if (folded && name.data() >= source.constData() &&
            name.data() + name.size() <= source.constData() + source.size()) {
            return QByteArray::fromRawData(name.data(), name.size());
        }
        QByteArray out(name.size(), Qt::Uninitialized);
        for (qsizetype i = 0; i < name.size(); ++i) {
            const char c = name[i];
            out[i] = c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
        }
        return out;
    }

    // A name asked for by the program, folded as it would stand in the file
    // once written (so a character outside the code page matches the "?" it
    // becomes).
    QByteArray foldArgument(const QString& name) const {
        QByteArray out(name.size(), Qt::Uninitialized);
        for (qsizetype i = 0; i < name.size(); ++i) {
            const char16_t c = name[i].unicode();
            if (c >= 0x80 || c == u'\r' || c == u'\n') {
                return fold(encode(name));
            }
            out[i] = c >= u'A' && c <= u'Z' ? char(c - u'A' + u'a') : char(c);
        }
        const QByteArrayView trimmed = cp1250::trimBlanks(out);
        return trimmed.size() == out.size() ? out : trimmed.toByteArray();
    }

    Eol newEol() const {
        return lines.empty() || lines.front().eol == Eol::None ? Eol::CrLf : lines.front().eol;
    }

    void parse(QByteArray bytes) {
        source = std::move(bytes);
        if (!source.data_ptr().isMutable()) {
            source.detach(); // raw data someone else owns: copy what lines point into
        }
        qsizetype begin = 0;
        if (QByteArrayView(source).startsWith(kUtf8Mark)) {
            utf8 = true;
            begin = kUtf8Mark.size();
        }
        const char* data = source.constData();
        const qsizetype size = source.size();
        lines.reserve(std::size_t(source.count('\n') + 1));
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
            }
            lines.push_back(std::move(line));
            begin = next;
        }
        rebuild();
    }

    // Sorts every line and finds the sections anew.
    void rebuild() {
        lastFound = -1;
        sections.clear();
        firstByName.clear();
        for (qsizetype i = 0; i < qsizetype(lines.size()); ++i) {
            QByteArrayView name;
            Line& line = lines[i];
            line.kind = classify(line.text, &name);
            if (line.kind == Kind::Header) {
                if (!sections.empty()) {
                    sections.back().end = i;
                }
                Section s;
                s.name = fold(name);
                s.header = i;
                s.first = addFirst(firstByName, s.name, qsizetype(sections.size()));
                sections.push_back(std::move(s));
            } else if (line.kind == Kind::Key && !sections.empty()) {
                sections.back().lastKey = i - sections.back().header;
            }
        }
        if (!sections.empty()) {
            sections.back().end = qsizetype(lines.size());
        }
    }

    // The first section of that name. A load asks for one section thousands
    // of times in a row: the last answer is kept until the sections change.
    const Section* find(const QString& name) const {
        if (lastFound < 0 || name != lastAsked) {
            const auto pos = firstByName.constFind(foldArgument(name));
            lastAsked = name;
            lastFound = pos == firstByName.cend() ? -2 : *pos;
        }
        return lastFound >= 0 ? &sections[lastFound] : nullptr;
    }
    mutable QString lastAsked;
    mutable qsizetype lastFound = -1; // -1: nothing kept, -2: no such section

    const QHash<QByteArray, qsizetype>& keysOf(const Section& s) const {
        if (!s.keys) {
            QHash<QByteArray, qsizetype> keys;
            keys.reserve(s.lastKey);
            for (qsizetype i = s.header + 1; i < s.end; ++i) {
                QByteArrayView name;
                if (classify(lines[i].text, &name) == Kind::Key) {
                    addFirst(keys, fold(name), i - s.header);
                }
            }
            s.keys = std::move(keys);
        }
        return *s.keys;
    }

    // Line of `key` in `s`, or -1.
    qsizetype findKey(const Section& s, const QString& key) const {
        const auto& keys = keysOf(s);
        const auto pos = keys.constFind(foldArgument(key));
        return pos == keys.cend() ? -1 : s.header + *pos;
    }

    // A line ending in CR followed by an empty line ending in LF reads as one
    // line ending in CRLF: joins such a pair at `at` as a new parse would.
    bool joinsNext(qsizetype at) {
        if (at + 1 >= qsizetype(lines.size()) || lines[at].eol != Eol::Cr ||
            !lines[at + 1].text.isEmpty() || lines[at + 1].eol != Eol::Lf) {
            return false;
        }
        lines[at].eol = Eol::CrLf;
        lines.erase(lines.begin() + at + 1);
        rebuild();
        return true;
    }

    // Adds a line at `at`; `owner` is the section whose key it becomes.
    void insert(qsizetype at, QByteArray text, Section* owner) {
        const bool atEnd = at == qsizetype(lines.size());
        const Eol eol = newEol();
        if (atEnd && !lines.empty() && lines.back().eol == Eol::None) {
            lines.back().eol = eol;
        }
        Line line;
        line.text = std::move(text);
        line.eol = eol;
        QByteArrayView name;
        line.kind = classify(line.text, &name);
        const bool plainKey = line.kind == Kind::Key && owner != nullptr;
        const QByteArray folded = plainKey ? fold(name) : QByteArray();
        lines.insert(lines.begin() + at, std::move(line));
        if (joinsNext(at)) {
            return; // the file reads differently now: sorted anew
        }
        if (!plainKey && !(atEnd && lines[at].kind == Kind::Header)) {
            rebuild(); // a line that starts a section inside the file, or text outside any
            return;
        }
        if (lines[at].kind == Kind::Header) { // a new section at the end
            if (!sections.empty()) {
                sections.back().end = at;
            }
            Section s;
            s.name = fold(name);
            s.header = at;
            s.end = at + 1;
            s.first = addFirst(firstByName, s.name, qsizetype(sections.size()));
            sections.push_back(std::move(s));
            lastFound = -1;
            return;
        }
        // A key after the last key of its section: only later lines move.
        const qsizetype index = owner - sections.data();
        owner->end += 1;
        owner->lastKey = at - owner->header;
        if (owner->keys) {
            addFirst(*owner->keys, folded, owner->lastKey);
        }
        for (qsizetype i = index + 1; i < qsizetype(sections.size()); ++i) {
            sections[i].header += 1;
            sections[i].end += 1;
        }
    }
};

ProfileDocument::ProfileDocument() : d_(std::make_unique<Impl>()) {}

ProfileDocument::ProfileDocument(QByteArray bytes) : d_(std::make_unique<Impl>()) {
    d_->parse(std::move(bytes));
}

ProfileDocument::ProfileDocument(const ProfileDocument& other)
    : d_(std::make_unique<Impl>(*other.d_)) {}

ProfileDocument& ProfileDocument::operator=(const ProfileDocument& other) {
    if (this != &other) {
        d_ = std::make_unique<Impl>(*other.d_);
    }
    return *this;
}

// A moved-from document is left empty but usable.
ProfileDocument::ProfileDocument(ProfileDocument&& other) noexcept
    : d_(std::exchange(other.d_, std::make_unique<Impl>())) {}

ProfileDocument& ProfileDocument::operator=(ProfileDocument&& other) noexcept {
    if (this != &other) {
        std::swap(d_, other.d_);
        *other.d_ = Impl();
    }
    return *this;
}

ProfileDocument::~ProfileDocument() = default;

std::optional<QString> ProfileDocument::value(const QString& section, const QString& key) const {
    const Impl::Section* s = d_->find(section);
    const qsizetype line = s == nullptr ? -1 : d_->findKey(*s, key);
    if (line < 0) {
        return std::nullopt;
    }
    return d_->decode(rawValue(d_->lines[line].text));
}

bool ProfileDocument::setValue(const QString& section, const QString& key, const QString& value) {
    Impl& d = *d_;
    const QByteArray newValue = d.encode(value);
    const Impl::Section* found = d.find(section);
    if (found == nullptr) {
        d.insert(qsizetype(d.lines.size()), '[' + d.encode(section) + ']', nullptr);
        Impl::Section* added = d.sections.empty() ? nullptr : &d.sections.back();
        d.insert(qsizetype(d.lines.size()), d.encode(key) + '=' + newValue, added);
        return true;
    }
    Impl::Section& s = d.sections[found - d.sections.data()];
    const qsizetype at = d.findKey(s, key);
    if (at >= 0) {
        Line& line = d.lines[at];
        if (rawValue(line.text) == QByteArrayView(newValue)) {
            return false;
        }
        // The key keeps its line, its spelling and its line end.
        const QByteArrayView text(line.text);
        line.text =
            cp1250::trimBlanks(text.first(text.indexOf('='))).toByteArray() + '=' + newValue;
        QByteArrayView name;
        if (classify(line.text, &name) != Kind::Key) {
            d.rebuild(); // a value with "]" made the line a section header
        }
        return true;
    }
    d.insert(s.header + (s.lastKey > 0 ? s.lastKey : 0) + 1, d.encode(key) + '=' + newValue, &s);
    return true;
}

bool ProfileDocument::removeSection(const QString& section) {
    Impl& d = *d_;
    const QByteArray name = d.foldArgument(section);
    if (!d.firstByName.contains(name)) {
        return false;
    }
    // Compacts the lines in place: a copy of a large file's lines would
    // double the memory of a save.
    auto out = d.lines.begin();
    qsizetype next = 0;
    for (const Impl::Section& s : d.sections) {
        if (s.name == name) {
            out = std::move(d.lines.begin() + next, d.lines.begin() + s.header, out);
            next = s.end;
        }
    }
    out = std::move(d.lines.begin() + next, d.lines.end(), out);
    d.lines.erase(out, d.lines.end());
    d.rebuild();
    return true;
}

QStringList ProfileDocument::sections() const {
    QStringList names;
    for (const Impl::Section& s : d_->sections) {
        if (s.first) {
            QByteArrayView name;
            classify(d_->lines[s.header].text, &name);
            names.push_back(d_->decode(cp1250::trimBlanks(name)));
        }
    }
    return names;
}

int ProfileDocument::removeKeys(const QString& section,
                                const std::function<bool(const QString& key)>& which) {
    Impl& d = *d_;
    const Impl::Section* found = d.find(section);
    if (found == nullptr) {
        return 0;
    }
    const qsizetype from = found->header + 1;
    const qsizetype end = found->end;
    int removed = 0;
    qsizetype out = from;
    for (qsizetype i = from; i < end; ++i) {
        QByteArrayView name;
        if (classify(d.lines[i].text, &name) == Kind::Key &&
            which(d.decode(cp1250::trimBlanks(name)))) {
            ++removed;
            continue;
        }
        if (out != i) {
            d.lines[out] = std::move(d.lines[i]);
        }
        ++out;
    }
    if (removed == 0) {
        return 0;
    }
    d.lines.erase(d.lines.begin() + out, d.lines.begin() + end);
    d.rebuild();
    // Lines that now meet may read as one, as a new parse would see them.
    for (qsizetype i = std::max<qsizetype>(from - 1, 0); i < out && i < qsizetype(d.lines.size());
         ++i) {
        d.joinsNext(i);
    }
    return removed;
}

QByteArray ProfileDocument::bytes() const {
    QByteArray out;
    qsizetype size = d_->utf8 ? kUtf8Mark.size() : 0;
    for (const Line& line : d_->lines) {
        size += line.text.size() + 2;
    }
    out.reserve(size);
    if (d_->utf8) {
        out += kUtf8Mark;
    }
    for (const Line& line : d_->lines) {
        out += line.text;
        out += eolBytes(line.eol);
    }
    return out;
}

bool ProfileDocument::isUtf8() const {
    return d_->utf8;
}

ProfileDocument ProfileDocument::emptyAlike() const {
    return ProfileDocument(d_->utf8 ? kUtf8Mark.toByteArray() : QByteArray());
}

} // namespace kvapomer
