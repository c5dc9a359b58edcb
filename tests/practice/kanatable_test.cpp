// The kana table, the chart, the mode file, the level ranges and the
// judgement rule.
#include "core/common/random.h"
#include "core/common/textfile.h"
#include "fakeplatform.h"
#include "otheruser.h"
#include "core/practice/kanatable.h"
#include "core/practice/questions.h"
#include "core/common/runstate.h"
#include "core/common/sharedstate.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <random>
#include <set>

using namespace practice;

namespace {
const QString I = QString(QChar(0x3000));  // ideographic space
}

TEST(KanaTable, StringsHoldEveryEntryInStep) {
    EXPECT_EQ(KanaString().size(), 212);
    EXPECT_EQ(KunreiString().size(), 318);
    EXPECT_EQ(HepburnString().size(), 318);
    FillKanaTable();
    ASSERT_EQ(kanaTable().Count, 106);
    // Fields exactly as the fixed-width strings hold them.
    EXPECT_EQ(kanaTable()[1].Kana, QStringLiteral("\u3000あ"));
    EXPECT_EQ(kanaTable()[1].Kunrei, QStringLiteral("  a"));
    EXPECT_EQ(kanaTable()[12].Hepburn, QStringLiteral("shi"));
    EXPECT_EQ(kanaTable()[106].Kana, QStringLiteral(" ん"));
    EXPECT_EQ(kanaTable()[80].Kana, QStringLiteral("にゅ"));
    // ぢゃ ぢゅ ぢょ are spelled like じゃ じゅ じょ in both systems.
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(kanaTable()[97 + i].Kunrei, kanaTable()[94 + i].Kunrei);
        EXPECT_EQ(kanaTable()[97 + i].Hepburn, kanaTable()[94 + i].Hepburn);
    }
}

TEST(KanaTable, SpellingsDifferOnlyWhereHepburnDiffers) {
    const std::set<int> differing = {12, 17, 18, 28, 51, 56, 73, 74, 75, 76, 77, 78,
                                     94, 95, 96, 97, 98, 99};
    FillKanaTable();
    for (int i = 1; i <= 106; ++i) {
        const auto& e = kanaTable()[i];
        EXPECT_EQ(e.Kunrei != e.Hepburn, differing.count(i) == 1) << "entry " << i;
    }
}

TEST(KanaTable, ChartLinesCharacterForCharacter) {
    EXPECT_EQ(TableLine(1), QStringLiteral("あ\u3000\u3000 a A"));
    EXPECT_EQ(TableLine(12), QStringLiteral("し\u3000\u3000 si SI (shi SHI)"));
    EXPECT_EQ(TableLine(70), QStringLiteral("きゃ\u3000 kya KYA"));
    EXPECT_EQ(TableLine(106), QStringLiteral("ん\u3000\u3000 nn NN"));
}

TEST(KanaTable, ChartRowsSeparatedAndPadded) {
    const QString sep = QStringLiteral("------------------------");
    const QStringList lines = ChartLines();
    // 106 entries, 28 separators, two blank lines after や and ゆ.
    EXPECT_EQ(lines.size(), 106 + 28 + 2);
    EXPECT_EQ(lines.count(sep), 28);
    EXPECT_EQ(lines.mid(0, 6), (QStringList{TableLine(1), TableLine(2), TableLine(3), TableLine(4),
                                            TableLine(5), sep}));
    // The や row: や, blank, ゆ, blank, よ, separator.
    const int ya = lines.indexOf(TableLine(36));
    EXPECT_EQ(lines.mid(ya, 6),
              (QStringList{TableLine(36), I + I, TableLine(37), I + I, TableLine(38), sep}));
    // わ stands alone; the two-character rows have three lines.
    const int wa = lines.indexOf(TableLine(44));
    EXPECT_EQ(lines[wa - 1], sep);
    EXPECT_EQ(lines[wa + 1], sep);
    const int kya = lines.indexOf(TableLine(70));
    EXPECT_EQ(lines[kya + 3], sep);
    // ん ends the chart with a separator.
    EXPECT_EQ(lines.mid(lines.size() - 4),
              (QStringList{TableLine(105), sep, TableLine(106), sep}));
}

