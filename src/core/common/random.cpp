#include "core/common/random.h"

#include "core/common/sharedstate.h"

#include <random>

namespace common {
namespace {

// The generator and the source a test put in its place.
struct RandomSource {
    std::mt19937_64 Engine{12345};
    std::function<double()> Injected;
};

RandomSource& Source() {
    static RandomSource& source = MakeShared<RandomSource>();
    return source;
}

}  // namespace

void Randomize(double seed) {
    Source().Engine.seed(static_cast<std::uint64_t>(seed * 1000.0));
}

double Rnd() {
    RandomSource& s = Source();
    if (s.Injected) return s.Injected();
    return std::uniform_real_distribution<double>(0.0, 1.0)(s.Engine);
}

void SetRandomSource(std::function<double()> source) { Source().Injected = std::move(source); }

}  // namespace common
