// The real sound back end: libsndfile decodes the file, PulseAudio's simple
// API plays it on the default sink and drains, so the call returns when the
// sound has been heard to its end (PipeWire desktops answer the same API).
//
// Result codes: 0 played; 1 the file could not be opened or decoded (missing,
// damaged); 2 a readable sound file that is not a WAV; 3 a format the sound
// server cannot take; 4 the sound server refused the connection or the data.
// Only zero versus non-zero matters to callers; the text says what went wrong.

#include "shell/soundbackend.h"

#include <QFile>

#include <pulse/error.h>
#include <pulse/simple.h>
#include <sndfile.h>

#include <algorithm>
#include <memory>
#include <vector>

namespace shell {
namespace {

enum : int { kPlayed = 0, kFileError = 1, kNotWav = 2, kBadFormat = 3, kServerError = 4 };

struct SndfileCloser {
    void operator()(SNDFILE* f) const { sf_close(f); }
};
struct PulseCloser {
    void operator()(pa_simple* s) const { pa_simple_free(s); }
};

bool SilentBackEndChosen() { return !qEnvironmentVariableIsEmpty(kSilentSoundVariable); }

QString PulseText(int error) { return QString::fromUtf8(pa_strerror(error)); }

}  // namespace

int PlayWavToEnd(const QString& path, QString& errorText) {
    if (SilentBackEndChosen()) return kPlayed;

    SF_INFO info{};
    const QByteArray encodedPath = QFile::encodeName(path);
    std::unique_ptr<SNDFILE, SndfileCloser> file(sf_open(encodedPath.constData(), SFM_READ, &info));
    if (!file) {
        errorText = QStringLiteral("%1: %2").arg(path, QString::fromUtf8(sf_strerror(nullptr)));
        return kFileError;
    }
    const int container = info.format & SF_FORMAT_TYPEMASK;
    if (container != SF_FORMAT_WAV && container != SF_FORMAT_WAVEX) {
        errorText = QStringLiteral("%1: not a WAV file").arg(path);
        return kNotWav;
    }

    // Decoding to float lets libsndfile normalise every sample format (8, 16,
    // 24, 32-bit, float, ADPCM ...) the same way.
    pa_sample_spec sampleFormat{};
    sampleFormat.format = PA_SAMPLE_FLOAT32NE;
    sampleFormat.rate = info.samplerate > 0 ? static_cast<uint32_t>(info.samplerate) : 0;
    sampleFormat.channels = info.channels > 0 && info.channels <= static_cast<int>(PA_CHANNELS_MAX)
                        ? static_cast<uint8_t>(info.channels)
                        : 0;
    if (!pa_sample_spec_valid(&sampleFormat)) {
        errorText = QStringLiteral("%1: unsupported sample rate %2 Hz or %3 channels")
                        .arg(path)
                        .arg(info.samplerate)
                        .arg(info.channels);
        return kBadFormat;
    }

    int error = 0;
    std::unique_ptr<pa_simple, PulseCloser> stream(
        pa_simple_new(nullptr, "romaji", PA_STREAM_PLAYBACK, nullptr, "sound effect", &sampleFormat,
                      nullptr, nullptr, &error));
    if (!stream) {
        errorText = QStringLiteral("sound server: %1").arg(PulseText(error));
        return kServerError;
    }

    // A tenth of a second per write: pa_simple_write blocks while the server's
    // buffer is full, which paces the loop at the speed of playback.
    const sf_count_t framesPerChunk = std::max(1, info.samplerate / 10);
    std::vector<float> buffer(static_cast<std::size_t>(framesPerChunk) * sampleFormat.channels);
    sf_count_t framesPlayed = 0;
    for (;;) {
        const sf_count_t frames = sf_readf_float(file.get(), buffer.data(), framesPerChunk);
        if (frames <= 0) break;
        const std::size_t bytes = static_cast<std::size_t>(frames) * sampleFormat.channels * sizeof(float);
        if (pa_simple_write(stream.get(), buffer.data(), bytes, &error) < 0) {
            errorText = QStringLiteral("sound server: %1").arg(PulseText(error));
            return kServerError;
        }
        framesPlayed += frames;
    }
    // A file whose data breaks off part way plays what it has; one that
    // promises sound and yields none is damaged.
    if (framesPlayed == 0 && info.frames > 0) {
        errorText = QStringLiteral("%1: %2").arg(path, QString::fromUtf8(sf_strerror(file.get())));
        return kFileError;
    }
    if (pa_simple_drain(stream.get(), &error) < 0) {
        errorText = QStringLiteral("sound server: %1").arg(PulseText(error));
        return kServerError;
    }
    return kPlayed;
}

}  // namespace shell
