#include "core/common/sharedstate.h"

#include <vector>

namespace common {
namespace {

// Never destroyed, like the pieces it resets.
std::vector<std::function<void()>>& Resets() {
    static auto* const resets = new std::vector<std::function<void()>>;
    return *resets;
}

}  // namespace

void RegisterSharedReset(std::function<void()> reset) { Resets().push_back(std::move(reset)); }

void ResetSharedState() {
    // By index: a reset may make a piece of its own the first time (which
    // registers it, at its start already).
    std::vector<std::function<void()>>& resets = Resets();
    for (std::size_t i = 0; i < resets.size(); ++i) resets[i]();
}

}  // namespace common
