#include "core/common/runstate.h"
#include "core/startup/runstate.h"

#include <gtest/gtest.h>

namespace {

TEST(JapaneseEraDate, EraBoundariesAndFieldWidths) {
    const std::pair<QDate, const char16_t*> cases[] = {
        {QDate(1912, 7, 29), u"明治45年 7月 29日（月）"},
        {QDate(1912, 7, 30), u"大正1年 7月 30日（火）"},
        {QDate(1926, 12, 24), u"大正15年 12月 24日（金）"},
        {QDate(1926, 12, 25), u"昭和1年 12月 25日（土）"},
        {QDate(1989, 1, 7), u"昭和64年 1月 07日（土）"},
        {QDate(1989, 1, 8), u"平成1年 1月 08日（日）"},
        {QDate(2019, 4, 30), u"平成31年 4月 30日（火）"},
        {QDate(2019, 5, 1), u"令和1年 5月 01日（水）"},
        {QDate(2026, 12, 10), u"令和8年 12月 10日（木）"},
    };
    for (const auto& [date, want] : cases)
        EXPECT_EQ(startup::JapaneseEraDateText(date), QString::fromUtf16(want))
            << date.toString(Qt::ISODate).toStdString();
}

TEST(SeasonColour, ChangesAtTheMonthBorders) {
    constexpr std::uint32_t orange = 0xFF8000, paleGreen = 0xC0FFC0, teal = 0x00C0C0,
                            brown = 0xC04000;
    const std::pair<QDate, std::uint32_t> cases[] = {
        {QDate(2025, 1, 1), orange},     {QDate(2024, 2, 29), orange},
        {QDate(2025, 3, 1), paleGreen},  {QDate(2025, 5, 31), paleGreen},
        {QDate(2025, 6, 1), teal},       {QDate(2025, 8, 31), teal},
        {QDate(2025, 9, 1), brown},      {QDate(2025, 11, 30), brown},
        {QDate(2025, 12, 1), paleGreen}, {QDate(2025, 12, 31), paleGreen},
    };
    for (const auto& [date, want] : cases)
        EXPECT_EQ(startup::SeasonColourForMonth(date.month()), want)
            << date.toString(Qt::ISODate).toStdString();
}

TEST(RunFields, PracticeRunResetKeepsPupilLevelAndChooser) {
    auto& s = common::runState();
    s.Reset();
    s.CurrentPupil = 12;
    s.CurrentLevel = 7;
    s.ChooserDone = true;
    s.CorrectCount = 19;
    s.SpaceWait = 2;
    s.RunFinished = s.HandOffDone = s.JudgeBusy = s.TimedOut = true;
    startup::ResetRunFields();
    EXPECT_EQ(s.CorrectCount, 0);
    EXPECT_EQ(s.SpaceWait, 0);
    EXPECT_FALSE(s.RunFinished || s.HandOffDone || s.JudgeBusy || s.TimedOut);
    EXPECT_EQ(s.CurrentPupil, 12);
    EXPECT_EQ(s.CurrentLevel, 7);
    EXPECT_TRUE(s.ChooserDone);
}

}  // namespace
