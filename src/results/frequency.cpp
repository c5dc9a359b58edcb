#include "results/frequency.h"

#include "common/strings.h"
#include "results/resultsfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <limits>
#include <unordered_map>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

namespace results {
namespace {

constexpr int kFirstLevel = 1;
constexpr int kLastLevel = kLevelSlots - 1;
constexpr std::int32_t kNoBest = std::numeric_limits<std::int32_t>::max();
// Records read at a time: the file is walked once, in pieces that stay in the
// cache, however large it has grown.
constexpr long long kRecordsPerRead = 8192;

QString ReadError(const QString& file, int error) {
    return QStringLiteral("%1 が読めません。\n%2\n%3")
        .arg(QFileInfo(file).fileName(), QDir::cleanPath(file), ErrorDescription(error));
}

// Each pupil's smallest result per level. Pupil numbers of the school fit a
// table; any other number a record may carry goes to a map.
class BestResults {
public:
    BestResults() : table_(static_cast<size_t>(kLevelSlots) * kPupilSlots, kNoBest) {}

    void Add(int level, int pupil, std::int32_t result) {
        if (pupil >= 0 && pupil < kPupilSlots) {
            std::int32_t& best = table_[static_cast<size_t>(level) * kPupilSlots + pupil];
            if (result < best) best = result;
            return;
        }
        const long long key = static_cast<long long>(level) * 65536 + pupil;
        auto [it, added] = others_.try_emplace(key, result);
        if (!added && result < it->second) it->second = result;
    }

    void CountInto(FrequencyCounts& counts) const {
        for (int level = kFirstLevel; level <= kLastLevel; ++level) {
            auto& best = counts.Best[level];
            const std::int32_t* row = table_.data() + static_cast<size_t>(level) * kPupilSlots;
            for (int pupil = 0; pupil < kPupilSlots; ++pupil)
                if (row[pupil] != kNoBest) ++best[Bucket(row[pupil])];
        }
        for (const auto& [key, result] : others_) {
            const long long level = (key + 32768) / 65536;  // pupil numbers are 16-bit
            ++counts.Best[level][Bucket(result)];
        }
    }

private:
    static int Bucket(std::int32_t result) { return std::min(result / 10, kBestBuckets - 1); }

    std::vector<std::int32_t> table_;
    std::unordered_map<long long, std::int32_t> others_;
};

bool Count(const QString& path, FrequencyCounts& counts, QString& errorMessage, struct stat* stamp) {
    counts = FrequencyCounts{};
    const QString file = path.isEmpty() ? ResultsFilePath() : path;
    int fd;
    while ((fd = OpenResultsFileToRead(file)) < 0)
        if (errno != EINTR) return errorMessage = ReadError(file, errno), false;
    FileDescriptor closer(fd);

    struct stat info {};
    while (::fstat(fd, &info) != 0)
        if (errno != EINTR) return errorMessage = ReadError(file, errno), false;
    if (stamp) *stamp = info;

    // Whole records only: a record being appended is counted next time.
    const long long records = info.st_size / kRecordSize;
    std::vector<char> buffer(static_cast<size_t>(std::min(records, kRecordsPerRead) * kRecordSize));
    BestResults best;
    long long done = 0;
    while (done < records) {
        const long long wanted = std::min(records - done, kRecordsPerRead) * kRecordSize;
        long long got = 0;
        while (got < wanted) {
            const ssize_t n = ::pread(fd, buffer.data() + got, static_cast<size_t>(wanted - got),
                                      static_cast<off_t>(done * kRecordSize + got));
            if (n > 0) {
                got += n;
                continue;
            }
            if (n == 0) break;  // shortened meanwhile (records maintenance)
            if (errno == EINTR) continue;
            const int error = errno;
            counts = FrequencyCounts{};
            return errorMessage = ReadError(file, error), false;
        }
        const char* p = buffer.data();
        const long long whole = got / kRecordSize;
        for (long long k = 0; k < whole; ++k, p += kRecordSize) {
            const int pupil = qFromLittleEndian<std::int16_t>(p + 16);
            const int level = qFromLittleEndian<std::int16_t>(p + 18);
            const std::int32_t result = qFromLittleEndian<std::int32_t>(p + 20);
            if (level < kFirstLevel || level > kLastLevel || result < 0) continue;
            ++counts.Runs[level];
            ++counts.All[level][std::min(result / 10, kAllBuckets - 1)];
            best.Add(level, pupil, result);
        }
        done += whole;
        if (got < wanted) break;
    }
    best.CountInto(counts);
    return true;
}

// The bucket lines: R4(10 × b) + "～" + one star per unit, rounded.
template <size_t N>
QStringList BucketLines(QString header, const std::array<std::int32_t, N>& buckets, long long unit) {
    QStringList lines;
    lines.reserve(static_cast<qsizetype>(N) + 1);
    lines.append(header);
    for (size_t b = 0; b < N; ++b) {
        const auto stars = static_cast<qsizetype>(std::floor(static_cast<double>(buckets[b]) / unit + 0.5));
        lines.append(common::RightPadded(QString::number(10 * b), 2, 4) + u'～' + QString(stars, u'★'));
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

bool CountFrequencies(FrequencyCounts& counts, QString& errorMessage, const QString& path) {
    return Count(path, counts, errorMessage, nullptr);
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
    if (::stat(QFile::encodeName(path).constData(), &info) != 0) return false;
    stamp = StampFrom(info);
    return true;
}

bool FrequencyCache::Refresh(QString& errorMessage, const QString& path) {
    const QString file = path.isEmpty() ? ResultsFilePath() : path;
    Stamp now;
    if (valid_ && file == path_ && StampOf(file, now) && now == stamp_) return true;
    valid_ = false;
    ++reads_;
    struct stat info {};
    if (!Count(file, counts_, errorMessage, &info)) return false;
    stamp_ = StampFrom(info);
    path_ = file;
    valid_ = true;
    return true;
}

void FrequencyCache::Clear() {
    counts_ = FrequencyCounts{};
    path_.clear();
    valid_ = false;
}

}  // namespace results
