#include "core/common/runstate.h"

#include "core/common/numbers.h"
#include "core/common/platform.h"
#include "core/common/sharedstate.h"

namespace common {

RunState& runState() {
    static RunState& state = MakeShared<RunState>();
    return state;
}

void MarkSignIn() {
    Platform& p = platform();
    RunState& s = runState();
    s.SignInTime = static_cast<std::int32_t>(RoundHalfEven(p.SecondsSinceMidnight()));
    s.SignInTick = p.TickCount();
}

long long MinutesSinceSignIn() {
    // The unsigned difference is right across a wrap of the counter.
    const quint32 ms = platform().TickCount() - runState().SignInTick;
    return static_cast<long long>(ms / 60000u);
}

}  // namespace common
