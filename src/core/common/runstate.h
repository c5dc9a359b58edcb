#pragma once
// The one process-wide record shared by every screen: who is practising, the
// course, the run in progress, the identity of the program and the folders.
// Created zero-filled at start; never persisted. It sits at the bottom of the
// tree so that every subsystem reads it without pointing back up.

#include <QDate>
#include <QString>

#include <array>
#include <cstdint>

namespace common {

struct RunState {
    // Identity
    QString ProgramTitle;
    std::uint32_t SeasonColour = 0;  // 0xRRGGBB
    QString SchoolCode;
    QString SchoolName;

    // Pupil
    std::int16_t CurrentPupil = 0;
    QString CurrentPupilName;
    QString CurrentGradeLabel;
    std::int32_t SignInTime = 0;  // seconds since midnight
    // The same moment on the platform's millisecond tick count: the minutes
    // since sign-in are counted on it, which neither midnight nor a corrected
    // system clock moves.
    quint32 SignInTick = 0;

    // Course
    std::array<QString, 36> LevelNames{};
    std::int16_t LevelCount = 0;
    std::int16_t FinalLevel = 0;

    // Run
    std::int16_t CurrentLevel = 0;
    std::int16_t RomanizationMode = 0;  // 0 both, 1 Kunrei, 2 Hepburn
    bool ChooserDone = false;
    std::int16_t QuestionsPerRun = 0;
    std::int32_t CorrectCount = 0;
    std::int16_t JudgeResult = 0;  // 0 none, 1 correct, 2 wrong
    std::int16_t SpaceWait = 0;    // 0 off, 1 first Space awaited, 2 second
    bool JudgeBusy = false;
    bool TimedOut = false;
    bool RunFinished = false;
    bool HandOffDone = false;
    float RunStartTime = 0;  // seconds since midnight
    // The same moment on the platform's millisecond tick count: the run's
    // clock, which neither midnight nor a corrected system clock moves.
    quint32 RunStartTick = 0;
    std::int32_t ElapsedSeconds = 0;
    std::int32_t TimeLimit = 0;
    double BarScale = 0;
    std::int32_t ResultTime = 0;
    std::int16_t SoundFailures = 0;

    // Folders ('/' separators; the folder fields end with '/')
    QString DataRoot;
    QString ProgramFolderName;
    QString ProgramDataFolder;
    QString SoundFolder;
    bool DevLayout = false;

    void Reset() { *this = RunState{}; }
};

RunState& runState();

// The pupil has confirmed the name: SignInTime (rounded to the second, a half
// to the even neighbour) and SignInTick are set to this moment.
void MarkSignIn();
// Whole minutes since MarkSignIn, on the tick count, like the run's clock.
long long MinutesSinceSignIn();

}  // namespace common
