#include "config/dated_keys.h"

#include "config/keys.h"
#include "config/settings_save.h"

#include <QByteArray>

#include <algorithm>
#include <map>

namespace kvapomer {

namespace {

using std::chrono::days;
using std::chrono::sys_days;
using std::chrono::weekday;

// One character per list, in the day map and in the list's key, and per
// line of a departure. Key names match without regard to letter case, so
// letters of one case only.
constexpr QStringView kIds = u"ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
static_assert(kMaxDatedLists <= 36 && kMaxDepartureLines <= 36);

// The longest value a read gives back whole.
constexpr qsizetype kMaxValue = keys::kReadBufferSize - 1;
// Continuation keys of one value: "DatedDays", "DatedDays2", "DatedDays3", …
constexpr int kMaxChunks = 64;

using keys::chunkKey;
const QString& kFrom = keys::kDatedFrom;
const QString& kWritten = keys::kDatedWritten;
const QString& kDays = keys::kDatedDays;
const QString& kList = keys::kDatedList;
const QString& kFeed = keys::kDatedFeed;
const QString& kFeedTime = keys::kDatedFeedTime;
const QString& kStop = keys::kDatedStop;
const QString& kRoute = keys::kDatedRoute;
const QString& kDirection = keys::kDatedDirection;
const QString& kTo = keys::kDatedTo;
const QString& kRoutes = keys::kDatedRoutes;
const QString& kLines = keys::kDatedLines;
const QString& kOf = keys::kDatedOf;
const QString& kTimes = keys::kDatedTimes;
const QString& kTimesOf = keys::kDatedTimesOf;
// Every route that goes to the destination, in DatedRoutes.
constexpr QStringView kEveryRoute = u"*";

// Blank-separated tokens packed into values of at most kMaxValue characters;
// a read trims blanks, so values are split only between tokens.
QStringList packTokens(const QStringList& tokens) {
    QStringList values{QString()};
    for (const QString& token : tokens) {
        QString& current = values.back();
        if (current.isEmpty()) {
            current = token;
        } else if (current.size() + 1 + token.size() <= kMaxValue) {
            current += u' ' + token;
        } else {
            values.push_back(token);
        }
    }
    return values;
}

// The value of `base` and its continuation keys; the parts joined by `joint`.
std::optional<QString> readChunks(const KeyReader& value, const QString& base, QStringView joint) {
    std::optional<QString> first = value(base);
    if (!first) {
        return std::nullopt;
    }
    QString whole = *first;
    for (int chunk = 2; chunk <= kMaxChunks; ++chunk) {
        const std::optional<QString> next = value(chunkKey(base, chunk));
        if (!next) {
            return whole;
        }
        whole += joint;
        whole += *next;
    }
    return std::nullopt; // more parts than any line writes
}

// A list the way a printed stop timetable shows it: one token per hour, the
// hour and then the minutes of its departures, two digits each
// ("05:1245 06:0530" is 05:12, 05:45, 06:05, 06:30). "-": no service.
QStringList listTokens(const DayList& list) {
    if (list.empty()) {
        return {QStringLiteral("-")};
    }
    QStringList tokens;
    int hour = -1;
    for (const int minute : list) {
        if (minute / 60 != hour) {
            hour = minute / 60;
            tokens.push_back(clockText(minute).left(3)); // "hh:"
        }
        tokens.back() += clockText(minute).mid(3);
    }
    return tokens;
}

int digit(QChar c) {
    return c >= u'0' && c <= u'9' ? c.unicode() - u'0' : -1;
}

int twoDigitNumber(QStringView text) {
    const int tens = digit(text[0]);
    const int ones = digit(text[1]);
    return tens < 0 || ones < 0 ? -1 : tens * 10 + ones;
}

// `repeats`: a minute may come again (a line of several lines).
std::optional<DayList> parseList(const QString& text, bool repeats) {
    if (text == u"-") {
        return DayList{};
    }
    DayList list;
    const QStringList tokens = text.split(u' ', Qt::SkipEmptyParts);
    if (tokens.isEmpty()) {
        return std::nullopt;
    }
    for (const QString& token : tokens) {
        if (token.size() < 5 || token.size() % 2 == 0 || token[2] != u':') {
            return std::nullopt;
        }
        const int hour = twoDigitNumber(token);
        if (hour < 0 || hour > 23) {
            return std::nullopt;
        }
        for (qsizetype i = 3; i < token.size(); i += 2) {
            const int minute = twoDigitNumber(QStringView(token).mid(i, 2));
            if (minute < 0 || minute > 59) {
                return std::nullopt;
            }
            const int time = hour * 60 + minute;
            if (!list.empty() && (time < list.back() || (time == list.back() && !repeats))) {
                return std::nullopt; // ascending, each once but for another line's
            }
            list.push_back(time);
        }
    }
    return list;
}

// The day map in weeks from Monday to Sunday, one list id per day.
QStringList dayTokens(const DatedLine& line) {
    QStringList tokens{QString()};
    for (std::size_t i = 0; i < line.days.size(); ++i) {
        if (i > 0 && weekday(line.first + days(i)) == std::chrono::Monday) {
            tokens.push_back(QString());
        }
        tokens.back() += kIds[line.days[i]];
    }
    return tokens;
}

QString dateText(sys_days date) {
    return toQDate(date).toString(Qt::ISODate);
}

std::optional<sys_days> parseDate(const QString& text) {
    if (text.size() != 10) {
        return std::nullopt;
    }
    const QDate date = QDate::fromString(text, Qt::ISODate);
    if (!date.isValid()) {
        return std::nullopt;
    }
    return toSysDays(date);
}

// Free text (a path, an id, a headsign) stored as it is when a read gives it
// back unchanged, otherwise as "%" and its UTF-8 bytes percent-encoded.
bool storableAsIs(const QString& text) {
    if (text.size() > kMaxValue) {
        return false;
    }
    if (!text.isEmpty()) {
        const QChar front = text.front();
        if (front == u'%' || front == u'"' || front == u'\'' || front == u' ' || front == u'\t' ||
            text.back() == u' ' || text.back() == u'\t') {
            return false;
        }
    }
    for (const QChar c : text) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f) {
            return false;
        }
    }
    return fitsCodePage(text);
}

