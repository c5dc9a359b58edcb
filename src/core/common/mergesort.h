#pragma once
// The stable merge sort of the rankings: up to 2000 signed keys, ascending,
// carrying the pupil numbers along; equal keys keep their input order. One
// scratch buffer of half the size. A 64-bit key holds two 32-bit values, the
// first deciding.

#include <QVector>
#include <cstdint>

namespace common {

void StableMergeSort(QVector<std::int32_t>& keys, QVector<int>& pupils);
void StableMergeSort(QVector<std::int64_t>& keys, QVector<int>& pupils);

}  // namespace common
