#include "config/settings_save.h"

#include "config/number_text.h"
#include "profile/cp1250.h"
#include "profile/error_numbers.h"
#include "profile/profile_store.h"

#include <optional>

namespace kvapomer {

namespace {

const QString kMain = QStringLiteral("Main");
const QString kSet = QStringLiteral("Set");

bool hasLineBreak(const QString& text) {
    return text.contains(u'\n') || text.contains(u'\r') || text.contains(QChar(0));
}

Error refused(int number) {
    return errorOf(number);
}

} // namespace

bool passesAlertTest(const QString& text) {
    const std::optional<double> value = parseDecimal(text);
    return value && roundHalfEven(*value) < 60.0;
}

bool fitsCodePage(const QString& text) {
    // A character the code page cannot hold comes back as "?".
    return cp1250::decode(cp1250::encode(text)) == text;
}

bool isUsableLineName(const QString& line) {
    if (line.isEmpty() || line.size() >= kReadBufferSize) {
        return false;
    }
    if (line.compare(kMain, Qt::CaseInsensitive) == 0 ||
        line.compare(kSet, Qt::CaseInsensitive) == 0) {
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
    if (input.times.size() > kMaxTimes) {
        return refused(error::kOverflow);
    }
    if (!isUsableLineName(input.line) || hasLineBreak(input.note) || !fitsCodePage(input.note)) {
        return refused(error::kInvalidArgument);
    }
    return {};
}

void applySettings(ProfileDocument& doc, const SettingsInput& input) {
    const QString& line = input.line;
    doc.removeSection(line);
    doc.setValue(line, QStringLiteral("Description"), input.note);
    doc.setValue(kMain, QStringLiteral("Bus"), line);
    for (qsizetype i = 0; i < input.times.size(); ++i) {
        doc.setValue(line, QStringLiteral("t") + QString::number(i), input.times[i]);
    }
    doc.setValue(line, QStringLiteral("NumberOfTimes"), QString::number(input.times.size()));
    doc.setValue(kMain, QStringLiteral("AlertON"),
                 input.alertOn ? QStringLiteral("ON") : QStringLiteral("OFF"));
    if (passesAlertTest(input.redAlertMin)) {
        doc.setValue(kMain, QStringLiteral("RedAlertMin"), input.redAlertMin);
    }
    if (passesAlertTest(input.blinkAlert)) {
        doc.setValue(kMain, QStringLiteral("BlinkAlert"), input.blinkAlert);
    }
    if (passesAlertTest(input.blinkAlertM)) {
        doc.setValue(kMain, QStringLiteral("BlinkAlertM"), input.blinkAlertM);
    }
}

Result<void> saveSettings(const QString& path, const SettingsInput& input) {
    if (Result<void> check = checkSettings(input); !check) {
        return check;
    }
    bool readsBack = true;
    Result<void> result = updateProfile(path, [&](ProfileDocument& doc) {
        // The loader must find the saved line again through Main/Bus; a name
        // that the file would not give back unchanged is not saved at all.
        // That depends on the file's encoding alone, so a small document in
        // it answers without a copy of the file.
        ProfileDocument probe = doc.emptyAlike();
        applySettings(probe, input);
        const std::optional<QString> bus = probe.value(kMain, QStringLiteral("Bus"));
        const std::optional<QString> count =
            bus ? probe.value(*bus, QStringLiteral("NumberOfTimes")) : std::nullopt;
        readsBack = bus == input.line && count == QString::number(input.times.size());
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
