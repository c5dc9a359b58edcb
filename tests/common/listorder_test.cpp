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

#include <algorithm>
#include <functional>
#include <numeric>
#include <random>

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

// A list that comes in the order of its numbers is not taken to be in order
// where the text between them says otherwise: "50 b 1" goes after "50 a 2".
TEST(ListOrderOfNumbers, DecidesOnlyAfterTheSameText) {
    QStringList ordered;
    for (int i = 1; i <= 20; ++i) ordered << QStringLiteral("%1秒 a 1").arg(i);
    ordered << QStringLiteral("50秒 a 2") << QStringLiteral("50秒 b 1");
    QStringList input = ordered;
    input.swapItemsAt(20, 21);
    common::SortAscending(input);
    EXPECT_EQ(input, ordered) << Shown(input);
}

// Long lists are put in order by their leading numbers where those decide
// and by sort keys where they do not; the order must be the collator's own,
// line against line, whatever the lines hold. Each list is thousands of
// lines (so that halves are sorted side by side) of one kind, with the
// lines that could trip a reading of numbers mixed in: numbers written with
// leading zeros, numbers next to digits of other scripts, numbers too long
// for an integer, numbers whose digit pairs end in zeros, lines without a
// number, blank lines.
struct LongListCase {
    const char* name;
    std::function<QString(std::mt19937&)> line;
};

void PrintTo(const LongListCase& c, std::ostream* os) { *os << c.name; }

template <typename T>
const T& Pick(std::mt19937& random, std::initializer_list<T> items) {
    return items.begin()[std::uniform_int_distribution<std::size_t>(0, items.size() - 1)(random)];
}

int Below(std::mt19937& random, int n) { return std::uniform_int_distribution<int>(0, n - 1)(random); }

QString Name(std::mt19937& random) {
    static const QString kana = QStringLiteral("あいうかがきぎさざしたなはばぱまやらわんアカーゝ山田");
    QString name;
    for (int k = 0, length = 1 + Below(random, 5); k < length; ++k) name += kana[Below(random, int(kana.size()))];
    while (name.size() < 5) name += QChar(0x3000);
    return name;
}

QString Mark(std::mt19937& random) {
    return Pick(random, {QStringLiteral("①"), QStringLiteral("③"), QStringLiteral("Ⅰ"), QStringLiteral("Ⅲ"),
                         QStringLiteral("●"), QStringLiteral("　")});
}

// A line that could trip a reading of leading numbers.
QString Awkward(std::mt19937& random) {
    const QString number = Pick(random, {QStringLiteral("45"), QStringLiteral("045"), QStringLiteral("1200"),
                                         QStringLiteral("1201"), QStringLiteral("12000000"),
                                         QStringLiteral("12000001"), QStringLiteral("1234567890123456789012"),
                                         QStringLiteral("1234567890123456789013"), QStringLiteral("0")});
    const QString after = Pick(random, {QStringLiteral("秒 11/02"), QStringLiteral("３秒"), QStringLiteral("ー5"),
                                        QStringLiteral(" 11/0２"), QStringLiteral("/"), QString()});
    return Pick(random, {QStringLiteral(" "), QStringLiteral("　"), QString()}) + number + after;
}

QString Numberless(std::mt19937& random) {
    return Pick(random, {QStringLiteral("　　× 11/02①さとう①"), QStringLiteral("--①きむら　　------ 　"),
                         QStringLiteral("１２秒"), QStringLiteral("　"), QString(), QStringLiteral("-5 11/02")});
}

class LongListOrder : public ::testing::TestWithParam<LongListCase> {};

TEST_P(LongListOrder, IsTheCollatorsLineByLine) {
    std::mt19937 random(20261211);
    QStringList lines;
    for (int k = 0; k < 3000; ++k) {
        const int kind = Below(random, 40);
        lines << (kind == 0 ? Awkward(random) : kind == 1 ? Numberless(random) : GetParam().line(random));
    }

    std::vector<qsizetype> expected(std::size_t(lines.size()));
    std::iota(expected.begin(), expected.end(), 0);
    const common::ListCollator collator;
    std::stable_sort(expected.begin(), expected.end(),
                     [&](qsizetype a, qsizetype b) { return collator.compare(lines[a], lines[b]) < 0; });

    const std::vector<qsizetype> sorted = common::SortedOrder(lines);
    ASSERT_EQ(sorted.size(), expected.size());
    for (std::size_t k = 0; k < sorted.size(); ++k)
        ASSERT_EQ(sorted[k], expected[k]) << "line " << k << ": \"" << lines[sorted[k]].toStdString()
                                          << "\" where the collator puts \"" << lines[expected[k]].toStdString()
                                          << "\"";
}

INSTANTIATE_TEST_SUITE_P(
    Lists, LongListOrder,
    ::testing::Values(
        // All runs: a time, the day, the pupil, points; many runs share a
        // time and a day.
        LongListCase{"AllRunsInTimes",
                     [](std::mt19937& random) {
                         const QString mark = Mark(random);
                         return QStringLiteral("%1秒 %2/%3")
                                    .arg(10 + Below(random, 40), 4)
                                    .arg(10 + Below(random, 3))
                                    .arg(1 + Below(random, 9), 2, 10, QChar(u'0')) +
                                mark + Name(random) + mark + QString::number(Below(random, 3));
                     }},
        // A points ranking: most pupils share the last rank.
        LongListCase{"PointsRankingOfFewScorers",
                     [](std::mt19937& random) {
                         const int rank = Below(random, 8) == 0 ? 1 + Below(random, 300) : 301;
                         return QString::number(rank) + Mark(random) + Name(random) +
                                QStringLiteral("%1/%2").arg(Below(random, 3), 3).arg(Below(random, 2), 5);
                     }},
        // The pupil picker: no line starts with a number.
        LongListCase{"PupilPicker", [](std::mt19937& random) {
                         return Pick(random, {QStringLiteral("小１ /  "), QStringLiteral("中２ /  "),
                                              QStringLiteral(" /  ")}) +
                                Name(random).trimmed() + u'/' + QString::number(1 + Below(random, 5000));
                     }}),
    [](const auto& info) { return testing_support::RowName(info.param.name); });

}  // namespace
