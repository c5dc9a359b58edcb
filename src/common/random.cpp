#include "common/random.h"

#include <random>

namespace common {
namespace {
std::mt19937_64 engine{12345};
std::function<double()> injected;
}  // namespace

void Randomize(double seed) {
    engine.seed(static_cast<std::uint64_t>(seed * 1000.0));
}

double Rnd() {
    if (injected) return injected();
    return std::uniform_real_distribution<double>(0.0, 1.0)(engine);
}

void SetRandomSource(std::function<double()> source) { injected = std::move(source); }

}  // namespace common
