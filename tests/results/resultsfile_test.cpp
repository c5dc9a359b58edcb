#include "core/results/resultsfile.h"

#include "fakeplatform.h"
#include "core/results/criteria.h"
#include "core/results/statistics.h"
#include "core/common/runstate.h"
#include "core/common/sharedstate.h"
#include "filebytes.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace {

void WriteAll(const QString& path, const QByteArray& bytes) {
    ASSERT_TRUE(testing_support::WriteFileBytes(path, bytes)) << path.toStdString();
}

class ResultsFile : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        common::ResetSharedState();
        common::RunState& rs = common::runState();
        rs.ProgramTitle = QStringLiteral("ローマ字");
        rs.ProgramDataFolder = dir.path() + u'/';
        rs.SchoolCode = QStringLiteral("01234");
        rs.CurrentPupil = 1234;
        rs.CurrentLevel = 7;
        rs.ResultTime = 61;
        fake.now = QDateTime(QDate(2024, 5, 1), QTime(10, 5, 30, 250));
    }
    void TearDown() override { common::ResetSharedState(); }
    QString File() const { return results::ResultsFilePath(); }

    QTemporaryDir dir;
    testing_support::FakePlatform fake;
};

// --- the record ---

TEST_F(ResultsFile, GoldenRecordEveryFieldAtItsOffset) {
    const QByteArray golden = testing_support::FileBytes(QStringLiteral(ROMAJI_TEST_DATA "/record_golden.dat"));
    ASSERT_EQ(golden.size(), results::kRecordSize);

    const results::CumulativeRecord r = results::DecodeRecord(golden.constData());
    EXPECT_EQ(r.RecordDate, 45413.0);  // 2024-05-01
    EXPECT_EQ(r.RecordTime, (10 * 3600 + 5 * 60 + 30) / 86400.0);
    EXPECT_EQ(r.PupilNumber, 1234);
    EXPECT_EQ(r.Level, 7);
    EXPECT_EQ(r.Result, 61);
    EXPECT_EQ(r.SchoolCodeText, QByteArray("01234"));
    EXPECT_EQ(r.PointsText, QByteArray("0    "));
    EXPECT_EQ(results::EncodeRecord(r), golden);
    EXPECT_EQ(results::DecodeEntry(golden.constData()).Points, 0);

    // The run-end append writes exactly these bytes (the time of day in whole
    // seconds), as record 1 of a file that did not exist.
    ASSERT_FALSE(QFile::exists(File()));
    ASSERT_TRUE(results::AppendResult(fake.Caution()));
    EXPECT_EQ(testing_support::FileBytes(File()), golden);
    EXPECT_EQ(fake.endCount, 0);
}

TEST_F(ResultsFile, NegativeNumbersAndTextsSurviveTheCodec) {
    results::CumulativeRecord r;
    r.RecordDate = -1;
    r.RecordTime = 0.999988425925926;
    r.PupilNumber = -2;
    r.Level = 300;
    r.Result = -99999;
    r.SchoolCodeText = "ab";
    r.ExtraText = "toolong";
    r.PointsText = "-17";
    r.ReservedText = "x";
    const QByteArray bytes = results::EncodeRecord(r);
    const results::CumulativeRecord back = results::DecodeRecord(bytes.constData());
    EXPECT_EQ(back.RecordDate, -1);
    EXPECT_EQ(back.RecordTime, r.RecordTime);
    EXPECT_EQ(back.PupilNumber, -2);
    EXPECT_EQ(back.Level, 300);
    EXPECT_EQ(back.Result, -99999);
    EXPECT_EQ(back.SchoolCodeText, QByteArray("ab   "));
    EXPECT_EQ(back.ExtraText, QByteArray("toolo"));
    EXPECT_EQ(back.ReservedText, QByteArray("x\0\0\0\0", 5));
    EXPECT_EQ(results::DecodeEntry(bytes.constData()).Points, -17);
}

TEST(FiveByteText, CutsAndPadsByBytesAtCharacterBoundaries) {
    EXPECT_EQ(results::FiveByteText(QStringLiteral("01234")), QByteArray("01234"));
    EXPECT_EQ(results::FiveByteText(QStringLiteral("12")), QByteArray("12   "));
    EXPECT_EQ(results::FiveByteText(QString()), QByteArray("     "));
    EXPECT_EQ(results::FiveByteText(QStringLiteral("123456")), QByteArray("12345"));
    // "12中央" is 6 bytes; half of 央 would read back as another character.
    EXPECT_EQ(results::FiveByteText(QStringLiteral("12中央")), QByteArray("12\x92\x86 "));
    EXPECT_EQ(results::FiveByteText(QStringLiteral("ｱｲｳｴｵｶ")), QByteArray("\xB1\xB2\xB3\xB4\xB5"));
}

