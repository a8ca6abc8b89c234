// The loader over any file: it never crashes, and what it returns holds
// together.

#include "config/loader.h"
#include "fuzz_check.h"

#include <QByteArray>

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    kvapomer::ConfigSnapshot snapshot;
    snapshot.found = true;
    snapshot.file =
        kvapomer::ProfileDocument(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    const kvapomer::LoadResult result = kvapomer::loadConfiguration(snapshot);
    if (result.status == kvapomer::LoadStatus::Loaded) {
        const kvapomer::Timetable& t = result.config.timetable;
        check(t.LastIndex >= 0 && t.Times.size() == t.LastIndex + 1);
        for (const QString& time : t.Times) {
            check(time.size() == 5);
        }
        check(result.messages.size() <= kvapomer::kMaxTimeMessages);
    } else {
        check(result.status == kvapomer::LoadStatus::Failed);
        check(result.errorNumber == 6 || result.errorNumber == 9 || result.errorNumber == 13);
        check(result.messages.size() == 1);
    }
    return 0;
}
