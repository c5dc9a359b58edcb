#include "core/common/collation.h"
#include "core/common/dates.h"
#include "core/common/mergesort.h"
#include "core/common/numbers.h"
#include "core/common/strings.h"
#include "core/common/textfile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>

namespace {

TEST(ShiftJis, SystemTextsRoundTrip) {
    const QString text = QStringLiteral("①⑥ⅠⅢ～－あ行～か行 きゃ 先生 中央教室 ﾊﾞｰｼﾞｮﾝ情報 　");
    const QByteArray bytes = common::ToShiftJis(text);
    EXPECT_EQ(common::FromShiftJis(bytes), text);
    // Two bytes per full-width character, one per half-width kana: a true code page 932.
    EXPECT_EQ(common::ToShiftJis(QStringLiteral("①")), QByteArray("\x87\x40"));
    EXPECT_EQ(common::ToShiftJis(QStringLiteral("～")), QByteArray("\x81\x60"));
    EXPECT_EQ(common::ToShiftJis(QStringLiteral("－")), QByteArray("\x81\x7c"));
    EXPECT_EQ(common::ToShiftJis(QStringLiteral("ﾊ")), QByteArray("\xca"));
}

TEST(Rounding, HalfGoesToEven) {
    const std::pair<double, long long> cases[] = {
        {57.5, 58}, {56.5, 56}, {0.5, 0}, {1.5, 2}, {2.4999, 2}, {-0.5, 0}, {-1.5, -2}};
    for (auto [x, want] : cases) EXPECT_EQ(common::RoundHalfEven(x), want) << x;
    EXPECT_EQ(common::Int(-0.5), -1);
    EXPECT_EQ(common::Int(55.999), 55);
}

// Numbers read from files can be anything; the conversions stay defined and
// give the nearest end of their range.
TEST(Rounding, ValuesBeyondTheRangeGiveItsEnds) {
    constexpr long long kMax = std::numeric_limits<long long>::max();
    constexpr long long kMin = std::numeric_limits<long long>::min();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const std::pair<double, long long> cases[] = {{4e94, kMax}, {-4e94, kMin}, {inf, kMax}, {-inf, kMin},
                                                  {nan, 0}, {9.3e18, kMax}, {-9.3e18, kMin}};
    for (auto [x, want] : cases) {
        EXPECT_EQ(common::RoundHalfEven(x), want) << x;
        EXPECT_EQ(common::Int(x), want) << x;
    }
    EXPECT_EQ(common::RoundToInt(4294967300.0), std::numeric_limits<int>::max());
    EXPECT_EQ(common::RoundToInt(-4294967300.0), std::numeric_limits<int>::min());
    EXPECT_EQ(common::RoundToInt(-2147483648.0), std::numeric_limits<int>::min());
    EXPECT_EQ(common::RoundToInt(2147483646.5), 2147483646);
    EXPECT_FALSE(common::DateFromValue(1e30).isValid());
    EXPECT_EQ(common::TimeFromValue(nan), QTime(0, 0));
}

TEST(Strings, TrimAndFixedWidthFields) {
    const QChar ideo(0x3000);
    EXPECT_EQ(common::TrimSpaces(QString(ideo) + " a b " + ideo), QStringLiteral("a b"));
    EXPECT_EQ(common::RightNumber(1234, 3), QStringLiteral("234"));
    EXPECT_EQ(common::RightNumber(7, 3), QStringLiteral("  7"));
    EXPECT_EQ(common::NameField(QStringLiteral("山田"), 5), QStringLiteral("山田") + QString(3, ideo));
    EXPECT_EQ(common::NameField(QStringLiteral("あいうえおか"), 5), QStringLiteral("あいうえお"));
    EXPECT_EQ(common::SingleText(1.5f), QStringLiteral("1.5"));
    EXPECT_EQ(common::SingleText(2.0f), QStringLiteral("2"));
    EXPECT_EQ(common::SingleText(0.7f), QStringLiteral("0.7"));
    EXPECT_EQ(common::SingleText(10.0f), QStringLiteral("10"));
    EXPECT_EQ(common::SingleText(1200.0f), QStringLiteral("1200"));
}

TEST(Strings, TrimRemovesOnlyAsciiAndIdeographicSpaces) {
    const QChar ideo(0x3000);
    const std::pair<QString, QString> cases[] = {
        {QString(ideo) + QStringLiteral("  山田　太郎 ") + ideo + ideo, QStringLiteral("山田　太郎")},
        {QStringLiteral("\tx\t"), QStringLiteral("\tx\t")},  // tabs stay
        {QString(3, ideo), QString()},
        {QString(), QString()}};
    for (const auto& [in, want] : cases) EXPECT_EQ(common::TrimSpaces(in), want) << in.toStdString();
}

TEST(Dates, DaysSince1899WithTheTimeAsFraction) {
    EXPECT_EQ(common::DateValue(QDate(1899, 12, 30)), 0);
    EXPECT_EQ(common::DateValue(QDate(2000, 1, 1)), 36526);
    EXPECT_EQ(common::DateFromValue(36526.75), QDate(2000, 1, 1));
    EXPECT_EQ(common::DateTimeValue(QDateTime(QDate(2000, 1, 1), QTime(18, 0))), 36526.75);
    EXPECT_EQ(common::TimeFromValue(36526.75), QTime(18, 0));
    // A stored time a hair below the second reads as that second.
    EXPECT_EQ(common::TimeFromValue(common::TimeValue(QTime(10, 5, 30)) - 1e-9), QTime(10, 5, 30));
    EXPECT_EQ(common::TimeFromValue(0.9999999999), QTime(23, 59, 59));
    EXPECT_EQ(common::DateText(QDate(2026, 4, 1)), QStringLiteral("2026/04/01"));
    EXPECT_EQ(common::TimeText(QTime(9, 5, 3)), QStringLiteral("9:05:03"));
}

TEST(Strings, DecimalDigitsAsDecWritesThem) {
    for (long long v : {0LL, 7LL, -1LL, 99999LL, -32768LL, std::numeric_limits<long long>::max(),
                        std::numeric_limits<long long>::min()}) {
        common::DecimalBuffer buffer;
        EXPECT_EQ(common::DecimalDigits(v, buffer).toString(), common::Dec(v)) << v;
    }
}

// The date and time texts are written digit by digit; at their edges they
// must read as the platform's own formats would write them.
TEST(Dates, TextsAsThePlatformFormatsWriteThem) {
    for (const QDate& d : {QDate(1, 1, 1), QDate(999, 5, 6), QDate(1899, 12, 30), QDate(9999, 12, 31),
                           QDate(10000, 1, 1), QDate(-5, 3, 3), QDate()})
        EXPECT_EQ(common::DateText(d), d.toString(QStringLiteral("yyyy/MM/dd"))) << d.toString().toStdString();
    for (const QTime& t : {QTime(0, 0), QTime(9, 59, 59), QTime(10, 0, 1), QTime(23, 59, 59), QTime()})
        EXPECT_EQ(common::TimeText(t), t.toString(QStringLiteral("H:mm:ss"))) << t.toString().toStdString();
}

TEST(MergeSort, StableOnEqualKeys) {
    QVector<std::int32_t> keys{5, 3, 5, 1, 3, 5, -2, 99999};
    QVector<int> pupils{10, 11, 12, 13, 14, 15, 16, 17};
    common::StableMergeSort(keys, pupils);
    EXPECT_EQ(keys, (QVector<std::int32_t>{-2, 1, 3, 3, 5, 5, 5, 99999}));
    EXPECT_EQ(pupils, (QVector<int>{16, 13, 11, 14, 10, 12, 15, 17}));
}

// Keys of both widths, negative ones and many equal ones among them (the
// 64-bit keys as the points rankings pack two values into one).
template <typename Key>
void ExpectLikeStableSort(Key (*keyOf)(int)) {
    QVector<Key> keys;
    QVector<int> pupils;
    for (int i = 0; i < 2000; ++i) {
        keys << keyOf(i);
        pupils << i;
    }
    QVector<std::pair<Key, int>> expected;
    for (int i = 0; i < keys.size(); ++i) expected.append({keys[i], pupils[i]});
    std::stable_sort(expected.begin(), expected.end(), [](auto a, auto b) { return a.first < b.first; });
    common::StableMergeSort(keys, pupils);
    for (int i = 0; i < keys.size(); ++i) {
        ASSERT_EQ(keys[i], expected[i].first);
        ASSERT_EQ(pupils[i], expected[i].second);
    }
}

TEST(MergeSort, LargeInputMatchesStableSort) {
    ExpectLikeStableSort<std::int32_t>([](int i) { return static_cast<std::int32_t>((i * 7919) % 37); });
    ExpectLikeStableSort<std::int64_t>([](int i) {
        return std::int64_t(~((i * 7919) % 37)) * (std::int64_t(1) << 32) + ((i * 104729) % 5) + (std::int64_t(1) << 31);
    });
}

}  // namespace

