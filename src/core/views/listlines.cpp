#include "core/views/listlines.h"

#include "core/common/dates.h"
#include "core/common/strings.h"
#include "core/menus/roster.h"

#include <QDate>
#include <QTime>

#include <algorithm>
#include <type_traits>

namespace views {
namespace {

const QString kFailedBest = QStringLiteral("*失敗*");
const QString kNoRecordRank = QStringLiteral("--");
const QString kNoRecordTime = QStringLiteral("------");
const QString kSeconds = QStringLiteral("秒");
// Two ideographic spaces, "×" and one ASCII space.
const QString kNoTime = QStringLiteral("　　× ");

// Right(pad & value, n), appended.
void AppendNumber(QString& line, long long value, qsizetype padCount, qsizetype n) {
    common::DecimalBuffer digits;
    common::AppendRightPadded(line, common::DecimalDigits(value, digits), padCount, n);
}

void AppendRank(QString& line, int rank, RankColumn column) {
    if (column == RankColumn::Graph) AppendNumber(line, rank, 3, 3);
    else AppendNumber(line, rank, 0, 2);
}

QString NoRecordRank(RankColumn column) { return column == RankColumn::Graph ? QStringLiteral("---") : kNoRecordRank; }

void AppendEndMark(QString& line, bool current) {
    if (current) line += kCurrentMark;
    else line += common::kIdeographicSpace;
}

bool IsBlank(QChar c) { return c == u' ' || c == common::kIdeographicSpace; }

// The name field: the name without trailing (rankings) or leading and
// trailing (runs) blanks, `pad` ideographic spaces after it, cut to 5
// characters.
void AppendFiveCharacters(QString& line, QStringView name, bool trimLeading, int pad) {
    qsizetype begin = 0, end = name.size();
    while (end > 0 && IsBlank(name[end - 1])) --end;
    if (trimLeading)
        while (begin < end && IsBlank(name[begin])) ++begin;
    const qsizetype taken = std::min<qsizetype>(end - begin, 5);
    line += name.mid(begin, taken);
    for (qsizetype k = taken; k < std::min<qsizetype>(5, (end - begin) + pad); ++k) line += common::kIdeographicSpace;
}

void AppendTwoDigits(QString& line, int value) {
    line += QChar(u'0' + value / 10 % 10);
    line += QChar(u'0' + value % 10);
}

// "00" & time of day, last 8 characters, first 5: the hour always in two digits.
void AppendHourMinute(QString& line, double time) {
    const QTime t = common::TimeFromValue(time);
    if (!t.isValid()) {
        line += common::TimeFromValue(time).toString(QStringLiteral("HH:mm"));
        return;
    }
    AppendTwoDigits(line, t.hour());
    line += u':';
    AppendTwoDigits(line, t.minute());
}

// The last five characters of the date written as YYYY/MM/DD.
void AppendMonthDay(QString& line, double date) {
    const QDate d = common::DateFromValue(date);
    if (!d.isValid()) {
        line += common::Right(common::DateText(d), 5);
        return;
    }
    AppendTwoDigits(line, d.month());
    line += u'/';
    AppendTwoDigits(line, d.day());
}

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

QString RankingTimeLine(int rank, const QString& mark, const QString& name, std::int32_t bestTime,
                        bool current, RankColumn column) {
    QString line;
    line.reserve(20);
    if (bestTime == 99999) {
        line += NoRecordRank(column);
        line += mark;
        AppendFiveCharacters(line, name, false, 6);
        line += kNoRecordTime;
    } else {
        AppendRank(line, rank, column);
        line += mark;
        AppendFiveCharacters(line, name, false, 6);
        if (bestTime == 99998) line += kFailedBest;
        else AppendNumber(line, bestTime, 4, 6);
    }
    line += u' ';
    AppendEndMark(line, current);
    return line;
}

QString RankingPointsLine(int rank, const QString& mark, const QString& name, long long todayPoints,
                          long long totalPoints, RankColumn column) {
    QString line;
    line.reserve(20);
    AppendRank(line, rank, column);
    line += mark;
    AppendFiveCharacters(line, name, false, 6);
    AppendNumber(line, todayPoints, 4, 3);
    line += u'/';
    AppendNumber(line, totalPoints, 4, 5);
    return line;
}

QString RunWhen(RunLayout layout, double date, double time) {
    QString when;
    when.reserve(5);
    if (layout == RunLayout::TodayTimes) AppendHourMinute(when, time);
    else AppendMonthDay(when, date);
    return when;
}

QString RunLine(RunLayout layout, std::int32_t result, QStringView when, const QString& mark, const QString& name,
                int points) {
    QString line;
    line.reserve(26);
    if (result >= kNoTimeFrom) {
        line += kNoTime;
        line += when;
        line += mark;
        AppendFiveCharacters(line, name, true, 4);
        line += mark;
        return line;
    }
    // result & "秒", written beside its digits rather than as a text of its own.
    common::DecimalBuffer digits;
    const QStringView resultDigits = common::DecimalDigits(result, digits);
    char16_t withSeconds[std::extent_v<common::DecimalBuffer> + 1];
    std::copy(resultDigits.utf16(), resultDigits.utf16() + resultDigits.size(), withSeconds);
    withSeconds[resultDigits.size()] = kSeconds.front().unicode();
    const QStringView resultText(withSeconds, resultDigits.size() + 1);
    if (layout == RunLayout::AllPoints) AppendNumber(line, points, 6, 5);
    else common::AppendRightPadded(line, resultText, 6, 5);
    line += u' ';
    line += when;
    line += mark;
    AppendFiveCharacters(line, name, true, 4);
    line += mark;
    if (layout == RunLayout::AllPoints) line += resultText;
    else line.append(common::DecimalDigits(points, digits));
    return line;
}

QString RunLine(RunLayout layout, std::int32_t result, double date, double time, const QString& mark,
                const QString& name, int points) {
    return RunLine(layout, result, RunWhen(layout, date, time), mark, name, points);
}

}  // namespace views