// --- appending ---

TEST_F(ResultsFile, AppendGoesAfterTheLastWholeRecordOverAPartialTail) {
    results::CumulativeRecord old;
    old.RecordDate = 45400;
    old.PupilNumber = 3;
    old.Level = 2;
    old.Result = 40;
    const QByteArray two = results::EncodeRecord(old) + results::EncodeRecord(old);
    WriteAll(File(), two + QByteArray(20, '\x7f'));  // a crash left 20 bytes

    ASSERT_TRUE(results::AppendResult(fake.Caution()));
    const QByteArray bytes = testing_support::FileBytes(File());
    ASSERT_EQ(bytes.size(), 3 * results::kRecordSize);
    EXPECT_EQ(bytes.left(2 * results::kRecordSize), two);
    const auto r = results::DecodeRecord(bytes.constData() + 2 * results::kRecordSize);
    EXPECT_EQ(r.PupilNumber, 1234);
    EXPECT_EQ(r.Result, 61);

    ASSERT_TRUE(results::AppendResult(fake.Caution()));
    EXPECT_EQ(testing_support::FileBytes(File()).size(), 4 * results::kRecordSize);
}

TEST_F(ResultsFile, AnAppendThatCannotOpenTheFileEndsTheProgramWithItsMessage) {
    common::runState().ProgramDataFolder = dir.path() + QStringLiteral("/gone/");
    EXPECT_FALSE(fake.Handled(results::AppendResult(fake.Caution())));
    ASSERT_EQ(fake.messages.size(), 1);
    EXPECT_EQ(fake.messages[0].text, QStringLiteral("成績ランダムファイル記録ファイルが見つかりません。"));
    EXPECT_EQ(fake.endCount, 1);
}

// --- run-end bookkeeping ---

struct BestCase {
    const char* name;
    int bestBefore;
    int schoolBefore;
    int result;
    int personal;  // NewPersonalBest
    int school;    // NewSchoolBest
};

void PrintTo(const BestCase& c, std::ostream* os) { *os << c.name; }

class RunEnd : public ResultsFile, public ::testing::WithParamInterface<BestCase> {};

TEST_P(RunEnd, BestTimeFlags) {
    const BestCase& c = GetParam();
    common::runState().CurrentPupil = 12;
    common::runState().CurrentLevel = 3;
    common::runState().ResultTime = c.result;
    results::stats().At(3, 12).BestTime = c.bestBefore;
    results::stats().SchoolBestTime[3] = c.schoolBefore;
    results::runEndFlags().NewPersonalBest = 1;  // left over: decided afresh
    results::runEndFlags().NewSchoolBest = 1;

    ASSERT_TRUE(results::RecordRunResult(3, fake.Caution()));
    EXPECT_EQ(results::runEndFlags().NewPersonalBest, c.personal);
    EXPECT_EQ(results::runEndFlags().NewSchoolBest, c.school);
    EXPECT_EQ(results::stats().At(3, 12).BestTime, std::min(c.bestBefore, c.result));
    EXPECT_EQ(results::stats().SchoolBestTime[3], std::min(c.schoolBefore, c.result));
    const QByteArray bytes = testing_support::FileBytes(File());
    ASSERT_EQ(bytes.size(), results::kRecordSize);
    EXPECT_EQ(results::DecodeRecord(bytes.constData()).Result, c.result);
    EXPECT_EQ(results::DecodeRecord(bytes.constData()).Level, 3);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RunEnd,
    ::testing::Values(BestCase{"FirstRunAnywhere", 99999, 99999, 80, 1, 1},
                      BestCase{"FirstRunOfThePupil", 99999, 50, 80, 1, 0},
                      BestCase{"PersonalNotSchool", 90, 50, 60, 1, 0},
                      BestCase{"BothBeaten", 90, 50, 45, 1, 1},
                      BestCase{"TieIsNoBest", 60, 60, 60, 0, 0},
                      BestCase{"TimeOut", 99999, 99999, 99999, 0, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ResultsFile, AlreadyClearedUsesAllTimeFiguresBeforeTheRun) {
    auto& c = results::criteria()[3];
    c.ClearCount = 10;
    c.ClearPoints = 100;
    auto& s = results::stats().At(3, 1234);
    struct { int runs, points, cleared; } cases[] = {{10, 100, 1}, {9, 500, 0}, {50, 99, 0}};
    for (const auto& k : cases) {
        s.TotalRuns = static_cast<std::int16_t>(k.runs);
        s.TotalPoints = k.points;
        s.PeriodRuns = 0;  // the period plays no part here
        ASSERT_TRUE(results::RecordRunResult(3, fake.Caution()));
        EXPECT_EQ(results::runEndFlags().AlreadyCleared, k.cleared) << k.runs << " runs " << k.points;
    }
}

// --- other processes ---

const QString kHelper = QStringLiteral(RESULTS_FILE_HELPER);

TEST_F(ResultsFile, ALockHeldByAnotherProcessMakesTheAppendWaitAndRetry) {
    QProcess holder;
    holder.start(kHelper, {QStringLiteral("hold"), File(), QStringLiteral("700")});
    ASSERT_TRUE(holder.waitForStarted());
    ASSERT_TRUE(holder.waitForReadyRead(10000));
    ASSERT_EQ(holder.readLine().trimmed(), QByteArray("locked"));

    // Each TickCount read moves the fake clock 100 ms on, so one retry wait
    // is ten reads; the screen's timers keep running during the waits.
    fake.tickStep = 100;
    int timerTicks = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] { ++timerTicks; });
    timer.start(5);
    const quint32 before = fake.ticks;

    ASSERT_TRUE(results::AppendResult(fake.Caution()));
    EXPECT_GE(fake.ticks - before, 1000u) << "no one-second wait before the retry";
    EXPECT_GT(timerTicks, 0) << "events did not run while waiting";
    EXPECT_EQ(testing_support::FileBytes(File()).size(), results::kRecordSize);
    EXPECT_EQ(holder.state() == QProcess::NotRunning || holder.waitForFinished(10000), true);
    EXPECT_EQ(fake.endCount, 0);
}

