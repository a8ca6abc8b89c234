#pragma once
// The part of the sound output that needs Qt Multimedia. It is built as a
// module of its own (kvapomer_sound.so, beside the executable) and loaded when
// the first sound is due, so that a program that has not sounded yet carries
// neither the multimedia libraries nor their audio threads.

#include <QString>

namespace kvapomer {

class EffectPlayer {
public:
    virtual ~EffectPlayer() = default;
    // Starts the wave file at `path` from its beginning; the file has been
    // checked to be complete. Returns at once, every failure is silent.
    virtual void play(const QString& path) = 0;
    // Whether a sound object exists now: from the first play until a little
    // after the sound has ended, when it is let go with its audio stream.
    virtual bool hasEffect() const = 0;
};

} // namespace kvapomer

// The module's one entry point; the caller owns the result.
extern "C" kvapomer::EffectPlayer* kvapomer_create_effect_player();
