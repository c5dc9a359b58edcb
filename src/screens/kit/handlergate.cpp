#include "screens/kit/handlergate.h"

#include <algorithm>

namespace kit {

void HandlerGate::Run(const std::function<void()>& handler, int kind, std::function<void()> later) {
    if (depth_ > 0) {
        const bool kept = std::any_of(pending_.begin(), pending_.end(), [kind](const auto& p) { return p.first == kind; });
        if (!kept) pending_.emplace_back(kind, std::move(later));
        return;
    }
    ++depth_;
    handler();
    while (!pending_.empty()) {
        const std::function<void()> next = std::move(pending_.front().second);
        pending_.erase(pending_.begin());
        next();
    }
    --depth_;
}

}  // namespace kit
