// The sound module (notella-sound.so): WAV playback through Qt Multimedia, which with its
// audio and codec libraries is loaded only when the first sound plays.
#include "platform/Platform.h"

#include <QApplication>
#include <QAudioDevice>
#include <QMediaDevices>
#include <QPointer>
#include <QSoundEffect>
#include <QUrl>

namespace {

class TQtSoundPlayer final : public ISoundPlayer {
public:
    // A file that failed to load must not count as playing for ever.
    bool IsPlaying() const override {
        return Effect && Effect->status() != QSoundEffect::Error && Effect->isPlaying();
    }

    void PlayFile(const QString& path) override {
        // Without an audio device the effect would report playing for ever and every later
        // sound would be skipped: no device is silence.
        if (QMediaDevices::audioOutputs().isEmpty())
            return;
        if (!Effect)
            Effect = new QSoundEffect(qApp);
        // Loading runs in the background; play() waits for it without blocking the caller.
        Effect->setSource(QUrl::fromLocalFile(path));
        Effect->play();
    }

private:
    QPointer<QSoundEffect> Effect;
};

} // namespace

extern "C" __attribute__((visibility("default"))) ISoundPlayer* NotellaSoundPlayer() {
    static TQtSoundPlayer player;
    return &player;
}
