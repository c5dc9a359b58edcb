// The default sound folder: the sound list "新音ファイル.txt" and WAV files
// made here by a tiny synthesiser, so that neither the package nor the demo
// school needs recorded audio. Each sound is short and has its own character:
// bright bells for a correct answer, a soft low buzz for a wrong one, quick
// beeps for the warning and fanfares of growing size for the records and the
// cleared final level. The same input always gives the same bytes.

#include "defaultdata.h"

#include "core/common/textfile.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace defaults {
namespace {

constexpr int kRate = 44100;

enum class Timbre { Bell, Soft, Beep };

struct Note {
    double start;     // seconds
    double length;    // seconds until the tone has died away
    double frequency; // Hz
    double level;     // peak, 0..1
    Timbre timbre;
};

struct SoundDesign {
    const char16_t* baseName;
    std::vector<Note> notes;
    double loudness = 0.7;  // peak of the finished sound; pure tones sound louder, so they get less
};

// Equal-tempered pitch: 0 = C4.
double Pitch(int semitonesFromC4) { return 261.6256 * std::pow(2.0, semitonesFromC4 / 12.0); }

double Sample(Timbre timbre, double frequency, double t, double length) {
    const double w = 2 * std::numbers::pi * frequency * t;
    const double attack = std::min(1.0, t / 0.005);
    switch (timbre) {
    case Timbre::Bell:  // a few inharmonic partials that fade faster the higher they are
        return attack * (std::sin(w) * std::exp(-t * 5 / length) +
                         0.35 * std::sin(2.76 * w) * std::exp(-t * 9 / length) +
                         0.15 * std::sin(5.40 * w) * std::exp(-t * 14 / length));
    case Timbre::Soft:  // odd harmonics, rounded: a gentle buzz rather than a harsh one
        return attack * (std::sin(w) + std::sin(3 * w) / 4 + std::sin(5 * w) / 12) *
               std::exp(-t * 1.5 / length);
    case Timbre::Beep:
        return attack * std::sin(w) * (t < length * 0.8 ? 1.0 : (length - t) / (length * 0.2));
    }
    return 0;
}

std::vector<qint16> Render(const std::vector<Note>& notes, double loudness) {
    double end = 0;
    for (const Note& n : notes) end = std::max(end, n.start + n.length);
    const auto frames = static_cast<std::size_t>(std::ceil((end + 0.02) * kRate));
    std::vector<double> mix(frames, 0.0);
    for (const Note& n : notes) {
        const auto first = static_cast<std::size_t>(n.start * kRate);
        const auto count = static_cast<std::size_t>(n.length * kRate);
        for (std::size_t i = 0; i < count && first + i < frames; ++i) {
            const double t = static_cast<double>(i) / kRate;
            // The last 10 ms of every note fade to nothing so no note ends in a click.
            const double tail = std::min(1.0, (n.length - t) / 0.01);
            mix[first + i] += n.level * tail * Sample(n.timbre, n.frequency, t, n.length);
        }
    }
    double peak = 1e-9;
    for (double v : mix) peak = std::max(peak, std::abs(v));
    const double scale = loudness / peak;
    std::vector<qint16> pcm(frames);
    for (std::size_t i = 0; i < frames; ++i)
        pcm[i] = static_cast<qint16>(std::lround(std::clamp(mix[i] * scale, -1.0, 1.0) * 32767));
    return pcm;
}

void PutLe(QByteArray& out, quint32 value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.append(static_cast<char>((value >> (8 * i)) & 0xFF));
}

// 16-bit PCM mono RIFF/WAVE.
QByteArray WavBytes(const std::vector<qint16>& pcm) {
    const auto dataBytes = static_cast<quint32>(pcm.size() * 2);
    QByteArray out;
    out.reserve(static_cast<qsizetype>(44 + dataBytes));
    out.append("RIFF");
    PutLe(out, 36 + dataBytes, 4);
    out.append("WAVEfmt ");
    PutLe(out, 16, 4);
    PutLe(out, 1, 2);            // PCM
    PutLe(out, 1, 2);            // mono
    PutLe(out, kRate, 4);
    PutLe(out, kRate * 2, 4);    // bytes per second
    PutLe(out, 2, 2);            // block align
    PutLe(out, 16, 2);           // bits per sample
    out.append("data");
    PutLe(out, dataBytes, 4);
    for (qint16 s : pcm) PutLe(out, static_cast<quint16>(s), 2);
    return out;
}

std::vector<SoundDesign> Designs() {
    using T = Timbre;
    return {
        // Correct answer: three bright variants.
        {u"seikai1", {{0.00, 0.30, Pitch(24), 0.8, T::Bell}, {0.12, 0.35, Pitch(21), 0.8, T::Bell}}},
        {u"seikai2", {{0.00, 0.25, Pitch(19), 0.8, T::Bell}, {0.09, 0.30, Pitch(26), 0.8, T::Bell}}},
        {u"seikai3", {{0.00, 0.35, Pitch(28), 0.9, T::Bell}, {0.00, 0.30, Pitch(40), 0.2, T::Bell}}},
        // Wrong answer: low and soft, clearly not a reward.
        {u"machigai1", {{0.00, 0.16, 185.0, 0.7, T::Soft}, {0.20, 0.24, 185.0, 0.7, T::Soft}}, 0.55},
        {u"machigai2", {{0.00, 0.20, Pitch(4), 0.7, T::Soft}, {0.18, 0.32, Pitch(0), 0.7, T::Soft}}, 0.55},
        // Answer too long: three quick high beeps.
        {u"警告1",
         {{0.00, 0.07, 1760.0, 0.5, T::Beep},
          {0.12, 0.07, 1760.0, 0.5, T::Beep},
          {0.24, 0.07, 1760.0, 0.5, T::Beep}},
         0.4},
        // Personal best: rising arpeggios.
        {u"jiko1",
         {{0.00, 0.50, Pitch(12), 0.6, T::Bell},
          {0.10, 0.50, Pitch(16), 0.6, T::Bell},
          {0.20, 0.50, Pitch(19), 0.6, T::Bell},
          {0.30, 0.70, Pitch(24), 0.7, T::Bell}}},
        {u"jiko2",
         {{0.00, 0.50, Pitch(7), 0.6, T::Bell},
          {0.10, 0.50, Pitch(11), 0.6, T::Bell},
          {0.20, 0.50, Pitch(14), 0.6, T::Bell},
          {0.30, 0.70, Pitch(19), 0.7, T::Bell},
          {0.30, 0.70, Pitch(23), 0.4, T::Bell}}},
        // Within the minimum time: a sparkling run down and one up.
        {u"saitan1",
         {{0.00, 0.30, Pitch(36), 0.5, T::Bell},
          {0.07, 0.30, Pitch(31), 0.5, T::Bell},
          {0.14, 0.30, Pitch(28), 0.5, T::Bell},
          {0.21, 0.45, Pitch(24), 0.6, T::Bell}}},
        {u"saitan2",
         {{0.00, 0.30, Pitch(24), 0.5, T::Bell},
          {0.06, 0.30, Pitch(26), 0.5, T::Bell},
          {0.12, 0.30, Pitch(28), 0.5, T::Bell},
          {0.18, 0.30, Pitch(31), 0.5, T::Bell},
          {0.24, 0.45, Pitch(33), 0.6, T::Bell}}},
        // School best: a fanfare, three short calls and a full chord.
        {u"最高1",
         {{0.00, 0.12, Pitch(12), 0.6, T::Soft},
          {0.14, 0.12, Pitch(12), 0.6, T::Soft},
          {0.28, 0.12, Pitch(12), 0.6, T::Soft},
          {0.42, 0.90, Pitch(12), 0.5, T::Bell},
          {0.42, 0.90, Pitch(16), 0.5, T::Bell},
          {0.42, 0.90, Pitch(19), 0.5, T::Bell},
          {0.42, 0.90, Pitch(24), 0.5, T::Bell}}},
        // Final level cleared: a quick scale up to a long major chord.
        {u"合格",
         {{0.00, 0.20, Pitch(12), 0.5, T::Bell},
          {0.08, 0.20, Pitch(14), 0.5, T::Bell},
          {0.16, 0.20, Pitch(16), 0.5, T::Bell},
          {0.24, 0.20, Pitch(17), 0.5, T::Bell},
          {0.32, 1.00, Pitch(19), 0.5, T::Bell},
          {0.32, 1.00, Pitch(24), 0.4, T::Bell},
          {0.32, 1.00, Pitch(28), 0.4, T::Bell},
          {0.32, 1.00, Pitch(7), 0.3, T::Soft}}},
    };
}

// Every kind of the list gets an entry; the kinds that are loaded but never
// played point at sounds of the same family.
constexpr const char16_t* kSoundList[][4] = {
    {u"正解音1", u"seikai1"},
    {u"正解音2", u"seikai1", u"seikai2", u"seikai3"},
    {u"間違い音1", u"machigai1"},
    {u"間違い音2", u"machigai1", u"machigai2"},
    {u"最高音1", u"jiko1"},
    {u"最高音2", u"jiko2"},
    {u"自己最高音1", u"jiko1"},
    {u"自己最高音2", u"jiko1", u"jiko2"},
    {u"自己最高音3", u"jiko2"},
    {u"不合格音1", u"saitan1", u"saitan2"},
};

}  // namespace

bool WriteSounds(const QString& folder, QString& errorText) {
    if (!QDir().mkpath(folder)) {
        errorText = QStringLiteral("cannot create %1").arg(folder);
        return false;
    }
    for (const SoundDesign& d : Designs()) {
        const QString path = folder + QString::fromUtf16(d.baseName) + QStringLiteral(".wav");
        QFile f(path);
        const QByteArray bytes = WavBytes(Render(d.notes, d.loudness));
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) {
            errorText = QStringLiteral("%1: %2").arg(path, f.errorString());
            return false;
        }
    }
    common::ItemWriter list;
    for (const auto& entry : kSoundList) {
        for (const char16_t* item : entry)
            if (item) list.Raw(QString::fromUtf16(item));
        list.Raw(QStringLiteral("*")).EndLine();
    }
    return common::WriteShiftJisFile(folder + QStringLiteral("新音ファイル.txt"), list.Result(),
                                     &errorText);
}

}  // namespace defaults
