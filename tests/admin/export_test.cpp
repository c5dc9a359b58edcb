// romaji-admin export against a small fixture school, compared byte for byte
// with the expected CSV files in tests/data: byte-order mark, CR LF, a name
// with a comma and one with double quotes, a time-out, a pupil missing from
// the roster, a level outside the course, a date that is no date, a partial
// record at the end.
#include "admintool.h"
#include "core/common/dates.h"
#include "core/common/textfile.h"
#include "core/menus/roster.h"
#include "core/results/resultsfile.h"
#include "schoolbuilder.h"
#include "filebytes.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <limits>

namespace {

using testing_support::RunAdmin;

// A run's record with its date and time as stored values (a date that is
// no date among them).
QByteArray Record(double date, double time, int pupil, int level, int result, const char* code) {
    results::CumulativeRecord r = results::RecordOfRun(QDateTime(), static_cast<std::int16_t>(pupil),
                                                       static_cast<std::int16_t>(level), result, QString::fromUtf8(code));
    r.RecordDate = date;
    r.RecordTime = time;
    return results::EncodeRecord(r);
}

double Day(int y, int m, int d) { return common::DateValue(QDate(y, m, d)); }
double At(int h, int m, int s) { return common::TimeValue(QTime(h, m, s)); }

// The fixture school under root/CAIdata/: grades as of today's school year,
// so that the grade labels of the expected files hold on any day.
void LayOutExportSchool(const QString& root) {
    const QString data = root + QStringLiteral("/CAIdata/");
    school::Builder school(school::InstallationFolders(root));
    ASSERT_TRUE(school.Settings().Criteria(school::UniformCriteria({})).Ok()) << school.Error().toStdString();
    const int year = menus::SchoolYearOf(QDate::currentDate(), 4);
    const auto born = [year](int grade) { return QString::number(year - grade - 6); };
    // A quoted name may hold a comma; an unquoted one may hold double quotes.
    const QString roster = QStringLiteral("1,%1,0,0,\"佐藤,花子\",0,\"\",\"\"\r\n"
                                          "2,%2,0,0,鈴木\"一郎\",0,\"\",\"\"\r\n"
                                          "3,%3,0,0,\"高橋　まい\",0,\"\",\"\"\r\n"
                                          "4,%4,0,0,\"  田中  \",1,\"\",\"\"\r\n")
                               .arg(born(1), born(8), born(11), born(0));
    ASSERT_TRUE(testing_support::WriteFileBytes(data + QStringLiteral("新名簿.txt"), common::ToShiftJis(roster)));

    const double nan = std::numeric_limits<double>::quiet_NaN();
    const QByteArray records =
        Record(Day(2024, 5, 1), At(9, 5, 7), 1, 1, 30, "01234") +         // at the target time: 5 points
        Record(Day(2024, 5, 2), At(14, 30, 0), 2, 15, 99999, "01234") +   // a time-out
        Record(Day(2024, 6, 10), At(16, 0, 0), 3, 3, 45, "99999") +       // another classroom
        Record(Day(2024, 6, 11), At(10, 0, 0), 77, 40, 20, "01234") +     // no roster entry, no such level
        Record(Day(2024, 7, 1), At(23, 59, 59), 4, 2, 15, "01234") +      // half the target time: 11 points
        Record(nan, 0.5, 1, 1, 1234, "01234") +                           // no date
        Record(Day(2024, 6, 10), At(8, 0, 0), 0, 0, 0, "") +              // unnamed, level 0
        Record(Day(2024, 6, 12), At(8, 0, 0), 1, 1, 20, "01234").left(30);  // partial tail
    ASSERT_TRUE(testing_support::WriteFileBytes(data + QStringLiteral("ローマ字/成績累積データ.dat"), records));
}

struct ExportCase {
    const char* name;
    QStringList options;
    const char* expected;  // file in tests/data
};

void PrintTo(const ExportCase& c, std::ostream* os) { *os << c.name; }

class ExportTest : public ::testing::TestWithParam<ExportCase> {};

TEST_P(ExportTest, WritesTheExpectedBytes) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    LayOutExportSchool(dir.path());
    const QString out = dir.filePath(QStringLiteral("成績.csv"));
    const auto run = RunAdmin(QStringList{QStringLiteral("export"), dir.path() + QStringLiteral("/CAIdata/ローマ字")} +
                              GetParam().options + QStringList{QStringLiteral("-o"), out});
    ASSERT_EQ(run.exitCode, 0) << run.out.toStdString() << run.err.toStdString();
    const QByteArray expected = testing_support::FileBytes(QStringLiteral(ROMAJI_TEST_DATA "/") + QString::fromUtf8(GetParam().expected));
    ASSERT_FALSE(expected.isEmpty());
    EXPECT_EQ(testing_support::FileBytes(out), expected) << testing_support::FileBytes(out).toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Admin, ExportTest,
    ::testing::Values(ExportCase{"EveryRecord", {}, "export_all.csv"},
                      ExportCase{"PeriodBothEndsIncluded",
                                 {QStringLiteral("--from"), QStringLiteral("2024-05-02"), QStringLiteral("--to"),
                                  QStringLiteral("2024/06/10")},
                                 "export_period.csv"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ExportErrors, BadDatesAndUnreadableFilesWriteNothing) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    LayOutExportSchool(dir.path());
    const QString data = dir.path() + QStringLiteral("/CAIdata/ローマ字");
    const QString out = dir.filePath(QStringLiteral("out.csv"));
    const auto exportWith = [&](QStringList options) {
        return RunAdmin(QStringList{QStringLiteral("export"), data} + options + QStringList{QStringLiteral("-o"), out});
    };
    for (const QStringList& options : {QStringList{QStringLiteral("--from"), QStringLiteral("2024-13-01")},
                                       QStringList{QStringLiteral("--from"), QStringLiteral("2024-06-02"),
                                                   QStringLiteral("--to"), QStringLiteral("2024-06-01")}}) {
        const auto run = exportWith(options);
        EXPECT_EQ(run.exitCode, 2) << options.join(u' ').toStdString();
        EXPECT_FALSE(QFile::exists(out));
    }
    QFile::remove(dir.path() + QStringLiteral("/CAIdata/新名簿.txt"));
    const auto run = exportWith({});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(run.err.contains(QStringLiteral("新名簿.txt が読めません"))) << run.err.toStdString();
    EXPECT_FALSE(QFile::exists(out));
}

}  // namespace
