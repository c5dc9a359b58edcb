// What the screens do with what core code hands up: a "注意" message for a
// Tell, the message and the end of the program for a fatal outcome. The core
// tests use the double's copies of the two (FakePlatform::Caution and
// Handled), so both are held to the same records here.

#include "fakeplatform.h"
#include "screens/kit/flow.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

using testing_support::FakePlatform;
using testing_support::MessageRecord;

struct Case {
    const char* name;
    std::function<void()> screens;                // what the screens do
    std::function<void(FakePlatform&)> double_;   // what the core tests do in their place
    bool ends;
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

const common::Outcome kFatal = common::Outcome::Fatal(QStringLiteral("成績ランダムファイル記録ファイルが見つかりません。"),
                                                      QStringLiteral("ローマ字"));
const common::Outcome kUntitled = common::Outcome::Fatal(QStringLiteral("共通データ.txt が読めません。"), QString());

const Case kCases[] = {
    {"Caution", [] { flow::Caution(QStringLiteral("名簿ファイルが読めません。")); },
     [](FakePlatform& f) { f.Caution()(QStringLiteral("名簿ファイルが読めません。")); }, false},
    {"Done", [] { flow::EndIfFatal(common::Outcome()); }, [](FakePlatform& f) { f.Handled(common::Outcome()); },
     false},
    {"Fatal", [] { flow::EndIfFatal(kFatal); }, [](FakePlatform& f) { f.Handled(kFatal); }, true},
    {"FatalWithoutATitle", [] { flow::EndIfFatal(kUntitled); }, [](FakePlatform& f) { f.Handled(kUntitled); }, true},
};

class Outcomes : public ::testing::TestWithParam<Case> {};

TEST_P(Outcomes, TheScreensShowThemAsTheCoreTestsDoubleDoes) {
    const Case& c = GetParam();
    FakePlatform screens;
    if (c.ends) {
        EXPECT_THROW(c.screens(), testing_support::ProgramEnded) << "nothing after the end runs";
    } else {
        EXPECT_NO_THROW(c.screens());
    }
    const QList<MessageRecord> shown = screens.messages;
    const int ended = screens.endCount;

    FakePlatform core;
    c.double_(core);
    EXPECT_EQ(ended, c.ends ? 1 : 0);
    EXPECT_EQ(core.endCount, ended);
    ASSERT_EQ(core.messages.size(), shown.size());
    for (qsizetype i = 0; i < shown.size(); ++i) {
        EXPECT_EQ(core.messages[i].text, shown[i].text);
        EXPECT_EQ(core.messages[i].title, shown[i].title);
        EXPECT_EQ(core.messages[i].buttons, shown[i].buttons);
    }
    if (!shown.isEmpty()) {
        EXPECT_FALSE(shown[0].title.isEmpty());
    }
}

INSTANTIATE_TEST_SUITE_P(Kinds, Outcomes, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
