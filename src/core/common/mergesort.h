#pragma once
// The stable merge sort of the rankings: up to 2000 signed 32-bit keys,
// ascending, carrying the pupil numbers along; equal keys keep their input
// order. One scratch buffer of half the size.

#include <QVector>
#include <cstdint>

namespace common {

void StableMergeSort(QVector<std::int32_t>& keys, QVector<int>& pupils);

}  // namespace common
