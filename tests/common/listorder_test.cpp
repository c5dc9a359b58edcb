// The order of the sorted lists, one table per kind of list, each written by
// hand as a teacher reads it: ranks in numeric order, equal ranks by grade
// and then name, lines without a record or a time after the ranked and timed
// ones. The lines come in scrambled; sorting them with sort keys and placing
// them one by one (as a line added to a list is placed) must both give the
// table's order, so every list of the program reads alike.
#include "core/common/collation.h"

#include "rowname.h"

#include <QStringList>

#include <gtest/gtest.h>

namespace {

struct OrderCase {
    const char* name;
    QStringList ordered;  // as the list shows them, top to bottom
};

void PrintTo(const OrderCase& c, std::ostream* os) { *os << c.name; }

// The lines in an order of their own: every third from the back, then the rest.
QStringList Scrambled(const QStringList& lines) {
    QStringList out;
    for (qsizetype i = lines.size() - 1; i >= 0; i -= 3) out << lines[i];
    for (qsizetype i = 0; i < lines.size(); ++i)
        if ((lines.size() - 1 - i) % 3 != 0) out << lines[i];
    return out;
}

std::string Shown(const QStringList& lines) { return lines.join(u'\n').toStdString(); }

class ListOrder : public ::testing::TestWithParam<OrderCase> {};

TEST_P(ListOrder, ReadsAsWrittenByHand) {
    const QStringList& expected = GetParam().ordered;
    const QStringList input = Scrambled(expected);
    ASSERT_NE(input, expected);

    QStringList sorted = input;
    common::SortAscending(sorted);
    EXPECT_EQ(sorted, expected) << Shown(sorted);

    QStringList placed;
    for (const QString& line : input) placed.insert(common::InsertPosition(placed, line), line);
    EXPECT_EQ(placed, expected) << Shown(placed);
}

INSTANTIATE_TEST_SUITE_P(
    Lists, ListOrder,
    ::testing::Values(
        // Rank, mark, name, today's and all-time points. Rank 2 is shared:
        // the grades ①, ② and Ⅰ … Ⅲ in order, the signed-in pupil's "●"
        // after them, a pupil without a grade mark last; one grade by name.
        OrderCase{"LevelColumnPointsRanking",
                  {"1③やまだ　　 12/  345", "2①あおき　　  2/  300", "2①いとう　　  0/  300",
                   "2②かとう　　  1/  300", "2Ⅰわたなべ　  0/  300", "2Ⅱすずき　　  5/  300",
                   "2Ⅲはやし　　  0/  300", "2●たなか　　  3/  300", "2　たかはし　  0/  300",
                   "8④こばやし　  0/  120", "10⑤かとう　　  0/   90", "11⑥よしだ　　  0/   80",
                   "12③やまもと　  0/   70", "13Ⅰいしい　　  0/   60"}},
        // Rank, mark, name, best time, end mark: a failed best in its rank,
        // then the pupils without a record ("--") by grade and name.
        OrderCase{"LevelColumnTimesRanking",
                  {"1③やまだ　　    25 　", "2①あおき　　    30 　", "2Ⅲはやし　　    30 　",
                   "2●たなか　　    30 ●", "4②いとう　　    41 　", "10④こばやし　    99 　",
                   "11⑤かとう　　   100 　", "12⑥よしだ　　*失敗* 　", "--①きむら　　------ 　",
                   "--③あべ　　　------ 　", "--Ⅰくどう　　------ 　", "--●もり　　　------ ●",
                   "--　しみず　　------ 　"}},
        // Today's runs in times: by result, equal results by the time of
        // day; runs without a time ("　　×") after every timed one.
        OrderCase{"LevelColumnTodaysRunsInTimes",
                  {"   5秒 09:00③やまだ③13", "  25秒 09:30①さとう①5", "  25秒 10:00●やまだ●5",
                   " 100秒 11:00②いとう②0", "1000秒 08:00④こばやし④0", "　　× 09:15①さとう①",
                   "　　× 11:00④さとう④"}},
        // All runs in points: by points, then the day; no time last.
        OrderCase{"LevelColumnAllRunsInPoints",
                  {"    0 12/07②いとう②150秒", "    4 12/09●やまだ●40秒", "   12 12/08①さとう①20秒",
                   "   12 12/10①さとう①19秒", "  101 12/01③あべ③8秒", "　　× 12/10④さとう④"}},
        // One pupil's runs: by day, then by the time of day (9:05 before 10:05).
        OrderCase{"LevelColumnOnePupilsTimes",
                  {"2026/12/01 9:05:30  25秒", "2026/12/01 10:05:30  31秒", "2026/12/02 14:00:00",
                   "2026/12/10 8:00:00 100秒"}},
        // Grade label, name, number: no label first (its line starts with
        // "/"), the labels in the order of their characters (高, 小, 中, 幼),
        // one name's numbers in numeric order.
        OrderCase{"PupilPicker",
                  {" /  いのうえ/4", "高１ /  たかはし/30", "小１ /  あべ/2", "小１ /  あべ/10",
                   "小１ /  いとう/1", "小３ /  やまだ/12", "小６ /  あべ/3", "中１ /  すずき/7",
                   "幼３ /  えだ/5"}},
        // Record numbers in numeric order, four characters wide and wider.
        OrderCase{"RecordsList",
                  {"   1 2003/05/12　 10:05:30ﾚﾍﾞﾙ3　   61秒 　  12 山田太郎　　 小３++本校",
                   "   2 2003/05/12　  9:05:03ﾚﾍﾞﾙ3　   61秒 　  12 山田太郎　　 小３++他塾",
                   "  10 2003/05/13　 10:05:30ﾚﾍﾞﾙ1　99999秒 　   7 長谷川ひなた 高１++本校",
                   " 100 2003/06/01　 10:05:30ﾚﾍﾞﾙ2　    5秒 　4000 林　　　　　 中１++本校",
                   "9999 2004/01/01　 10:05:30ﾚﾍﾞﾙ3　   61秒 　   7 佐藤　　　　 ++本校",
                   "10000 2004/01/02　 10:05:30ﾚﾍﾞﾙ3　   61秒 　   7 佐藤　　　　 ++本校"}}),
    [](const auto& info) { return testing_support::RowName(info.param.name); });

}  // namespace