// ---------------------------------------------------------------- mode file

class ModeFile : public ::testing::Test {
protected:
    testing_support::FakePlatform fake;
    QTemporaryDir dir;
    void SetUp() override {
        fake.programFolder = dir.path();
        common::ResetSharedState();
    }
    QString Path() const { return dir.filePath(QStringLiteral("ローマ字形式.txt")); }
    void Write(const QByteArray& bytes) {
        QFile f(Path());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
};

TEST_F(ModeFile, ReadsValidModesAndFallsBackToBoth) {
    struct Case {
        const char* bytes;  // nullptr: no file
        int mode;
        bool valid;
    };
    const Case cases[] = {
        {"2\r\n", 2, true},  {"1", 1, true},     {" 0 \r\n", 0, true}, {"3\r\n", 0, false},
        {"-1\r\n", 0, false}, {"1.5\r\n", 0, false}, {"", 0, false},   {"abc\r\n", 0, false},
        {nullptr, 0, false},
    };
    for (const Case& c : cases) {
        QFile::remove(Path());
        if (c.bytes) Write(c.bytes);
        common::runState().RomanizationMode = 1;
        EXPECT_EQ(LoadRomanizationMode(), c.valid) << (c.bytes ? c.bytes : "(missing)");
        EXPECT_EQ(common::runState().RomanizationMode, c.mode) << (c.bytes ? c.bytes : "(missing)");
    }
}

TEST_F(ModeFile, SaveRewritesDigitsAndCrLf) {
    Write("0\r\n0\r\n0\r\n");
    ASSERT_TRUE(SaveRomanizationMode(3));
    EXPECT_EQ(common::runState().RomanizationMode, 2);
    EXPECT_EQ(common::ReadFileBytes(Path()).value(), QByteArray("2\r\n"));
    ASSERT_TRUE(SaveRomanizationMode(2));
    EXPECT_EQ(common::ReadFileBytes(Path()).value(), QByteArray("1\r\n"));
    EXPECT_TRUE(LoadRomanizationMode());
    EXPECT_EQ(common::runState().RomanizationMode, 1);
}

TEST_F(ModeFile, SaveIntoUnwritableFolderReportsAndKeepsMode) {
    fake.programFolder = dir.filePath(QStringLiteral("missing"));
    QString error;
    EXPECT_FALSE(SaveRomanizationMode(3, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(common::runState().RomanizationMode, 2);
}

// On a shared PC pupils may not write into the program folder; the mode file
// itself is theirs to write. The save works there, and a file they may not
// write still fails with a reason. Run as a pupil's account, not as root.
TEST_F(ModeFile, SaveInAReadOnlyProgramFolderAsAPupil) {
    struct Case {
        const char* label;
        QFile::Permissions fileMode;
        bool saved;
        QByteArray after;
    };
    const auto all = [](bool write) {
        QFile::Permissions p = QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther;
        if (write) p |= QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther;
        return p;
    };
    const Case cases[] = {{"writable file", all(true), true, "2\r\n"},
                          {"read-only file", all(false), false, "0\r\n"}};
    const auto readOnlyFolder = QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup |
                                QFile::ReadOther | QFile::ExeOther;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        QFile::setPermissions(dir.path(), readOnlyFolder | QFile::WriteOwner);
        QFile::remove(Path());
        Write("0\r\n");
        ASSERT_TRUE(QFile::setPermissions(Path(), c.fileMode));
        ASSERT_TRUE(QFile::setPermissions(dir.path(), readOnlyFolder));
        const int status = testing_support::RunAsPupil([] {
            QString error;
            if (SaveRomanizationMode(3, &error)) return 0;
            return error.isEmpty() ? 2 : 1;
        });
        QFile::setPermissions(dir.path(), readOnlyFolder | QFile::WriteOwner);
        ASSERT_NE(status, testing_support::kCouldNotChangeUser);
        EXPECT_EQ(status, c.saved ? 0 : 1);
        EXPECT_EQ(common::ReadFileBytes(Path()).value(), c.after);
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("ローマ字形式.txt")});
    }
}

// ---------------------------------------------------------------- questions

