#include "startup/runstate.h"

#include <QDate>

namespace startup {

RunState& runState() {
    static RunState state;
    return state;
}

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

}  // namespace startup
