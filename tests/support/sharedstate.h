#pragma once
// Every piece of process-wide state the program keeps, put back to its start.
// Tests and benchmarks call this before each case, so no case sees what an
// earlier one left behind.

namespace testing_support {

void ResetSharedState();

}  // namespace testing_support
