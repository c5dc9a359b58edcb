#pragma once
// The seam between the program and the machine it runs on. Everything that
// depends on the real clock, the sound card, message boxes, the window events,
// ending the process or starting another program goes through here, so that
// screen tests can put a double in its place and drive the clock without
// sleeping. Core code uses the clock, the sound and the waits of this seam;
// message boxes and the end of the program are the screens' to call.

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

namespace common {

enum class MessageButtons { Ok, OkCancel, YesNo };
enum class MessageAnswer { Ok, Cancel, Yes, No };

class Platform {
public:
    virtual ~Platform() = default;

    // Current local date and time.
    virtual QDateTime Now() = 0;
    // Seconds since midnight in single precision, as the practice clock keeps it.
    virtual float SecondsSinceMidnight() = 0;
    // Millisecond tick count (wraps like any 32-bit counter).
    virtual quint32 TickCount() = 0;
    // Plays a WAV file to its end. 0 when it played; otherwise a non-zero code
    // and a readable text in errorText.
    virtual int PlayWav(const QString& path, QString& errorText) = 0;
    // A modal message box; returns the button that closed it.
    virtual MessageAnswer MessageBox(const QString& text, const QString& title,
                                     MessageButtons buttons) = 0;
    // Closes every window from the last opened to the first and ends the
    // process: nothing after the call runs (the test double stops the flow
    // its own way).
    [[noreturn]] virtual void EndProgram() = 0;
    // The same after a fatal error, with a failure status so that the
    // launcher or a script can tell. A double may take it as EndProgram.
    [[noreturn]] virtual void EndProgramAfterError();
    // Starts another program detached (no shell). False with errorText when it
    // could not be started.
    virtual bool StartProgram(const QString& program, const QStringList& arguments,
                              QString& errorText) = 0;
    // Folder of the running executable, with '/' separators, no trailing '/'.
    virtual QString ProgramFolder() = 0;

    // "Let pending window events run" (common::DoEvents), counted so that
    // AfterDoEvents knows when the outermost one has returned.
    void DoEvents();
    void AfterDoEvents(std::function<void()> then);

protected:
    // Processes the pending window events once: the real platform runs its
    // event loop here, a command-line tool has none.
    virtual void RunPendingEvents() = 0;

private:
    // DoEvents calls running, the outermost first; and what waits for them
    // all to return.
    int eventsDepth_ = 0;
    std::vector<std::function<void()>> afterEvents_;
};

// The platform in force. A real one is installed by main(); tests install a double.
Platform& platform();
// Installs p (not owned) and returns the previous one.
Platform* SetPlatform(Platform* p);

// "Let pending window events run": the one place that processes the event queue
// from inside a handler (through the platform in force).
void DoEvents();
// Runs `then` once no DoEvents is running: at once when none is, else when
// the outermost one returns to the handler that called it. A handler that
// lets events run is still on the stack until then, whatever the events did.
void AfterDoEvents(std::function<void()> then);
// Waits on the platform's tick count while window events keep running, so the
// screen stays responsive while, for example, another PC holds the results file.
void WaitWithEvents(int milliseconds);

}  // namespace common
