#pragma once
// The practice screen: one kana at a time, typed as romaji and confirmed with
// Return, against a one-second clock, until twenty net correct answers or the
// time limit end the run.
//
// Handlers let pending window events run in the middle of their work, so the
// clock and further keys can run nested; the flags of RunState (JudgeBusy,
// RunFinished, TimedOut, HandOffDone) and InputLock make those nested calls
// harmless. Once the hand-off has closed the screen a nested handler may find
// the screen gone when its event processing returns, which is why every
// handler checks a guard after letting events run.

#include "core/practice/kanatable.h"
#include "screens/kit/screen.h"

#include <QVector>

class QFrame;
class QLabel;
class QListWidget;
class QPushButton;
class QTimer;

namespace results {
struct RunEndFlags;
}

namespace practice {

class MainFrm : public kit::Screen {
    Q_OBJECT
public:
    explicit MainFrm(QWidget* parent = nullptr);

    void Form_Load() override;
    void Form_Activate() override;

    // Set-up (once per run, from the activation).
    void BuildKanaTable();
    void ShowChooser();
    void 初期設定();
    void レベル別設定();
    void スタート();
    void 問題作成表示();

    // Keyboard: the key-down logic, then the character logic.
    void KeyDown(int key, Qt::KeyboardModifiers modifiers);
    void KeyPress(int k);
    void 判定();
    void 判定後処理();
    void Confirm();

    // Help panel: Command1 shows it, its Command2 "戻る" hides it.
    void Command1_Click();
    void Command2_Click();

    // Timers.
    void sTimer1_Timer();
    void sTimer2_Timer();
    void Keisan2Timer1_Timer();

    // End of the run: the result recorded, and after a second the evaluation
    // opened with the run-end flags the recording gave.
    void HandOffRun();
    void WaitThenEvaluate(double seconds, results::RunEndFlags flags);

    // Practice-screen state shared with the handlers.
    const KanaEntry& CurrentQuestion() const { return currentQuestion_; }
    bool InputLock() const { return inputLock_; }
    // The entry asked before the current question (the next one is never the
    // same), and the answer typed so far.
    void SetPreviousEntry(int entry) { previousEntry_ = entry; }
    void SetAnswerText(const QString& text) { answerText_ = text; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildStatusPanel();
    void BuildExercisePanel();
    void BuildHelpPanel();
    void BuildNotice();
    void DisableInputMethods();
    void ShowAnswer();
    void SetAnswerBackground(const QColor& colour);
    void ShowRemaining();
    void SetBarWidth(QFrame* shape, double seconds);
    int MinutesSinceSignIn() const;
    // False (after telling the pupil) when the level has no usable time limit.
    bool LevelIsTimed();

    bool setUpDone_ = false;  // the set-up runs once per run
    bool closed_ = false;     // the hand-off has closed the screen
    int answerFontPx_ = 0;

    KanaEntry currentQuestion_;
    int previousEntry_ = 0;
    bool inputLock_ = false;
    QString answerText_;

    // Status panel.
    QFrame* sPicture1 = nullptr;
    QLabel* sLabel2 = nullptr;   // program title
    QLabel* sLabel14 = nullptr;  // school name
    QLabel* sLabel7 = nullptr;   // pupil name
    QLabel* sLabel8 = nullptr;   // level name
    QLabel* sLabel9 = nullptr;   // questions remaining
    QLabel* sLabel10 = nullptr;  // elapsed seconds
    QLabel* sLabel13 = nullptr;  // minutes since sign-in
    QLabel* sLabel12 = nullptr;  // today's run number
    QLabel* sLabel11 = nullptr;  // today's run number at this level
    QVector<QLabel*> sLabel17;   // 1 "Best", 2 "YourBest", 3 "Pass"
    QFrame* sShape5 = nullptr;   // time bar frame: full width = TimeLimit
    QFrame* sShape2 = nullptr;   // elapsed
    QFrame* sShape3 = nullptr;   // target time
    QFrame* sShape4 = nullptr;   // minimum time
    QFrame* sShape7 = nullptr;   // unused, zero width
    QVector<QFrame*> sPicture3;  // countdown boxes 10..39 (0 the template)

    // Exercise panel.
    QFrame* Keisan2BasePic = nullptr;
    QVector<QLabel*> Keisan2Lbl2;  // question box
    QVector<QLabel*> Keisan2Lbl1;  // answer box
    QVector<QLabel*> Keisan2Lbl4;  // spelling, lower (0) and upper case (1)
    QVector<QLabel*> Keisan2Lbl5;  // "スペースを２回押しなさい"
    QLabel* Label1 = nullptr;      // "決定＝リターン"
    QLabel* Label6 = nullptr;      // hint key
    QLabel* Label3 = nullptr;      // mode name
    QPushButton* Command1 = nullptr;
    QPushButton* Commandkakunin = nullptr;

    // Help panel.
    QFrame* Picture1 = nullptr;
    QListWidget* List1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* Label5 = nullptr;
    QLabel* Label7 = nullptr;
    QPushButton* Command2 = nullptr;

    // End-of-run notice.
    QFrame* sPicture2 = nullptr;
    QLabel* lblsss1 = nullptr;  // "成績記録中"
    QLabel* lblsss2 = nullptr;  // "時間切れ"

    QTimer* sTimer1 = nullptr;
    QTimer* sTimer2 = nullptr;
    QTimer* Keisan2Timer1 = nullptr;
};

}  // namespace practice
