#pragma once
// The course and identity steps of the start-up, and the per-run reset, on
// the shared run state of common/runstate.h.

#include "core/common/runstate.h"

#include <QDate>
#include <QString>

#include <cstdint>

namespace startup {

// Sets ProgramTitle.
void SetProgramIdentity();
// Fills LevelCount, FinalLevel and LevelNames 1..15 (the screen part that then
// shows the level menu lives in the screen flow, see flow.h).
void FillCourseList();
// The per-run reset that starts every practice run.
void ResetRunFields();

// Season colour by month: Jan-Feb orange, Mar-May and Dec pale green,
// Jun-Aug teal, Sep-Nov brown.
std::uint32_t SeasonColourForMonth(int month);
// "ggge年 m月 dd日（aaa）" in the Japanese calendar.
QString JapaneseEraDateText(const QDate& date);

}  // namespace startup
