#include "platform/sound/effect_player.h"

#include <QSoundEffect>
#include <QTimer>
#include <QUrl>

#include <memory>

namespace kvapomer {
namespace {

// How long a finished sound keeps its stream open, in case it is asked for
// again at once; after that the sound object and its stream are let go.
constexpr int kReleaseAfterMs = 2000;

class SoundEffectPlayer final : public EffectPlayer {
public:
    SoundEffectPlayer() {
        release_.setSingleShot(true);
        release_.setInterval(kReleaseAfterMs);
        QObject::connect(&release_, &QTimer::timeout, &release_, [this] { releaseIfIdle(); });
    }

    void play(const QString& path) override {
        release_.stop();
        if (!effect_) {
            effect_ = std::make_unique<QSoundEffect>();
            QObject::connect(effect_.get(), &QSoundEffect::statusChanged, effect_.get(),
                             [this] { statusChanged(); });
            QObject::connect(effect_.get(), &QSoundEffect::playingChanged, effect_.get(),
                             [this] { playingChanged(); });
        }
        const QUrl url = QUrl::fromLocalFile(path);
        if (effect_->source() != url) {
            playWhenLoaded_ = false;
            effect_->setSource(url);
        } else if (effect_->status() == QSoundEffect::Error ||
                   effect_->status() == QSoundEffect::Null) {
            // The same file failed before (it may have been fixed since);
            // setting the same source again would be ignored, so clear it first.
            playWhenLoaded_ = false;
            effect_->setSource(QUrl());
            effect_->setSource(url);
        }
        switch (effect_->status()) {
        case QSoundEffect::Ready:
            startFromBeginning();
            break;
        case QSoundEffect::Loading:
            // Loading runs in the background; the sound starts once it is done.
            playWhenLoaded_ = true;
            break;
        default:
            // Not a wave file we can play, or no audio output: stay silent.
            playWhenLoaded_ = false;
            break;
        }
    }

    ~SoundEffectPlayer() override { letGo(); }

    bool hasEffect() const override { return effect_ != nullptr; }

private:
    void statusChanged() {
        if (!playWhenLoaded_) {
            return;
        }
        switch (effect_->status()) {
        case QSoundEffect::Ready:
            playWhenLoaded_ = false;
            startFromBeginning();
            break;
        case QSoundEffect::Loading:
            break;
        default:
            playWhenLoaded_ = false;
            break;
        }
    }

    void playingChanged() {
        if (effect_->isPlaying()) {
            release_.stop();
        } else {
            release_.start();
        }
    }

    void releaseIfIdle() {
        if (effect_ && !effect_->isPlaying() && !playWhenLoaded_ &&
            effect_->status() != QSoundEffect::Loading) {
            // Deleted from the timer, never from inside one of its own signals.
            letGo();
        }
    }

    // A sound object may report a change while it is destroyed; nothing here
    // is to hear of it any more.
    void letGo() {
        if (effect_) {
            effect_->disconnect();
            effect_.reset();
        }
    }

    void startFromBeginning() {
        // play() on a sound already playing would not rewind it everywhere.
        if (effect_->isPlaying()) {
            effect_->stop();
        }
        effect_->play();
    }

    std::unique_ptr<QSoundEffect> effect_;
    // A play was asked for while the file was still loading.
    bool playWhenLoaded_ = false;
    QTimer release_;
};

} // namespace
} // namespace kvapomer

extern "C" Q_DECL_EXPORT kvapomer::EffectPlayer* kvapomer_create_effect_player() {
    return new kvapomer::SoundEffectPlayer;
}
