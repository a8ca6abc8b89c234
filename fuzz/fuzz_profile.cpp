// Parse → edit → write → parse again. The input is a file followed by an
// edit script; the edits made on one document must give the same bytes as
// the same edits made one by one, each on the bytes the previous one left,
// and every parse must give back the bytes it was made from.

#include "profile/profile_document.h"
#include "fuzz_check.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <QByteArray>
#include <QString>

#include <vector>

namespace {

struct Edit {
    bool remove = false;
    QString section;
    QString key;
    QString value;
};

// Short names from a small alphabet, so that edits hit existing sections
// and keys, in other letter case too.
QString name(FuzzedDataProvider& input) {
    static const char16_t kAlphabet[] = u"aAbB01 =[];\"'\t\r\nčČ\u00e1\u2192";
    QString text;
    const std::size_t length = input.ConsumeIntegralInRange<std::size_t>(0, 4);
    for (std::size_t i = 0; i < length; ++i) {
        text += QChar(kAlphabet[input.ConsumeIntegralInRange<std::size_t>(
            0, sizeof kAlphabet / sizeof kAlphabet[0] - 2)]);
    }
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const std::string file = input.ConsumeRandomLengthString(4096);
    std::vector<Edit> edits;
    while (input.remaining_bytes() > 0 && edits.size() < 16) {
        Edit edit;
        edit.remove = input.ConsumeIntegralInRange<int>(0, 5) == 0;
        edit.section = name(input);
        edit.key = name(input);
        edit.value = name(input);
        edits.push_back(edit);
    }

    const QByteArray original(file.data(), qsizetype(file.size()));
    kvapomer::ProfileDocument batch(original);
    check(batch.bytes() == original);
    QByteArray stepwise = original;
    for (const Edit& edit : edits) {
        kvapomer::ProfileDocument single(stepwise);
        if (edit.remove) {
            const bool removed = batch.removeSection(edit.section);
            check(single.removeSection(edit.section) == removed);
            check(!batch.value(edit.section, edit.key));
        } else {
            const bool changed = batch.setValue(edit.section, edit.key, edit.value);
            check(single.setValue(edit.section, edit.key, edit.value) == changed);
        }
        stepwise = single.bytes();
        check(batch.bytes() == stepwise);
    }
    const QByteArray written = batch.bytes();
    kvapomer::ProfileDocument again(written);
    check(again.bytes() == written);
    for (const Edit& edit : edits) {
        check(again.value(edit.section, edit.key) == batch.value(edit.section, edit.key));
    }
    return 0;
}
