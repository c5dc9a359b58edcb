#pragma once
// Plays a WAV file to its end on the machine's sound server.

#include <QString>

namespace shell {

// Environment variable that selects the silent back end (reports success).
inline constexpr const char* kSilentSoundVariable = "ROMAJI_SILENT_SOUND";

// 0 when the file played to its end; otherwise non-zero with errorText set.
int PlayWavToEnd(const QString& path, QString& errorText);

}  // namespace shell
