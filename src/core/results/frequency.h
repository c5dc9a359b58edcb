#pragma once
// How the stored results of each level are distributed, for the criteria
// editor's lists: every result ("全成績") and each pupil's best ("最高タイム"),
// in buckets of 10 seconds.

#include "core/results/statistics.h"

#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <sys/types.h>

namespace results {

inline constexpr int kAllBuckets = 101;  // 0..100; the last gathers 1000 s and more
inline constexpr int kBestBuckets = 31;  // 0..30; the last gathers 300 s and more

// The counts of every level (1..35) from one pass over the results file.
struct FrequencyCounts {
    std::array<std::int64_t, kLevelSlots> Runs{};
    std::array<std::array<std::int32_t, kAllBuckets>, kLevelSlots> All{};
    std::array<std::array<std::int32_t, kBestBuckets>, kLevelSlots> Best{};
};

// Counts every whole record of the results file (ResultsFilePath() when path
// is empty), in record order. Records whose level is outside 1..35 or whose
// result is negative have no place in the lists and are skipped. False with
// a message naming the file when it cannot be read; counts are then empty.
bool CountFrequencies(FrequencyCounts& counts, QString& errorMessage, const QString& path = QString());

// The lines of List3 (every result) and List4 (best times) for a level: the
// header line, then one line per bucket.
QStringList AllResultsLines(const FrequencyCounts& counts, int level);
QStringList BestTimeLines(const FrequencyCounts& counts, int level);

// The counts of the results file, kept until the file changes (its size, its
// modification or change time, or the file itself), so that a key press in the
// editor does not read the whole file again.
class FrequencyCache {
public:
    FrequencyCache();
    ~FrequencyCache();
    FrequencyCache(const FrequencyCache&) = delete;
    FrequencyCache& operator=(const FrequencyCache&) = delete;

    // The counts, counted again first when the file changed since the last
    // count. False with a message when the file cannot be read (the counts
    // are then empty and are counted again at the next call).
    bool Refresh(QString& errorMessage, const QString& path = QString());
    const FrequencyCounts& Counts() const { return counts_; }
    // How many times the file has been read, for tests.
    int Reads() const { return reads_; }
    void Clear();

    // What tells one state of the file from another.
    struct Stamp {
        dev_t device = 0;
        ino_t inode = 0;
        off_t size = -1;
        long long modified = 0;  // nanoseconds
        long long changed = 0;
        bool operator==(const Stamp&) const = default;
    };

private:
    static bool StampOf(const QString& path, Stamp& stamp);

    FrequencyCounts counts_{};
    QString path_;
    Stamp stamp_{};
    bool valid_ = false;
    int reads_ = 0;
};

}  // namespace results
