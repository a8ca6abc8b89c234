#include "gtfs_import/queries/stop_search.h"

#include "gtfs_import/feed/utf8.h"

#include "gtfs_import/feed/text_match.h"

#include <QChar>
#include <QList>
#include <QString>

#include <algorithm>
#include <array>
#include <functional>
#include <tuple>
#include <unordered_map>

namespace kvapomer::gtfs {

namespace {

// What one code point folds to: letters and digits, or one of these two.
const std::string kMark; // a combining mark: dropped, the letter it marks stays
const std::string kSeparator = " ";

// Letters that have no decomposition into a base letter and a mark.
const char* plainLetters(char32_t folded) {
    switch (folded) {
    case U'ß':
        return "ss";
    case U'æ':
        return "ae";
    case U'œ':
        return "oe";
    case U'ø':
        return "o";
    case U'đ':
    case U'ð':
        return "d";
    case U'ł':
        return "l";
    case U'ħ':
        return "h";
    case U'ı':
        return "i";
    case U'ŧ':
        return "t";
    case U'þ':
        return "th";
    case U'ĸ':
        return "k";
    default:
        return nullptr;
    }
}

std::string foldCodePoint(char32_t c) {
    if (c < 0x80) {
        if (c >= 'A' && c <= 'Z') {
            return std::string(1, static_cast<char>(c - 'A' + 'a'));
        }
        const bool kept = (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
        return kept ? std::string(1, static_cast<char>(c)) : kSeparator;
    }
    if (QChar::isMark(c)) {
        return kMark;
    }
    if (!QChar::isLetterOrNumber(c)) {
        return kSeparator;
    }
    // The compatibility decomposition splits "č" into "c" and a caron, "ĳ"
    // into "ij"; its marks and anything else that is no letter are dropped.
    const QString parts = QString::fromUcs4(&c, 1).normalized(QString::NormalizationForm_KD);
    std::string result;
    for (const char32_t part : parts.toUcs4()) {
        if (!QChar::isLetterOrNumber(part)) {
            continue;
        }
        const char32_t folded = QChar::toCaseFolded(part);
        if (const char* plain = plainLetters(folded)) {
            result += plain;
        } else {
            appendUtf8(result, folded);
        }
    }
    return result.empty() ? kSeparator : result;
}

// The Latin, Greek and Cyrillic blocks, where nearly every name's letters
// are, folded once; code points above are folded as they come.
constexpr char32_t kTableEnd = 0x2000;

const std::vector<std::string>& foldTable() {
    static const std::vector<std::string> table = [] {
        std::vector<std::string> t(kTableEnd);
        for (char32_t c = 0; c < kTableEnd; ++c) {
            t[c] = foldCodePoint(c);
        }
        return t;
    }();
    return table;
}

// The next code point of UTF-8 `text` from `i`, which it moves past it;
// U+FFFD for a malformed part.
char32_t nextCodePoint(std::string_view text, std::size_t& i) {
    const Utf8Char c = decodeUtf8(text, i);
    i += c.length;
    return c.code == kInvalidUtf8 ? U'\uFFFD' : c.code;
}

std::vector<std::string_view> words(std::string_view folded) {
    std::vector<std::string_view> result;
    std::size_t start = 0;
    while (start < folded.size()) {
        const std::size_t end = std::min(folded.find(' ', start), folded.size());
        result.push_back(folded.substr(start, end - start));
        start = end + 1;
    }
    return result;
}

// Whether one of the folded names, '\n' between them, is `name`.
bool hasName(std::string_view names, std::string_view name) {
    for (std::size_t start = 0; start <= names.size();) {
        const std::size_t end = std::min(names.find('\n', start), names.size());
        if (names.substr(start, end - start) == name) {
            return true;
        }
        start = end + 1;
    }
    return false;
}

} // namespace

std::string foldForSearch(std::string_view text) {
    const std::vector<std::string>& table = foldTable();
    std::string result;
    result.reserve(text.size());
    bool gap = false;
    for (std::size_t i = 0; i < text.size();) {
        const unsigned char byte = static_cast<unsigned char>(text[i]);
        std::string other;
        const std::string* piece;
        if (byte < 0x80) {
            ++i;
            piece = &table[byte];
        } else {
            const char32_t c = nextCodePoint(text, i);
            if (c < kTableEnd) {
                piece = &table[c];
            } else {
                other = foldCodePoint(c);
                piece = &other;
            }
        }
        if (*piece == kSeparator) {
            gap = !result.empty();
        } else if (!piece->empty()) {
            if (gap) {
                result += ' ';
                gap = false;
            }
            result += *piece;
        }
    }
    return result;
}

bool isBoardable(const Stop& stop) {
    return stop.locationType == 0 || stop.locationType == 1;
}

StopIndex::StopIndex(const std::vector<Stop>& stops)
    : placeOfStop_(stops.size(), std::string::npos),
      firstStop_(stops.empty() ? nullptr : stops.data()) {
    std::unordered_map<std::string_view, std::size_t> stationIndex; // stop_id -> index in `stops`
    for (std::size_t i = 0; i < stops.size(); ++i) {
        if (stops[i].locationType == 1) {
            stationIndex.emplace(stops[i].id, i);
        }
    }
    // A stop's place: its station when it has one in the feed, else itself.
    std::vector<std::size_t> owner(stops.size(), std::string::npos);
    std::vector<std::size_t> roots;
    for (std::size_t i = 0; i < stops.size(); ++i) {
        const Stop& s = stops[i];
        if (!isBoardable(s)) {
            continue;
        }
        const auto parent = s.locationType == 0 && !s.parent.empty() ? stationIndex.find(s.parent)
                                                                     : stationIndex.end();
        if (parent != stationIndex.end()) {
            owner[i] = parent->second;
        } else {
            owner[i] = i;
            roots.push_back(i);
        }
    }
    std::vector<std::string> rootFolded(stops.size());
    for (const std::size_t r : roots) {
        rootFolded[r] = foldForSearch(stops[r].name);
    }
    std::sort(roots.begin(), roots.end(), [&](std::size_t a, std::size_t b) {
        return std::tie(rootFolded[a], stops[a].name, stops[a].id) <
               std::tie(rootFolded[b], stops[b].name, stops[b].id);
    });
    std::vector<std::size_t> placeOfRoot(stops.size(), std::string::npos);
    places_.reserve(roots.size());
    folded_.reserve(roots.size());
    for (const std::size_t r : roots) {
        placeOfRoot[r] = places_.size();
        places_.push_back(StopPlace{&stops[r], {}});
        folded_.push_back(std::move(rootFolded[r]));
    }
    for (std::size_t i = 0; i < stops.size(); ++i) {
        if (owner[i] == std::string::npos) {
            continue;
        }
        const std::size_t place = placeOfRoot[owner[i]];
        placeOfStop_[i] = place;
        if (owner[i] == i) {
            continue;
        }
        places_[place].platforms.push_back(&stops[i]);
        // A platform's own name is searched too, when it differs.
        const std::string folded = foldForSearch(stops[i].name);
        std::string& names = folded_[place];
        if (!folded.empty() && !hasName(names, folded)) {
            names += '\n';
            names += folded;
        }
    }
    for (StopPlace& p : places_) {
        std::sort(p.platforms.begin(), p.platforms.end(),
                  [](const Stop* a, const Stop* b) { return a->id < b->id; });
    }
}

std::vector<const StopPlace*> StopIndex::find(std::string_view text) const {
    const std::string query = foldForSearch(text);
    const std::vector<std::string_view> parts = words(query);
    std::array<std::vector<const StopPlace*>, 3> ranked;
    for (std::size_t p = 0; p < places_.size(); ++p) {
        const std::string_view names = folded_[p];
        bool all = true;
        for (const std::string_view part : parts) {
            if (names.find(part) == std::string_view::npos) {
                all = false;
                break;
            }
        }
        if (!all) {
            continue;
        }
        std::size_t rank = 2;
        for (std::size_t at = names.find(query); at != std::string_view::npos;
             at = names.find(query, at + 1)) {
            if (at == 0) {
                rank = 0;
                break;
            }
            if (names[at - 1] == ' ' || names[at - 1] == '\n') {
                rank = 1;
            }
        }
        ranked[rank].push_back(&places_[p]);
    }
    std::vector<const StopPlace*> result = std::move(ranked[0]);
    result.insert(result.end(), ranked[1].begin(), ranked[1].end());
    result.insert(result.end(), ranked[2].begin(), ranked[2].end());
    return result;
}

std::vector<const StopPlace*> StopIndex::named(std::string_view name) const {
    std::vector<const StopPlace*> result;
    for (const StopPlace& p : places_) {
        bool found = equalIgnoringCase(p.stop->name, name);
        for (std::size_t i = 0; !found && i < p.platforms.size(); ++i) {
            found = equalIgnoringCase(p.platforms[i]->name, name);
        }
        if (found) {
            result.push_back(&p);
        }
    }
    if (!result.empty()) {
        return result;
    }
    const std::string folded = foldForSearch(name);
    for (std::size_t p = 0; p < places_.size(); ++p) {
        if (hasName(folded_[p], folded)) {
            result.push_back(&places_[p]);
        }
    }
    return result;
}

const StopPlace* StopIndex::placeOf(const Stop& stop) const {
    const std::less<const Stop*> before;
    if (firstStop_ == nullptr || before(&stop, firstStop_) ||
        !before(&stop, firstStop_ + placeOfStop_.size())) {
        return nullptr;
    }
    const std::size_t place = placeOfStop_[static_cast<std::size_t>(&stop - firstStop_)];
    return place == std::string::npos ? nullptr : &places_[place];
}

} // namespace kvapomer::gtfs