QStringList textValues(const QString& text) {
    if (storableAsIs(text)) {
        return {text};
    }
    // Percent-encoded text has no blanks: any split point keeps it whole.
    const QString encoded = u'%' + QString::fromLatin1(text.toUtf8().toPercentEncoding("/:"));
    QStringList values;
    for (qsizetype at = 0; at < encoded.size(); at += kMaxValue) {
        values.push_back(encoded.mid(at, kMaxValue));
    }
    return values;
}

std::optional<QString> readText(const KeyReader& value, const QString& key) {
    const std::optional<QString> stored = readChunks(value, key, u"");
    if (!stored || !stored->startsWith(u'%')) {
        return stored;
    }
    const QByteArray raw = stored->mid(1).toLatin1();
    if (QString::fromLatin1(raw) != stored->mid(1)) {
        return std::nullopt;
    }
    const QByteArray bytes = QByteArray::fromPercentEncoding(raw);
    QString text = QString::fromUtf8(bytes);
    if (text.toUtf8() != bytes) {
        return std::nullopt; // not UTF-8
    }
    return text;
}

void addValues(QList<QPair<QString, QString>>& keys, const QString& base,
               const QStringList& values) {
    for (int i = 0; i < values.size(); ++i) {
        keys.push_back({chunkKey(base, i + 1), values[i]});
    }
}

int idIndex(QChar c) {
    return static_cast<int>(kIds.indexOf(c));
}

// Names as blank-separated tokens, each percent-encoded (a blank in one
// becomes "%20").
QStringList nameTokens(const QStringList& names) {
    QStringList tokens;
    for (const QString& name : names) {
        tokens.push_back(QString::fromLatin1(name.toUtf8().toPercentEncoding()));
    }
    return tokens;
}

