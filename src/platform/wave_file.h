#pragma once

#include <QString>

namespace kvapomer {

// Where the parts of a wave file lie, as far as playing it is concerned.
struct WaveLayout {
    // Well-formed, with every byte its headers promise: RIFF/WAVE no longer
    // than the file, chunks laid out with the pad byte after each odd-sized
    // one, a PCM or float format chunk, and a complete, non-empty data chunk.
    bool complete = false;
    // An odd-sized chunk lies before the sound. Qt 6.4's reader does not skip
    // the pad byte after it, loses its way and never plays such a file.
    bool oddChunkBeforeData = false;
    qint64 formatAt = 0; // offset of the format chunk's body
    qint64 formatLength = 0;
    qint64 dataAt = 0; // offset of the data chunk's body
    qint64 dataLength = 0;
};

WaveLayout inspectWave(const QString& path);

// Qt 6.4's QSoundEffect waits for ever for the missing rest of a truncated
// file, and the program then hangs when that sound is let go; such files are
// kept away from it.
inline bool isCompleteWave(const QString& path) {
    return inspectWave(path).complete;
}

// Writes to `target` a copy of the complete wave file `source` that holds
// only its format and data chunks. False when either file fails.
bool writePlainWave(const QString& source, const WaveLayout& layout, const QString& target);

} // namespace kvapomer
