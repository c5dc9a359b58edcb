#include "core/sound/sound.h"

#include "core/common/random.h"
#include "core/common/textfile.h"
#include "demoschool.h"
#include "fakeplatform.h"
#include "core/common/runstate.h"
#include "core/common/sharedstate.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <sndfile.h>

#include <random>
#include <set>

using common::runState;
using sound::soundTable;

namespace {

// A sound folder in a temporary directory holding the given sound list.
class SoundFolder {
public:
    explicit SoundFolder(const QString& listText) {
        common::ResetSharedState();
        runState().SoundFolder = dir_.path() + u'/';
        if (!listText.isNull()) {
            QString error;
            EXPECT_TRUE(common::WriteShiftJisFile(runState().SoundFolder + "新音ファイル.txt", listText,
                                                  &error))
                << error.toStdString();
        }
        QString error;
        loaded_ = sound::LoadSoundTable(error);
        error_ = error;
    }
    ~SoundFolder() { common::SetRandomSource({}); }
    bool loaded() const { return loaded_; }
    const QString& error() const { return error_; }
    QString path() const { return dir_.path(); }

private:
    QTemporaryDir dir_;
    bool loaded_ = false;
    QString error_;
};

QString Twenty(const char* prefix) {
    QStringList names;
    for (int i = 1; i <= 20; ++i) names << QStringLiteral("%1%2").arg(prefix).arg(i);
    return names.join(u',');
}

QStringList FilesOf(int kind) {
    QStringList out;
    for (int j = 1; j <= 20; ++j) out << soundTable().Kinds[kind].Files[j];
    while (!out.isEmpty() && out.last().isEmpty()) out.removeLast();
    return out;
}

// ---- Reading the sound list ----

struct ListCase {
    const char* label;
    QString text;
    int kind;
    QStringList files;
    QString count;  // null: no count
};

void PrintTo(const ListCase& c, std::ostream* os) { *os << c.label; }

class SoundListCases : public ::testing::TestWithParam<ListCase> {};

TEST_P(SoundListCases, ReadsFilesAndCount) {
    const ListCase& c = GetParam();
    SoundFolder folder(c.text);
    ASSERT_TRUE(folder.loaded()) << folder.error().toStdString();
    EXPECT_EQ(FilesOf(c.kind), c.files);
    EXPECT_EQ(soundTable().Kinds[c.kind].Count, c.count);
    EXPECT_EQ(soundTable().Kinds[c.kind].Count.isNull(), c.count.isNull());
}

INSTANTIATE_TEST_SUITE_P(
    Entries, SoundListCases,
    ::testing::Values(
        ListCase{"OneLine", "正解音2,a,b,*\r\n", 2, {"a", "b"}, "2"},
        ListCase{"OneItemPerLine", "間違い音2\r\nx\r\ny\r\nz\r\n*\r\n", 4, {"x", "y", "z"}, "3"},
        ListCase{"AnyOrderJunkSkipped", "junk,1,自己最高音2,p,*,more\r\n正解音1,q,*\r\n", 8, {"p"}, "1"},
        ListCase{"LaterEntryAfterJunk", "junk,自己最高音2,p,*,more\r\n正解音1,q,*\r\n", 1, {"q"}, "1"},
        ListCase{"StarRightAfterName", "不合格音1,*\r\n", 10, {}, "0"},
        ListCase{"SecondEntryOverwritesOneByOne", "正解音2,a,b,c,*\r\n正解音2,d,*\r\n", 2,
                 {"d", "b", "c"}, "1"},
        ListCase{"TwentyNamesNoStarNoCount", "正解音2," + Twenty("f") + ",*\r\n", 2,
                 Twenty("f").split(u','), QString()},
        // After 20 names the 21st item is looked at as a possible name again.
        ListCase{"ItemAfterTwentyNamesStartsAnEntry", "正解音2," + Twenty("f") + ",間違い音2,m,*\r\n", 4,
                 {"m"}, "1"},
        ListCase{"KindMissing", "正解音2,a,*\r\n", 4, {}, QString()},
        ListCase{"EntryCutShortByEndOfFile", "正解音2,a,b", 2, {"a", "b"}, QString()},
        ListCase{"QuotesAndBlanks", "\"正解音2\" , \"a b\" , * \r\n", 2, {"a b"}, "1"},
        ListCase{"NamesCompareExactly", "正解音２,a,*\r\n正解音,b,*\r\n", 2, {}, QString()}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(SoundList, MissingFileFailsNamingIt) {
    SoundFolder folder{QString()};
    EXPECT_FALSE(folder.loaded());
    EXPECT_TRUE(folder.error().contains("新音ファイル.txt")) << folder.error().toStdString();
}

TEST(SoundList, LoadingAgainStartsFromNothing) {
    { SoundFolder first("正解音2,a,b,*\r\n"); }
    SoundFolder second("間違い音2,x,*\r\n");
    EXPECT_EQ(FilesOf(2), QStringList{});
    EXPECT_TRUE(soundTable().Kinds[2].Count.isNull());
    EXPECT_EQ(soundTable().Kinds[2].Name, "正解音2");
}

// ---- What each player plays ----

enum class Player { Correct, Wrong, PersonalBest, MinimumTime, SchoolBest, Pass, Warning };

// Plays as the screens do: a fatal answer sound shows its message and ends
// the program.
void Play(Player p, testing_support::FakePlatform& fake) {
    switch (p) {
    case Player::Correct: fake.Handled(sound::PlayCorrectSound()); break;
    case Player::Wrong: fake.Handled(sound::PlayWrongSound()); break;
    case Player::PersonalBest: sound::PlayPersonalBestSound(); break;
    case Player::MinimumTime: sound::PlayMinimumTimeSound(); break;
    case Player::SchoolBest: sound::PlaySchoolBestSound(); break;
    case Player::Pass: sound::PlayPassSound(); break;
    case Player::Warning: sound::PlayWarningSound(); break;
    }
}

struct PickCase {
    const char* label;
    QString list;
    Player player;
    double r;
    QString played;  // base name, empty: nothing reaches the back end
};

void PrintTo(const PickCase& c, std::ostream* os) { *os << c.label; }

class SoundPickCases : public ::testing::TestWithParam<PickCase> {};

TEST_P(SoundPickCases, PlaysTheChosenFile) {
    const PickCase& c = GetParam();
    testing_support::FakePlatform fake;
    SoundFolder folder(c.list);
    common::SetRandomSource([r = c.r] { return r; });
    Play(c.player, fake);
    if (c.played.isEmpty()) {
        EXPECT_TRUE(fake.sounds.isEmpty()) << fake.sounds.join(' ').toStdString();
    } else {
        EXPECT_EQ(fake.sounds, QStringList{runState().SoundFolder + c.played + ".wav"});
    }
}

const QString kAllKinds = QStringLiteral(
    "正解音2,a,b,*\r\n間違い音2,w1,w2,w3,*\r\n自己最高音2,p1,p2,*\r\n不合格音1,s1,*\r\n");

INSTANTIATE_TEST_SUITE_P(
    Players, SoundPickCases,
    ::testing::Values(
        PickCase{"CorrectLowR", kAllKinds, Player::Correct, 0.0, "a"},
        PickCase{"CorrectJustBelowHalf", kAllKinds, Player::Correct, 0.4999, "a"},
        PickCase{"CorrectHalf", kAllKinds, Player::Correct, 0.5, "b"},
        PickCase{"CorrectHighR", kAllKinds, Player::Correct, 0.9999, "b"},
        PickCase{"WrongThird", kAllKinds, Player::Wrong, 0.7, "w3"},
        PickCase{"PersonalBest", kAllKinds, Player::PersonalBest, 0.6, "p2"},
        PickCase{"MinimumTime", kAllKinds, Player::MinimumTime, 0.9, "s1"},
        PickCase{"SchoolBestIsFixed", kAllKinds, Player::SchoolBest, 0.9, "最高1"},
        PickCase{"PassIsFixed", kAllKinds, Player::Pass, 0.9, "合格"},
        PickCase{"WarningIsFixed", kAllKinds, Player::Warning, 0.9, "警告1"},
        // The count decides, not the names that stay from an earlier entry.
        PickCase{"CountOfSecondEntry", "正解音2,a,b,c,*\r\n正解音2,d,*\r\n", Player::Correct, 0.9, "d"},
        // Without a count the pick is among the names the kind has.
        PickCase{"NoCountFirstOfTwenty", "正解音2," + Twenty("f"), Player::Correct, 0.0, "f1"},
        PickCase{"NoCountLastOfTwenty", "正解音2," + Twenty("f"), Player::Correct, 0.99, "f20"},
        PickCase{"NoCountCutShort", "自己最高音2,p1,p2", Player::PersonalBest, 0.6, "p2"},
        PickCase{"CountZeroPlaysNothing", "正解音2,*\r\n", Player::Correct, 0.5, ""},
        PickCase{"KindMissingPlaysNothing", "正解音2,a,*\r\n", Player::MinimumTime, 0.5, ""}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(SoundPick, TwoFilesEachAboutHalf) {
    testing_support::FakePlatform fake;
    SoundFolder folder("正解音2,a,b,*\r\n");
    std::mt19937 engine(12345);
    std::uniform_real_distribution<double> uniform(0.0, 1.0);
    common::SetRandomSource([&] { return uniform(engine); });
    constexpr int kPlays = 4000;
    for (int i = 0; i < kPlays; ++i) fake.Handled(sound::PlayCorrectSound());
    const QStringList names = fake.SoundNames();
    ASSERT_EQ(names.size(), kPlays);
    const auto a = names.count("a");
    EXPECT_EQ(a + names.count("b"), kPlays);
    EXPECT_NEAR(static_cast<double>(a) / kPlays, 0.5, 0.04);
}

// ---- Failure counting ----

// Steps: c correct, w wrong, p personal best, m minimum time, s school best,
// g pass, k warning; lower case = the back end fails, upper case = it plays.
// Expected: one character per step, '!' where the sound error message appears.
struct FailureCase {
    const char* label;
    const char* steps;
    const char* messages;
    int failuresAtEnd;
};

void PrintTo(const FailureCase& c, std::ostream* os) { *os << c.label; }

class SoundFailureCases : public ::testing::TestWithParam<FailureCase> {};

TEST_P(SoundFailureCases, FourthFailureInARowEndsTheProgram) {
    const FailureCase& c = GetParam();
    testing_support::FakePlatform fake;
    SoundFolder folder("正解音2,a,*\r\n間違い音2,b,*\r\n自己最高音2,p,*\r\n不合格音1,m,*\r\n");
    const std::string steps = c.steps;
    ASSERT_EQ(steps.size(), std::string(c.messages).size());
    int expectedMessages = 0;
    for (std::size_t i = 0; i < steps.size(); ++i) {
        const char step = steps[i];
        fake.soundResults.push_back(std::islower(static_cast<unsigned char>(step)) ? 263 : 0);
        switch (std::tolower(static_cast<unsigned char>(step))) {
        case 'c': Play(Player::Correct, fake); break;
        case 'w': Play(Player::Wrong, fake); break;
        case 'p': Play(Player::PersonalBest, fake); break;
        case 'm': Play(Player::MinimumTime, fake); break;
        case 's': Play(Player::SchoolBest, fake); break;
        case 'g': Play(Player::Pass, fake); break;
        case 'k': Play(Player::Warning, fake); break;
        default: FAIL() << "bad step " << step;
        }
        if (c.messages[i] == '!') ++expectedMessages;
        ASSERT_EQ(fake.messages.size(), expectedMessages) << "after step " << i + 1;
        ASSERT_EQ(fake.endCount, expectedMessages) << "after step " << i + 1;
    }
    EXPECT_EQ(runState().SoundFailures, c.failuresAtEnd);
    for (const auto& m : fake.messages) {
        EXPECT_EQ(m.text, "音声がでません。先生を呼びなさい。\r\nfake sound error");
        EXPECT_EQ(m.title, "音声エラー");
        EXPECT_EQ(m.buttons, common::MessageButtons::Ok);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Sequences, SoundFailureCases,
    ::testing::Values(
        FailureCase{"ThreeFailuresAreSilent", "ccc", "...", 3},
        FailureCase{"SuccessResetsThenFourFail", "cccCcccc", ".......!", 3},
        FailureCase{"CorrectAndWrongCountTogether", "wcwc", "...!", 3},
        FailureCase{"EvaluationSuccessesDoNotReset", "cccPMSGKc", "........!", 3},
        FailureCase{"EvaluationFailuresDoNotRaise", "ccpmsgkcW", ".........", 0},
        FailureCase{"WrongSuccessResets", "cccWccc", ".......", 3}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(SoundFailure, KindWithoutFilesCountsAsFailure) {
    testing_support::FakePlatform fake;
    SoundFolder folder("正解音2,*\r\n");
    for (int i = 0; i < 3; ++i) fake.Handled(sound::PlayCorrectSound());
    EXPECT_TRUE(fake.messages.isEmpty());
    EXPECT_EQ(runState().SoundFailures, 3);
    fake.Handled(sound::PlayCorrectSound());
    ASSERT_EQ(fake.messages.size(), 1);
    EXPECT_TRUE(fake.messages[0].text.startsWith("音声がでません。先生を呼びなさい。\r\n"));
    // The reason names the list and the kind so the teacher knows what to fix.
    EXPECT_TRUE(fake.messages[0].text.contains("正解音2")) << fake.messages[0].text.toStdString();
    EXPECT_EQ(fake.endCount, 1);
    EXPECT_TRUE(fake.sounds.isEmpty());
}

// ---- The demo school's sounds ----

TEST(DemoSounds, EveryListedFileIsAShortDistinctWav) {
    QTemporaryDir root;
    QString error;
    ASSERT_TRUE(demo::LayOutSounds(root.path(), {}, error)) << error.toStdString();
    runState().Reset();
    runState().SoundFolder = root.path() + "/CAIdata/音フォルダ/";
    ASSERT_TRUE(sound::LoadSoundTable(error)) << error.toStdString();

    const QByteArray raw = *common::ReadFileBytes(runState().SoundFolder + "新音ファイル.txt");
    EXPECT_TRUE(raw.endsWith("*\r\n"));
    EXPECT_FALSE(raw.contains("\n\n")) << "every line ends with CR LF";

    std::set<QString> files = {"最高1", "合格", "警告1"};
    for (int k = 1; k <= 10; ++k) {
        const auto& kind = soundTable().Kinds[k];
        SCOPED_TRACE(kind.Name.toStdString());
        ASSERT_FALSE(kind.Count.isEmpty());
        const int count = kind.Count.toInt();
        EXPECT_GE(count, (k == 2 || k == 4) ? 2 : 1);
        for (int j = 1; j <= count; ++j) files.insert(kind.Files[j]);
    }
    std::set<QByteArray> contents;
    for (const QString& base : files) {
        const QString path = runState().SoundFolder + base + ".wav";
        SCOPED_TRACE(path.toStdString());
        SF_INFO info{};
        SNDFILE* f = sf_open(QFile::encodeName(path).constData(), SFM_READ, &info);
        ASSERT_NE(f, nullptr) << sf_strerror(nullptr);
        sf_close(f);
        EXPECT_EQ(info.format, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
        const double seconds = static_cast<double>(info.frames) / info.samplerate;
        EXPECT_GT(seconds, 0.1);
        EXPECT_LT(seconds, 2.0);
        contents.insert(QCryptographicHash::hash(*common::ReadFileBytes(path), QCryptographicHash::Sha1));
    }
    EXPECT_EQ(contents.size(), files.size()) << "two sounds are the same file";
}

}  // namespace
