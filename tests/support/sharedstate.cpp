#include "sharedstate.h"

#include "common/runstate.h"
#include "menus/roster.h"
#include "practice/kanatable.h"
#include "results/availability.h"
#include "results/criteria.h"
#include "results/statistics.h"
#include "sound/sound.h"
#include "startup/configuration.h"

namespace testing_support {

void ResetSharedState() {
    common::runState().Reset();
    startup::commonSettings().Reset();
    results::criteria().Reset();
    results::stats().Reset();
    results::FinalLevelCleared() = 0;
    menus::roster().Reset();
    sound::soundTable().Reset();
    practice::kanaTable().Reset();
}

}  // namespace testing_support
