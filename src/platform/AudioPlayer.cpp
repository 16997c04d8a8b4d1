#include "AudioPlayer.h"

#include "MediaModule.h"

std::shared_ptr<AudioPlayer> MediaAudioPlayer::make() {
    using Factory = AudioPlayer *(*)();
    const auto factory = reinterpret_cast<Factory>(MediaModule::resolve("qvl_make_audio_player"));
    if (!factory)
        return nullptr;
    return std::shared_ptr<AudioPlayer>(factory(), [](AudioPlayer *player) { player->deleteLater(); });
}
