#pragma once
// The program's one random generator (questions, sound variants). Seeded from
// the time of day; tests put a source of their own in its place.

#include <functional>

namespace common {

void Randomize(double seed);
// Uniform in [0, 1).
double Rnd();
// Replaces the generator (an empty function restores the real one).
void SetRandomSource(std::function<double()> source);

}  // namespace common
