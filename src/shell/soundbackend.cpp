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
#include <pulse/sample.h>
#include <pulse/simple.h>
#include <sndfile.h>

#include <algorithm>
#include <memory>
#include <vector>

namespace shell {
namespace {

enum : int { kPlayed = 0, kFileError = 1, kNotWav = 2, kBadFormat = 3, kServerError = 4 };

// What the server is asked to hold ahead of the speaker.
constexpr pa_usec_t kBufferMicroseconds = 50 * 1000;

struct SndfileCloser {
    void operator()(SNDFILE* f) const { sf_close(f); }
};
struct PulseCloser {
    void operator()(pa_simple* s) const { pa_simple_free(s); }
};

bool SilentBackEndChosen() { return !qEnvironmentVariableIsEmpty(kSilentSoundVariable); }

}  // namespace

// Every answer sound is part of the pupil's time, and the call returns only
// when the sound has been heard. A sink renders ahead by the latency its
// streams ask for, and a sink that does not take back what it rendered ahead
// (a virtual or network sink) makes a new stream wait behind up to two
// seconds of silence rendered while it was idle. So the stream asks for a
// small buffer, which keeps the sink's latency small while it is connected,
// and stays connected between sounds of the same format: only the first
// sound after the start (or after a change of format) can meet that wait.
struct SoundPlayer::KeptStream {
    std::unique_ptr<pa_simple, PulseCloser> stream;
    pa_sample_spec format{};
    QByteArray server;  // PULSE_SERVER when it was opened
};

namespace {

// The kept stream when it has this format and server; otherwise a new one
// (fresh set). Null with error when the server refuses.
pa_simple* StreamFor(SoundPlayer::KeptStream& kept, const pa_sample_spec& format, bool& fresh, int& error) {
    const QByteArray server = qgetenv("PULSE_SERVER");
    fresh = false;
    if (kept.stream && pa_sample_spec_equal(&kept.format, &format) && kept.server == server)
        return kept.stream.get();
    kept.stream.reset();
    pa_buffer_attr ahead{};
    ahead.maxlength = static_cast<uint32_t>(-1);
    ahead.tlength = static_cast<uint32_t>(pa_usec_to_bytes(kBufferMicroseconds, &format));
    ahead.prebuf = static_cast<uint32_t>(-1);
    ahead.minreq = static_cast<uint32_t>(-1);
    ahead.fragsize = static_cast<uint32_t>(-1);
    kept.stream.reset(pa_simple_new(nullptr, "romaji", PA_STREAM_PLAYBACK, nullptr, "sound effect", &format,
                                    nullptr, &ahead, &error));
    kept.format = format;
    kept.server = server;
    fresh = true;
    return kept.stream.get();
}

// Writes the sound and waits until it has been played to its end.
bool PlayOn(pa_simple* stream, const std::vector<float>& samples, const pa_sample_spec& format, int& error) {
    // A fiftieth of a second per write: pa_simple_write blocks while the
    // server's buffer is full, which paces the loop at the speed of playback.
    const std::size_t chunk = std::max<std::size_t>(format.channels, format.rate / 50 * format.channels);
    for (std::size_t at = 0; at < samples.size(); at += chunk) {
        const std::size_t n = std::min(chunk, samples.size() - at);
        if (pa_simple_write(stream, samples.data() + at, n * sizeof(float), &error) < 0) return false;
    }
    return pa_simple_drain(stream, &error) >= 0;
}

QString PulseText(int error) { return QString::fromUtf8(pa_strerror(error)); }

}  // namespace

SoundPlayer::SoundPlayer() : kept_(std::make_unique<KeptStream>()) {}
SoundPlayer::~SoundPlayer() = default;

int SoundPlayer::PlayWavToEnd(const QString& path, QString& errorText) {
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

    // The whole sound is decoded first (sound effects are short), so that a
    // kept stream that turns out dead can be replaced and the sound written again.
    std::vector<float> samples;
    {
        const sf_count_t framesPerChunk = std::max(1, info.samplerate / 10);
        std::vector<float> chunk(static_cast<std::size_t>(framesPerChunk) * sampleFormat.channels);
        for (;;) {
            const sf_count_t frames = sf_readf_float(file.get(), chunk.data(), framesPerChunk);
            if (frames <= 0) break;
            samples.insert(samples.end(), chunk.begin(),
                           chunk.begin() + static_cast<std::ptrdiff_t>(frames * sampleFormat.channels));
        }
    }
    // A file whose data breaks off part way plays what it has; one that
    // promises sound and yields none is damaged.
    if (samples.empty() && info.frames > 0) {
        errorText = QStringLiteral("%1: %2").arg(path, QString::fromUtf8(sf_strerror(file.get())));
        return kFileError;
    }

    int error = 0;
    for (int attempt = 0;; ++attempt) {
        bool fresh = false;
        pa_simple* stream = StreamFor(*kept_, sampleFormat, fresh, error);
        if (!stream) break;
        if (PlayOn(stream, samples, sampleFormat, error)) return kPlayed;
        kept_->stream.reset();
        // A kept stream may have lost its server (restarted meanwhile): one
        // more try on a fresh connection.
        if (fresh || attempt > 0) break;
    }
    errorText = QStringLiteral("sound server: %1").arg(PulseText(error));
    return kServerError;
}

}  // namespace shell