// The list order of a column of thousands of lines, sorted in two halves side
// by side and merged: every neighbour pair in order, and equal lines (here
// equal but for case) in the order they came, across the halves too.
TEST(ListOrder, ThousandsOfLinesInOrderAndEqualOnesAsTheyCame) {
    const QStringList kinds = {QStringLiteral("10●やまだ"), QStringLiteral("1①さとう"), QStringLiteral("2Ⅰすずき"),
                               QStringLiteral("Abc"),        QStringLiteral("abc"),       QStringLiteral("  30秒 12/11"),
                               QStringLiteral("あ"),         QStringLiteral("ア"),        QStringLiteral("1　たなか")};
    QStringList texts;
    for (int i = 0; i < 3001; ++i) texts << kinds[(i * 7 + i / 13) % kinds.size()];
    const std::vector<qsizetype> order = common::SortedOrder(texts);
    ASSERT_EQ(order.size(), std::size_t(texts.size()));
    std::vector<bool> seen(order.size());
    for (qsizetype i : order) seen[std::size_t(i)] = true;
    EXPECT_EQ(std::count(seen.begin(), seen.end(), true), texts.size());
    const common::ListCollator collator;
    for (std::size_t k = 1; k < order.size(); ++k) {
        const int c = collator.compare(texts[order[k - 1]], texts[order[k]]);
        ASSERT_LE(c, 0) << k;
        if (c == 0) {
            ASSERT_LT(order[k - 1], order[k]) << k;
        }
    }
}
