#include "core/practice/kanatable.h"

#include "core/common/numbers.h"
#include "core/common/platform.h"
#include "core/common/strings.h"
#include "core/common/textfile.h"
#include "core/common/runstate.h"
#include "core/common/sharedstate.h"

#include <QDir>

#include <iterator>

namespace practice {
namespace {

// Entry i occupies characters 2(i-1) .. of the kana string and 3(i-1) .. of
// the spelling strings. A single kana is preceded by an ideographic space, ん
// by an ASCII space; spellings are right-aligned with ASCII spaces. The three
// strings must stay in step: the entry count is taken from the Kunrei string.
constexpr char16_t kKanaString[] =
    u"\u3000あ\u3000い\u3000う\u3000え\u3000お\u3000か\u3000き\u3000く\u3000け\u3000こ"  // 1-10
    u"\u3000さ\u3000し\u3000す\u3000せ\u3000そ\u3000た\u3000ち\u3000つ\u3000て\u3000と"  // 11-20
    u"\u3000な\u3000に\u3000ぬ\u3000ね\u3000の\u3000は\u3000ひ\u3000ふ\u3000へ\u3000ほ"  // 21-30
    u"\u3000ま\u3000み\u3000む\u3000め\u3000も\u3000や\u3000ゆ\u3000よ\u3000ら\u3000り"  // 31-40
    u"\u3000る\u3000れ\u3000ろ\u3000わ\u3000が\u3000ぎ\u3000ぐ\u3000げ\u3000ご\u3000ざ"  // 41-50
    u"\u3000じ\u3000ず\u3000ぜ\u3000ぞ\u3000だ\u3000ぢ\u3000づ\u3000で\u3000ど\u3000ば"  // 51-60
    u"\u3000び\u3000ぶ\u3000べ\u3000ぼ\u3000ぱ\u3000ぴ\u3000ぷ\u3000ぺ\u3000ぽきゃ"  // 61-70
    u"きゅきょしゃしゅしょちゃちゅちょにゃにゅ"  // 71-80
    u"にょひゃひゅひょみゃみゅみょりゃりゅりょ"  // 81-90
    u"ぎゃぎゅぎょじゃじゅじょぢゃぢゅぢょびゃ"  // 91-100
    u"びゅびょぴゃぴゅぴょ ん"  // 101-106
    ;
constexpr char16_t kKunreiString[] =
    u"  a  i  u  e  o ka ki ku ke ko"  // 1-10
    u" sa si su se so ta ti tu te to"  // 11-20
    u" na ni nu ne no ha hi hu he ho"  // 21-30
    u" ma mi mu me mo ya yu yo ra ri"  // 31-40
    u" ru re ro wa ga gi gu ge go za"  // 41-50
    u" zi zu ze zo da zi zu de do ba"  // 51-60
    u" bi bu be bo pa pi pu pe pokya"  // 61-70
    u"kyukyosyasyusyotyatyutyonyanyu"  // 71-80
    u"nyohyahyuhyomyamyumyoryaryuryo"  // 81-90
    u"gyagyugyozyazyuzyozyazyuzyobya"  // 91-100
    u"byubyopyapyupyo nn"  // 101-106
    ;
constexpr char16_t kHepburnString[] =
    u"  a  i  u  e  o ka ki ku ke ko"  // 1-10
    u" sashi su se so tachitsu te to"  // 11-20
    u" na ni nu ne no ha hi fu he ho"  // 21-30
    u" ma mi mu me mo ya yu yo ra ri"  // 31-40
    u" ru re ro wa ga gi gu ge go za"  // 41-50
    u" ji zu ze zo da ji zu de do ba"  // 51-60
    u" bi bu be bo pa pi pu pe pokya"  // 61-70
    u"kyukyoshashushochachuchonyanyu"  // 71-80
    u"nyohyahyuhyomyamyumyoryaryuryo"  // 81-90
    u"gyagyugyo ja ju jo ja ju jobya"  // 91-100
    u"byubyopyapyupyo nn"  // 101-106
    ;

static_assert(std::size(kKanaString) - 1 == 2 * kEntryCount);
static_assert(std::size(kKunreiString) - 1 == 3 * kEntryCount);
static_assert(std::size(kHepburnString) - 1 == 3 * kEntryCount);

const char16_t kSeparator[] = u"------------------------";

// Kana after which the chart draws a separator: the end of each row of five
// (or of three for the two-character kana).
bool EndsChartRow(const QString& kana) {
    static const QString single = QStringLiteral("おこそとのほもよろわごぞどぼぽん");
    static const QStringList pairs = QStringLiteral(
        "きょ しょ ちょ にょ ひょ みょ りょ ぎょ じょ ぢょ びょ ぴょ").split(u' ');
    if (kana.size() == 1) return single.contains(kana[0]);
    return kana.size() == 2 && pairs.contains(kana);
}

}  // namespace

KanaTable& kanaTable() {
    static KanaTable& table = common::MakeShared<KanaTable>();
    return table;
}

QString KanaString() { return QString::fromUtf16(kKanaString); }
QString KunreiString() { return QString::fromUtf16(kKunreiString); }
QString HepburnString() { return QString::fromUtf16(kHepburnString); }

KanaEntry EntryFromStrings(int i) {
    KanaEntry e;
    if (i < 1 || i > kEntryCount) return e;
    e.Entry = i;
    e.Kana = QString::fromUtf16(kKanaString + 2 * (i - 1), 2);
    e.Kunrei = QString::fromUtf16(kKunreiString + 3 * (i - 1), 3);
    e.Hepburn = QString::fromUtf16(kHepburnString + 3 * (i - 1), 3);
    return e;
}

void FillKanaTable() {
    KanaTable& t = kanaTable();
    t.Reset();
    t.Count = static_cast<int>(std::size(kKunreiString) - 1) / 3;
    for (int i = 1; i <= t.Count; ++i) t.Entries[i] = EntryFromStrings(i);
}

QString TableLine(int i) {
    const KanaEntry e = EntryFromStrings(i);
    const QString kana = common::TrimSpaces(e.Kana);
    const QString k = (kana + QString(3, common::kIdeographicSpace)).left(3);
    const QString r = common::TrimSpaces(e.Kunrei);
    const QString h = common::TrimSpaces(e.Hepburn);
    QString line = k + u' ' + r + u' ' + r.toUpper();
    if (r != h) line += QStringLiteral(" (") + h + u' ' + h.toUpper() + u')';
    return line;
}

QStringList ChartLines() {
    QStringList lines;
    for (int i = 1; i <= kEntryCount; ++i) {
        lines << TableLine(i);
        const QString kana = common::TrimSpaces(EntryFromStrings(i).Kana);
        if (EndsChartRow(kana)) lines << QString::fromUtf16(kSeparator);
        // や and ゆ stand for a row of five like the others.
        if (kana == u"や" || kana == u"ゆ") lines << QString(2, common::kIdeographicSpace);
    }
    return lines;
}

QString HepburnNote() { return QStringLiteral("( )はヘボン式"); }
QString BothSystemsCaption() { return QStringLiteral("ヘボン式 ＆ 訓令式"); }
QString NnNote() {
    return QStringLiteral("”ん”は実際は　n ですが、このパソコンでは　nn として下さい");
}

QString ModeName(int mode) {
    switch (mode) {
    case 1: return QStringLiteral("訓令式");
    case 2: return QStringLiteral("ヘボン式");
    default: return BothSystemsCaption();
    }
}

QString ModeFilePath() {
    return common::platform().ProgramFolder() + QStringLiteral("/ローマ字形式.txt");
}

bool LoadRomanizationMode() {
    auto& mode = common::runState().RomanizationMode;
    mode = 0;
    const auto text = common::ReadShiftJisFile(ModeFilePath());
    if (!text) return false;
    common::ItemReader reader(*text);
    const auto item = reader.Next();
    if (!item || !common::IsNumber(*item)) return false;
    const double value = common::LeadingNumber(*item);
    if (value != 0 && value != 1 && value != 2) return false;
    mode = static_cast<std::int16_t>(value);
    return true;
}

bool SaveRomanizationMode(int optionIndex, QString* errorText) {
    if (optionIndex < 1 || optionIndex > 3) return false;
    const int mode = optionIndex - 1;
    common::runState().RomanizationMode = static_cast<std::int16_t>(mode);
    // Pupils may not write into the program folder of a shared PC; the one
    // item is then written over the file in place.
    return common::WriteShiftJisFile(ModeFilePath(), QString::number(mode) + QStringLiteral("\r\n"),
                                     errorText, true);
}

}  // namespace practice