std::optional<QStringList> parseNames(const QString& text) {
    QStringList names;
    for (const QString& token : text.split(u' ', Qt::SkipEmptyParts)) {
        const QByteArray raw = token.toLatin1();
        if (QString::fromLatin1(raw) != token) {
            return std::nullopt;
        }
        const QByteArray bytes = QByteArray::fromPercentEncoding(raw);
        QString name = QString::fromUtf8(bytes);
        if (name.isEmpty() || name.toUtf8() != bytes) {
            return std::nullopt;
        }
        names.push_back(std::move(name));
    }
    return names;
}

// One id per departure, split anywhere into values a read gives back whole.
QStringList lineIdValues(const LineOfDepartures& of) {
    QString ids;
    for (const std::uint8_t line : of) {
        ids += kIds[line];
    }
    QStringList values;
    for (qsizetype at = 0; at < ids.size() || values.isEmpty(); at += kMaxValue) {
        values.push_back(ids.mid(at, kMaxValue));
    }
    return values;
}

// The ids of `count` departures' lines, each naming one of `lineCount` lines.
std::optional<LineOfDepartures> readLineIds(const KeyReader& value, const QString& key,
                                            std::size_t count, qsizetype lineCount) {
    const std::optional<QString> ids = readChunks(value, key, u"");
    if (!ids || static_cast<std::size_t>(ids->size()) != count) {
        return std::nullopt;
    }
    LineOfDepartures of;
    for (const QChar c : *ids) {
        const int line = idIndex(c);
        if (line < 0 || line >= lineCount) {
            return std::nullopt;
        }
        of.push_back(static_cast<std::uint8_t>(line));
    }
    return of;
}

std::optional<QStringList> readLineNames(const KeyReader& value) {
    const std::optional<QString> text = readChunks(value, kLines, u" ");
    std::optional<QStringList> names = text ? parseNames(*text) : std::nullopt;
    if (!names || names->size() < 2 || names->size() > kMaxDepartureLines) {
        return std::nullopt;
    }
    return names;
}

} // namespace

QString datedMarkerKey() {
    return kFrom;
}

bool isDatedKey(const QString& key) {
    return key.startsWith(keys::kDatedPrefix, Qt::CaseInsensitive);
}

QList<QPair<QString, QString>> datedKeys(const DatedLine& line) {
    QList<QPair<QString, QString>> keys;
    keys.push_back({kFrom, dateText(line.first)});
    keys.push_back({kWritten, kIds[line.written]});
    addValues(keys, kDays, packTokens(dayTokens(line)));
    for (std::size_t l = 0; l < line.lists.size(); ++l) {
        addValues(keys, kList + kIds[static_cast<qsizetype>(l)],
                  packTokens(listTokens(line.lists[l])));
    }
    if (!line.lineNames.isEmpty()) {
        addValues(keys, kLines, packTokens(nameTokens(line.lineNames)));
        for (std::size_t l = 0; l < line.lineOf.size(); ++l) {
            addValues(keys, kOf + kIds[static_cast<qsizetype>(l)], lineIdValues(line.lineOf[l]));
        }
    }
    addValues(keys, kFeed, textValues(line.source.feed));
    keys.push_back({kFeedTime, line.source.feedTime.toUTC().toString(Qt::ISODate)}); // ends in "Z"
    addValues(keys, kStop, textValues(line.source.stop));
    if (!line.source.to.isEmpty()) {
        addValues(keys, kTo, textValues(line.source.to));
        addValues(keys, kRoutes,
                  line.source.routes.isEmpty() ? QStringList{kEveryRoute.toString()}
                                               : packTokens(nameTokens(line.source.routes)));
        return keys;
    }
    addValues(keys, kRoute, textValues(line.source.route));
    addValues(keys, kDirection, textValues(line.source.direction));
    return keys;
}

qsizetype datedSize(const DatedLine& line) {
    qsizetype size = 0;
    for (const auto& [key, value] : datedKeys(line)) {
        size += key.size() + 1 + value.size() + 2; // key=value CR LF
    }
    return size;
}

