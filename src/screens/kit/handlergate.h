#pragma once
// One handler at a time. A handler that lets window events run (a listing, a
// graph set) works on state that a click meanwhile would change under it: the
// lists would get the lines of two listings, a printout the graphs of two
// pupils. A click that arrives while a handler of the gate runs is therefore
// not run inside it; what it asks for is run once the running handler has
// returned, each kind of request once, in the order they came.

#include <functional>
#include <utility>
#include <vector>

namespace kit {

class HandlerGate {
public:
    // Runs `handler` now when no handler of this gate runs. Otherwise `later`
    // is kept, unless a request of the same `kind` is kept already, and runs
    // after the running handler (inside the gate, so a click during it waits
    // in turn).
    void Run(const std::function<void()>& handler, int kind, std::function<void()> later);
    // The same when the request, run later, is the handler itself.
    void Run(int kind, std::function<void()> handler) {
        const std::function<void()> now = handler;
        Run(now, kind, std::move(handler));
    }
    bool Running() const { return depth_ > 0; }

private:
    int depth_ = 0;
    std::vector<std::pair<int, std::function<void()>>> pending_;
};

}  // namespace kit
