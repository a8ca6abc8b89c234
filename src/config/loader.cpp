#include "config/loader.h"

#include "config/number_text.h"

#include <QFileInfo>

namespace kvapomer {

namespace {

constexpr int kTypeMismatch = 13;
constexpr int kOverflow = 6;
constexpr int kSubscriptOutOfRange = 9;

int errorNumberOf(NumberError error) {
    return error == NumberError::Overflow ? kOverflow : kTypeMismatch;
}

// hh:mm with two-digit fields in range; the middle character is not examined.
bool isUsableTime(const QString& text) {
    if (text.size() != 5) {
        return false;
    }
    for (const int i : {0, 1, 3, 4}) {
        if (text[i] < u'0' || text[i] > u'9') {
            return false;
        }
    }
    const int hour = text.left(2).toInt();
    const int minute = text.right(2).toInt();
    return hour <= 23 && minute <= 59;
}

class Loader {
public:
    Loader(const QString& path, MessageBox& messageBox, const QString* bus = nullptr)
        : path_(path), messageBox_(messageBox), bus_(bus) {}

    LoadResult run() {
        LoadResult result;
        const QFileInfo info(path_);
        if (!info.exists() || !info.isFile() || info.isHidden()) {
            messageBox_.show(QStringLiteral("Nebyl nalezen konfigurační soubor 'kvapomern.ini'."),
                             QStringLiteral("Error - File not found"), MessageStyle::Error);
            result.status = LoadStatus::FileMissing;
            return result;
        }
        LoadedConfig& c = result.config;
        AlertSettings& a = c.alerts;
        Timetable& t = c.timetable;
        int number = 0;
        if (!int16(QStringLiteral("Main"), QStringLiteral("RedAlertMin"), a.RedAlertMin, number) ||
            !int16(QStringLiteral("Main"), QStringLiteral("BlinkAlert"), a.BlinkAlert, number) ||
            !int16(QStringLiteral("Main"), QStringLiteral("BlinkAlertM"), a.BlinkAlertM, number)) {
            return fail(number);
        }
        t.Bus = bus_ ? *bus_ : read(QStringLiteral("Main"), QStringLiteral("Bus"));
        std::int16_t count = 0;
        if (!int16(t.Bus, QStringLiteral("NumberOfTimes"), count, number)) {
            return fail(number);
        }
        if (count == -32768) {
            return fail(kOverflow);
        }
        t.LastIndex = static_cast<std::int16_t>(count - 1);
        a.AlertWav = read(QStringLiteral("Main"), QStringLiteral("AlertWav"));
        a.AlertON = read(QStringLiteral("Main"), QStringLiteral("AlertON"));
        if (t.LastIndex < 0) {
            return fail(kSubscriptOutOfRange);
        }
        const ConvertedInt stav = toUInt8(read(QStringLiteral("Set"), QStringLiteral("Stav")));
        if (stav.error != NumberError::None) {
            return fail(errorNumberOf(stav.error));
        }
        c.expand = stav.value == 1;
        c.heading = QStringLiteral("Příjezdy BUS č.") + t.Bus;

        t.Times.reserve(t.LastIndex + 1);
        for (int i = 0; i <= t.LastIndex; ++i) {
            QString time = read(t.Bus, QStringLiteral("t") + QString::number(i));
            if (!isUsableTime(time)) {
                messageBox_.show(QStringLiteral("Neplatný údaj ve vloženém čase na řádku č.") +
                                     QString::number(i) + u'\n' +
                                     QStringLiteral("Hodnota bude nahrazena hodnotou 00:00"),
                                 QStringLiteral("Chyba vstupních dat"), MessageStyle::Error);
                time = QStringLiteral("00:00");
            }
            t.Times.push_back(time);
        }
        c.note = read(t.Bus, QStringLiteral("description"));
        result.status = LoadStatus::Loaded;
        return result;
    }

private:
    QString read(const QString& section, const QString& key) const {
        return ReadIniValue(path_, section, key, QString());
    }

    bool int16(const QString& section, const QString& key, std::int16_t& out, int& number) const {
        const ConvertedInt v = toInt16(read(section, key));
        if (v.error != NumberError::None) {
            number = errorNumberOf(v.error);
            return false;
        }
        out = static_cast<std::int16_t>(v.value);
        return true;
    }

    LoadResult fail(int number) {
        messageBox_.show(
            QStringLiteral(
                "Chyba při načítání z konfiguračního souboru. Prosím nastavte korektní hodnoty."),
            QStringLiteral("Chyba #") + QString::number(number) + QStringLiteral(" [") +
                loadErrorDescription(number) + u']',
            MessageStyle::Error);
        LoadResult result;
        result.status = LoadStatus::Failed;
        result.errorNumber = number;
        return result;
    }

    const QString& path_;
    MessageBox& messageBox_;
    const QString* bus_; // the active line in place of Main/Bus, when given
};

class SilentMessageBox final : public MessageBox {
public:
    MessageAnswer show(const QString&, const QString&, MessageStyle) override {
        return MessageAnswer::Ok;
    }
};

} // namespace

QString loadErrorDescription(int number) {
    switch (number) {
    case kTypeMismatch:
        return QStringLiteral("Neshoda typů");
    case kOverflow:
        return QStringLiteral("Přetečení");
    case kSubscriptOutOfRange:
        return QStringLiteral("Index mimo rozsah");
    default:
        return QStringLiteral("Neznámá chyba");
    }
}

LoadResult loadConfiguration(const QString& path, MessageBox& messageBox) {
    return Loader(path, messageBox).run();
}

bool wouldLoadLine(const QString& path, const QString& bus) {
    SilentMessageBox silent;
    return Loader(path, silent, &bus).run().status == LoadStatus::Loaded;
}

} // namespace kvapomer
