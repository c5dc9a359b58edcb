#include "core/common/textfile.h"

#include <gtest/gtest.h>

using common::ItemReader;
using common::ItemWriter;

namespace {

struct ItemCase {
    const char16_t* text;
    QStringList items;
    const char* name;
};

void PrintTo(const ItemCase& c, std::ostream* os) { *os << c.name; }

class ItemReaderCases : public ::testing::TestWithParam<ItemCase> {};

TEST_P(ItemReaderCases, ReadsItemsInOrder) {
    const auto& c = GetParam();
    EXPECT_EQ(common::ReadAllItems(QString::fromUtf16(c.text)), c.items);
}

INSTANTIATE_TEST_SUITE_P(
    Conventions, ItemReaderCases,
    ::testing::Values(
        ItemCase{u"a,b,c\r\n", {"a", "b", "c"}, "CommasOnOneLine"},
        ItemCase{u"a\r\nb\r\nc\r\n", {"a", "b", "c"}, "OneItemPerLine"},
        ItemCase{u"a\r\nb,c", {"a", "b", "c"}, "LinesAndCommasMixed"},
        ItemCase{u"\"x, y\",z\r\n", {"x, y", "z"}, "QuotedItemKeepsItsComma"},
        ItemCase{u"  a  ,\t b \r\n", {"a", "b"}, "BlanksAroundItemsDropped"},
        ItemCase{u"\" keep \",x", {" keep ", "x"}, "BlanksInsideQuotesKept"},
        ItemCase{u"h1,h2,,,\r\n1,2", {"h1", "h2", "", "", "", "1", "2"}, "EmptyItemsBetweenCommas"},
        ItemCase{u"a\nb\rc", {"a", "b", "c"}, "LoneLineFeedOrCarriageReturnEndsAnItem"},
        ItemCase{u"a,b,", {"a", "b", ""}, "CommaAtTheEndLeavesOneEmptyItem"},
        ItemCase{u"", {}, "EmptyText"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ItemReader, NumbersAreTheLeadingNumericPart) {
    ItemReader r(QStringLiteral("12, -3.5 ,abc,7x,\"42\""));
    EXPECT_EQ(*r.NextNumber(), 12);
    EXPECT_EQ(*r.NextNumber(), -3.5);
    EXPECT_EQ(*r.NextNumber(), 0);
    EXPECT_EQ(*r.NextNumber(), 7);
    EXPECT_EQ(*r.NextNumber(), 42);
    EXPECT_FALSE(r.NextNumber().has_value());
}

TEST(ItemWriter, QuotesTextWritesNumbersBareEndsLinesWithCrLf) {
    ItemWriter w;
    w.Number(12LL).Text(QStringLiteral("山田 太郎")).Number(1.5).EndLine().Text("a,b").EndLine();
    EXPECT_EQ(w.Result(), QStringLiteral("12,\"山田 太郎\",1.5\r\n\"a,b\"\r\n"));
    // What the writer writes, the reader reads back.
    EXPECT_EQ(common::ReadAllItems(w.Result()), (QStringList{"12", "山田 太郎", "1.5", "a,b"}));
}

}  // namespace
