#include "common/runstate.h"

namespace common {

RunState& runState() {
    static RunState state;
    return state;
}

}  // namespace common
