#include "platform/wave_file.h"

#include <QByteArray>
#include <QFile>
#include <QtEndian>

namespace kvapomer {

namespace {

quint32 littleEndian32(const QByteArray& bytes, int at) {
    return qFromLittleEndian<quint32>(bytes.constData() + at);
}

quint16 littleEndian16(const QByteArray& bytes, int at) {
    return qFromLittleEndian<quint16>(bytes.constData() + at);
}

bool isPlayableFormat(const QByteArray& format) {
    const quint16 tag = littleEndian16(format, 0);
    const quint16 channels = littleEndian16(format, 2);
    const quint32 rate = littleEndian32(format, 4);
    const quint16 bits = littleEndian16(format, 14);
    const bool knownTag = tag == 1 || tag == 3 || tag == 0xfffe;
    const bool knownBits = bits == 8 || bits == 16 || bits == 24 || bits == 32;
    return knownTag && knownBits && channels != 0 && rate != 0;
}

} // namespace

WaveLayout inspectWave(const QString& path) {
    WaveLayout layout;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return layout;
    }
    const QByteArray head = file.read(12);
    if (head.size() != 12 || !head.startsWith("RIFF") || head.mid(8, 4) != "WAVE") {
        return layout;
    }
    // Qt reads on until it has every byte the RIFF header promises.
    const qint64 size = 8 + qint64(littleEndian32(head, 4));
    if (size > file.size()) {
        return layout;
    }
    bool haveFormat = false;
    bool oddChunk = false;
    qint64 pos = 12;
    while (pos + 8 <= size && file.seek(pos)) {
        const QByteArray chunk = file.read(8);
        if (chunk.size() != 8) {
            return layout;
        }
        const QByteArray id = chunk.left(4);
        const qint64 length = littleEndian32(chunk, 4);
        const qint64 body = pos + 8;
        if (body + length > size) {
            return layout; // cut off inside this chunk
        }
        if (id == "data") {
            // A last data chunk of odd size may do without its pad byte, as
            // long as the RIFF size does not count it.
            layout.complete = haveFormat && length > 0;
            layout.oddChunkBeforeData = oddChunk;
            layout.dataAt = body;
            layout.dataLength = length;
            return layout;
        }
        if (id == "fmt ") {
            const QByteArray format = file.read(16);
            if (length < 16 || format.size() != 16 || !isPlayableFormat(format)) {
                return layout;
            }
            haveFormat = true;
            layout.formatAt = body;
            layout.formatLength = length;
        }
        // Every chunk starts on an even offset: an odd-sized one is followed
        // by a pad byte.
        oddChunk = oddChunk || length % 2 != 0;
        pos = body + length + (length % 2);
    }
    return layout;
}

bool writePlainWave(const QString& source, const WaveLayout& layout, const QString& target) {
    QFile in(source);
    QFile out(target);
    if (!layout.complete || !in.open(QIODevice::ReadOnly) ||
        !out.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        return false;
    }
    const auto chunk = [&](const char* id, qint64 at, qint64 length) {
        char size[4];
        qToLittleEndian<quint32>(static_cast<quint32>(length), size);
        QByteArray bytes = QByteArray(id, 4) + QByteArray(size, 4);
        if (!in.seek(at)) {
            return QByteArray();
        }
        const QByteArray body = in.read(length);
        if (body.size() != length) {
            return QByteArray();
        }
        bytes += body;
        if (length % 2 != 0) {
            bytes += '\0';
        }
        return bytes;
    };
    const QByteArray format = chunk("fmt ", layout.formatAt, layout.formatLength);
    const QByteArray data = chunk("data", layout.dataAt, layout.dataLength);
    if (format.isEmpty() || data.isEmpty()) {
        return false;
    }
    char size[4];
    qToLittleEndian<quint32>(static_cast<quint32>(4 + format.size() + data.size()), size);
    const QByteArray whole = "RIFF" + QByteArray(size, 4) + "WAVE" + format + data;
    return out.write(whole) == whole.size() && out.flush();
}

} // namespace kvapomer
