#include "core/results/frequency.h"

#include "core/common/sharedstate.h"
#include "core/common/strings.h"
#include "core/results/resultsfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <limits>
#include <memory>
#include <unordered_map>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

namespace results {
namespace {

constexpr int kFirstLevel = 1;
constexpr int kLastLevel = kLevelSlots - 1;
constexpr std::uint8_t kNoBest = 0xFF;

QString ReadError(const QString& file, int error) { return ReadErrorMessage(file, error); }

}  // namespace

// The bucket of each pupil's best result per level. The bucket grows with the
// result, so the smallest bucket is the best result's. Pupil numbers of the
// school fit a table; any other number a record may carry goes to a map. The
// table and the read buffer are made once for the program (SharedBuckets), so
// a count neither allocates nor clears them: the slots a count touched are
// put back after it. A level's row is a power of two long, so that the tally
// finds a slot's level with a shift rather than a division.
class BestBuckets {
    static constexpr int kRowBits = 13;
    static_assert(kPupilSlots <= 1 << kRowBits);

public:
    BestBuckets() : table_(static_cast<size_t>(kLevelSlots) << kRowBits, kNoBest) {}

    // Takes one chunk of records: their counts into counts, their buckets
    // into the table. The table is bytes, which the compiler must assume to
    // alias everything, so the loop works on local copies of every pointer
    // and count.
    void AddRecords(const char* p, long long records, FrequencyCounts& counts) {
        // Room for every slot once; written only where a slot is first set,
        // so its pages are never cleared.
        if (!touched_) touched_ = std::make_unique_for_overwrite<std::uint32_t[]>(table_.size());
        std::uint8_t* __restrict const table = table_.data();
        std::uint32_t* __restrict const touched = touched_.get();
        size_t touchedCount = touchedCount_;
        auto* const all = counts.All.data();
        for (long long k = 0; k < records; ++k, p += kRecordSize) {
            // One load per field: each load widens its field with its sign
            // in the same instruction, where taking the fields out of one
            // wide load cost a copy and a shift apiece, and this loop is
            // bound by the instructions it runs.
            const int pupil = qFromLittleEndian<std::int16_t>(p + 16);
            const int level = qFromLittleEndian<std::int16_t>(p + 18);
            const std::int32_t result = qFromLittleEndian<std::int32_t>(p + 20);
            if (static_cast<unsigned>(level - kFirstLevel) > kLastLevel - kFirstLevel || result < 0) continue;
            const std::uint32_t tens = static_cast<std::uint32_t>(result) / 10u;
            ++all[level][std::min<std::uint32_t>(tens, kAllBuckets - 1)];
            const auto bucket = static_cast<std::uint8_t>(std::min<std::uint32_t>(tens, kBestBuckets - 1));
            if (pupil >= 0 && pupil < kPupilSlots) {
                // Without branches on the data: results come in any order.
                const auto index = static_cast<std::uint32_t>(level << kRowBits | pupil);
                const std::uint8_t best = table[index];
                touched[touchedCount] = index;
                touchedCount += best == kNoBest;
                table[index] = std::min(best, bucket);
            } else {
                AddOther(level, pupil, bucket);
            }
        }
        touchedCount_ = touchedCount;
    }

    // A pupil number beyond the roster's range: rare, and kept out of the
    // loop above so that its registers stay free.
    [[gnu::noinline]] void AddOther(int level, int pupil, int bucket) {
        const long long key = static_cast<long long>(level) * 65536 + pupil;
        auto [it, added] = others_.try_emplace(key, bucket);
        if (!added && bucket < it->second) it->second = bucket;
    }

    // Adds one to the bucket of every pupil's best, and forgets them all.
    // Local copies of the pointers, as in AddRecords: a byte store would
    // otherwise have them loaded again for every slot.
    void CountInto(FrequencyCounts* counts) {
        std::uint8_t* __restrict const table = table_.data();
        const std::uint32_t* __restrict const touched = touched_.get();
        const size_t touchedCount = touchedCount_;
        auto* const best = counts ? counts->Best.data() : nullptr;
        for (size_t i = 0; i < touchedCount; ++i) {
            const std::uint32_t index = touched[i];
            if (best) ++best[index >> kRowBits][table[index]];
            table[index] = kNoBest;
        }
        touchedCount_ = 0;
        if (counts) {
            for (const auto& [key, bucket] : others_) {
                const long long level = (key + 32768) / 65536;  // pupil numbers are 16-bit
                ++counts->Best[level][bucket];
            }
        }
        others_.clear();
    }

