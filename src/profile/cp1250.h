#pragma once
// Conversion between the program's text and the Windows-1250 bytes of the
// configuration file, and the blanks the file trims.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

namespace kvapomer::cp1250 {

// Windows-1250 bytes as text. Every byte gives exactly one character; the
// five bytes the code page leaves undefined come out as the C1 controls of
// the same number and go back to the same byte on encoding.
QString decode(QByteArrayView bytes);

// Text as Windows-1250 bytes; a character the code page cannot hold becomes
// "?", as Windows' own conversion writes it.
QByteArray encode(QStringView text);

// `bytes` / `text` without the blanks and tabs around it.
QByteArrayView trimBlanks(QByteArrayView bytes);
QStringView trimBlanks(QStringView text);

// Whether `c` is a blank or a tab, the only white space the file trims.
inline bool isBlank(QChar c) {
    return c == u' ' || c == u'\t';
}

} // namespace kvapomer::cp1250
