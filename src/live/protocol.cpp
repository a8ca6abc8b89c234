#include "live/protocol.h"

#include <QTime>

namespace kvapomer::live {

namespace {

const char kTab = '\t';

QByteArray dateText(QDate date) {
    return date.toString(QStringLiteral("yyyyMMdd")).toLatin1();
}

QDate parseDate(const QByteArray& text) {
    if (text.size() != 8) {
        return {};
    }
    for (char c : text) {
        if (c < '0' || c > '9') {
            return {};
        }
    }
    return QDate::fromString(QString::fromLatin1(text), QStringLiteral("yyyyMMdd"));
}

// A plain decimal number in [low, high], optionally negative.
std::optional<qint64> parseNumber(const QByteArray& text, qint64 low, qint64 high) {
    if (text.isEmpty() || text.size() > 12) {
        return std::nullopt;
    }
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (!(text[i] >= '0' && text[i] <= '9') && !(i == 0 && text[i] == '-' && text.size() > 1)) {
            return std::nullopt;
        }
    }
    bool ok = false;
    const qint64 value = text.toLongLong(&ok);
    if (!ok || value < low || value > high) {
        return std::nullopt;
    }
    return value;
}

const char* stateName(LiveState state) {
    switch (state) {
    case LiveState::Expected:
        return "expected";
    case LiveState::Timetable:
        return "timetable";
    case LiveState::Skipped:
        return "skipped";
    case LiveState::Cancelled:
        return "cancelled";
    }
    return "timetable";
}

std::optional<LiveState> parseState(const QByteArray& text) {
    for (LiveState state :
         {LiveState::Expected, LiveState::Timetable, LiveState::Skipped, LiveState::Cancelled}) {
        if (text == stateName(state)) {
            return state;
        }
    }
    return std::nullopt;
}

bool parseText(const QByteArray& bytes, QString& out) {
    return checkedText(std::string_view(bytes.constData(), std::size_t(bytes.size())), out);
}

} // namespace

QByteArray departureLine(const ExpectedDeparture& departure) {
    const ScheduledCall& call = departure.call;
    return "departure" + QByteArray(1, kTab) + dateText(call.serviceDate) + kTab +
           QByteArray::number(call.stopSequence) + kTab + QByteArray::number(call.departure) +
           kTab + stateName(departure.state) + kTab + QByteArray::number(departure.expected) +
           kTab + call.tripId.toUtf8() + kTab + call.route.toUtf8() + '\n';
}

QByteArray stampLine(qint64 stamp) {
    return "stamp\t" + QByteArray::number(stamp) + '\n';
}

QByteArray liveLine(const QString& hhmmss) {
    return "live at " + hhmmss.toLatin1() + '\n';
}

QByteArray noDataLine(const QString& reason) {
    QString text = reason.left(kMaxReasonChars);
    text.replace(QLatin1Char('\n'), QLatin1Char(' ')).replace(QLatin1Char('\t'), QLatin1Char(' '));
    return "no data: " + text.toUtf8() + '\n';
}

QByteArray formatBatch(const LiveSnapshot& snapshot) {
    QByteArray out;
    for (const ExpectedDeparture& departure : snapshot.departures) {
        out += departureLine(departure);
    }
    if (snapshot.stamp) {
        out += stampLine(*snapshot.stamp);
    }
    out += snapshot.live ? liveLine(snapshot.liveAt) : noDataLine(snapshot.reason);
    return out;
}

QByteArray tokenLine(const QByteArray& token) {
    return "token\t" + token + '\n';
}

QByteArray timeZoneLine(const QByteArray& ianaId) {
    return "timezone\t" + ianaId + '\n';
}

QByteArray callsBlock(const std::vector<ScheduledCall>& calls) {
    QByteArray out;
    for (const ScheduledCall& call : calls) {
        out += "call" + QByteArray(1, kTab) + dateText(call.serviceDate) + kTab +
               QByteArray::number(call.stopSequence) + kTab + QByteArray::number(call.departure) +
               kTab + call.tripId.toUtf8() + kTab + call.route.toUtf8() + kTab +
               call.stopId.toUtf8() + '\n';
    }
    return out + "calls end\n";
}

bool LineSplitter::feed(const QByteArray& bytes, std::vector<QByteArray>& lines) {
    if (broken_) {
        return false;
    }
    pending_ += bytes;
    qsizetype start = 0;
    for (qsizetype end; (end = pending_.indexOf('\n', start)) >= 0; start = end + 1) {
        if (end - start > kMaxProtocolLine) {
            broken_ = true;
            return false;
        }
        lines.push_back(pending_.mid(start, end - start));
    }
    pending_.remove(0, start);
    if (pending_.size() > kMaxProtocolLine) {
        broken_ = true;
        return false;
    }
    return true;
}

