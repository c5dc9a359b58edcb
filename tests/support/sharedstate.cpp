
#include "common/random.h"
#include "common/runstate.h"
#include "menus/namelist.h"
#include "menus/roster.h"
#include "practice/kanatable.h"
#include "results/availability.h"
#include "results/criteria.h"
#include "results/criteriagrid.h"
#include "results/resultsfile.h"
#include "results/statistics.h"
#include "sound/sound.h"
#include "startup/configuration.h"

#include "sharedstate.h"
namespace testing_support {

void ResetSharedState() {
    common::runState().Reset();
    common::SetRandomSource({});
    startup::commonSettings().Reset();
    results::criteria().Reset();
    results::stats().Reset();
    results::ForgetStatisticsCaches();
    results::runEndFlags() = {};
    results::FinalLevelCleared() = 0;
    results::SetCriteriaSaveHook(nullptr);
    menus::roster().Reset();
    menus::ForgetRosterReads();
    menus::ForgetNameOrder();
    menus::GradeFilterText() = menus::GradeFilterTexts().front();
    sound::soundTable().Reset();
    practice::kanaTable().Reset();
}

}  // namespace testing_support
