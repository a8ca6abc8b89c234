#include "config/loader.h"

#include "config/keys.h"
#include "config/number_text.h"
#include "config/walk_time.h"
#include "profile/error_numbers.h"
#include "profile/profile_store.h"

#include <QFileInfo>

namespace kvapomer {

namespace {

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
    return text.left(2).toInt() <= 23 && text.right(2).toInt() <= 59;
}

class Loader {
public:
    Loader(const ConfigSnapshot& snapshot, const QString* bus) : file_(snapshot.file), bus_(bus) {
        result_.status = snapshot.found ? LoadStatus::Loaded : LoadStatus::FileMissing;
    }

    LoadResult run() {
        if (result_.status == LoadStatus::FileMissing) {
            result_.messages.push_back(
                {QStringLiteral("Nebyl nalezen konfigurační soubor 'kvapomern.ini'."),
                 QStringLiteral("Error - File not found")});
            return result_;
        }
        LoadedConfig& c = result_.config;
        AlertSettings& a = c.alerts;
        Timetable& t = c.timetable;
        if (!int16(keys::kMain, keys::kRedAlertMin, a.RedAlertMin) ||
            !int16(keys::kMain, keys::kBlinkAlert, a.BlinkAlert) ||
            !int16(keys::kMain, keys::kBlinkAlertM, a.BlinkAlertM)) {
            return result_;
        }
        t.Bus = bus_ ? *bus_ : read(keys::kMain, keys::kBus);
        std::int16_t count = 0;
        if (!int16(t.Bus, keys::kNumberOfTimes, count)) {
            return result_;
        }
        if (count == -32768) {
            return fail(error::kOverflow);
        }
        t.LastIndex = static_cast<std::int16_t>(count - 1);
        a.AlertWav = read(keys::kMain, keys::kAlertWav);
        a.AlertON = read(keys::kMain, keys::kAlertOn);
        if (t.LastIndex < 0) {
            return fail(error::kOutOfRange);
        }
        const Result<int> stav = toUInt8(read(keys::kSet, keys::kStav));
        if (!stav) {
            return fail(stav.error().number);
        }
        c.expand = stav.value() == 1;
        c.heading = QStringLiteral("Příjezdy BUS č.") + t.Bus;

        t.Times.reserve(t.LastIndex + 1);
        int reported = 0;
        for (int i = 0; i <= t.LastIndex; ++i) {
            QString time = read(t.Bus, keys::timeKey(i));
            if (!isUsableTime(time)) {
                if (reported++ < kMaxTimeMessages) {
                    result_.messages.push_back(
                        {QStringLiteral("Neplatný údaj ve vloženém čase na řádku č.") +
                             QString::number(i) + u'\n' +
                             QStringLiteral("Hodnota bude nahrazena hodnotou 00:00"),
                         QStringLiteral("Chyba vstupních dat")});
                }
                time = QStringLiteral("00:00");
            }
            t.Times.push_back(time);
        }
        c.note = read(t.Bus, keys::kDescription);
        t.WalkMin = walkMinutesOf(read(t.Bus, keys::kWalkMin)); // never a message
        return result_;
    }

private:
    QString read(const QString& section, const QString& key) const {
        return ReadIniValue(file_, section, key, QString());
    }

    bool int16(const QString& section, const QString& key, std::int16_t& out) {
        const Result<int> v = toInt16(read(section, key));
        if (!v) {
            static_cast<void>(fail(v.error().number)); // the result is result_ itself
            return false;
        }
        out = static_cast<std::int16_t>(v.value());
        return true;
    }

    LoadResult fail(int number) {
        result_.messages.push_back(
            {QStringLiteral(
                 "Chyba při načítání z konfiguračního souboru. Prosím nastavte korektní hodnoty."),
             QStringLiteral("Chyba #") + QString::number(number) + QStringLiteral(" [") +
                 errorDescription(number) + u']'});
        result_.status = LoadStatus::Failed;
        result_.errorNumber = number;
        result_.config = {};
        return result_;
    }

    const ProfileDocument& file_;
    const QString* bus_; // the active line in place of Main/Bus, when given
    LoadResult result_;
};

} // namespace

ConfigSnapshot takeSnapshot(const QString& path) {
    Result<QByteArray> read = readProfileBytes(path);
    ConfigSnapshot snapshot;
    // A file that is there counts even when it cannot be read; hidden files
    // do not, as for the directory search this test stands for.
    snapshot.found = (read.ok() || read.error().number == error::kAccessDenied) &&
                     !QFileInfo(path).fileName().startsWith(u'.');
    snapshot.file = ProfileDocument(std::move(read).valueOr({}));
    return snapshot;
}

LoadResult loadConfiguration(const ConfigSnapshot& snapshot) {
    return Loader(snapshot, nullptr).run();
}

LoadResult loadConfiguration(const QString& path) {
    return loadConfiguration(takeSnapshot(path));
}

bool wouldLoadLine(const ConfigSnapshot& snapshot, const QString& bus) {
    return Loader(snapshot, &bus).run().status == LoadStatus::Loaded;
}

bool wouldLoadLine(const QString& path, const QString& bus) {
    return wouldLoadLine(takeSnapshot(path), bus);
}

bool canSwitchToLine(const QString& path, const QString& line) {
    if (line.contains(u'\n') || line.contains(u'\r') || line.contains(QChar(0))) {
        return false;
    }
    const ConfigSnapshot snapshot = takeSnapshot(path);
    if (ReadIniValue(snapshot.file, line, keys::timeKey(0), QString()).size() != 5) {
        return false;
    }
    // The line number as the loader will read it back from Main/Bus.
    ProfileDocument probe = snapshot.file.emptyAlike();
    probe.setValue(keys::kMain, keys::kBus, line);
    const QString bus = probe.value(keys::kMain, keys::kBus).value_or(QString());
    return wouldLoadLine(snapshot, bus);
}

} // namespace kvapomer
