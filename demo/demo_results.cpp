// The demo school's criteria and results: "タイム回数データ.txt", a copy of
// the default criteria that the package installs, and a results history
// "成績累積データ.dat" of six weeks of practice by a dozen pupils of the demo
// roster (and a few tries by the teacher), ending on options.today with some
// runs of that very day. Both are written by the school builder.
//
// The history is made by a small simulation with a fixed seed, so the same
// day always gives the same file: each pupil starts on some day of the six
// weeks, practises on two or three afternoons a week (never on Sundays),
// gets faster with every run at a level, moves on once the level is cleared
// by the criteria, and now and then lets the time run out.

#include "demoschool.h"

#include "core/common/dates.h"
#include "core/common/textfile.h"
#include "core/results/resultsfile.h"
#include "core/results/criteria.h"
#include "core/startup/configuration.h"

#include <QFile>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

namespace demo {
namespace {

constexpr int kLevels = 15;
constexpr int kDays = 42;  // six weeks up to today
constexpr int kPupils = 12;
constexpr int kTeacher = 90;

// The criteria the demo school was given, as the program reads them.
bool ReadCriteria(const QString& path, results::CriteriaTable& table, QString& errorText) {
    const auto text = common::ReadShiftJisFile(path, &errorText);
    if (!text) return false;
    results::ReadCriteriaItems(*text, table);
    if (table.SlotsRead != kLevels + 1) {
        errorText = QStringLiteral("%1: a header and %2 levels expected").arg(path).arg(kLevels);
        return false;
    }
    return true;
}

struct Run {
    double date;
    double time;
    int pupil;
    int level;
    int result;
};

class History {
public:
    History(const results::CriteriaTable& table, double today) : table_(table), today_(today) {}

    // One pupil's six weeks. `skill` scales the times (below 1 is quicker).
    void Pupil(int number, double skill, int firstDay, double practiseChance, bool today) {
        int level = 1;
        int runsAtLevel = 0;
        std::vector<std::pair<double, int>> points;  // date and run points at the level
        for (int day = firstDay; day < kDays; ++day) {
            const double date = today_ - (kDays - 1 - day);
            const bool isToday = day == kDays - 1;
            if (common::DateFromValue(date).dayOfWeek() == Qt::Sunday) continue;
            if (!(isToday && today) && Uniform(0, 1) >= practiseChance) continue;
            double clock = Uniform(15.0, 19.5) / 24.0;  // afternoon or evening class
            const int runs = static_cast<int>(Uniform(2, 6.99));
            for (int r = 0; r < runs; ++r) {
                const results::CriteriaRow& c = table_[level];
                const int result = Result(c, skill, runsAtLevel);
                clock += Uniform(1.0, 3.0) / (24 * 60) + (result < 6000 ? result : c.MinimumTime * 5) / 86400.0;
                runs_.push_back({date, std::round(clock * 86400) / 86400, number, level, result});
                ++runsAtLevel;
                points.emplace_back(date, results::MultipliedPoints(
                                              results::CurvePoints(result, result, c.TargetTime),
                                              c.PointMultiplier));
                if (level < kLevels && Cleared(c, points, date)) {
                    ++level;
                    runsAtLevel = 0;
                    points.clear();
                    break;  // a new level is for the next class
                }
            }
        }
    }

    // A few tries by the teacher, who looks at the hardest levels too.
    void Teacher() {
        for (int level : {1, 8, 15}) {
            const results::CriteriaRow& c = table_[level];
            const double date = today_ - 20 + level / 4;
            runs_.push_back({date, 12.5 / 24, kTeacher, level, Result(c, 0.75, 10)});
        }
    }

    std::vector<Run> Sorted() {
        std::stable_sort(runs_.begin(), runs_.end(), [](const Run& a, const Run& b) {
            return a.date != b.date ? a.date < b.date : a.time < b.time;
        });
        return runs_;
    }

private:
    double Uniform(double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(random_); }

    int Result(const results::CriteriaRow& c, double skill, int runsAtLevel) {
        if (Uniform(0, 1) < 0.03) return results::kNoResult;  // gave up, or was called away
        const double learning = 0.85 + 0.9 * std::exp(-runsAtLevel / 5.0);
        const double t = c.TargetTime * skill * learning * Uniform(0.9, 1.15);
        return std::clamp(static_cast<int>(std::lround(t)), 8, c.MinimumTime * 5 - 1);
    }

    bool Cleared(const results::CriteriaRow& c, const std::vector<std::pair<double, int>>& points,
                 double date) const {
        int runs = 0;
        long long sum = 0;
        for (const auto& [d, p] : points) {
            if (!results::InsidePeriod(d, date, c.JudgementDays)) continue;
            ++runs;
            sum += p;
        }
        return sum >= c.ClearPoints && runs >= c.ClearCount;
    }

    const results::CriteriaTable& table_;
    double today_;
    std::mt19937 random_{20240501};
    std::vector<Run> runs_;
};

}  // namespace

bool LayOutResults(const QString& root, const Options& options, QString& errorText) {
    school::Builder school(school::InstallationFolders(root));
    results::CriteriaTable table;
    if (!school.DefaultCriteria().Ok()) {
        errorText = school.Error();
        return false;
    }
    if (!ReadCriteria(school.Where().programDataFolder + results::CriteriaFileName(), table, errorText))
        return false;
    if (!options.withResults) return true;

    // The classroom code the program reads from the settings, and the
    // pupils the roster lists, the teacher left out.
    QString schoolCode;
    QString schoolName;
    startup::SplitClassroomText(Settings().classroom, schoolCode, schoolName);
    const QDate today = options.today.isValid() ? options.today : QDate::currentDate();
    std::vector<school::Pupil> roster;
    if (!Roster(today, roster, errorText)) return false;
    std::vector<int> listed;
    for (int number : school::ListedNumbers(roster))
        if (number > 0 && number != kTeacher) listed.push_back(number);
    if (listed.size() < kPupils) {
        errorText = QStringLiteral("roster.txt: fewer than %1 listed pupils").arg(kPupils);
        return false;
    }

    History history(table, common::DateValue(today));
    for (int k = 0; k < kPupils; ++k) {
        // Every other listed pupil, from the youngest to the oldest.
        const int pupil = listed[static_cast<size_t>(k) * listed.size() / kPupils];
        const double skill = 0.8 + 0.05 * ((k * 7) % 11);
        history.Pupil(pupil, skill, (k * 5) % 17, 0.35 + 0.03 * (k % 4), k % 3 == 0);
    }
    history.Teacher();

    std::vector<school::Run> runs;
    for (const Run& r : history.Sorted())
        runs.push_back({r.pupil, r.level, r.result, common::DateFromValue(r.date),
                        QTime(0, 0).addSecs(static_cast<int>(std::lround(r.time * 86400))), schoolCode});
    QFile::remove(school.ResultsFile());  // laid out anew
    school.Results(runs);
    errorText = school.Error();
    return school.Ok();
}

}  // namespace demo