bool ChildOutputParser::feed(const QByteArray& bytes, std::vector<LiveSnapshot>& batches) {
    std::vector<QByteArray> lines;
    if (broken_ || !splitter_.feed(bytes, lines)) {
        broken_ = true;
        return false;
    }
    for (const QByteArray& text : lines) {
        if (!line(text, batches)) {
            broken_ = true;
            return false;
        }
    }
    return true;
}

bool ChildOutputParser::line(const QByteArray& text, std::vector<LiveSnapshot>& batches) {
    static const QByteArray live = "live at ";
    static const QByteArray noData = "no data: ";
    if (text.startsWith(live)) {
        const QByteArray clock = text.mid(live.size());
        const QTime time =
            QTime::fromString(QString::fromLatin1(clock), QStringLiteral("HH:mm:ss"));
        if (clock.size() != 8 || !time.isValid()) {
            return false;
        }
        current_.live = true;
        current_.liveAt = QString::fromLatin1(clock);
        batches.push_back(std::move(current_));
        current_ = {};
        return true;
    }
    if (text.startsWith(noData)) {
        QString reason;
        if (!parseText(text.mid(noData.size()), reason) || reason.isEmpty() ||
            reason.size() > kMaxReasonChars) {
            return false;
        }
        current_.live = false;
        current_.reason = reason;
        batches.push_back(std::move(current_));
        current_ = {};
        return true;
    }
    const QList<QByteArray> fields = text.split(kTab);
    if (fields.size() == 2 && fields[0] == "stamp") {
        const auto stamp = parseNumber(fields[1], 0, 4102444800);
        if (!stamp || current_.stamp) {
            return false;
        }
        current_.stamp = *stamp;
        return true;
    }
    if (fields.size() != 8 || fields[0] != "departure" ||
        int(current_.departures.size()) >= kMaxBatchDepartures) {
        return false;
    }
    ExpectedDeparture departure;
    departure.call.serviceDate = parseDate(fields[1]);
    const auto sequence = parseNumber(fields[2], 0, 0xffffffffLL);
    const auto scheduled = parseNumber(fields[3], 0, kMaxServiceSeconds);
    const auto state = parseState(fields[4]);
    const auto expected =
        parseNumber(fields[5], -kMaxDelaySeconds, kMaxServiceSeconds + kMaxDelaySeconds);
    if (!departure.call.serviceDate.isValid() || !sequence || !scheduled || !state || !expected ||
        !parseText(fields[6], departure.call.tripId) || departure.call.tripId.isEmpty() ||
        !parseText(fields[7], departure.call.route)) {
        return false;
    }
    departure.call.stopSequence = quint32(*sequence);
    departure.call.departure = int(*scheduled);
    departure.state = *state;
    departure.expected = int(*expected);
    current_.departures.push_back(std::move(departure));
    return true;
}

bool ChildInputParser::feed(const QByteArray& bytes, ChildInput& input) {
    std::vector<QByteArray> lines;
    if (!splitter_.feed(bytes, lines)) {
        return false;
    }
    bool ok = true;
    for (const QByteArray& text : lines) {
        ok = line(text, input) && ok;
    }
    return ok;
}

bool ChildInputParser::line(const QByteArray& text, ChildInput& input) {
    if (text == "calls end") {
        input.calls = std::move(pending_);
        pending_.clear();
        return true;
    }
    const QList<QByteArray> fields = text.split(kTab);
    QString checked;
    if (fields.size() == 2 && fields[0] == "token") {
        if (!parseText(fields[1], checked)) {
            return false;
        }
        input.token = fields[1];
        return true;
    }
    if (fields.size() == 2 && fields[0] == "timezone") {
        if (!parseText(fields[1], checked) || checked.isEmpty()) {
            return false;
        }
        input.timeZone = fields[1];
        return true;
    }
    if (fields.size() != 7 || fields[0] != "call" || int(pending_.size()) >= kMaxBatchDepartures) {
        return false;
    }
    ScheduledCall call;
    call.serviceDate = parseDate(fields[1]);
    const auto sequence = parseNumber(fields[2], 0, 0xffffffffLL);
    const auto seconds = parseNumber(fields[3], 0, kMaxServiceSeconds);
    if (!call.serviceDate.isValid() || !sequence || !seconds ||
        !parseText(fields[4], call.tripId) || call.tripId.isEmpty() ||
        !parseText(fields[5], call.route) || !parseText(fields[6], call.stopId)) {
        return false;
    }
    call.stopSequence = quint32(*sequence);
    call.departure = int(*seconds);
    pending_.push_back(std::move(call));
    return true;
}

} // namespace kvapomer::live
