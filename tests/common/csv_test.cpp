// Reading CSV as spreadsheet programs write it: each case a text, its rows
// (with the line each starts on) or the line of its fault.
#include "core/common/csv.h"

#include <gtest/gtest.h>

namespace {

struct CsvCase {
    const char* name;
    QString text;
    std::vector<common::CsvRecord> rows;
    int faultLine;  // 0: reads
};

void PrintTo(const CsvCase& c, std::ostream* os) { *os << c.name; }

const CsvCase kCases[] = {
    {"LineEndsOfEveryKind", QStringLiteral("a,b\r\nc,d\ne,f\rg,h"),
     {{1, {"a", "b"}}, {2, {"c", "d"}}, {3, {"e", "f"}}, {4, {"g", "h"}}}, 0},
    {"QuotedCommaQuoteAndLineEnd", QStringLiteral("\"a,1\",\"b\"\"2\"\"\",\"c\r\nd\"\r\nnext,\r\n"),
     {{1, {"a,1", "b\"2\"", "c\r\nd"}}, {3, {"next", ""}}}, 0},
    {"EmptyFieldsAndBlankRow", QStringLiteral(",,\n\nx\n"), {{1, {"", "", ""}}, {2, {""}}, {3, {"x"}}}, 0},
    {"UnclosedQuoteNamesItsLine", QStringLiteral("a\n\"b\nc\n"), {}, 2},
    {"TextAfterAClosingQuote", QStringLiteral("a\n\"b\"c,d\n"), {}, 2},
};

class CsvRead : public ::testing::TestWithParam<CsvCase> {};

TEST_P(CsvRead, RowsOrTheLineOfTheFault) {
    std::vector<common::CsvRecord> rows;
    int faultLine = 0;
    const bool read = common::ReadCsv(GetParam().text, rows, faultLine);
    EXPECT_EQ(read, GetParam().faultLine == 0);
    if (!read) {
        EXPECT_EQ(faultLine, GetParam().faultLine);
        return;
    }
    ASSERT_EQ(rows.size(), GetParam().rows.size());
    for (size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i].Line, GetParam().rows[i].Line) << i;
        EXPECT_EQ(rows[i].Fields, GetParam().rows[i].Fields) << i;
    }
}

INSTANTIATE_TEST_SUITE_P(Csv, CsvRead, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
