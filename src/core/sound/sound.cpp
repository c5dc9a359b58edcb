#include "core/sound/sound.h"

#include "core/common/numbers.h"
#include "core/common/platform.h"
#include "core/common/random.h"
#include "core/common/sharedstate.h"
#include "core/common/strings.h"
#include "core/common/textfile.h"
#include "core/common/runstate.h"

#include <algorithm>
#include <cmath>

namespace sound {
namespace {

constexpr const char16_t* kSoundListName = u"新音ファイル.txt";
constexpr int kKindCount = 10;
constexpr int kMaxFiles = 20;
// After this many failed answer sounds in a row, the next failure ends the program.
constexpr int kToleratedFailures = 3;
// The error text shown to the teacher is kept to what the old player's buffer held.
constexpr int kErrorTextLength = 255;

constexpr const char16_t* kKindNames[kKindCount + 1] = {
    u"",           u"正解音1",     u"正解音2",     u"間違い音1",   u"間違い音2",  u"最高音1",
    u"最高音2",    u"自己最高音1", u"自己最高音2", u"自己最高音3", u"不合格音1"};

constexpr int kCorrectKind = 2;
constexpr int kWrongKind = 4;
constexpr int kPersonalBestKind = 8;
constexpr int kMinimumTimeKind = 10;

// The base name to play for kind k, or an empty name when the list gives none.
// With a count the pick is n = 1 + floor(r * c) as the list's authors expect
// (a count of 0 asks for file 1, which is then empty). Without a count (kind
// missing from the list, or 20 names and no "*") the pick is among the names
// the kind has, so a list that merely lacks its "*" still plays.
QString PickFile(int kind) {
    const SoundKind& k = soundTable().Kinds[kind];
    if (!k.Count.isEmpty()) {
        const double c = common::LeadingNumber(k.Count);
        const long long n = 1 + static_cast<long long>(std::floor(common::Rnd() * c));
        if (n < 1 || n > kMaxFiles) return {};
        return k.Files[static_cast<std::size_t>(n)];
    }
    QStringList names;
    for (int j = 1; j <= kMaxFiles; ++j)
        if (!k.Files[j].isEmpty()) names << k.Files[j];
    if (names.isEmpty()) return {};
    const auto n = static_cast<qsizetype>(std::floor(common::Rnd() * names.size()));
    return names[std::clamp<qsizetype>(n, 0, names.size() - 1)];
}

// Plays a random sound of kind k; returns the result code, errorText set when
// it failed. A kind with nothing to play fails without reaching the back end.
int PlayRandom(int kind, QString& errorText) {
    const QString file = PickFile(kind);
    if (file.isEmpty()) {
        errorText = QStringLiteral("%1 に「%2」の音ファイルがありません。")
                        .arg(QString::fromUtf16(kSoundListName), soundTable().Kinds[kind].Name);
        return -1;
    }
    return PlaySoundFile(file, &errorText);
}

// The answer sounds tell the pupil whether they typed right; a PC that cannot
// give them is no use for practice, so after repeated failures a teacher is
// called and the program ends.
common::Outcome PlayAnswerSound(int kind) {
    QString errorText;
    const int code = PlayRandom(kind, errorText);
    common::RunState& rs = common::runState();
    if (code == 0) {
        rs.SoundFailures = 0;
        return {};
    }
    if (rs.SoundFailures < kToleratedFailures) {
        ++rs.SoundFailures;
        return {};
    }
    return common::Outcome::Fatal(
        QStringLiteral("音声がでません。先生を呼びなさい。\r\n") + common::Left(errorText, kErrorTextLength),
        QStringLiteral("音声エラー"));
}

}  // namespace

SoundTable& soundTable() {
    static SoundTable& table = common::MakeShared<SoundTable>();
    return table;
}

bool LoadSoundTable(QString& errorMessage) {
    SoundTable& table = soundTable();
    table.Reset();
    for (int k = 1; k <= kKindCount; ++k) table.Kinds[k].Name = QString::fromUtf16(kKindNames[k]);

    const QString path = common::runState().SoundFolder + QString::fromUtf16(kSoundListName);
    QString reason;
    const auto text = common::ReadShiftJisFile(path, &reason);
    if (!text) {
        errorMessage = QStringLiteral("%1 が読めません。\r\n%2\r\n%3")
                           .arg(QString::fromUtf16(kSoundListName), path, reason);
        return false;
    }

    common::ItemReader reader(*text);
    while (auto item = reader.Next()) {
        for (int k = 1; k <= kKindCount; ++k) {
            SoundKind& kind = table.Kinds[k];
            if (*item != kind.Name) continue;
            // An entry cut short by the end of the file keeps the names it has
            // and no count, like an entry of 20 names without "*".
            for (int j = 1; j <= kMaxFiles; ++j) {
                const auto file = reader.Next();
                if (!file) break;
                if (*file == u"*") {
                    kind.Count = QString::number(j - 1);
                    break;
                }
                kind.Files[j] = *file;
            }
            break;
        }
    }
    return true;
}

QStringList MissingAnswerSounds() {
    QStringList missing;
    for (const int kind : {kCorrectKind, kWrongKind}) {
        const SoundKind& k = soundTable().Kinds[kind];
        // The names a pick can land on: files 1..count, or every name when
        // the kind has no count.
        int last = kMaxFiles;
        if (!k.Count.isEmpty()) last = static_cast<int>(std::clamp(common::LeadingNumber(k.Count), 0.0, double(kMaxFiles)));
        bool any = false;
        for (int j = 1; j <= last && !any; ++j) any = !k.Files[static_cast<std::size_t>(j)].isEmpty();
        if (!any) missing << QString::fromUtf16(kKindNames[kind]);
    }
    return missing;
}

QString MissingAnswerSoundsWarning() {
    const QStringList missing = MissingAnswerSounds();
    if (missing.isEmpty()) return {};
    const QString list = QString::fromUtf16(kSoundListName);
    return QStringLiteral("%1 に答えの音（%2）がありません。\r\n%3\r\n"
                          "このままでは、練習で音が4回続けて出ないとプログラムが終わります。")
        .arg(list, missing.join(QStringLiteral("、")), common::runState().SoundFolder + list);
}

int PlaySoundFile(const QString& baseName, QString* errorText) {
    QString text;
    const int code =
        common::platform().PlayWav(common::runState().SoundFolder + baseName + QStringLiteral(".wav"), text);
    if (errorText) *errorText = code == 0 ? QString() : text;
    return code;
}

common::Outcome PlayCorrectSound() { return PlayAnswerSound(kCorrectKind); }
common::Outcome PlayWrongSound() { return PlayAnswerSound(kWrongKind); }

// The evaluation sounds are a bonus: when one fails the screen simply goes on,
// and the answer sounds' failure count is left as it was.
void PlayPersonalBestSound() {
    QString ignored;
    PlayRandom(kPersonalBestKind, ignored);
}

void PlayMinimumTimeSound() {
    QString ignored;
    PlayRandom(kMinimumTimeKind, ignored);
}

void PlaySchoolBestSound() { PlaySoundFile(QStringLiteral("最高1")); }
void PlayPassSound() { PlaySoundFile(QStringLiteral("合格")); }
void PlayWarningSound() { PlaySoundFile(QStringLiteral("警告1")); }

}  // namespace sound
