// romaji-admin check against the demo school with one fault or several put
// into it: the exit code, each fault named, and nothing changed.
#include "admintool.h"
#include "demoschool.h"
#include "core/common/textfile.h"
#include "core/results/journal.h"
#include "core/results/resultsfile.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <map>

namespace {

using testing_support::RunAdmin;

void AppendBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::Append));
    f.write(bytes);
}

// A run's record with its date and time as stored values, so that values no
// run can write can be given too.
QByteArray Record(int pupil, int level, double date, double time = 0.5) {
    results::CumulativeRecord r = results::RecordOfRun(QDateTime(), static_cast<std::int16_t>(pupil),
                                                       static_cast<std::int16_t>(level), 40, QStringLiteral("01234"));
    r.RecordDate = date;
    r.RecordTime = time;
    return results::EncodeRecord(r);
}

constexpr double kSomeDay = 46000;  // 2025-12-09

// A sound journal of `content` beside the results file.
void WriteJournal(const QString& data, const QByteArray& content, results::JournalOp op, qint64 number) {
    results::JournalHeader h;
    h.Op = op;
    h.RecordNumber = number;
    h.Nonce = results::NewJournalNonce();
    QFile f(data + QStringLiteral("成績累積データ.dat-journal"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(results::JournalHeaderBytes(h, content) + content);
}

// Every file below root with its bytes: what a check must leave as it was.
std::map<QString, QByteArray> Snapshot(const QString& root) {
    std::map<QString, QByteArray> files;
    QDirIterator it(root, QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile f(path);
        files[path] = f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("unreadable");
    }
    return files;
}

using CheckTest = testing_support::DemoSchoolTest;

// One row: what is done to the demo school, the exit code, the texts the
// report must hold.
struct Case {
    const char* name;
    std::function<void(CheckTest&, const QString& data, const QString& root)> spoil;
    int exitCode;
    std::vector<const char*> texts;
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

const Case kCases[] = {
    {"CleanDemoSchool", [](CheckTest&, const QString&, const QString&) {}, 0,
     {"記録 ", "正しく読めました（レベル 1～15）", "結果: 問題はありません"}},
    {"PartialTail",
     [](CheckTest&, const QString& data, const QString&) {
         AppendBytes(data + QStringLiteral("成績累積データ.dat"), Record(5, 3, kSomeDay).left(20));
     },
     1, {"半端な 20 バイト"}},
    {"Level40",
     [](CheckTest&, const QString& data, const QString&) {
         AppendBytes(data + QStringLiteral("成績累積データ.dat"), Record(5, 40, kSomeDay));
     },
     1, {"レベル 40（レベルは 0～35）", "レベルが 0～35 の外 1 件"}},
    {"Pupil6000",
     [](CheckTest&, const QString& data, const QString&) {
         AppendBytes(data + QStringLiteral("成績累積データ.dat"), Record(6000, 3, kSomeDay));
     },
     1, {"生徒番号 6000（生徒番号は 0～5000）", "生徒番号が 0～5000 の外 1 件"}},
    {"NegativeResult",
     [](CheckTest&, const QString& data, const QString&) {
         QByteArray record = Record(5, 3, kSomeDay);
         qToLittleEndian<std::int32_t>(-5, record.data() + 20);
         AppendBytes(data + QStringLiteral("成績累積データ.dat"), record);
     },
     1, {"結果が負の値 -5 秒", "結果が負 1 件"}},
    {"NegativeDate",
     [](CheckTest&, const QString& data, const QString&) {
         AppendBytes(data + QStringLiteral("成績累積データ.dat"), Record(5, 3, -2));
     },
     1, {"日付が負の値 -2"}},
    {"ImpossibleDates",
     [](CheckTest&, const QString& data, const QString&) {
         const QString file = data + QStringLiteral("成績累積データ.dat");
         AppendBytes(file, Record(5, 3, std::numeric_limits<double>::quiet_NaN()));
         AppendBytes(file, Record(5, 3, 1e300));
         AppendBytes(file, Record(5, 3, kSomeDay + 0.25, 0.25));  // the date holds a time
         AppendBytes(file, Record(5, 3, kSomeDay, 1.5));          // a time past the day
     },
     1, {"ありえない日付・時刻 4 件"}},
    // A copy under the name older versions used: harmless, never read.
    {"StaleCopyUnderTheOldName",
     [](CheckTest&, const QString& data, const QString&) {
         QFile::copy(data + QStringLiteral("成績累積データ.dat"), data + QStringLiteral("成績累積データtemp.dat"));
     },
     0, {"成績累積データtemp.dat があります", "害はありません", "結果: 問題はありません"}},
    {"JournalOfAnotherFile",
     [](CheckTest&, const QString& data, const QString&) {
         WriteJournal(data, Record(5, 3, kSomeDay), results::JournalOp::Delete, 1);
     },
     1, {"成績累積データ.dat-journal はジャーナルとして使えません", "書き換えの途中の形ではありません"}},
    {"FolderUnderTheJournalsName",
     [](CheckTest&, const QString& data, const QString&) {
         QDir().mkpath(data + QStringLiteral("成績累積データ.dat-journal"));
     },
     1, {"ジャーナルとして使えません（ファイルではありません）"}},
    {"JournalSetAsideEarlier",
     [](CheckTest&, const QString& data, const QString&) {
         AppendBytes(data + QStringLiteral("成績累積データ.dat-journal.20251209-101500"), "x");
         AppendBytes(data + QStringLiteral("成績変更記録.txt"),
                     common::ToShiftJis(QStringLiteral("\"2025/12/09 10:15:00\",\"pc2\",\"山田\",\"ジャーナル退避\",0,"
                                                       "\"チェックサムが合いません\",\"成績累積データ.dat-journal.20251209-101500\"\r\n")));
     },
     1, {"成績累積データ.dat-journal.20251209-101500 は使えなかったジャーナル",
         "2025/12/09 10:15:00 pc2: ジャーナルを 成績累積データ.dat-journal.20251209-101500 にして残しました"}},
    {"EveryFaultAtOnce",
     [](CheckTest&, const QString& data, const QString&) {
         const QString file = data + QStringLiteral("成績累積データ.dat");
         QFile::copy(file, data + QStringLiteral("成績累積データtemp.dat"));
         AppendBytes(file, Record(5, 40, kSomeDay));
         AppendBytes(file, Record(6000, 3, kSomeDay));
         AppendBytes(file, Record(5, 3, kSomeDay).left(7));
     },
     1,
     {"半端な 7 バイト", "レベル 40（", "生徒番号 6000（", "成績累積データtemp.dat があります",
      "結果: 「注意」の行を確かめてください"}},
    {"RosterEndsInsideAnEntry",
     [](CheckTest&, const QString&, const QString& root) {
         AppendBytes(root + QStringLiteral("新名簿.txt"), "900,2015,0,0,");
     },
     1, {"新名簿.txt", "件目の途中で終わっています"}},
    {"RosterEntryOutsideTheTables",
     [](CheckTest&, const QString&, const QString& root) {
         AppendBytes(root + QStringLiteral("新名簿.txt"), "7000,2015,0,0,\"x\",0,\"\",\"\"\r\n");
     },
     1, {"読み飛ばされる件が 1 件", "行目：番号「7000」"}},
    {"CriteriaShort",
     [](CheckTest&, const QString& data, const QString&) {
         QFile f(data + QStringLiteral("タイム回数データ.txt"));
         ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
         f.write("a,b,c,d,e,f,g,h,i,,,\r\n30,60,20,2,1.5,,,7,3,,,\r\n0,60,20,2,1.5,,,7,3,,,\r\n");
     },
     1, {"レベル 3 から先の項目が足りません", "レベル 2 の目標タイムが 0 です"}},
    {"CriteriaMissing",
     [](CheckTest&, const QString& data, const QString&) {
         QFile::remove(data + QStringLiteral("タイム回数データ.txt"));
     },
     2, {"読めません: タイム回数データ.txt が読めません", "結果: 読めないファイルがあります"}},
    {"RosterMissing",
     [](CheckTest&, const QString&, const QString& root) { QFile::remove(root + QStringLiteral("新名簿.txt")); },
     2, {"新名簿.txt:\n  読めません"}},
    {"ResultsFileIsAFolder",
     [](CheckTest&, const QString& data, const QString&) {
         const QString file = data + QStringLiteral("成績累積データ.dat");
         QFile::remove(file);
         QDir().mkpath(file);
     },
     2, {"成績累積データ.dat:\n  読めません"}},
    {"CommonSettingsBadMonth",
     [](CheckTest&, const QString&, const QString& root) {
         QFile f(root + QStringLiteral("共通データ.txt"));
         ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
         f.write("13,\"x\",0,0,0,0,0,0,0,0\r\n");
     },
     1, {"学年の始まる月"}},
};

class CheckCases : public CheckTest, public ::testing::WithParamInterface<Case> {};

TEST_P(CheckCases, ExitCodeAndEveryFaultNamed) {
    const Case& c = GetParam();
    c.spoil(*this, Data(), Root());
    const auto before = Snapshot(dir_.path());
    const auto run = RunAdmin({QStringLiteral("check"), Data()});
    EXPECT_EQ(run.exitCode, c.exitCode) << run.out.toStdString() << run.err.toStdString();
    for (const char* text : c.texts)
        EXPECT_TRUE(run.out.contains(QString::fromUtf8(text)))
            << "missing: " << text << "\n" << run.out.toStdString();
    EXPECT_EQ(Snapshot(dir_.path()), before) << "the check changed a file";
}

INSTANTIATE_TEST_SUITE_P(Admin, CheckCases, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(CheckTest, MissingResultsFileIsReportedAndNotCreated) {
    QFile::remove(Results());
    const auto run = RunAdmin({QStringLiteral("check"), Data()});
    EXPECT_EQ(run.exitCode, 0) << run.out.toStdString();
    EXPECT_TRUE(run.out.contains(QStringLiteral("まだありません")));
    EXPECT_FALSE(QFileInfo::exists(Results()));
}

TEST_F(CheckTest, FindsTheDataFolderThroughThePathFileLikeTheProgram) {
    // The tool beside the program in the demo's program folder; the path
    // file above it names the data root relatively.
    const QString program = dir_.path() + QStringLiteral("/CAI/ローマ字/romaji-admin");
    ASSERT_TRUE(QFile::copy(QStringLiteral(ROMAJI_ADMIN), program));
    AppendBytes(Results(), Record(6000, 3, kSomeDay));
    const auto run = RunAdmin({QStringLiteral("check")}, program);
    EXPECT_EQ(run.exitCode, 1) << run.out.toStdString() << run.err.toStdString();
    EXPECT_TRUE(run.out.contains(QDir::cleanPath(Data()))) << run.out.toStdString();
    EXPECT_TRUE(run.out.contains(QStringLiteral("生徒番号 6000")));

    QFile::remove(dir_.path() + QStringLiteral("/CAI/パスデータ.txt"));
    const auto lost = RunAdmin({QStringLiteral("check")}, program);
    EXPECT_EQ(lost.exitCode, 2);
    EXPECT_TRUE(lost.err.contains(QStringLiteral("パスデータ.txt が読めません"))) << lost.err.toStdString();
}

// A deletion stopped half-way: the check counts the records as they were
// committed (the journal's content), says the journal will be put back, and
// changes nothing.
TEST_F(CheckTest, AHotJournalIsCountedAsCommittedAndLeftAlone) {
    QFile f(Results());
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray old = f.readAll();
    f.close();
    ASSERT_GT(old.size(), 2 * results::kRecordSize);
    WriteJournal(Data(), old, results::JournalOp::Delete, 1);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(old.mid(results::kRecordSize) + old.right(results::kRecordSize));  // moved up, not yet cut
    f.close();
    const auto before = Snapshot(dir_.path());
    const auto run = RunAdmin({QStringLiteral("check"), Data()});
    EXPECT_EQ(run.exitCode, 1) << run.out.toStdString();
    EXPECT_TRUE(run.out.contains(QStringLiteral("記録 %1 件").arg(old.size() / results::kRecordSize))) << run.out.toStdString();
    EXPECT_TRUE(run.out.contains(QStringLiteral("止まっています"))) << run.out.toStdString();
    EXPECT_EQ(Snapshot(dir_.path()), before);
}

TEST(AdminCommandLine, HelpInJapaneseAndEnglishAndWrongUse) {
    const auto help = RunAdmin({QStringLiteral("--help")});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.contains(QStringLiteral("使い方 / Usage:")));
    EXPECT_TRUE(help.out.contains(QStringLiteral("何も変えません")));
    EXPECT_TRUE(help.out.contains(QStringLiteral("It changes nothing")));

    struct Wrong {
        QStringList args;
        const char* says;
    };
    for (const Wrong& w : {Wrong{{}, "no command given"},
                           Wrong{{QStringLiteral("repair")}, "unknown command: repair"},
                           Wrong{{QStringLiteral("check"), QStringLiteral("/nonexistent/ローマ字")}, "no such data folder"},
                           Wrong{{QStringLiteral("export"), QStringLiteral("/tmp")}, "-o FILE.csv is missing"},
                           Wrong{{QStringLiteral("check"), QStringLiteral("--fix")}, "unknown option: --fix"}}) {
        const auto run = RunAdmin(w.args);
        EXPECT_EQ(run.exitCode, 2) << w.says;
        EXPECT_TRUE(run.err.contains(QString::fromUtf8(w.says))) << run.err.toStdString();
    }
}

}  // namespace
