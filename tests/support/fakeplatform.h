#pragma once
// The platform double of the tests: a clock the test sets, a tick count that
// moves on by itself on every read (so waiting loops end without sleeping),
// sounds recorded in order, message boxes answered from a queue, started
// programs recorded, and the end of the program recorded and then thrown as
// ProgramEnded, so that nothing after it runs, as nothing runs in a school.

#include "core/common/outcome.h"
#include "core/common/platform.h"

#include <QDateTime>
#include <QList>
#include <QStringList>

#include <deque>
#include <functional>

namespace testing_support {

// Thrown by the double's EndProgram. The test applications catch it where an
// event handler ended the program (the event loop goes on, as for the next
// test); a test that calls a handler itself catches it with EXPECT_THROW.
struct ProgramEnded {};

struct MessageRecord {
    QString text;
    QString title;
    common::MessageButtons buttons;
};

class FakePlatform final : public common::Platform {
public:
    FakePlatform();
    ~FakePlatform() override;

    // --- clock ---
    QDateTime now;            // date and time the program sees
    quint32 ticks = 0;
    quint32 tickStep = 10;    // added on every TickCount() read
    void SetTime(const QTime& t) { now.setTime(t); }
    // Time passes: the clock and the tick count move on together. (Setting
    // `now` alone is a correction of the system clock; the ticks stay.)
    void AdvanceSeconds(double s) {
        const qint64 ms = static_cast<qint64>(s * 1000);
        now = now.addMSecs(ms);
        ticks += static_cast<quint32>(ms);
    }

    // --- sound ---
    QStringList sounds;          // full paths, in order of playing
    int soundResult = 0;         // code every playback returns
    QString soundError = QStringLiteral("fake sound error");
    std::deque<int> soundResults;  // per-call codes, taken before soundResult
    // Called as each sound plays, with its base name: playback blocks, so a
    // test looks here at what the pupil sees during a sound.
    std::function<void(const QString&)> onSound;

    // --- message boxes ---
    QList<MessageRecord> messages;
    std::deque<common::MessageAnswer> answers;  // default Ok / Yes

    // --- program ---
    int endCount = 0;
    QList<QStringList> started;  // program followed by its arguments
    bool startSucceeds = true;
    QString programFolder = QStringLiteral("/tmp");

    QDateTime Now() override { return now; }
    float SecondsSinceMidnight() override;
    quint32 TickCount() override { ticks += tickStep; return ticks; }
    int PlayWav(const QString& path, QString& errorText) override;
    common::MessageAnswer MessageBox(const QString& text, const QString& title,
                                     common::MessageButtons buttons) override;
    [[noreturn]] void EndProgram() override {
        ++endCount;
        throw ProgramEnded{};
    }
    bool StartProgram(const QString& program, const QStringList& arguments,
                      QString& errorText) override;
    QString ProgramFolder() override { return programFolder; }

    // Base names of the sounds played ("seikai1" for ".../seikai1.wav").
    QStringList SoundNames() const;

    // For the core tests, which link no screens: what the screens do with
    // what core code hands up (flow::Caution and flow::EndIfFatal, whose
    // screen tests show them doing exactly this). Caution is the Tell the
    // screens give core code: the text in a "注意" box. Handled takes an
    // outcome: a fatal one shows its message and ends the program; true when
    // the program goes on.
    common::Tell Caution();
    bool Handled(const common::Outcome& outcome);

protected:
    void RunPendingEvents() override;

private:
    common::Platform* previous_ = nullptr;
};

}  // namespace testing_support
