// romaji-admin init, roster import / export and teacher-pin, run as an
// administrator runs them: what they write, what they refuse, and that a
// refusal changes nothing.
#include "admintool.h"
#include "core/common/runstate.h"
#include "core/common/textfile.h"
#include "filebytes.h"
#include "core/menus/teacherpin.h"
#include "core/sound/sound.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <map>

namespace {

using testing_support::FileBytes;
using testing_support::RunAdmin;
using testing_support::RunAdminWithInput;
using testing_support::WriteFileBytes;

// Every file below root with its bytes.
std::map<QString, QByteArray> Snapshot(const QString& root) {
    std::map<QString, QByteArray> files;
    QDirIterator it(root, QDir::Files | QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        files[path] = QFileInfo(path).isDir() ? QByteArray("folder") : FileBytes(path);
    }
    return files;
}

// The administrator's folder (/etc/romaji) of one test: never the machine's own.
class ConfigFolder {
public:
    ConfigFolder() { qputenv("ROMAJI_CONFIG_DIR", QFile::encodeName(dir_.path())); }
    ~ConfigFolder() { qunsetenv("ROMAJI_CONFIG_DIR"); }
    QString Path(const QString& name) const { return dir_.filePath(name); }

private:
    QTemporaryDir dir_;
};

class InitTest : public ::testing::Test {
protected:
    QString Root() const { return dir_.filePath(QStringLiteral("CAIdata")); }
    testing_support::ProcessRun Init(const QStringList& options = {}) {
        return RunAdmin(QStringList{QStringLiteral("init"), Root()} + options);
    }
    QTemporaryDir dir_;
    ConfigFolder config_;
};

TEST_F(InitTest, LaysOutASchoolTheProgramReadsWithTheInstalledDefaults) {
    const auto run = Init({QStringLiteral("--code"), QStringLiteral("01234"), QStringLiteral("--name"),
                           QStringLiteral("中央教室"), QStringLiteral("--start-month"), QStringLiteral("9")});
    ASSERT_EQ(run.exitCode, 0) << run.out.toStdString() << run.err.toStdString();
    EXPECT_TRUE(run.out.contains(QStringLiteral("新しい学校を作りました: ") + Root())) << run.out.toStdString();

    const QString root = Root() + u'/';
    EXPECT_EQ(FileBytes(root + QStringLiteral("共通データ.txt")),
              common::ToShiftJis(QStringLiteral("9\r\n\"01234中央教室\"\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n")));
    EXPECT_EQ(FileBytes(root + QStringLiteral("新名簿.txt")),
              common::ToShiftJis(QStringLiteral("5000,1990,0,0,\"先生\",0,\"\",\"\"\r\n")));

    // The sounds and the criteria are the installed default files, byte for byte.
    const QString defaults = QStringLiteral(ROMAJI_DEFAULT_DATA "/");
    QDirIterator it(defaults, QDir::Files, QDirIterator::Subdirectories);
    int files = 0;
    while (it.hasNext()) {
        const QString path = it.next();
        const QString relative = path.mid(defaults.size());
        EXPECT_EQ(FileBytes(root + relative), FileBytes(path)) << relative.toStdString();
        ++files;
    }
    EXPECT_GE(files, 10);

    // The program reads all of it: the check finds nothing, the sound list loads.
    const auto check = RunAdmin({QStringLiteral("check"), Root()});
    EXPECT_EQ(check.exitCode, 0) << check.out.toStdString();
    common::runState().SoundFolder = root + QStringLiteral("音フォルダ/");
    QString error;
    EXPECT_TRUE(sound::LoadSoundTable(error)) << error.toStdString();
    EXPECT_GE(sound::soundTable().Kinds[2].Count.toInt(), 1);
    common::runState().Reset();

    // Without --path-file no path file is written; the report says how to.
    EXPECT_FALSE(QFile::exists(config_.Path(QStringLiteral("パスデータ.txt"))));
    EXPECT_TRUE(run.out.contains(QStringLiteral("--path-file"))) << run.out.toStdString();
}

TEST_F(InitTest, PathFileGetsTheDataRootAndKeepsItsOtherItems) {
    const QString pathFile = config_.Path(QStringLiteral("パスデータ.txt"));
    ASSERT_TRUE(WriteFileBytes(pathFile, common::ToShiftJis(QStringLiteral(
                                             "\"/srv/CAIdata/\"\r\n\"二\"\r\n\"\"\r\n\"\"\r\n\"\"\r\n\"\"\r\n\"\"\r\n\"\"\r\n\"\"\r\n\"十\"\r\n"))));
    const auto run = Init({QStringLiteral("--path-file")});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(*common::ReadShiftJisFile(pathFile),
              u'"' + Root() + QStringLiteral("/\"\r\n\"二\"\r\n\"\"\r\n\"\"\r\n\"\"\r\n\"\"\r\n\"\"\r\n\"\"\r\n\"\"\r\n\"十\"\r\n"));
}

// A folder that holds any part of a school is left as it is.
TEST_F(InitTest, RefusesAFolderThatHoldsASchool) {
    for (const char16_t* part : {u"共通データ.txt", u"新名簿.txt", u"音フォルダ", u"ローマ字"}) {
        QDir(Root()).removeRecursively();
        ASSERT_TRUE(QDir().mkpath(Root()));
        const QString path = Root() + u'/' + QString::fromUtf16(part);
        if (path.endsWith(QStringLiteral(".txt")))
            ASSERT_TRUE(WriteFileBytes(path, "old"));
        else
            ASSERT_TRUE(QDir().mkpath(path));
        const auto before = Snapshot(Root());
        const auto run = Init();
        EXPECT_EQ(run.exitCode, 1) << QString::fromUtf16(part).toStdString();
        EXPECT_TRUE(run.err.contains(QStringLiteral("学校がもうあります"))) << run.err.toStdString();
        EXPECT_TRUE(run.err.contains(QString::fromUtf16(part))) << run.err.toStdString();
        EXPECT_EQ(Snapshot(Root()), before);
    }
}

// Settings the program would read back otherwise are refused before anything is made.
TEST_F(InitTest, RefusesSettingsTheProgramWouldReadOtherwise) {
    const struct {
        QStringList options;
        const char* message;
    } cases[] = {
        {{QStringLiteral("--code"), QStringLiteral("1234")}, "教室コードは数字 5 けたです"},
        {{QStringLiteral("--code"), QStringLiteral("00000"), QStringLiteral("--name"), QStringLiteral("本校")},
         "00000 にできません"},
        {{QStringLiteral("--name"), QStringLiteral("3組")}, "--code で教室コードも付けてください"},
        {{QStringLiteral("--name"), QStringLiteral("𠮷田教室")}, "Shift-JIS にない文字"},
        {{QStringLiteral("--start-month"), QStringLiteral("13")}, "1～12"},
    };
    for (const auto& c : cases) {
        const auto run = Init(c.options);
        EXPECT_EQ(run.exitCode, 1) << c.options.join(u' ').toStdString();
        EXPECT_TRUE(run.err.contains(QString::fromUtf8(c.message))) << run.err.toStdString();
        EXPECT_FALSE(QFileInfo::exists(Root()));
    }
}

// ---- roster import ----

// The roster the good files below make.
const QString kImported = QStringLiteral(
    "1,2018,0,0,\"青木　ひなた\",0,\"\",\"\"\r\n"
    "2,2017,0,0,\"石川, そうた\",2,\"\",\"\"\r\n"
    "5000,1990,0,0,\"先生\",0,\"\",\"\"\r\n");

const QString kGoodRows = QStringLiteral(
    "番号,名前,生まれ年度,表示区分\r\n"
    "1,青木　ひなた,2018,0\r\n"
    "2,\"石川, そうた\",2017,2\r\n"
    "5000,先生,1990,0\r\n");

QByteArray Utf8(const QString& text) { return text.toUtf8(); }

struct ImportCase {
    const char* name;
    QByteArray csv;
    int exitCode;
    const char* encoding;  // as the report names it; empty: none told
    QString message;       // in the errors; empty for a written roster
};

void PrintTo(const ImportCase& c, std::ostream* os) { *os << c.name; }

const ImportCase kImportCases[] = {
    {"Utf8WithBom", "\xEF\xBB\xBF" + Utf8(kGoodRows), 0, "UTF-8（BOM 付き）", {}},
    // English headings in another order, LF line ends, an empty row a spreadsheet left.
    {"Utf8OtherOrder",
     Utf8(QStringLiteral("name,Number,listing flag,birth year\n青木　ひなた,1,0,2018\n\"石川, そうた\",2,2,2017\n"
                         ",,,\n先生,5000,,1990\n")),
     0, "UTF-8", {}},
    {"ShiftJis", common::ToShiftJis(kGoodRows), 0, "Shift-JIS", {}},
    {"DuplicateNumber", Utf8(QStringLiteral("番号,名前,生まれ年度,表示区分\n1,あ,2018,0\n2,い,2018,0\n1,う,2018,0\n")), 1,
     "UTF-8", QStringLiteral("4行目：番号 1 は 2行目にもあります。")},
    {"NumberZero", Utf8(QStringLiteral("番号,名前,生まれ年度,表示区分\n0,あ,2018,0\n")), 1, "UTF-8",
     QStringLiteral("2行目：番号「0」は 1～5000 の整数でなければなりません。")},
    {"Number5001", Utf8(QStringLiteral("番号,名前,生まれ年度,表示区分\n1,あ,2018,0\n5001,い,2018,0\n")), 1, "UTF-8",
     QStringLiteral("3行目：番号「5001」は 1～5000 の整数でなければなりません。")},
    {"NameShiftJisCannotHold", Utf8(QStringLiteral("番号,名前,生まれ年度,表示区分\n1,𠮷田　はな,2018,0\n")), 1,
     "UTF-8", QStringLiteral("2行目：名前「𠮷田　はな」に Shift-JIS にない文字「𠮷」があります。")},
    {"NameTooLong", Utf8(QStringLiteral("番号,名前,生まれ年度,表示区分\n1,あいうえおかきくけこさしすせそたちつてとな,2018,0\n")),
     1, "UTF-8", QStringLiteral("は 21 文字です。プログラムは 20 文字までしか持てません。")},
    {"TwoDigitYear", Utf8(QStringLiteral("番号,名前,生まれ年度,表示区分\n1,あ,18,0\n")), 1, "UTF-8",
     QStringLiteral("2行目：生まれ年度「18」は西暦 4 けたの数でなければなりません。")},
    {"MissingColumn", Utf8(QStringLiteral("番号,名前,生まれ年度\n1,あ,2018\n")), 1, "UTF-8",
     QStringLiteral("1行目：見出しに 表示区分 の列がありません。")},
    {"UnclosedQuote", Utf8(QStringLiteral("番号,名前,生まれ年度,表示区分\n1,\"あ,2018,0\n")), 1, "UTF-8",
     QStringLiteral("2行目：ダブルクォーテーション（\"）の囲みが閉じていません。")},
    {"EmptyFile", QByteArray(), 1, "", QStringLiteral("ファイルが空です。")},
    {"BlankLinesOnly", QByteArray("\xEF\xBB\xBF\r\n,,,\r\n"), 1, "UTF-8（BOM 付き）", QStringLiteral("ファイルが空です。")},
    {"NeitherUtf8NorShiftJis", QByteArray("\xEF\xBB\xBF\xFF\xFE"), 1, "", QStringLiteral("文字コードが読めません。")},
};

class RosterImportTest : public ::testing::TestWithParam<ImportCase> {};

TEST_P(RosterImportTest, WritesTheRosterOrNothing) {
    QTemporaryDir dir;
    ConfigFolder config;
    const QString root = dir.filePath(QStringLiteral("CAIdata"));
    ASSERT_EQ(RunAdmin({QStringLiteral("init"), root}).exitCode, 0);
    const QString roster = root + QStringLiteral("/新名簿.txt");
    const QByteArray old = FileBytes(roster);
    const QString csv = dir.filePath(QStringLiteral("名簿.csv"));
    ASSERT_TRUE(WriteFileBytes(csv, GetParam().csv));

    // Given the program's data folder: the roster goes to the data root above it.
    const auto run = RunAdmin({QStringLiteral("roster"), QStringLiteral("import"), csv, root + QStringLiteral("/ローマ字")});
    EXPECT_EQ(run.exitCode, GetParam().exitCode) << run.out.toStdString() << run.err.toStdString();
    if (*GetParam().encoding) {
        EXPECT_TRUE(run.out.contains(QStringLiteral("を %1 として読みました").arg(QString::fromUtf8(GetParam().encoding))))
            << run.out.toStdString();
    } else {
        EXPECT_FALSE(run.out.contains(QStringLiteral("として読みました"))) << run.out.toStdString();
    }
    if (GetParam().exitCode == 0) {
        EXPECT_EQ(common::FromShiftJis(FileBytes(roster)), kImported);
        EXPECT_EQ(FileBytes(root + QStringLiteral("/新名簿.bak")), old);
        EXPECT_TRUE(run.out.contains(QStringLiteral("に 3 件を書きました（名前の一覧に出るのは 2 件）"))) << run.out.toStdString();
        EXPECT_EQ(RunAdmin({QStringLiteral("check"), root}).exitCode, 0);
    } else {
        EXPECT_TRUE(run.err.contains(GetParam().message)) << run.err.toStdString();
        EXPECT_TRUE(run.err.contains(QStringLiteral("何も書いていません。新名簿.txt は前のままです。")));
        EXPECT_EQ(FileBytes(roster), old);
        EXPECT_FALSE(QFile::exists(root + QStringLiteral("/新名簿.bak")));
    }
}

INSTANTIATE_TEST_SUITE_P(Admin, RosterImportTest, ::testing::ValuesIn(kImportCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Every bad row is named, not only the first; the teacher's row missing is worth a word.
TEST(RosterImport, NamesEveryBadRowAndWarnsOfNoTeacher) {
    QTemporaryDir dir;
    ConfigFolder config;
    const QString root = dir.filePath(QStringLiteral("CAIdata"));
    ASSERT_EQ(RunAdmin({QStringLiteral("init"), root}).exitCode, 0);
    const QString csv = dir.filePath(QStringLiteral("名簿.csv"));
    ASSERT_TRUE(WriteFileBytes(csv, Utf8(QStringLiteral("番号,名前,生まれ年度,表示区分\n0,あ,2018,0\n2,\"い\"\"\",2018,x\n"))));
    auto run = RunAdmin({QStringLiteral("roster"), QStringLiteral("import"), csv, root});
    EXPECT_EQ(run.exitCode, 1);
    for (const char* text : {"2行目：番号「0」", "3行目：名前「い\"」にダブルクォーテーション", "3行目：表示区分「x」"})
        EXPECT_TRUE(run.err.contains(QString::fromUtf8(text))) << text << run.err.toStdString();

    ASSERT_TRUE(WriteFileBytes(csv, Utf8(QStringLiteral("番号,名前,生まれ年度,表示区分\n1,あ,2018,0\n"))));
    run = RunAdmin({QStringLiteral("roster"), QStringLiteral("import"), csv, root});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_TRUE(run.out.contains(QStringLiteral("注意: 名前が「先生」の行がありません"))) << run.out.toStdString();
}

// Export, then import of the export: the roster comes back byte for byte,
// its four fields that nothing reads included.
TEST(RosterExport, ImportOfTheExportGivesTheSameRoster) {
    QTemporaryDir dir;
    const QString root = dir.filePath(QStringLiteral("CAIdata"));
    ASSERT_TRUE(QDir().mkpath(root));
    const QByteArray roster = common::ToShiftJis(QStringLiteral(
        "1,2018,3,-4,\"青木　ひなた\",0,\"メモ, 一\",\"\"\r\n"
        "7,2010,0,0,\"ＡＢＣ①\",1,\"\",\"二\"\r\n"
        "5000,1990,0,0,\"先生\",0,\"\",\"\"\r\n"));
    ASSERT_TRUE(WriteFileBytes(root + QStringLiteral("/新名簿.txt"), roster));
    const QString csv = dir.filePath(QStringLiteral("名簿.csv"));
    const auto exported = RunAdmin({QStringLiteral("roster"), QStringLiteral("export"), csv, root});
    ASSERT_EQ(exported.exitCode, 0) << exported.err.toStdString();
    EXPECT_TRUE(exported.out.contains(QStringLiteral("の 3 件を"))) << exported.out.toStdString();
    EXPECT_TRUE(FileBytes(csv).startsWith(QByteArray("\xEF\xBB\xBF") +
                                          Utf8(QStringLiteral("番号,名前,生まれ年度,表示区分,予備の数1,予備の数2,予備の文字1,予備の文字2\r\n"
                                                              "1,青木　ひなた,2018,0,3,-4,\"メモ, 一\",\r\n"))));
    ASSERT_TRUE(WriteFileBytes(root + QStringLiteral("/新名簿.txt"), "garbage"));
    const auto imported = RunAdmin({QStringLiteral("roster"), QStringLiteral("import"), csv, root});
    ASSERT_EQ(imported.exitCode, 0) << imported.err.toStdString();
    EXPECT_EQ(FileBytes(root + QStringLiteral("/新名簿.txt")), roster);
}

// ---- teacher-pin ----

TEST(TeacherPin, StoresASlowHashNeverThePinAndClearsIt) {
    ConfigFolder config;
    const QString file = config.Path(QStringLiteral("teacher-pin"));
    for (const QByteArray& bad : {QByteArray("12a4\n"), QByteArray("123\n"), QByteArray("12345678901234567\n"), QByteArray()}) {
        const auto run = RunAdminWithInput({QStringLiteral("teacher-pin"), QStringLiteral("set")}, bad);
        EXPECT_EQ(run.exitCode, 1) << bad.toStdString();
        EXPECT_FALSE(QFileInfo::exists(file));
    }

    const auto set = RunAdminWithInput({QStringLiteral("teacher-pin"), QStringLiteral("set")}, "4082\n");
    ASSERT_EQ(set.exitCode, 0) << set.err.toStdString();
    EXPECT_FALSE((set.out + set.err).contains(QStringLiteral("4082")));
    const QFileInfo info(file);
    EXPECT_EQ(info.permissions() & 0x7777,
              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadUser | QFileDevice::WriteUser |
                  QFileDevice::ReadGroup | QFileDevice::ReadOther);
    const QByteArray stored = FileBytes(file);
    EXPECT_TRUE(stored.startsWith("$argon2id$")) << stored.toStdString();
    EXPECT_FALSE(stored.contains("4082"));
    const menus::TeacherPin pin = menus::ReadTeacherPin();
    ASSERT_EQ(pin.State, menus::PinState::Set);
    EXPECT_TRUE(menus::PinMatches(QStringLiteral("4082"), pin.Hash));
    EXPECT_FALSE(menus::PinMatches(QStringLiteral("4083"), pin.Hash));
    // Set again: a new salt, so the same PIN is stored differently.
    ASSERT_EQ(RunAdminWithInput({QStringLiteral("teacher-pin"), QStringLiteral("set")}, "4082\n").exitCode, 0);
    EXPECT_NE(FileBytes(file), stored);

    const auto clear = RunAdmin({QStringLiteral("teacher-pin"), QStringLiteral("clear")});
    EXPECT_EQ(clear.exitCode, 0);
    EXPECT_FALSE(QFileInfo::exists(file));
    EXPECT_EQ(menus::ReadTeacherPin().State, menus::PinState::None);
    EXPECT_EQ(RunAdmin({QStringLiteral("teacher-pin"), QStringLiteral("clear")}).exitCode, 0);
}

}  // namespace
