#include "core/common/textfile.h"
#include "core/startup/configuration.h"
#include "core/common/runstate.h"

#include "fakeplatform.h"
#include "core/common/sharedstate.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using common::runState;

namespace {

// ---------------------------------------------------------------- derivation

struct FolderCase {
    const char16_t* programFolder;
    const char16_t* dataRootItem;
    bool dev;
    const char16_t* dataRoot;
    const char16_t* programFolderName;
    const char16_t* programDataFolder;
    const char16_t* soundFolder;
    const char* name;
};

void PrintTo(const FolderCase& c, std::ostream* os) { *os << c.name; }

class FolderDerivation : public ::testing::TestWithParam<FolderCase> {};

TEST_P(FolderDerivation, JoinsNamesAsGiven) {
    const FolderCase& c = GetParam();
    const auto f = startup::DeriveFolders(QString::fromUtf16(c.programFolder),
                                          QString::fromUtf16(c.dataRootItem), c.dev);
    EXPECT_EQ(f.DataRoot, QString::fromUtf16(c.dataRoot));
    EXPECT_EQ(f.ProgramFolderName, QString::fromUtf16(c.programFolderName));
    EXPECT_EQ(f.ProgramDataFolder, QString::fromUtf16(c.programDataFolder));
    EXPECT_EQ(f.SoundFolder, QString::fromUtf16(c.soundFolder));
}

INSTANTIATE_TEST_SUITE_P(
    Installations, FolderDerivation,
    ::testing::Values(
        FolderCase{u"/D/CAI/ローマ字", u"/D/CAIdata/", false, u"/D/CAIdata/", u"ローマ字",
                   u"/D/CAIdata/ローマ字/", u"/D/CAIdata/音フォルダ/", "DataRootWithItsSlash"},
        // Without its trailing '/' every derived name runs into the next.
        FolderCase{u"/D/CAI/ローマ字", u"/D/CAIdata", false, u"/D/CAIdata", u"ローマ字",
                   u"/D/CAIdataローマ字/", u"/D/CAIdata音フォルダ/", "DataRootWithoutItsSlash"},
        // Development layout: the data root hangs off the first component.
        FolderCase{u"/home/dev/VB0006/src/ローマ字", u"/ignored/", true, u"/VB0006/VBベルダなし/",
                   u"ローマ字", u"/home/dev/VB0006/src/ローマ字/", u"/VB0006/VBベルダなし/音フォルダ/",
                   "DevelopmentLayout"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DevLayout, NeedsVB0006WithoutVORLEX) {
    const std::pair<const char16_t*, bool> cases[] = {
        {u"/home/dev/VB0006/ローマ字", true},
        {u"/home/dev/VB0006/VORLEX/ローマ字", false},
        {u"/home/dev/vb0006/ローマ字", false},
        {u"/srv/CAI/ローマ字", false}};
    for (auto [folder, want] : cases)
        EXPECT_EQ(startup::IsDevLayout(QString::fromUtf16(folder)), want) << QString::fromUtf16(folder).toStdString();
}

TEST(ClassroomText, FiveCharacterCodeWhenItReadsAsANumber) {
    const struct { const char16_t *text, *code, *name; } cases[] = {
        {u"01234中央教室", u"01234", u"中央教室"},
        {u"00000中央教室", u"", u"00000中央教室"},
        {u"中央教室", u"", u"中央教室"},
        {u"12345", u"12345", u""},
        {u"", u"", u""},
        // The first five characters are the code, whatever follows the digits.
        {u"12中央教室", u"12中央教", u"室"}};
    for (const auto& c : cases) {
        QString code = QStringLiteral("stale"), name;
        startup::SplitClassroomText(QString::fromUtf16(c.text), code, name);
        EXPECT_EQ(code, QString::fromUtf16(c.code)) << QString::fromUtf16(c.text).toStdString();
        EXPECT_EQ(name, QString::fromUtf16(c.name)) << QString::fromUtf16(c.text).toStdString();
    }
}

// ---------------------------------------------------------- the whole loader

// root/CAI/ローマ字 is the program folder, root/CAI/パスデータ.txt points at
// root/data/, which holds the common settings, an empty sound list and, in
// data/ローマ字/, an empty criteria file.
class LoadConfigurationTest : public ::testing::Test {
public:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        root = dir.path();
        fake.programFolder = root + QStringLiteral("/CAI/ローマ字");
        QDir().mkpath(fake.programFolder);
        QDir().mkpath(root + QStringLiteral("/data/音フォルダ"));
        common::ResetSharedState();
        WritePathFile(lines(root + QStringLiteral("/data/")));
        WriteCommon(QStringLiteral("3\r\n\"01234中央教室\"\r\n1\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n"));
        Write(root + QStringLiteral("/data/音フォルダ/新音ファイル.txt"), QString());
        QDir().mkpath(root + QStringLiteral("/data/ローマ字"));
        Write(root + QStringLiteral("/data/ローマ字/タイム回数データ.txt"), QString());
    }
    static QString lines(const QString& first, int count = 10) {
        QString text = u'"' + first + QStringLiteral("\"\r\n");
        for (int i = 1; i < count; ++i) text += QStringLiteral("\"\"\r\n");
        return text;
    }
    void Write(const QString& path, const QString& text) {
        ASSERT_TRUE(common::WriteShiftJisFile(path, text));
    }
    void WritePathFile(const QString& text) { Write(root + QStringLiteral("/CAI/パスデータ.txt"), text); }
    void WriteCommon(const QString& text) { Write(root + QStringLiteral("/data/共通データ.txt"), text); }

    QTemporaryDir dir;
    QString root;
    testing_support::FakePlatform fake;
};

TEST_F(LoadConfigurationTest, SetsFoldersClassroomAndSettings) {
    QString error;
    ASSERT_TRUE(startup::LoadConfiguration(error, fake.Caution())) << error.toStdString();
    const auto& s = runState();
    EXPECT_EQ(s.DataRoot, root + QStringLiteral("/data/"));
    EXPECT_EQ(s.ProgramFolderName, QStringLiteral("ローマ字"));
    EXPECT_EQ(s.ProgramDataFolder, root + QStringLiteral("/data/ローマ字/"));
    EXPECT_EQ(s.SoundFolder, root + QStringLiteral("/data/音フォルダ/"));
    EXPECT_EQ(s.SchoolCode, QStringLiteral("01234"));
    EXPECT_EQ(s.SchoolName, QStringLiteral("中央教室"));
    EXPECT_EQ(s.ProgramTitle, QStringLiteral("ローマ字"));
    EXPECT_EQ(startup::commonSettings().SchoolYearStartMonth, 3);
    EXPECT_EQ(startup::commonSettings().ListFlagTwo, 1);
}

TEST_F(LoadConfigurationTest, OneLinePathFileWithRelativeRootReadsTheSame) {
    // Relative to the folder of the path file, so the whole tree can move.
    WritePathFile(QStringLiteral("../data/,a,b,c,d,e,f,g,h,i\r\n"));
    QString error;
    ASSERT_TRUE(startup::LoadConfiguration(error, fake.Caution())) << error.toStdString();
    EXPECT_EQ(runState().DataRoot, root + QStringLiteral("/data/"));
    EXPECT_EQ(runState().ProgramDataFolder, root + QStringLiteral("/data/ローマ字/"));
}

TEST_F(LoadConfigurationTest, DevLayoutIgnoresTheDataRootItem) {
    runState().DevLayout = true;
    QString error;
    // The development data root does not exist here: the start-up stops at the
    // common settings there, not at the empty item of the path file.
    WritePathFile(lines(QString()));
    EXPECT_FALSE(startup::LoadConfiguration(error, fake.Caution()));
    EXPECT_TRUE(error.contains(QStringLiteral("/VB0006/VBベルダなし/共通データ.txt"))) << error.toStdString();
}

struct BadInput {
    const char* label;
    std::function<void(LoadConfigurationTest&)> spoil;
    QStringList mustName;
};

void PrintTo(const BadInput& c, std::ostream* os) { *os << c.label; }

class LoadConfigurationErrors : public LoadConfigurationTest,
                                public ::testing::WithParamInterface<BadInput> {};

TEST_P(LoadConfigurationErrors, StopsWithAMessageNamingTheFile) {
    GetParam().spoil(*this);
    QString error;
    EXPECT_FALSE(startup::LoadConfiguration(error, fake.Caution()));
    for (const QString& part : GetParam().mustName)
        EXPECT_TRUE(error.contains(part)) << error.toStdString() << " lacks " << part.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LoadConfigurationErrors,
    ::testing::Values(
        BadInput{"NoPathFile",
                 [](auto& t) { QFile::remove(t.root + QStringLiteral("/CAI/パスデータ.txt")); },
                 {QStringLiteral("パスデータ.txt"), QStringLiteral("No such file")}},
        BadInput{"PathFileNineItems",
                 [](auto& t) { t.WritePathFile(LoadConfigurationTest::lines(t.root + "/data/", 9)); },
                 {QStringLiteral("パスデータ.txt"), QStringLiteral("9 項目")}},
        BadInput{"EmptyDataRoot",
                 [](auto& t) { t.WritePathFile(LoadConfigurationTest::lines(QString())); },
                 {QStringLiteral("パスデータ.txt"), QStringLiteral("空")}},
        BadInput{"DataRootWithoutSlash",
                 [](auto& t) { t.WritePathFile(LoadConfigurationTest::lines(t.root + "/data")); },
                 {QStringLiteral("/data共通データ.txt"), QStringLiteral("No such file"),
                  QStringLiteral("パスデータ.txt")}},
        BadInput{"NoCommonFile",
                 [](auto& t) { QFile::remove(t.root + QStringLiteral("/data/共通データ.txt")); },
                 {QStringLiteral("共通データ.txt")}},
        BadInput{"CommonFileThreeItems",
                 [](auto& t) { t.WriteCommon(QStringLiteral("4,\"中央教室\",0\r\n")); },
                 {QStringLiteral("共通データ.txt"), QStringLiteral("3 項目")}},
        BadInput{"StartMonthOutsideTheYear",
                 [](auto& t) { t.WriteCommon(QStringLiteral("13,\"中央教室\",0,0,0,0,0,0,0,0\r\n")); },
                 {QStringLiteral("共通データ.txt"), QStringLiteral("13")}},
        // A month that only a wrapped integer conversion would take for 4.
        BadInput{"StartMonthBeyondEveryInteger",
                 [](auto& t) { t.WriteCommon(QStringLiteral("4294967300,\"中央教室\",0,0,0,0,0,0,0,0\r\n")); },
                 {QStringLiteral("共通データ.txt"), QStringLiteral("4294967300")}},
        BadInput{"StartMonthFarBeyondAnyNumber",
                 [](auto& t) { t.WriteCommon(QStringLiteral("4e94,\"中央教室\",0,0,0,0,0,0,0,0\r\n")); },
                 {QStringLiteral("共通データ.txt"), QStringLiteral("4e94")}},
        BadInput{"NoCriteriaFile",
                 [](auto& t) { QFile::remove(t.root + QStringLiteral("/data/ローマ字/タイム回数データ.txt")); },
                 {QStringLiteral("タイム回数データ.txt")}},
        BadInput{"NoSoundList",
                 [](auto& t) { QFile::remove(t.root + QStringLiteral("/data/音フォルダ/新音ファイル.txt")); },
                 {QStringLiteral("新音ファイル.txt")}}),
    [](const auto& info) { return std::string(info.param.label); });

// A sound list that gives no answer sound lets the start-up go on (the
// fourth failed answer sound still ends the program), but a teacher is told
// at once, before a pupil meets it.
struct SoundListCase {
    const char* label;
    QByteArray bytes;
    const char* missing;  // the kinds named, or nothing when there is no message
};

class SoundListAtStartUp : public LoadConfigurationTest,
                           public ::testing::WithParamInterface<SoundListCase> {};

TEST_P(SoundListAtStartUp, MissingAnswerSoundsAreReportedOnce) {
    const SoundListCase& c = GetParam();
    QFile f(root + QStringLiteral("/data/音フォルダ/新音ファイル.txt"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(c.bytes);
    f.close();
    QString error;
    ASSERT_TRUE(startup::LoadConfiguration(error, fake.Caution())) << error.toStdString();
    EXPECT_EQ(fake.endCount, 0);
    if (!c.missing) {
        EXPECT_TRUE(fake.messages.isEmpty());
        return;
    }
    ASSERT_EQ(fake.messages.size(), 1);
    EXPECT_EQ(fake.messages[0].title, QStringLiteral("注意"));
    const QString text = fake.messages[0].text;
    EXPECT_TRUE(text.contains(root + QStringLiteral("/data/音フォルダ/新音ファイル.txt"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QString::fromUtf8(c.missing))) << text.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Lists, SoundListAtStartUp,
    ::testing::Values(
        SoundListCase{"Complete", common::ToShiftJis(QStringLiteral("正解音2,a,b,*\r\n間違い音2,c,*\r\n")), nullptr},
        SoundListCase{"WithoutCount", common::ToShiftJis(QStringLiteral("間違い音2,c,*\r\n正解音2,a\r\n")), nullptr},
        SoundListCase{"Empty", QByteArray(""), "正解音2、間違い音2"},
        SoundListCase{"Garbled", QByteArray("\x93\xfa\x96\x7b\x8c\xea,\xff\xfe,*\r\n"), "正解音2、間違い音2"},
        SoundListCase{"Utf8", QStringLiteral("正解音2,a,*\r\n間違い音2,c,*\r\n").toUtf8(), "正解音2、間違い音2"},
        SoundListCase{"OnlyTheCorrectSound", common::ToShiftJis(QStringLiteral("正解音2,a,*\r\n")), "間違い音2"},
        SoundListCase{"CountOfNothing", common::ToShiftJis(QStringLiteral("正解音2,a,*\r\n間違い音2,*\r\n")),
                      "間違い音2"}),
    [](const auto& info) { return std::string(info.param.label); });

}  // namespace