namespace {

// The whole section with its largest list in the t keys: note, t keys,
// NumberOfTimes and the dated data.
qsizetype sectionSize(const DatedLine& line) {
    std::size_t largest = 0;
    for (const DayList& list : line.lists) {
        largest = std::max(largest, list.size());
    }
    const auto timeLines = static_cast<qsizetype>(largest) * 14; // "t12345=hh:mm" CR LF
    return datedSize(line) + timeLines + 128;
}

// The line ended after `count` days, its lists renumbered in order of first use.
DatedLine firstDays(const DatedLine& line, std::size_t count) {
    DatedLine cut;
    cut.first = line.first;
    cut.source = line.source;
    cut.lineNames = line.lineNames;
    std::map<int, int> renumbered;
    for (std::size_t i = 0; i < count; ++i) {
        const int old = line.days[i];
        const auto [it, added] = renumbered.try_emplace(old, static_cast<int>(cut.lists.size()));
        if (added) {
            cut.lists.push_back(line.lists[static_cast<std::size_t>(old)]);
            if (!line.lineNames.isEmpty()) {
                cut.lineOf.push_back(line.lineOf[static_cast<std::size_t>(old)]);
            }
        }
        cut.days.push_back(static_cast<std::uint16_t>(it->second));
    }
    const auto written = renumbered.find(line.written);
    cut.written = written == renumbered.end() ? 0 : written->second;
    return cut;
}

} // namespace

bool fitToLimits(DatedLine& line) {
    std::size_t count = std::min<std::size_t>(line.days.size(), kMaxDatedDays);
    std::vector<bool> seen(line.lists.size(), false);
    int distinct = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint16_t l = line.days[i];
        if (l >= line.lists.size()) {
            count = i;
            break;
        }
        if (!seen[l]) {
            if (distinct == kMaxDatedLists) {
                count = i;
                break;
            }
            seen[l] = true;
            ++distinct;
        }
    }
    DatedLine cut = firstDays(line, count);
    while (!cut.days.empty() && sectionSize(cut) > kMaxDatedBytes) {
        // Each day dropped frees at least its id; a week at a time while far off.
        const std::size_t drop = sectionSize(cut) > kMaxDatedBytes + 2048 ? 7 : 1;
        cut = firstDays(cut, cut.days.size() > drop ? cut.days.size() - drop : 0);
    }
    if (cut.days.empty()) {
        return false;
    }
    line = std::move(cut);
    return true;
}

