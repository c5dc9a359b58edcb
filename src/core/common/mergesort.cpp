#include "core/common/mergesort.h"

namespace common {
namespace {

// Below this many, a range is sorted by insertion: shifting a few entries
// costs less than halving down to single ones.
constexpr int kInsertionBelow = 16;

// Sorts [lo, hi) of keys/pupils; the left half is copied into the scratch
// buffers and merged back, so the scratch never needs more than half.
template <typename Key>
void SortRange(Key* keys, int* pupils, int lo, int hi, Key* scratchKeys, int* scratchPupils) {
    if (hi - lo < kInsertionBelow) {
        for (int i = lo + 1; i < hi; ++i) {
            const Key key = keys[i];
            const int pupil = pupils[i];
            int j = i;
            // ">" moves only greater keys: equal keys keep their input order.
            for (; j > lo && keys[j - 1] > key; --j) {
                keys[j] = keys[j - 1];
                pupils[j] = pupils[j - 1];
            }
            keys[j] = key;
            pupils[j] = pupil;
        }
        return;
    }
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

template <typename Key>
void Sort(QVector<Key>& keys, QVector<int>& pupils) {
    const int n = static_cast<int>(keys.size());
    Q_ASSERT(pupils.size() == keys.size());
    QVector<Key> scratchKeys(n / 2 + 1);
    QVector<int> scratchPupils(n / 2 + 1);
    SortRange(keys.data(), pupils.data(), 0, n, scratchKeys.data(), scratchPupils.data());
}

}  // namespace

void StableMergeSort(QVector<std::int32_t>& keys, QVector<int>& pupils) { Sort(keys, pupils); }
void StableMergeSort(QVector<std::int64_t>& keys, QVector<int>& pupils) { Sort(keys, pupils); }

}  // namespace common
