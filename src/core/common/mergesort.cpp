#include "core/common/mergesort.h"

namespace common {
namespace {

// Sorts [lo, hi) of keys/pupils; the left half is copied into the scratch
// buffers and merged back, so the scratch never needs more than half.
void SortRange(std::int32_t* keys, int* pupils, int lo, int hi,
               std::int32_t* scratchKeys, int* scratchPupils) {
    if (hi - lo < 2) return;
    const int mid = lo + (hi - lo) / 2;
    SortRange(keys, pupils, lo, mid, scratchKeys, scratchPupils);
    SortRange(keys, pupils, mid, hi, scratchKeys, scratchPupils);
    if (keys[mid - 1] <= keys[mid]) return;  // already in order
    const int leftLen = mid - lo;
    for (int i = 0; i < leftLen; ++i) {
        scratchKeys[i] = keys[lo + i];
        scratchPupils[i] = pupils[lo + i];
    }
    int i = 0, j = mid, k = lo;
    while (i < leftLen && j < hi) {
        // "<=" takes from the left on ties: equal keys keep their input order.
        if (scratchKeys[i] <= keys[j]) {
            keys[k] = scratchKeys[i];
            pupils[k++] = scratchPupils[i++];
        } else {
            keys[k] = keys[j];
            pupils[k++] = pupils[j++];
        }
    }
    while (i < leftLen) {
        keys[k] = scratchKeys[i];
        pupils[k++] = scratchPupils[i++];
    }
}

}  // namespace

void StableMergeSort(QVector<std::int32_t>& keys, QVector<int>& pupils) {
    const int n = static_cast<int>(keys.size());
    Q_ASSERT(pupils.size() == keys.size());
    QVector<std::int32_t> scratchKeys(n / 2 + 1);
    QVector<int> scratchPupils(n / 2 + 1);
    SortRange(keys.data(), pupils.data(), 0, n, scratchKeys.data(), scratchPupils.data());
}

}  // namespace common