// A results file this PC may not read or write is no busy file: the helper,
// run as a pupil's account (not root, for which file modes do not hold),
// says so once in a "注意" message naming the file and the error, keeps
// trying every second, and gets through once a teacher mends the modes.
struct AccessCase {
    const char* label;
    bool append;                 // else: load the history
    QFile::Permissions folder;   // of the data folder while it is faulty
    int file;                    // mode of an existing file, or -1 for no file
    const char* message;         // what the message says it cannot do
};

class ResultsFileAccess : public ResultsFile, public ::testing::WithParamInterface<AccessCase> {};

TEST_P(ResultsFileAccess, ToldOnceTriedEverySecondAndDoneWhenMended) {
    const AccessCase& c = GetParam();
    const auto open = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup |
                      QFile::WriteGroup | QFile::ExeGroup | QFile::ReadOther | QFile::WriteOther |
                      QFile::ExeOther;
    // The helper and the data folder where an unprivileged account reaches them.
    ASSERT_TRUE(QFile::setPermissions(dir.path(), open));
    const QString helper = dir.filePath(QStringLiteral("helper"));
    ASSERT_TRUE(QFile::copy(kHelper, helper));
    const QString data = dir.filePath(QStringLiteral("data"));
    ASSERT_TRUE(QDir().mkdir(data));
    const QString file = data + QStringLiteral("/成績累積データ.dat");
    if (c.file >= 0) {
        WriteAll(file, results::EncodeRecord(results::CumulativeRecord{45000, 0.5, 3, 1, 30, "01234", "     ",
                                                                       "0    ", QByteArray(5, '\0')}));
        ASSERT_EQ(::chmod(QFile::encodeName(file).constData(), static_cast<mode_t>(c.file)), 0);
    }
    ASSERT_TRUE(QFile::setPermissions(data, c.folder));

    QStringList command = {helper};
    command << (c.append ? QStringList{QStringLiteral("append"), data, QStringLiteral("1"), QStringLiteral("1")}
                         : QStringList{QStringLiteral("load"), data});
    if (::geteuid() == 0)
        command = QStringList{QStringLiteral("setpriv"), QStringLiteral("--reuid=65534"),
                              QStringLiteral("--regid=65534"), QStringLiteral("--clear-groups")} + command;
    QProcess pupil;
    pupil.start(command.takeFirst(), command);
    ASSERT_TRUE(pupil.waitForStarted(10000)) << pupil.errorString().toStdString();

    // The message comes while the helper waits; it goes on trying (each of
    // its seconds lasts 50 ms) until the teacher mends the folder and file.
    QByteArray said;
    QElapsedTimer waited;
    waited.start();
    while (!said.contains("注意") && pupil.state() == QProcess::Running && waited.elapsed() < 20000) {
        pupil.waitForReadyRead(100);
        said += pupil.readAllStandardError();
    }
    ASSERT_TRUE(said.contains("注意")) << said.toStdString();
    EXPECT_EQ(pupil.state(), QProcess::Running);
    pupil.waitForFinished(500);  // about ten more attempts in the helper's time
    EXPECT_EQ(pupil.state(), QProcess::Running) << "gave up before the fault was mended";
    ASSERT_TRUE(QFile::setPermissions(data, open));
    if (c.file >= 0) {
        ASSERT_EQ(::chmod(QFile::encodeName(file).constData(), 0666), 0);
    }
    ASSERT_TRUE(pupil.waitForFinished(20000));
    said += pupil.readAllStandardError();
    EXPECT_EQ(pupil.exitCode(), 0) << said.toStdString();

    const QString text = QString::fromUtf8(said);
    EXPECT_EQ(text.count(QStringLiteral("注意: ")), 1) << said.toStdString();
    EXPECT_TRUE(text.contains(file)) << said.toStdString();
    EXPECT_TRUE(text.contains(QString::fromUtf8(c.message))) << said.toStdString();
    EXPECT_TRUE(text.contains(common::ErrorDescription(EACCES))) << said.toStdString();
    const qint64 records = c.file >= 0 ? 1 : 0;
    if (c.append) {
        EXPECT_EQ(testing_support::FileBytes(file).size(), (records + 1) * results::kRecordSize);
    } else {
        EXPECT_EQ(pupil.readAllStandardOutput().trimmed(), QByteArray::number(records) + " entries");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Modes, ResultsFileAccess,
    ::testing::Values(
        AccessCase{"AppendToAReadOnlyFile", true, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                       QFile::ReadOther | QFile::WriteOther | QFile::ExeOther | QFile::ReadGroup |
                       QFile::WriteGroup | QFile::ExeGroup, 0444, "に書き込めません"},
        AccessCase{"AppendInAReadOnlyFolderWithoutTheFile", true,
                   QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther |
                       QFile::ExeOther, -1, "に書き込めません"},
        AccessCase{"LoadAnUnreadableFile", false, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                       QFile::ReadOther | QFile::WriteOther | QFile::ExeOther | QFile::ReadGroup |
                       QFile::WriteGroup | QFile::ExeGroup, 0, "が読めません"},
        AccessCase{"LoadInAReadOnlyFolderWithoutTheFile", false,
                   QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther |
                       QFile::ExeOther, -1, "が読めません"}),
    [](const auto& info) { return std::string(info.param.label); });

TEST_F(ResultsFile, EightProcessesAppendingAtOnceLoseTearAndDoubleNothing) {
    constexpr int kWriters = 8;
    constexpr int kEach = 200;
    const QString stop = dir.filePath(QStringLiteral("stop"));
    QProcess reader;
    reader.start(kHelper, {QStringLiteral("read"), dir.path(), stop});
    ASSERT_TRUE(reader.waitForStarted());

    std::vector<std::unique_ptr<QProcess>> writers;
    for (int w = 1; w <= kWriters; ++w) {
        auto p = std::make_unique<QProcess>();
        p->start(kHelper, {QStringLiteral("append"), dir.path(), QString::number(w),
                           QString::number(kEach)});
        writers.push_back(std::move(p));
    }
    for (auto& p : writers) {
        ASSERT_TRUE(p->waitForFinished(180000));
        EXPECT_EQ(p->exitCode(), 0) << p->readAllStandardError().toStdString();
    }
    WriteAll(stop, "x");
    ASSERT_TRUE(reader.waitForFinished(60000));
    EXPECT_EQ(reader.exitCode(), 0) << reader.readAllStandardError().toStdString();

    const QByteArray bytes = testing_support::FileBytes(File());
    ASSERT_EQ(bytes.size(), kWriters * kEach * results::kRecordSize);
    QSet<int> seen;
    for (int k = 0; k < kWriters * kEach; ++k) {
        const auto r = results::DecodeRecord(bytes.constData() + k * results::kRecordSize);
        ASSERT_GE(r.PupilNumber, 1);
        ASSERT_LE(r.PupilNumber, kWriters);
        ASSERT_GE(r.Result, 0);
        ASSERT_LT(r.Result, kEach);
        ASSERT_EQ(r.SchoolCodeText, QByteArray("01234"));
        ASSERT_EQ(r.ReservedText, QByteArray(5, '\0'));
        seen.insert(r.PupilNumber * 1000 + r.Result);
    }
    EXPECT_EQ(seen.size(), kWriters * kEach) << "a record was doubled, so another is missing";
}

}  // namespace
