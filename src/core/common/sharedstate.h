#pragma once
// The process-wide state of the program (the run state, the criteria table,
// the statistics, the roster tables, ...) is made here, one piece at a time.
//
// Each piece is made at its first use and registers how it is put back to its
// start; ResetSharedState puts every piece made so far back (tests and
// benchmarks call it before each case, so no case sees what an earlier one
// left behind, and no list of the pieces is kept by hand). A piece is never
// destroyed: it lives until the process ends, so no piece can end before
// another one, or a test fixture, that still reads it at exit.

#include <functional>
#include <utility>

namespace common {

// Registers a reset; ResetSharedState runs the resets in the order registered.
void RegisterSharedReset(std::function<void()> reset);
// Puts every piece of shared state made so far back to its start.
void ResetSharedState();

// A piece of shared state: made by make(), and made again by make() at every
// ResetSharedState. Call it once, in the function that gives the piece out:
//     RunState& runState() {
//         static RunState& state = MakeShared<RunState>();
//         return state;
//     }
template <typename T, typename Make>
T& MakeShared(Make make) {
    T* const made = new T(make());
    RegisterSharedReset([made, make] { *made = make(); });
    return *made;
}

template <typename T>
T& MakeShared() {
    return MakeShared<T>([] { return T{}; });
}

}  // namespace common
