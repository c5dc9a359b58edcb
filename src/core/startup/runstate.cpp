#include "core/common/runstate.h"
#include "core/startup/runstate.h"

#include <QDate>

#include <iterator>

namespace startup {

using common::RunState;
using common::runState;

void SetProgramIdentity() { runState().ProgramTitle = QStringLiteral("ローマ字"); }

void FillCourseList() {
    static const char16_t* const kNames[15] = {
        u"あ行～か行", u"さ行～た行", u"あ行～た行", u"な行～は行", u"あ行～は行",
        u"ま行～わ行", u"あ行～わ行", u"が行～ざ行", u"だ行～ぱ行", u"あ行～ぽ行",
        u"ぎゃ行～しゃ行", u"ちゃ行～りょ行", u"きゃ行～りょ行", u"ぎゃ行～ん行", u"すべて"};
    RunState& s = runState();
    s.LevelCount = 15;
    s.FinalLevel = 15;
    for (auto& name : s.LevelNames) name.clear();
    for (int i = 0; i < 15; ++i) s.LevelNames[i + 1] = QString::fromUtf16(kNames[i]);
}

void ResetRunFields() {
    RunState& s = runState();
    s.RunFinished = false;
    s.HandOffDone = false;
    s.JudgeBusy = false;
    s.TimedOut = false;
    s.SpaceWait = 0;
    s.CorrectCount = 0;
}

std::uint32_t SeasonColourForMonth(int month) {
    auto rgb = [](int r, int g, int b) { return std::uint32_t(r << 16 | g << 8 | b); };
    if (month <= 2) return rgb(255, 128, 0);
    if (month <= 5) return rgb(192, 255, 192);
    if (month <= 8) return rgb(0, 192, 192);
    if (month <= 11) return rgb(192, 64, 0);
    return rgb(192, 255, 192);
}

namespace {
struct Era {
    QDate start;  // first day of the era
    const char16_t* name;
};
// The eras a pupil's school date can fall in, newest first. Dates before the
// first entry still read as 明治 (the clock of a school PC never goes there).
const Era kEras[] = {
    {QDate(2019, 5, 1), u"令和"},
    {QDate(1989, 1, 8), u"平成"},
    {QDate(1926, 12, 25), u"昭和"},
    {QDate(1912, 7, 30), u"大正"},
    {QDate(1868, 9, 8), u"明治"},
};
}  // namespace

QString JapaneseEraDateText(const QDate& date) {
    if (!date.isValid()) return QString();
    const Era* era = &kEras[std::size(kEras) - 1];
    for (const Era& e : kEras) {
        if (date >= e.start) {
            era = &e;
            break;
        }
    }
    static const char16_t kWeekdays[] = u"月火水木金土日";  // dayOfWeek 1 = Monday
    const int eraYear = date.year() - era->start.year() + 1;
    return QStringLiteral("%1%2年 %3月 %4日（%5）")
        .arg(QString::fromUtf16(era->name))
        .arg(eraYear)
        .arg(date.month())
        .arg(date.day(), 2, 10, QChar(u'0'))
        .arg(QChar(kWeekdays[date.dayOfWeek() - 1]));
}

}  // namespace startup