TEST(Questions, EveryLevelDrawsOnlyItsRangeAndNeverRepeats) {
    struct Case {
        int level, first, last;
    };
    const Case cases[] = {{1, 1, 10},   {2, 11, 20},  {3, 1, 20},   {4, 21, 30},  {5, 1, 30},
                          {6, 31, 44},  {7, 1, 44},   {8, 45, 54},  {9, 55, 69},  {10, 1, 69},
                          {11, 70, 80}, {12, 80, 90}, {13, 70, 90}, {14, 91, 106}, {15, 1, 106}};
    std::mt19937 engine(7);
    common::SetRandomSource([&] { return std::uniform_real_distribution<double>(0, 1)(engine); });
    for (const Case& c : cases) {
        const EntryRange r = LevelRange(c.level);
        EXPECT_EQ(r.First, c.first) << "level " << c.level;
        EXPECT_EQ(r.First + r.Count - 1, c.last) << "level " << c.level;
        std::set<int> seen;
        int previous = 0;
        for (int n = 0; n < 2000; ++n) {
            const int e = DrawEntry(c.level, previous);
            ASSERT_GE(e, c.first) << "level " << c.level;
            ASSERT_LE(e, c.last) << "level " << c.level;
            ASSERT_NE(e, previous) << "level " << c.level;
            seen.insert(e);
            previous = e;
        }
        EXPECT_EQ(int(seen.size()), c.last - c.first + 1) << "level " << c.level;
    }
    common::SetRandomSource({});
}

TEST(Questions, DrawSkipsThePreviousEntryAndTheEdgesOfTheRange) {
    // r = 0 gives the first entry, r just below 1 the last; a draw that
    // lands on the previous entry is drawn again.
    std::vector<double> values = {0.0, 0.0, 0.999999, 0.95};
    size_t next = 0;
    common::SetRandomSource([&] { return values[next++]; });
    EXPECT_EQ(DrawEntry(1, 0), 1);
    EXPECT_EQ(DrawEntry(1, 1), 10);  // 0.0 -> 1 again, so 0.999999 -> 10
    EXPECT_EQ(DrawEntry(14, 0), 106);  // 91 + floor(0.95 * 16)
    common::SetRandomSource({});
}

TEST(Judgement, AnswersPerMode) {
    struct Case {
        int entry;
        const char* answer;
        bool both, kunrei, hepburn;
    };
    const Case cases[] = {
        {12, "si", true, true, false},     {12, "shi", true, false, true},
        {12, "SI", false, false, false},   {12, "Shi", false, false, false},
        {12, "s", false, false, false},    {12, "shii", false, false, false},
        {17, "ti", true, true, false},     {17, "chi", true, false, true},
        {106, "nn", true, true, true},     {106, "n", false, false, false},
        {106, "NN", false, false, false},  {1, "", false, false, false},
        {1, "a", true, true, true},        {75, "syo", true, true, false},
        {75, "sho", true, false, true},    {75, "shyo", false, false, false},
    };
    FillKanaTable();
    for (const Case& c : cases) {
        const auto& q = kanaTable()[c.entry];
        EXPECT_EQ(IsCorrectAnswer(c.answer, q, 0), c.both) << c.entry << " " << c.answer;
        EXPECT_EQ(IsCorrectAnswer(c.answer, q, 1), c.kunrei) << c.entry << " " << c.answer;
        EXPECT_EQ(IsCorrectAnswer(c.answer, q, 2), c.hepburn) << c.entry << " " << c.answer;
    }
}

TEST(Judgement, SpellingShownAfterAWrongAnswer) {
    struct Case {
        int entry, mode;
        const char* lower;
        const char* upper;
    };
    const Case cases[] = {
        {12, 0, "si / shi", "SI / SHI"}, {12, 1, "si", "SI"}, {12, 2, "shi", "SHI"},
        {1, 0, "a", "A"},                {106, 2, "nn", "NN"},
    };
    FillKanaTable();
    for (const Case& c : cases) {
        const Spelling s = SpellingFor(kanaTable()[c.entry], c.mode);
        EXPECT_EQ(s.Lower, QString::fromLatin1(c.lower));
        EXPECT_EQ(s.Upper, QString::fromLatin1(c.upper));
    }
}
