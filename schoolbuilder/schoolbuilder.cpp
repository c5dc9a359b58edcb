#include "schoolbuilder.h"

#include "core/common/runstate.h"
#include "core/common/textfile.h"
#include "core/menus/roster.h"
#include "core/results/resultsfile.h"
#include "core/sound/sound.h"
#include "core/startup/configuration.h"
#include "core/startup/newschool.h"

#include <QDateTime>
#include <QDir>
#include <QFile>

#include <algorithm>
#include <random>

namespace school {
namespace {

const QString kSoundFolder = QStringLiteral("音フォルダ/");

menus::PupilEntry EntryOf(const Pupil& p) {
    menus::PupilEntry e;
    e.Number = static_cast<std::int16_t>(p.number);
    e.BirthYear = static_cast<std::int16_t>(p.birthYear);
    e.ExtraNumber1 = static_cast<std::int16_t>(p.extraNumber1);
    e.ExtraNumber2 = static_cast<std::int16_t>(p.extraNumber2);
    e.Name = p.name;
    e.ListingFlag = static_cast<std::int16_t>(p.listingFlag);
    e.ExtraText1 = p.extraText1;
    e.ExtraText2 = p.extraText2;
    return e;
}

bool WriteText(const QString& path, const QString& text, QString& error) {
    QString why;
    if (common::WriteShiftJisFile(path, text, &why)) return true;
    error = QStringLiteral("%1: %2").arg(path, why);
    return false;
}

}  // namespace

Folders FlatFolders(const QString& folder) {
    const QString f = folder.endsWith(u'/') ? folder : folder + u'/';
    return {f, f};
}

Folders InstallationFolders(const QString& root) {
    const QString data = root + QStringLiteral("/CAIdata/");
    return {data, data + startup::InstalledProgramFolderName() + u'/'};
}

int BirthYear(int grade, int schoolYear) { return schoolYear - grade - 6; }

Pupil Teacher(int number, int birthYear) { return {number, birthYear, QStringLiteral("先生")}; }

std::vector<Pupil> MadeUpRoster(const RosterOptions& o) {
    static const QString kana =
        QStringLiteral("あいうえおかきくけこさしすせそたちつてとなにぬねのはひふへほまみむめもやゆよらりるれろわん");
    const int listed = o.listed < 0 ? o.entries : o.listed;
    std::mt19937 random(o.seed);
    std::vector<Pupil> roster;
    roster.reserve(static_cast<size_t>(o.entries) + 1);
    for (int i = 1; i <= o.entries; ++i) {
        QString name;
        const int length = 2 + static_cast<int>(random() % 5);
        for (int k = 0; k < length; ++k) name += kana[static_cast<qsizetype>(random() % kana.size())];
        const int grade = -2 + static_cast<int>(random() % 15);  // kindergarten .. high school
        // Entry i is listed when it brings the count of listed entries up to
        // its share of the first i entries.
        const bool isListed = static_cast<long long>(i) * listed / o.entries >
                              static_cast<long long>(i - 1) * listed / o.entries;
        roster.push_back({i, BirthYear(grade, o.schoolYear), name, isListed ? 0 : 1});
    }
    if (o.teacher > 0) roster.push_back(Teacher(o.teacher));
    return roster;
}

std::vector<int> ListedNumbers(const std::vector<Pupil>& roster) {
    std::vector<int> numbers;
    for (const Pupil& p : roster)
        if (p.listingFlag == 0) numbers.push_back(p.number);
    return numbers;
}

QString RosterText(const std::vector<Pupil>& pupils) {
    std::vector<menus::PupilEntry> entries;
    entries.reserve(pupils.size());
    for (const Pupil& p : pupils) entries.push_back(EntryOf(p));
    return menus::RosterFileText(entries);
}

void SetRosterTables(int schoolYear, const std::vector<PupilInGrade>& pupils) {
    std::vector<Pupil> entries;
    for (const PupilInGrade& p : pupils) entries.push_back({p.number, BirthYear(p.grade, schoolYear), p.name});
    menus::Roster& r = menus::roster();
    r.Reset();
    r.SchoolYear = schoolYear;
    menus::StoreRoster(menus::ParseRoster(RosterText(entries)).entries);
}

results::CriteriaTable UniformCriteria(const UniformRow& row, int levels) {
    results::CriteriaTable table;
    for (int level = 1; level <= levels; ++level) {
        results::CriteriaRow& c = table[level];
        c.TargetTime = row.target;
        c.MinimumTime = row.minimum;
        c.ClearPoints = row.clearPoints;
        c.ClearCount = static_cast<std::int16_t>(row.clearCount);
        c.PointMultiplier = row.multiplier;
        c.TooMuchCount.Text = row.tooMuchCount;
        c.TooMuchPoints.Text = row.tooMuchPoints;
        c.JudgementDays.Text = row.judgementDays;
        c.TooMuchDays.Text = row.tooMuchDays;
    }
    return table;
}

QByteArray RecordBytes(const Run& run) {
    return results::EncodeRecord(results::RecordOfRun(QDateTime(run.date, run.time),
                                                      static_cast<std::int16_t>(run.pupil),
                                                      static_cast<std::int16_t>(run.level), run.result, run.school));
}

QByteArray RecordBytes(const std::vector<Run>& runs) {
    QByteArray bytes;
    bytes.reserve(static_cast<qsizetype>(runs.size()) * results::kRecordSize);
    for (const Run& r : runs) bytes += RecordBytes(r);
    return bytes;
}

bool AppendRuns(const QString& resultsFile, const std::vector<Run>& runs, QString* error) {
    QFile f(resultsFile);
    const QByteArray bytes = RecordBytes(runs);
    if (f.open(QIODevice::Append) && f.write(bytes) == bytes.size() && f.flush()) return true;
    if (error) *error = QStringLiteral("%1: %2").arg(resultsFile, f.errorString());
    return false;
}

std::vector<Run> MadeUpHistory(const HistoryOptions& options) {
    // Options that would leave nothing to pick from are taken at their least.
    HistoryOptions o = options;
    o.days = std::max(1, o.days);
    o.levels = std::max(1, o.levels);
    o.slowest = std::max(o.fastest, o.slowest);
    if (o.pupils.empty()) o.pupils = {o.regularPupil};
    std::mt19937 random(o.seed);
    const auto pick = [&random](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    const QDate first = o.today.addDays(-(o.days - 1));
    constexpr int kOpenSeconds = 12 * 3600;  // 9:00 to 21:00
    std::vector<Run> runs;
    runs.reserve(static_cast<size_t>(o.records));
    for (int k = 0; k < o.records; ++k) {
        // Where the run falls in the days, in days from the first one.
        const long long scaled = static_cast<long long>(k) * o.days;
        const int day = static_cast<int>(scaled / o.records);
        const int second = static_cast<int>(scaled % o.records * kOpenSeconds / o.records);
        Run r;
        r.date = first.addDays(day);
        r.time = QTime(9, 0).addSecs(second);
        const bool regular = o.regularEvery > 0 && k % o.regularEvery == 0;
        r.pupil = regular ? o.regularPupil : o.pupils[size_t(pick(static_cast<int>(o.pupils.size())))];
        r.level = 1 + pick(o.levels);
        r.result = o.fastest + pick(o.slowest - o.fastest + 1);
        if (o.timeOutEvery > 0 && k % o.timeOutEvery == o.timeOutEvery - 1) r.result = results::kNoResult;
        r.school = o.otherSchoolEvery > 0 && k % o.otherSchoolEvery == o.otherSchoolEvery - 1 ? QStringLiteral("99999")
                                                                                              : o.school;
        runs.push_back(r);
    }
    return runs;
}

std::vector<int> PupilRange(int first, int last) {
    std::vector<int> pupils;
    for (int p = first; p <= last; ++p) pupils.push_back(p);
    return pupils;
}

QString DefaultDataFolder() { return QStringLiteral(ROMAJI_DEFAULT_DATA "/"); }

Builder::Builder(Folders folders) : folders_(std::move(folders)) {
    for (const QString& folder : {folders_.dataRoot, folders_.programDataFolder})
        if (!QDir().mkpath(folder)) Fail(QStringLiteral("cannot create the folder %1").arg(folder));
}

bool Builder::Fail(const QString& error) {
    if (error_.isEmpty()) error_ = error;
    return false;
}

QString Builder::ResultsFile() const { return results::ResultsFilePathIn(folders_.programDataFolder); }

Builder& Builder::Settings(const school::Settings& s) {
    QString error;
    if (Ok() && !WriteText(folders_.dataRoot + QStringLiteral("共通データ.txt"),
                           startup::CommonFileText(s.startMonth, s.classroom, s.listFlagTwo), error))
        Fail(error);
    settings_ = true;
    return *this;
}

Builder& Builder::Roster(const std::vector<Pupil>& pupils) {
    QString error;
    if (Ok() && !WriteText(folders_.dataRoot + QStringLiteral("新名簿.txt"), RosterText(pupils), error)) Fail(error);
    roster_ = true;
    return *this;
}

Builder& Builder::Criteria(const results::CriteriaTable& table, int levels) {
    QString error;
    if (Ok() && !results::SaveCriteria(table, levels, error, folders_.programDataFolder + results::CriteriaFileName()))
        Fail(error);
    criteria_ = true;
    return *this;
}

Builder& Builder::DefaultCriteria() {
    QStringList made;
    QString error;
    QFile::remove(folders_.programDataFolder + results::CriteriaFileName());
    if (Ok() && !startup::CopyDefaultCriteria(DefaultDataFolder(), folders_.programDataFolder, made, error))
        Fail(error);
    criteria_ = true;
    return *this;
}

Builder& Builder::DefaultSounds() {
    QStringList made;
    QString error;
    QDir(folders_.dataRoot + kSoundFolder).removeRecursively();
    if (Ok() && !startup::CopyDefaultSounds(DefaultDataFolder(), folders_.dataRoot, made, error)) Fail(error);
    sounds_ = true;
    return *this;
}

Builder& Builder::Results(const std::vector<Run>& runs) {
    QString error;
    if (Ok() && !AppendRuns(ResultsFile(), runs, &error)) Fail(error);
    return *this;
}

Builder& Builder::Load() {
    if (!Ok()) return *this;
    common::RunState& s = common::runState();
    s.DataRoot = folders_.dataRoot;
    s.ProgramDataFolder = folders_.programDataFolder;
    s.SoundFolder = folders_.dataRoot + kSoundFolder;
    QString error;
    if (settings_) {
        startup::CommonFile common;
        if (!startup::ReadCommonFile(folders_.dataRoot, common, error)) {
            Fail(error);
            return *this;
        }
        startup::commonSettings() = common.Settings;
        s.SchoolCode = common.SchoolCode;
        s.SchoolName = common.SchoolName;
    }
    if ((criteria_ && !results::LoadCriteria(error)) || (sounds_ && !sound::LoadSoundTable(error))) {
        Fail(error);
        return *this;
    }
    if (roster_) {
        menus::ComputeSchoolYear();
        // A roster the program would warn about fails the school it builds.
        menus::LoadRoster([this](const QString& text) { Fail(text); });
    }
    return *this;
}

}  // namespace school
