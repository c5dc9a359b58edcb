#include "views/listlines.h"

#include "common/dates.h"
#include "common/strings.h"
#include "menus/roster.h"

namespace views {
namespace {

const QString kFailedBest = QStringLiteral("*失敗*");
const QString kNoRecordRank = QStringLiteral("--");
const QString kNoRecordTime = QStringLiteral("------");
const QString kSeconds = QStringLiteral("秒");
// Two ideographic spaces, "×" and one ASCII space.
const QString kNoTime = QStringLiteral("　　× ");

QString RankText(int rank, RankColumn column) {
    if (column == RankColumn::Graph) return common::RightPadded(common::Dec(rank), 3, 3);
    return common::Right(common::Dec(rank), 2);
}

QString NoRecordRank(RankColumn column) { return column == RankColumn::Graph ? QStringLiteral("---") : kNoRecordRank; }

QString EndMark(bool current) {
    return current ? kCurrentMark : QString(common::kIdeographicSpace);
}

// The name without trailing (or also leading) blanks, `pad` ideographic
// spaces after it, cut to 5 characters.
QString FiveCharacters(const QString& trimmed, int pad) {
    return common::Left(trimmed + QString(pad, common::kIdeographicSpace), 5);
}

QString TrimTrailing(const QString& s) {
    qsizetype e = s.size();
    while (e > 0 && (s[e - 1] == u' ' || s[e - 1] == common::kIdeographicSpace)) --e;
    return s.left(e);
}

// "00" & time of day, last 8 characters, first 5: the hour always in two digits.
QString HourMinute(double time) {
    return common::TimeFromValue(time).toString(QStringLiteral("HH:mm"));
}

// The last five characters of the date written as YYYY/MM/DD.
QString MonthDay(double date) { return common::Right(common::DateText(common::DateFromValue(date)), 5); }

}  // namespace

PupilLook PupilLookOf(int pupil) {
    if (pupil < 0 || pupil > menus::kMaxPupilNumber) return {};
    const menus::Roster& r = menus::roster();
    const QString& name = r.PupilName[size_t(pupil)];
    const int birthYear = r.PupilBirthYear[size_t(pupil)];
    // A number the roster does not hold has neither name nor birth year.
    if (name.isEmpty() && birthYear == 0) return {};
    return {name, menus::GradeNumber(birthYear)};
}

QString MarkOf(int pupil, int grade, int currentPupil) {
    if (pupil == currentPupil && pupil != 0) return kCurrentMark;
    return menus::GradeMark(grade);
}

QString RankingNameField(const QString& name) { return FiveCharacters(TrimTrailing(name), 6); }

QString RunNameField(const QString& name) { return FiveCharacters(common::TrimSpaces(name), 4); }

QString RankingTimeLine(int rank, const QString& mark, const QString& name, std::int32_t bestTime,
                        bool current, RankColumn column) {
    QString line;
    line.reserve(16);
    if (bestTime == 99999) {
        line += NoRecordRank(column);
        line += mark;
        line += RankingNameField(name);
        line += kNoRecordTime;
    } else {
        line += RankText(rank, column);
        line += mark;
        line += RankingNameField(name);
        line += bestTime == 99998 ? kFailedBest : common::RightPadded(common::Dec(bestTime), 4, 6);
    }
    line += u' ';
    line += EndMark(current);
    return line;
}

QString RankingPointsLine(int rank, const QString& mark, const QString& name, long long todayPoints,
                          long long totalPoints, RankColumn column) {
    QString line;
    line.reserve(18);
    line += RankText(rank, column);
    line += mark;
    line += RankingNameField(name);
    line += common::RightPadded(common::Dec(todayPoints), 4, 3);
    line += u'/';
    line += common::RightPadded(common::Dec(totalPoints), 4, 5);
    return line;
}

QString RunLine(RunLayout layout, std::int32_t result, double date, double time, const QString& mark,
                const QString& name, int points) {
    const QString when = layout == RunLayout::TodayTimes ? HourMinute(time) : MonthDay(date);
    QString line;
    line.reserve(24);
    if (result >= kNoTimeFrom) {
        line += kNoTime;
        line += when;
        line += mark;
        line += RunNameField(name);
        line += mark;
        return line;
    }
    const QString resultText = common::Dec(result) + kSeconds;
    line += layout == RunLayout::AllPoints ? common::RightPadded(common::Dec(points), 6, 5)
                                           : common::RightPadded(resultText, 6, 5);
    line += u' ';
    line += when;
    line += mark;
    line += RunNameField(name);
    line += mark;
    line += layout == RunLayout::AllPoints ? resultText : common::Dec(points);
    return line;
}

}  // namespace views
