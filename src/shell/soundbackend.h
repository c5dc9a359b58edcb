#pragma once
// Plays a WAV file to its end on the machine's sound server.

#include <QString>

#include <memory>

namespace shell {

// Environment variable that selects the silent back end (reports success).
inline constexpr const char* kSilentSoundVariable = "ROMAJI_SILENT_SOUND";

// The sound server connection of the program: the real platform has one.
class SoundPlayer {
public:
    SoundPlayer();
    ~SoundPlayer();
    SoundPlayer(const SoundPlayer&) = delete;
    SoundPlayer& operator=(const SoundPlayer&) = delete;

    // 0 when the file played to its end; otherwise non-zero with errorText set.
    int PlayWavToEnd(const QString& path, QString& errorText);

    struct KeptStream;

private:
    // The stream stays connected from one sound to the next of the same format.
    std::unique_ptr<KeptStream> kept_;
};

}  // namespace shell
