#include "config/cp1250.h"

#include <QStringDecoder>
#include <QStringEncoder>
#include <QtGlobal>

#include <atomic>

namespace kvapomer::cp1250 {

namespace {

constexpr const char* kCodePage = "windows-1250";
constexpr char kEncoderSubstitute = '\x1a'; // what the converter puts for an unmappable character
constexpr char kWindowsDefaultChar = '?';

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

bool isAscii(QByteArrayView bytes) {
    for (char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            return false;
        }
    }
    return true;
}

bool isAscii(QStringView text) {
    for (QChar c : text) {
        if (c.unicode() >= 0x80) {
            return false;
        }
    }
    return true;
}

// One converter per thread: the converters keep no state between calls
// (Stateless), but they are not meant to be shared between threads.
QStringDecoder& decoder() {
    thread_local QStringDecoder d(kCodePage, QStringConverter::Flag::Stateless);
    return d;
}

QStringEncoder& encoder() {
    thread_local QStringEncoder e(kCodePage, QStringConverter::Flag::Stateless);
    return e;
}

void warnMissingCodePage() {
    static std::atomic<bool> warned{false};
    if (!warned.exchange(true)) {
        qWarning("The Windows-1250 converter is not available; using Latin-1 instead.");
    }
}

} // namespace

QString decode(QByteArrayView bytes) {
    if (isAscii(bytes)) {
        return QString::fromLatin1(bytes);
    }
    QStringDecoder& d = decoder();
    if (!d.isValid()) {
        warnMissingCodePage();
        return QString::fromLatin1(bytes);
    }
    return d.decode(bytes);
}

QByteArray encode(QStringView text) {
    if (isAscii(text)) {
        return text.toLatin1();
    }
    QStringEncoder& e = encoder();
    if (!e.isValid()) {
        warnMissingCodePage();
        return text.toLatin1();
    }
    QByteArray whole = e.encode(text);
    if (!whole.contains(kEncoderSubstitute)) {
        return whole;
    }
    // Some character did not fit the code page (or the text holds U+001A
    // itself): convert character by character to tell the two apart.
    QByteArray out;
    out.reserve(text.size());
    qsizetype i = 0;
    while (i < text.size()) {
        qsizetype len = 1;
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            len = 2;
        }
        const QStringView one = text.mid(i, len);
        const QByteArray bytes = e.encode(one);
        if (bytes.size() == 1 && bytes[0] == kEncoderSubstitute && one != u"\x1a") {
            out += kWindowsDefaultChar;
        } else {
            out += bytes;
        }
        i += len;
    }
    return out;
}

QByteArrayView trimBlanks(QByteArrayView bytes) {
    qsizetype begin = 0;
    qsizetype end = bytes.size();
    while (begin < end && isBlank(bytes[begin])) {
        ++begin;
    }
    while (end > begin && isBlank(bytes[end - 1])) {
        --end;
    }
    return bytes.sliced(begin, end - begin);
}

QStringView trimBlanks(QStringView text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text[begin])) {
        ++begin;
    }
    while (end > begin && isBlank(text[end - 1])) {
        --end;
    }
    return text.sliced(begin, end - begin);
}

QString foldName(QStringView name) {
    return trimBlanks(name).toString().toCaseFolded();
}

QString foldName(QByteArrayView rawName) {
    const QByteArrayView name = trimBlanks(rawName);
    if (isAscii(name)) {
        // The common case (t0, NumberOfTimes, Main): fold without a converter.
        QString folded(name.size(), Qt::Uninitialized);
        QChar* out = folded.data();
        for (qsizetype i = 0; i < name.size(); ++i) {
            char c = name[i];
            if (c >= 'A' && c <= 'Z') {
                c = static_cast<char>(c - 'A' + 'a');
            }
            out[i] = QLatin1Char(c);
        }
        return folded;
    }
    return decode(name).toCaseFolded();
}

} // namespace kvapomer::cp1250