std::optional<DatedLine> readDatedLine(const KeyReader& value) {
    const std::optional<QString> from = value(kFrom);
    if (!from) {
        return std::nullopt;
    }
    DatedLine line;
    const std::optional<sys_days> first = parseDate(*from);
    const std::optional<QString> dayMap = readChunks(value, kDays, u" ");
    const std::optional<QString> written = value(kWritten);
    if (!first || !dayMap || !written || written->size() != 1) {
        return std::nullopt;
    }
    line.first = *first;
    // Lists are numbered in the order of their ids that the line uses.
    std::map<int, int> used;
    const auto use = [&](QChar id) -> int {
        const int at = idIndex(id);
        if (at < 0) {
            return -1;
        }
        return used.try_emplace(at, 0).first->first;
    };
    QString map = *dayMap;
    map.remove(u' ');
    if (map.isEmpty() || map.size() > kMaxDatedDays) {
        return std::nullopt;
    }
    for (const QChar c : map) {
        if (use(c) < 0) {
            return std::nullopt;
        }
    }
    if (use(written->front()) < 0) {
        return std::nullopt;
    }
    for (auto& [id, index] : used) {
        index = static_cast<int>(line.lists.size());
        const std::optional<QString> text = readChunks(value, kList + kIds[id], u" ");
        std::optional<DayList> list =
            text ? parseList(*text, value(kLines).has_value()) : std::nullopt;
        if (!list) {
            return std::nullopt;
        }
        line.lists.push_back(std::move(*list));
    }
    for (const QChar c : map) {
        line.days.push_back(static_cast<std::uint16_t>(used.at(idIndex(c))));
    }
    line.written = used.at(idIndex(written->front()));
    if (line.lists[static_cast<std::size_t>(line.written)].empty()) {
        return std::nullopt; // the t keys never hold an empty list
    }
    if (value(kLines)) {
        const std::optional<QStringList> names = readLineNames(value);
        if (!names) {
            return std::nullopt;
        }
        line.lineNames = *names;
        line.lineOf.resize(line.lists.size());
        for (const auto& [id, index] : used) {
            const std::size_t l = static_cast<std::size_t>(index);
            std::optional<LineOfDepartures> of =
                readLineIds(value, kOf + kIds[id], line.lists[l].size(), names->size());
            if (!of) {
                return std::nullopt;
            }
            line.lineOf[l] = std::move(*of);
        }
    }

    const std::optional<QString> feed = readText(value, kFeed);
    const std::optional<QString> feedTime = value(kFeedTime);
    const std::optional<QString> stop = readText(value, kStop);
    const QDateTime time = feedTime ? QDateTime::fromString(*feedTime, Qt::ISODate) : QDateTime();
    if (!feed || feed->isEmpty() || !time.isValid() || !stop || stop->isEmpty()) {
        return std::nullopt;
    }
    if (const std::optional<QString> to = readText(value, kTo)) {
        const std::optional<QString> routes = readChunks(value, kRoutes, u" ");
        std::optional<QStringList> named = !routes                  ? std::nullopt
                                           : *routes == kEveryRoute ? QStringList()
                                                                    : parseNames(*routes);
        if (to->isEmpty() || !named || (named->isEmpty() && *routes != kEveryRoute)) {
            return std::nullopt;
        }
        line.source = {*feed, time.toUTC(), *stop, QString(), QString(), *to, *named};
        return line;
    }
    const std::optional<QString> route = readText(value, kRoute);
    const std::optional<QString> direction = readText(value, kDirection);
    if (!route || route->isEmpty() || !direction) {
        return std::nullopt;
    }
    line.source = {*feed, time.toUTC(), *stop, *route, *direction, {}, {}};
    return line;
}

bool timesKeysHoldWritten(const KeyReader& value, const DatedLine& line) {
    const DayList& list = line.lists[static_cast<std::size_t>(line.written)];
    if (value(keys::kNumberOfTimes) != QString::number(list.size())) {
        return false;
    }
    const QStringList times = timesText(list);
    for (qsizetype i = 0; i < times.size(); ++i) {
        if (value(keys::timeKey(static_cast<int>(i))) != times[i]) {
            return false;
        }
    }
    return true;
}

QList<QPair<QString, QString>> departureLinesKeys(const QStringList& times,
                                                  const DepartureLines& lines) {
    QList<QPair<QString, QString>> keys;
    if (lines.empty()) {
        return keys;
    }
    addValues(keys, kLines, packTokens(nameTokens(lines.names)));
    DayList list;
    for (const QString& time : times) {
        list.push_back(time.left(2).toInt() * 60 + time.mid(3, 2).toInt());
    }
    addValues(keys, kTimes, packTokens(listTokens(list)));
    addValues(keys, kTimesOf, lineIdValues(lines.of));
    return keys;
}

DepartureLines readDepartureLines(const KeyReader& value) {
    if (std::optional<DatedLine> dated = readDatedLine(value)) {
        return timesKeysHoldWritten(value, *dated) ? dated->linesOf(dated->written)
                                                   : DepartureLines{};
    }
    const std::optional<QStringList> names = value(kLines) ? readLineNames(value) : std::nullopt;
    const std::optional<QString> text = names ? readChunks(value, kTimes, u" ") : std::nullopt;
    const std::optional<DayList> list =
        text ? parseList(*text, value(kLines).has_value()) : std::nullopt;
    if (!list || list->empty()) {
        return {};
    }
    DatedLine probe;
    probe.lists = {*list};
    if (!timesKeysHoldWritten(value, probe)) {
        return {};
    }
    std::optional<LineOfDepartures> of = readLineIds(value, kTimesOf, list->size(), names->size());
    if (!of) {
        return {};
    }
    return {*names, std::move(*of)};
}

} // namespace kvapomer
