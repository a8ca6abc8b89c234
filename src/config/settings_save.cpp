#include "config/settings_save.h"

#include "config/dated_day.h"
#include "config/number_text.h"
#include "config/walk_time.h"
#include "profile/cp1250.h"
#include "profile/error_numbers.h"
#include "profile/profile_store.h"

#include <QUrl>

#include <algorithm>
#include <optional>

namespace kvapomer {

namespace {

bool hasLineBreak(const QString& text) {
    return text.contains(u'\n') || text.contains(u'\r') || text.contains(QChar(0));
}

Error refused(int number) {
    return errorOf(number);
}

LineContent lineOf(const SettingsInput& input) {
    return {input.line, input.note, input.times, std::nullopt, {}};
}

} // namespace

std::optional<QString> liveAddressProblem(const LiveAddress& live) {
    const auto printable = [](const QString& text) {
        return text.size() < keys::kReadBufferSize &&
               std::all_of(text.begin(), text.end(),
                           [](QChar c) { return c.unicode() > 0x20 && c.unicode() < 0x7f; });
    };
    const QUrl url(live.url, QUrl::StrictMode);
    if (!printable(live.url) || !url.isValid() || url.host().isEmpty() ||
        (url.scheme() != QLatin1String("http") && url.scheme() != QLatin1String("https"))) {
        return QStringLiteral("Adresa aktuálních údajů musí začínat http:// nebo https:// a "
                              "obsahovat jen znaky ASCII bez mezer.");
    }
    if (!printable(live.token)) {
        return QStringLiteral("Klíč k aktuálním údajům smí obsahovat jen znaky ASCII bez mezer "
                              "(nejvýše %1).")
            .arg(keys::kReadBufferSize - 1);
    }
    return std::nullopt;
}

void applyLineSection(ProfileDocument& doc, const LineContent& content, bool makeActive) {
    const QString& line = content.line;
    // A line keeps its live address unless a new one is given.
    std::optional<LiveAddress> live = content.live;
    if (!live) {
        if (const std::optional<QString> url = doc.value(line, keys::kLiveUrl)) {
            live = LiveAddress{*url, doc.value(line, keys::kLiveToken).value_or(QString())};
        }
    }
    const std::optional<QString> keptWalk = storedWalk(doc, line);
    doc.removeSection(line);
    doc.setValue(line, keys::kDescription, content.note);
    if (makeActive) {
        doc.setValue(keys::kMain, keys::kBus, line);
    }
    for (qsizetype i = 0; i < content.times.size(); ++i) {
        doc.setValue(line, keys::timeKey(int(i)), content.times[i]);
    }
    doc.setValue(line, keys::kNumberOfTimes, QString::number(content.times.size()));
    if (content.walkMin) {
        setWalk(doc, line, *content.walkMin);
    } else if (keptWalk) {
        doc.setValue(line, keys::kWalkMin, *keptWalk);
    }
    if (content.dated) {
        for (const auto& [key, value] : datedKeys(*content.dated)) {
            doc.setValue(line, key, value);
        }
    } else {
        for (const auto& [key, value] : departureLinesKeys(content.times, content.lines)) {
            doc.setValue(line, key, value);
        }
    }
    // Kept by a save that makes the line plain: it shows its timetable until
    // it is imported again.
    if (live && !live->url.isEmpty()) {
        doc.setValue(line, keys::kLiveUrl, live->url);
        if (!live->token.isEmpty()) {
            doc.setValue(line, keys::kLiveToken, live->token);
        }
    }
}

bool lineReadsBack(const ProfileDocument& doc, const LineContent& content, bool makeActive) {
    ProfileDocument probe = doc.emptyAlike();
    applyLineSection(probe, content, makeActive);
    return probe.value(content.line, keys::kNumberOfTimes) ==
               QString::number(content.times.size()) &&
           (!makeActive || probe.value(keys::kMain, keys::kBus) == content.line);
}

bool passesAlertTest(const QString& text) {
    const std::optional<double> value = parseDecimal(text);
    return value && roundHalfEven(*value) < 60.0;
}

bool fitsCodePage(const QString& text) {
    // A character the code page cannot hold comes back as "?".
    return cp1250::decode(cp1250::encode(text)) == text;
}

bool isUsableLineName(const QString& line) {
    if (line.isEmpty() || line.size() >= keys::kReadBufferSize || keys::isFixedSection(line)) {
        return false;
    }
    if (cp1250::isBlank(line.front()) || cp1250::isBlank(line.back())) {
        return false;
    }
    for (const QChar c : line) {
        if (c == u'[' || c == u']' || c.unicode() < 0x20 || c.unicode() == 0x7f) {
            return false;
        }
    }
    return fitsCodePage(line);
}

Result<void> checkSettings(const SettingsInput& input) {
    if (input.times.isEmpty()) {
        return refused(error::kOutOfRange);
    }
    if (input.times.size() > keys::kMaxTimes) {
        return refused(error::kOverflow);
    }
    if (!isUsableLineName(input.line) || hasLineBreak(input.note) || !fitsCodePage(input.note)) {
        return refused(error::kInvalidArgument);
    }
    return {};
}

void applySettings(ProfileDocument& doc, const SettingsInput& input) {
    LineContent content = lineOf(input);
    content.dated =
        datedKeptBySave(doc, input.line, input.times, input.filledLine, input.filledTimes);
    if (!content.dated) {
        content.lines =
            linesKeptBySave(doc, input.line, input.times, input.filledLine, input.filledTimes);
    }
    applyLineSection(doc, content, true);
    doc.setValue(keys::kMain, keys::kAlertOn, input.alertOn ? keys::kOn : keys::kOff);
    if (passesAlertTest(input.redAlertMin)) {
        doc.setValue(keys::kMain, keys::kRedAlertMin, input.redAlertMin);
    }
    if (passesAlertTest(input.blinkAlert)) {
        doc.setValue(keys::kMain, keys::kBlinkAlert, input.blinkAlert);
    }
    if (passesAlertTest(input.blinkAlertM)) {
        doc.setValue(keys::kMain, keys::kBlinkAlertM, input.blinkAlertM);
    }
}

Result<void> saveSettings(const QString& path, const SettingsInput& input) {
    if (Result<void> check = checkSettings(input); !check) {
        return check;
    }
    // A line that the file would not give back unchanged is not saved at all.
    bool readsBack = true;
    Result<void> result = updateProfile(path, [&](ProfileDocument& doc) {
        readsBack = lineReadsBack(doc, lineOf(input), true);
        if (readsBack) {
            applySettings(doc, input);
        }
    });
    if (!readsBack) {
        return refused(error::kInvalidArgument);
    }
    return result;
}

} // namespace kvapomer
