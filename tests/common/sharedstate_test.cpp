// Every piece of the program's shared state is put back to its start by the
// one reset, without a list of the pieces kept anywhere: each registers its
// own reset when it is made.

#include "core/common/fileio.h"
#include "core/common/random.h"
#include "core/common/runstate.h"
#include "core/common/sharedstate.h"
#include "core/common/textfile.h"
#include "core/menus/roster.h"
#include "core/practice/kanatable.h"
#include "core/results/availability.h"
#include "core/results/criteria.h"
#include "core/results/resultsfile.h"
#include "core/results/statistics.h"
#include "core/sound/sound.h"
#include "core/startup/configuration.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>
#include <functional>

namespace {

struct Piece {
    const char* name;
    std::function<void()> change;    // away from its start
    std::function<bool()> atStart;
};

void PrintTo(const Piece& p, std::ostream* os) { *os << p.name; }

const Piece kPieces[] = {
    {"RunState", [] { common::runState().CurrentPupil = 7; }, [] { return common::runState().CurrentPupil == 0; }},
    {"RandomSource", [] { common::SetRandomSource([] { return 0.25; }); },
     [] { return common::Rnd() != 0.25 || common::Rnd() != 0.25; }},
    {"Settings", [] { startup::commonSettings().SchoolYearStartMonth = 9; },
     [] { return startup::commonSettings().SchoolYearStartMonth == 4; }},
    {"CriteriaTable", [] { results::criteria()[3].TargetTime = 60; },
     [] { return results::criteria()[3].TargetTime == 0; }},
    {"Statistics", [] { results::stats().At(3, 7).TotalRuns = 5; },
     [] { return results::stats().At(3, 7).TotalRuns == 0; }},
    {"RunEndFlags", [] { results::runEndFlags().NewPersonalBest = 1; },
     [] { return results::runEndFlags().NewPersonalBest == 0; }},
    {"FinalLevelCleared", [] { results::FinalLevelCleared() = 1; }, [] { return results::FinalLevelCleared() == 0; }},
    {"RosterTables", [] { menus::roster().PupilName[7] = QStringLiteral("山田"); },
     [] { return menus::roster().PupilName[7].isEmpty(); }},
    {"GradeFilterText", [] { menus::GradeFilterText() = QStringLiteral("小３"); },
     [] { return menus::GradeFilterText() == QStringLiteral("全学年"); }},
    {"SoundTable", [] { sound::soundTable().Kinds[2].Count = QStringLiteral("1"); },
     [] { return sound::soundTable().Kinds[2].Count.isEmpty(); }},
    {"KanaTable", [] { practice::FillKanaTable(); }, [] { return practice::kanaTable().Count == 0; }},
    // The piece the hand-kept list of the tests once missed.
    {"IoHook", [] { common::SetIoHook([](common::IoCall, long long, const QByteArray&, std::size_t&) { return EIO; }); },
     [] { return common::ReadFileBytes(QStringLiteral("/proc/self/stat")).has_value(); }},
};

class SharedState : public ::testing::TestWithParam<Piece> {};

TEST_P(SharedState, OneResetPutsThePieceBackToItsStart) {
    const Piece& p = GetParam();
    common::ResetSharedState();
    ASSERT_TRUE(p.atStart());
    p.change();
    ASSERT_FALSE(p.atStart());
    common::ResetSharedState();
    EXPECT_TRUE(p.atStart());
}

INSTANTIATE_TEST_SUITE_P(Pieces, SharedState, ::testing::ValuesIn(kPieces),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
