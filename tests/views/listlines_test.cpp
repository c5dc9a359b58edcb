// Every line layout of the result lists, character for character.
#include "core/views/listlines.h"

#include "core/common/dates.h"
#include "core/menus/roster.h"
#include "qstringprint.h"
#include "schoolbuilder.h"

#include <QDate>
#include <QTime>

#include <gtest/gtest.h>

#include <functional>

namespace {

using views::RunLayout;

constexpr int kSchoolYear = 2026;
// 2026-05-01 (days since 1899-12-30).
constexpr double kDate = 46143;
double At(int h, int m, int s = 0) { return common::TimeValue(QTime(h, m, s)); }

// The roster pads names to 20 characters with blanks. Longer than five
// characters, so that every layout shows where it cuts the name.
const QString kName = QStringLiteral("長谷川由美子              ");

struct LineCase {
    const char* name;
    std::function<QString()> line;
    QString expected;
};

void PrintTo(const LineCase& c, std::ostream* os) { *os << c.name; }

class Layouts : public ::testing::TestWithParam<LineCase> {};

TEST_P(Layouts, AreExact) { EXPECT_EQ(GetParam().line(), GetParam().expected); }

INSTANTIATE_TEST_SUITE_P(
    Lines, Layouts,
    ::testing::Values(
        // Rankings: Right(rank, 2) & mark & name5 & Right("    " & best, 6) & " " & end mark.
        LineCase{"RankingTime", [] { return views::RankingTimeLine(1, "③", kName, 45, false); },
                 "1③長谷川由美    45 　"},
        LineCase{"RankingTimeOfTheSignedInPupil", [] { return views::RankingTimeLine(12, "●", kName, 45, true); },
                 "12●長谷川由美    45 ●"},
        LineCase{"RankOver99KeepsItsLastTwoDigits",
                 [] { return views::RankingTimeLine(123, "③", kName, 45, false); }, "23③長谷川由美    45 　"},
        LineCase{"OneDigitTimeIsFiveWide", [] { return views::RankingTimeLine(2, "③", kName, 5, false); },
                 "2③長谷川由美    5 　"},
        LineCase{"LongTimeKeepsItsLastSixDigits",
                 [] { return views::RankingTimeLine(2, "③", kName, 1234567, false); }, "2③長谷川由美234567 　"},
        LineCase{"FailedBest", [] { return views::RankingTimeLine(3, "Ⅱ", kName, 99998, false); },
                 "3Ⅱ長谷川由美*失敗* 　"},
        LineCase{"NoRecord", [] { return views::RankingTimeLine(4, "Ⅱ", kName, 99999, false); },
                 "--Ⅱ長谷川由美------ 　"},
        LineCase{"RankingNameKeepsLeadingBlankAndIsCutToFive",
                 [] { return views::RankingTimeLine(1, "①", QStringLiteral(" 長谷川由美子"), 45, false); },
                 "1① 長谷川由    45 　"},
        // Right(rank, 2) & mark & name5 & Right("    " & today, 3) & "/" & Right("    " & total, 5).
        LineCase{"RankingPoints", [] { return views::RankingPointsLine(2, "①", kName, 12, 345); },
                 "2①長谷川由美 12/  345"},
        LineCase{"RankingPointsCutToTheirWidths",
                 [] { return views::RankingPointsLine(2, "①", kName, 1234, 123456); }, "2①長谷川由美234/23456"},
        // Runs: Right("      " & result & "秒", 5) & " " & HH:MM & mark & name5 & mark & points.
        LineCase{"TodayRun",
                 [] { return views::RunLine(RunLayout::TodayTimes, 45, kDate, At(9, 5), "③", kName, 11); },
                 "  45秒 09:05③長谷川由美③11"},
        LineCase{"TodayRunAtMidnightAndLongResult",
                 [] { return views::RunLine(RunLayout::TodayTimes, 12345, kDate, At(0, 0), "③", kName, 0); },
                 "2345秒 00:00③長谷川由美③0"},
        LineCase{"AllRunsTimes",
                 [] { return views::RunLine(RunLayout::AllTimes, 45, kDate, At(23, 59, 59), "●", kName, 11); },
                 "  45秒 05/01●長谷川由美●11"},
        // Right("      " & points, 5) & " " & MM/DD & mark & name5 & mark & result & "秒".
        LineCase{"AllRunsPoints",
                 [] { return views::RunLine(RunLayout::AllPoints, 45, kDate, At(9, 5), "③", kName, 11); },
                 "   11 05/01③長谷川由美③45秒"},
        LineCase{"RunNameLosesLeadingBlank",
                 [] { return views::RunLine(RunLayout::AllTimes, 45, kDate, 0, "③", QStringLiteral("　長谷川由美子"), 11); },
                 "  45秒 05/01③長谷川由美③11"},
        // "　　× " & HH:MM or MM/DD & mark & name5 & mark.
        LineCase{"TodayRunWithoutTime",
                 [] { return views::RunLine(RunLayout::TodayTimes, 99999, kDate, At(14, 30), "③", kName, 0); },
                 "　　× 14:30③長谷川由美③"},
        LineCase{"AllRunsWithoutTimeInPointsMode",
                 [] { return views::RunLine(RunLayout::AllPoints, 90000, kDate, At(14, 30), "③", kName, 0); },
                 "　　× 05/01③長谷川由美③"},
        LineCase{"JustBelowNoTimeIsATime",
                 [] { return views::RunLine(RunLayout::AllTimes, 89999, kDate, 0, "③", kName, 0); },
                 "9999秒 05/01③長谷川由美③0"},
        // An empty name is four ideographic spaces in the listings of runs.
        LineCase{"RunWithoutName",
                 [] { return views::RunLine(RunLayout::AllTimes, 45, kDate, 0, "　", QString(), 11); },
                 "  45秒 05/01　　　　　　11"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PupilLook, MarksGradesAndPupilsOutsideTheRoster) {
    school::SetRosterTables(kSchoolYear, {{3, QStringLiteral("一郎"), 3}, {4, QStringLiteral("四郎"), 8}});
    EXPECT_EQ(views::PupilLookOf(3).Grade, 3);
    EXPECT_EQ(views::MarkOf(3, 3, 0), QStringLiteral("③"));
    EXPECT_EQ(views::MarkOf(4, 8, 0), QStringLiteral("Ⅱ"));
    EXPECT_EQ(views::MarkOf(4, 8, 4), QStringLiteral("●"));
    for (int pupil : {5, 5001, -1}) {
        const views::PupilLook look = views::PupilLookOf(pupil);
        EXPECT_TRUE(look.Name.isEmpty()) << pupil;
        EXPECT_EQ(views::MarkOf(pupil, look.Grade, 3), QStringLiteral("　")) << pupil;
        EXPECT_TRUE(menus::PassesGradeFilter(QStringLiteral("全学年"), look.Grade));
        EXPECT_FALSE(menus::PassesGradeFilter(QStringLiteral("小学生全体"), look.Grade));
    }
}

}  // namespace