    CommittedRead& Read() { return read_; }

private:
    std::vector<std::uint8_t> table_;
    std::unique_ptr<std::uint32_t[]> touched_;  // the slots set, each once
    size_t touchedCount_ = 0;
    std::unordered_map<long long, int> others_;
    CommittedRead read_;  // its storage is kept from one count to the next
};

namespace {

bool Count(const QString& path, BestBuckets& best, FrequencyCounts& counts, QString& errorMessage) {
    const QString file = path.isEmpty() ? ResultsFilePath() : path;
    common::IoFailure failure;
    // Counted a piece at a time as the file is read. Whole records only: a
    // record being appended is counted next time.
    const bool read = ReadCommittedPieces(
        file, best.Read(),
        [&](QByteArrayView records, bool first) {
            if (first) {
                counts = FrequencyCounts{};
                best.CountInto(nullptr);
            }
            best.AddRecords(records.data(), records.size() / kRecordSize, counts);
        },
        failure);
    if (!read) {
        best.CountInto(nullptr);
        counts = FrequencyCounts{};
        errorMessage = ReadError(file, failure.Error);
        return false;
    }
    best.CountInto(&counts);
    for (int level = kFirstLevel; level <= kLastLevel; ++level)
        for (std::int32_t n : counts.All[level]) counts.Runs[level] += n;
    return true;
}

// The bucket lines: R4(10 × b) + "～" + one star per unit, rounded, for
// every bucket 0 … 100. Best results gather in bucket 30 at most, so the
// best-time list's buckets above it stand without stars.
template <size_t N>
QStringList BucketLines(QString header, const std::array<std::int32_t, N>& buckets, long long unit) {
    static_assert(N <= kAllBuckets);
    // The start of each bucket's line, made once: a line without stars is a
    // shared copy of it.
    static const QStringList starts = [] {
        QStringList s;
        for (int b = 0; b < kAllBuckets; ++b) s << common::RightPadded(QString::number(10 * b), 2, 4) + u'～';
        return s;
    }();
    QStringList lines;
    lines.reserve(kAllBuckets + 1);
    lines.append(header);
    for (size_t b = 0; b < kAllBuckets; ++b) {
        const std::int32_t count = b < N ? buckets[b] : 0;
        const auto stars = static_cast<qsizetype>(std::floor(static_cast<double>(count) / unit + 0.5));
        const QString& start = starts[static_cast<qsizetype>(b)];
        if (stars <= 0) {
            lines.append(start);
            continue;
        }
        // One allocation: the start's copy grows by its stars in place.
        QString line = start;
        line.resize(start.size() + stars, u'★');
        lines.append(std::move(line));
    }
    return lines;
}

// One star stands for a tenth of the fullest bucket, at least for one result.
template <size_t N>
long long UnitOf(const std::array<std::int32_t, N>& buckets) {
    const long long most = *std::max_element(buckets.begin(), buckets.end());
    return most / 10 == 0 ? 1 : most / 10;
}

const FrequencyCounts& NoCounts() {
    static const FrequencyCounts none{};
    return none;
}

bool Shown(int level) { return level >= kFirstLevel && level <= kLastLevel; }

FrequencyCache::Stamp StampFrom(const struct stat& info) {
    return {info.st_dev, info.st_ino, info.st_size, info.st_mtim.tv_sec * 1000000000LL + info.st_mtim.tv_nsec,
            info.st_ctim.tv_sec * 1000000000LL + info.st_ctim.tv_nsec};
}

}  // namespace

// The count's tables and read buffer, made at the first count and kept for
// the program: the editor opens many times a day, and making them anew (a
// table of every pupil and level, a buffer of the whole file) cost more than
// reading and counting the records.
BestBuckets& SharedBuckets() {
    static BestBuckets& buckets = common::MakeShared<BestBuckets>();
    return buckets;
}

bool CountFrequencies(FrequencyCounts& counts, QString& errorMessage, const QString& path) {
    return Count(path, SharedBuckets(), counts, errorMessage);
}

QStringList AllResultsLines(const FrequencyCounts& counts, int level) {
    const FrequencyCounts& c = Shown(level) ? counts : NoCounts();
    const int slot = Shown(level) ? level : kFirstLevel;
    const long long unit = UnitOf(c.All[slot]);
    return BucketLines(QStringLiteral("レベル%1 今まで%2回  （★=%3）").arg(level).arg(c.Runs[slot]).arg(unit),
                       c.All[slot], unit);
}

QStringList BestTimeLines(const FrequencyCounts& counts, int level) {
    const FrequencyCounts& c = Shown(level) ? counts : NoCounts();
    const int slot = Shown(level) ? level : kFirstLevel;
    const long long unit = UnitOf(c.Best[slot]);
    return BucketLines(QStringLiteral("レベル%1 （★=%2）").arg(level).arg(unit), c.Best[slot], unit);
}

bool FrequencyCache::StampOf(const QString& path, Stamp& stamp) {
    struct stat info {};
    common::IoFailure ignored;
    if (common::StatPath(path, info, ignored) != 0) return false;
    stamp = StampFrom(info);
    return true;
}

bool FrequencyCache::Refresh(QString& errorMessage, const QString& path) {
    const QString file = path.isEmpty() ? ResultsFilePath() : path;
    Stamp now;
    if (valid_ && file == path_ && StampOf(file, now) && now == stamp_) return true;
    valid_ = false;
    ++reads_;
    // Taken before the count: a change after it makes the next look count again.
    const bool stamped = StampOf(file, now);
    if (!Count(file, SharedBuckets(), counts_, errorMessage)) return false;
    if (!stamped) return true;  // nothing to compare the next look with: counted again then
    stamp_ = now;
    path_ = file;
    valid_ = true;
    return true;
}

FrequencyCache::FrequencyCache() = default;
FrequencyCache::~FrequencyCache() = default;

void FrequencyCache::Clear() {
    counts_ = FrequencyCounts{};
    path_.clear();
    valid_ = false;
}

}  // namespace results
