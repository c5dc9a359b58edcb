#include "core/common/mergesort.h"

#include <benchmark/benchmark.h>

// The ranking sort at its largest size: 2000 pupils.
static void BM_StableMergeSort2000(benchmark::State& state) {
    QVector<std::int32_t> base;
    for (int i = 0; i < 2000; ++i) base << static_cast<std::int32_t>((i * 7919) % 1013);
    for (auto _ : state) {
        QVector<std::int32_t> keys = base;
        QVector<int> pupils(keys.size());
        for (int i = 0; i < pupils.size(); ++i) pupils[i] = i;
        common::StableMergeSort(keys, pupils);
        benchmark::DoNotOptimize(keys.data());
    }
}
BENCHMARK(BM_StableMergeSort2000);
