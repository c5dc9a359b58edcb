#pragma once
// The evaluation screen at the end of a recorded run: time, points, today's
// counts, the record message and the cleared panels, the matching sounds, and
// the way out ("メニューへ" or "もう一度").
//
// The activation plays sounds that block the thread; it lets pending events
// run between its steps so that Timer1 can bring up the buttons while the
// sounds go on. A button pressed before the activation has finished is taken
// when it finishes, so that the record flags are cleared and the backdrop is
// closed before the next screen opens.

#include "screens/kit/screen.h"
#include "core/results/resultsfile.h"

#include <QPixmap>

class QFrame;
class QLabel;
class QPushButton;
class QTimer;

namespace results {

class FrmSyuuryou : public kit::Screen {
    Q_OBJECT
public:
    static constexpr int kTimer1Interval = 500;  // ms

    // The evaluation of the run the practice screen has just recorded, with
    // the flags its recording gave (RecordRunResult).
    explicit FrmSyuuryou(const RunEndFlags& flags, QWidget* parent = nullptr);

    void Form_Load() override;
    void Form_Activate() override;

    void Timer1_Timer();
    void Command4_Click();  // "メニューへ"
    void Command5_Click();  // "もう一度"

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    enum class Exit { None, Menu, Again };

    // Lets pending events run; Timer1 fires here once its interval has passed
    // by the tick count. False when the screen went away meanwhile.
    bool LetEventsRun();
    void ShowMessage(QLabel* label, const QString& text);
    void Leave(Exit exit);
    void TakeExit();
    void GoToMenu();
    void StartAgain();

    const RunEndFlags flags_;  // the recorded run's
    bool activated_ = false;   // the activation runs once
    bool activating_ = false;  // between its first and last step
    bool timerFired_ = false;
    quint32 timerMark_ = 0;
    Exit exit_ = Exit::None;   // the button taken, if any

    QLabel* Image1 = nullptr;   // background picture
    QLabel* Label15 = nullptr;  // program title
    QLabel* Label16 = nullptr;  // level name
    QLabel* Label17 = nullptr;  // pupil name
    QLabel* Label18 = nullptr;  // time line
    QLabel* Label19 = nullptr;  // points line
    QLabel* Label13 = nullptr;  // today's runs at this level
    QLabel* Label14 = nullptr;  // today's runs at all levels
    QLabel* Label20 = nullptr;  // record or time-out message
    QLabel* Label2 = nullptr;   // "このレベルクリア" / "次のレベルへ進みましょう"
    QFrame* Picture1 = nullptr;
    QLabel* Label1 = nullptr;   // "目標レベルクリア。おめでとう！"
    QPushButton* Command4 = nullptr;
    QPushButton* Command5 = nullptr;
    QTimer* Timer1 = nullptr;
};

// The background picture (our own artwork, no text), 1024 x 768.
QPixmap EvaluationBackground();

}  // namespace results
