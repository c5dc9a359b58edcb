#include "screens/practice/MainFrm.h"

#include "core/common/dates.h"
#include "core/common/numbers.h"
#include "core/common/platform.h"
#include "core/common/random.h"
#include "core/common/strings.h"
#include "screens/practice/Form2.h"
#include "screens/kit/screen.h"
#include "core/practice/questions.h"
#include "core/results/criteria.h"
#include "core/results/resultsfile.h"
#include "core/results/statistics.h"
#include "screens/kit/flow.h"
#include "core/common/runstate.h"
#include "core/sound/sound.h"

#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>

#include <algorithm>
#include <cmath>

namespace practice {
namespace {

// Layout on the 1024 x 768 canvas: the status panel on top, the exercise
// panel filling the rest.
constexpr int kStatusHeight = 176;
constexpr int kBigTypePx = 200;  // question and answer boxes
constexpr int kBoxWidth = 460;
constexpr int kBoxHeight = 300;

const QColor kAnswerCleared(128, 255, 255);
const QColor kAnswerCurrent(255, 255, 192);
const QColor kAnswerDown(0, 192, 0);

void Fill(QWidget* w, const QColor& c) {
    w->setAutoFillBackground(true);
    QPalette p = w->palette();
    p.setColor(QPalette::Window, c);
    w->setPalette(p);
}

QString Number(long long v) { return QString::number(v); }

}  // namespace

MainFrm::MainFrm(QWidget* parent) : kit::Screen(parent) {
    setObjectName(QStringLiteral("MainFrm"));
    setWindowTitle(QStringLiteral("vorlex"));
    Fill(this, QColor(230, 240, 255));

    BuildStatusPanel();
    BuildExercisePanel();
    BuildHelpPanel();
    BuildNotice();

    auto makeTimer = [this](const QString& name, int interval) {
        auto* t = new QTimer(this);
        t->setObjectName(name);
        t->setInterval(interval);
        return t;
    };
    sTimer1 = makeTimer(QStringLiteral("sTimer1"), 1000);
    connect(sTimer1, &QTimer::timeout, this, [this] { sTimer1_Timer(); });
    sTimer2 = makeTimer(QStringLiteral("sTimer2"), 10000);
    connect(sTimer2, &QTimer::timeout, this, [this] { sTimer2_Timer(); });
    Keisan2Timer1 = makeTimer(QStringLiteral("Keisan2Timer1"), 100);
    Keisan2Timer1->setSingleShot(true);
    connect(Keisan2Timer1, &QTimer::timeout, this, [this] { Keisan2Timer1_Timer(); });

    // Keys reach the screen whatever has the focus: the screen takes the
    // focus, no child can, and every child passes its keys through the filter.
    setFocusPolicy(Qt::StrongFocus);
    installEventFilter(this);
    for (QWidget* w : findChildren<QWidget*>()) {
        w->setFocusPolicy(Qt::NoFocus);
        w->installEventFilter(this);
    }
    DisableInputMethods();
}

void MainFrm::DisableInputMethods() {
    // Romaji is typed with the input method off; one left on would swallow
    // the letters into a composition.
    const auto hints = Qt::ImhLatinOnly | Qt::ImhNoPredictiveText;
    setAttribute(Qt::WA_InputMethodEnabled, false);
    setInputMethodHints(hints);
    for (QWidget* w : findChildren<QWidget*>()) {
        w->setAttribute(Qt::WA_InputMethodEnabled, false);
        w->setInputMethodHints(hints);
    }
}

void MainFrm::BuildStatusPanel() {
    sPicture1 = new QFrame(this);
    sPicture1->setObjectName(QStringLiteral("sPicture1"));
    sPicture1->setGeometry(0, 0, kit::kWidth, kStatusHeight);
    sPicture1->setFrameShape(QFrame::Panel);
    sPicture1->setFrameShadow(QFrame::Raised);
    Fill(sPicture1, QColor(255, 250, 235));
    QWidget* p = sPicture1;
    const auto right = Qt::AlignRight | Qt::AlignVCenter;

    sLabel2 = kit::MakeLabel(p, QStringLiteral("sLabel2"), QString(), {14, 6, 170, 40}, kit::Px(0), true);
    QFont title = sLabel2->font();
    title.setPointSizeF(16.8);
    sLabel2->setFont(title);
    sLabel14 = kit::MakeLabel(p, QStringLiteral("sLabel14"), QString(), {190, 6, 330, 40}, kit::Px(22));
    sLabel7 = kit::MakeLabel(p, QStringLiteral("sLabel7"), QString(), {530, 4, 480, 44}, kit::Px(30), true);

    kit::MakeLabel(p, QStringLiteral("sCaptionLevel"), QStringLiteral("レベル"), {14, 52, 90, 44}, kit::Px(24));
    sLabel8 = kit::MakeLabel(p, QStringLiteral("sLabel8"), QString(), {104, 52, 270, 44}, kit::Px(28), true);
    kit::MakeLabel(p, QStringLiteral("sCaptionRemain"), QStringLiteral("残り"), {384, 52, 56, 44}, kit::Px(24));
    sLabel9 = kit::MakeLabel(p, QStringLiteral("sLabel9"), QString(), {440, 50, 64, 48}, kit::Px(36), true,
                             right);
    kit::MakeLabel(p, QStringLiteral("sCaptionRemainUnit"), QStringLiteral("問"), {508, 52, 40, 44},
                   kit::Px(24));
    kit::MakeLabel(p, QStringLiteral("sCaptionTime"), QStringLiteral("タイム"), {566, 52, 84, 44}, kit::Px(24));
    sLabel10 = kit::MakeLabel(p, QStringLiteral("sLabel10"), QString(), {650, 50, 100, 48}, kit::Px(36),
                              true, right);
    kit::MakeLabel(p, QStringLiteral("sCaptionSignIn"), QStringLiteral("起動後"), {782, 52, 84, 44},
                   kit::Px(24));
    sLabel13 = kit::MakeLabel(p, QStringLiteral("sLabel13"), QString(), {866, 52, 80, 44}, kit::Px(28), true,
                              right);
    kit::MakeLabel(p, QStringLiteral("sCaptionSignInUnit"), QStringLiteral("分"), {950, 52, 40, 44},
                   kit::Px(24));

    kit::MakeLabel(p, QStringLiteral("sCaptionToday"), QStringLiteral("本日"), {14, 100, 60, 36}, kit::Px(22));
    sLabel12 = kit::MakeLabel(p, QStringLiteral("sLabel12"), QString(), {74, 100, 56, 36}, kit::Px(26), true,
                              right);
    kit::MakeLabel(p, QStringLiteral("sCaptionTodayUnit"), QStringLiteral("回目"), {134, 100, 60, 36},
                   kit::Px(22));
    kit::MakeLabel(p, QStringLiteral("sCaptionThisLevel"), QStringLiteral("このレベル"), {204, 100, 116, 36},
                   kit::Px(22));
    sLabel11 = kit::MakeLabel(p, QStringLiteral("sLabel11"), QString(), {320, 100, 56, 36}, kit::Px(26),
                              true, right);
    kit::MakeLabel(p, QStringLiteral("sCaptionThisLevelUnit"), QStringLiteral("回目"), {380, 100, 60, 36},
                   kit::Px(22));

    // Countdown boxes: three groups of ten, each under its caption.
    static const char16_t* const kCaptions[4] = {u"", u"Best", u"YourBest", u"Pass"};
    static const QColor kBoxColours[3] = {QColor(0, 200, 0), QColor(255, 220, 0), QColor(230, 0, 0)};
    for (int g = 0; g <= 3; ++g) {
        const int x = 460 + (g - 1) * 186;
        auto* cap = kit::MakeLabel(p, QStringLiteral("sLabel17_%1").arg(g), QString::fromUtf16(kCaptions[g]),
                                   {x, 100, 178, 22}, kit::Px(16), true, Qt::AlignCenter);
        cap->setVisible(g != 0);
        sLabel17 << cap;
    }
    sPicture3.fill(nullptr, 40);
    auto makeBox = [&](int index, const QRect& r, const QColor& c) {
        auto* box = new QFrame(p);
        box->setObjectName(QStringLiteral("sPicture3_%1").arg(index));
        box->setGeometry(r);
        box->setFrameShape(QFrame::Box);
        Fill(box, c);
        sPicture3[index] = box;
        return box;
    };
    makeBox(0, {0, 0, 16, 18}, kBoxColours[0])->hide();
    for (int index = 10; index <= 39; ++index) {
        const int g = index / 10 - 1;
        const int x = 460 + g * 186 + (index % 10) * 18;
        makeBox(index, {x, 124, 16, 18}, kBoxColours[g]);
    }

    // Time bar: the marks first, the elapsed bar over them.
    sShape5 = new QFrame(p);
    sShape5->setObjectName(QStringLiteral("sShape5"));
    sShape5->setGeometry(14, 146, 996, 24);
    sShape5->setFrameShape(QFrame::Box);
    Fill(sShape5, Qt::white);
    auto makeShape = [&](const QString& name, const QColor& c) {
        auto* s = new QFrame(p);
        s->setObjectName(name);
        s->setGeometry(sShape5->x(), sShape5->y(), 0, sShape5->height());
        s->setFrameShape(QFrame::Box);
        Fill(s, c);
        return s;
    };
    sShape4 = makeShape(QStringLiteral("sShape4"), QColor(255, 190, 190));
    sShape3 = makeShape(QStringLiteral("sShape3"), QColor(255, 240, 150));
    sShape7 = makeShape(QStringLiteral("sShape7"), QColor(160, 160, 160));
    sShape2 = makeShape(QStringLiteral("sShape2"), QColor(40, 90, 230));
}

void MainFrm::BuildExercisePanel() {
    Keisan2BasePic = new QFrame(this);
    Keisan2BasePic->setObjectName(QStringLiteral("Keisan2BasePic"));
    Keisan2BasePic->setGeometry(0, kStatusHeight, kit::kWidth, kit::kHeight - kStatusHeight);
    Fill(Keisan2BasePic, QColor(235, 250, 235));
    QWidget* p = Keisan2BasePic;

    Label6 = kit::MakeLabel(p, QStringLiteral("Label6"), QStringLiteral("ヒント＝Ｆ１キー（１０秒追加）"),
                            {24, 12, 600, 48}, kit::Px(30));
    Label3 = kit::MakeLabel(p, QStringLiteral("Label3"), QString(), {624, 12, 376, 48}, kit::Px(30), true,
                            Qt::AlignRight | Qt::AlignVCenter);

    auto bigBox = [&](const QString& name, int x) {
        auto* l = kit::MakeLabel(p, name, QString(), {x, 72, kBoxWidth, kBoxHeight}, kit::Px(kBigTypePx),
                                 false, Qt::AlignCenter);
        l->setFrameShape(QFrame::Box);
        l->setLineWidth(3);
        return l;
    };
    Keisan2Lbl2 << bigBox(QStringLiteral("Keisan2Lbl2_0"), 32);
    Fill(Keisan2Lbl2[0], Qt::white);
    Keisan2Lbl1 << bigBox(QStringLiteral("Keisan2Lbl1_0"), 532);
    Fill(Keisan2Lbl1[0], kAnswerCurrent);
    answerFontPx_ = kBigTypePx;

    Label1 = kit::MakeLabel(p, QStringLiteral("Label1"), QStringLiteral("決定＝リターン"),
                            {532, 392, kBoxWidth, 60}, kit::Px(40), true, Qt::AlignCenter);
    for (int i = 0; i <= 1; ++i) {
        auto* l = kit::MakeLabel(p, QStringLiteral("Keisan2Lbl4_%1").arg(i), QString(),
                                 {532, 384 + i * 66, kBoxWidth, 64}, kit::Px(52), true, Qt::AlignCenter);
        QPalette pal = l->palette();
        pal.setColor(QPalette::WindowText, QColor(0, 0, 200));
        l->setPalette(pal);
        l->hide();
        Keisan2Lbl4 << l;
    }
    auto* prompt = kit::MakeLabel(p, QStringLiteral("Keisan2Lbl5_0"), QStringLiteral("スペースを２回押しなさい"),
                                  {0, 520, kit::kWidth, 64}, kit::Px(48), true, Qt::AlignCenter);
    QPalette pal = prompt->palette();
    pal.setColor(QPalette::WindowText, QColor(220, 0, 0));
    prompt->setPalette(pal);
    prompt->hide();
    Keisan2Lbl5 << prompt;

    // Driven by keys only.
    Command1 = new QPushButton(QStringLiteral("ヒント"), p);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->hide();
    connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
    Commandkakunin = new QPushButton(QStringLiteral("確認"), p);
    Commandkakunin->setObjectName(QStringLiteral("Commandkakunin"));
    Commandkakunin->hide();
    connect(Commandkakunin, &QPushButton::clicked, this, [this] { Confirm(); });
}

void MainFrm::BuildHelpPanel() {
    Picture1 = new QFrame(this);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->setGeometry(Keisan2BasePic->geometry());
    Picture1->setFrameShape(QFrame::Panel);
    Fill(Picture1, QColor(255, 255, 240));
    QWidget* p = Picture1;

    List1 = new QListWidget(p);
    List1->setObjectName(QStringLiteral("List1"));
    List1->setGeometry(20, 10, 560, Picture1->height() - 20);
    List1->setFont(kit::FontOf(kit::Px(28)));
    Label2 = kit::MakeLabel(p, QStringLiteral("Label2"), QString(), {610, 20, 400, 44}, kit::Px(30), true);
    Label5 = kit::MakeLabel(p, QStringLiteral("Label5"), QString(), {610, 72, 400, 44}, kit::Px(28));
    Label4 = kit::MakeLabel(p, QStringLiteral("Label4"), NnNote(), {610, 130, 390, 150}, kit::Px(26));
    Label4->setWordWrap(true);
    Label7 = kit::MakeLabel(p, QStringLiteral("Label7"), QStringLiteral("戻る＝Ｆ１キー"), {610, 310, 400, 48},
                            kit::Px(32), true);
    Command2 = new QPushButton(QStringLiteral("戻る"), p);
    Command2->setObjectName(QStringLiteral("Command2"));
    Command2->setGeometry(610, 380, 300, 90);
    Command2->setFont(kit::FontOf(kit::Px(36), true));
    connect(Command2, &QPushButton::clicked, this, [this] { Command2_Click(); });
    Picture1->hide();
}

void MainFrm::BuildNotice() {
    sPicture2 = new QFrame(this);
    sPicture2->setObjectName(QStringLiteral("sPicture2"));
    sPicture2->setGeometry(0, 0, kit::kWidth, kStatusHeight);
    sPicture2->setFrameShape(QFrame::Panel);
    Fill(sPicture2, QColor(255, 255, 160));
    const QRect r(0, 0, kit::kWidth, kStatusHeight);
    lblsss1 = kit::MakeLabel(sPicture2, QStringLiteral("lblsss1"), QStringLiteral("成績記録中"), r, kit::Px(80),
                             true, Qt::AlignCenter);
    lblsss2 = kit::MakeLabel(sPicture2, QStringLiteral("lblsss2"), QStringLiteral("時間切れ"), r, kit::Px(80),
                             true, Qt::AlignCenter);
    QPalette pal = lblsss2->palette();
    pal.setColor(QPalette::WindowText, QColor(220, 0, 0));
    lblsss2->setPalette(pal);
    sPicture2->hide();
}

// ---------------------------------------------------------------- load, set-up

void MainFrm::Form_Load() {
    common::Randomize(common::platform().SecondsSinceMidnight());
    sPicture1->setGeometry(0, 0, kit::kWidth, kStatusHeight);
    sPicture2->move(0, 0);
    Keisan2BasePic->setGeometry(0, sPicture1->height(), kit::kWidth, kit::kHeight - sPicture1->height());
    Keisan2BasePic->show();
    LoadRomanizationMode();
    sTimer2->start();
}

void MainFrm::Form_Activate() {
    // The window may be reported active again (the chooser closing, the
    // host raising it): a run is set up once.
    if (setUpDone_) return;
    setUpDone_ = true;
    kit::StillOpen self(this);
    Picture1->setGeometry(Keisan2BasePic->geometry());
    BuildKanaTable();
    ShowChooser();
    if (!self || closed_) return;
    // The chooser may have changed the mode shown by the captions.
    Label3->setText(ModeName(common::runState().RomanizationMode));
    if (!LevelIsTimed()) return;
    初期設定();
    レベル別設定();
    スタート();
    問題作成表示();
    setFocus();
}

bool MainFrm::LevelIsTimed() {
    const int level = common::runState().CurrentLevel;
    if (level >= 1 && level < results::kLevelSlots && results::criteria()[level].MinimumTime > 0)
        return true;
    // Without a minimum time there is no time limit to run against.
    common::platform().MessageBox(
        QStringLiteral("このレベルのタイムが設定されていません。先生を呼びなさい。"),
        QStringLiteral("注意"), common::MessageButtons::Ok);
    closed_ = true;
    sTimer2->stop();
    flow::CloseBackdrop();
    flow::ClosePracticeScreen();
    flow::ShowLevelMenu();
    return false;
}

void MainFrm::BuildKanaTable() {
    FillKanaTable();
    List1->clear();
    List1->addItems(ChartLines());
    Label5->setText(HepburnNote());
    Label2->setText(BothSystemsCaption());
    Label3->setText(ModeName(common::runState().RomanizationMode));
}

void MainFrm::ShowChooser() {
    if (common::runState().ChooserDone) return;
    Form2 chooser(flow::DialogParent());
    chooser.exec();
}

void MainFrm::初期設定() {
    // The menu stays loaded behind the run: it keeps its load-time figures.
    flow::HideLevelMenu();
    flow::CloseBackdrop();
    auto& rs = common::runState();
    rs.RunFinished = false;
    rs.HandOffDone = false;
    rs.JudgeResult = 0;
    answerText_.clear();

    const results::CriteriaRow& c = results::criteria()[rs.CurrentLevel];
    rs.TimeLimit = results::TimeLimitFor(c.MinimumTime);
    sLabel10->setText(QStringLiteral("0"));
    rs.BarScale = static_cast<double>(sShape5->width()) / rs.TimeLimit;
    SetBarWidth(sShape2, 0);
    SetBarWidth(sShape7, 0);
    SetBarWidth(sShape3, c.TargetTime);
    SetBarWidth(sShape4, c.MinimumTime);

    sLabel2->setText(rs.ProgramTitle);
    sLabel14->setText(rs.SchoolName);
    sLabel7->setText(common::TrimSpaces(rs.CurrentPupilName));
    sLabel8->setText(rs.LevelNames.at(rs.CurrentLevel));
    ShowRemaining();
    sLabel13->setText(Number(MinutesSinceSignIn()));
    const int pupil = rs.CurrentPupil;
    double today = 0;
    double here = 0;
    if (pupil >= 0 && pupil < results::kPupilSlots) {
        for (int level = 1; level <= 15; ++level) today += results::stats().At(level, pupil).TodayRuns;
        here = results::stats().At(rs.CurrentLevel, pupil).TodayRuns;
    }
    sLabel12->setText(Number(1 + static_cast<long long>(today)));
    sLabel11->setText(Number(1 + static_cast<long long>(here)));
}

void MainFrm::レベル別設定() {
    common::runState().QuestionsPerRun = kQuestionsPerRun;
    ShowRemaining();
}

void MainFrm::スタート() {
    auto& rs = common::runState();
    rs.RunStartTime = common::platform().SecondsSinceMidnight();
    rs.RunStartTick = common::platform().TickCount();
    sTimer1->start();
}

void MainFrm::問題作成表示() {
    auto& rs = common::runState();
    if (rs.TimedOut || rs.RunFinished || rs.JudgeBusy) return;
    inputLock_ = true;
    const int n = DrawEntry(rs.CurrentLevel, previousEntry_);
    currentQuestion_ = kanaTable()[n];
    previousEntry_ = n;
    Keisan2Lbl2[0]->setText(common::TrimSpaces(currentQuestion_.Kana));
    Keisan2Lbl1[0]->setText(QString());
    SetAnswerBackground(kAnswerCleared);
    SetAnswerBackground(kAnswerCurrent);  // the current box, always element 0
    Keisan2Timer1->start();
}

void MainFrm::Keisan2Timer1_Timer() {
    Keisan2Timer1->stop();
    inputLock_ = false;
}

// ---------------------------------------------------------------- keyboard

bool MainFrm::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress) return kit::Screen::eventFilter(watched, event);
    auto* e = static_cast<QKeyEvent*>(event);
    const int key = e->key();
    QString text = e->text();
    if (text.isEmpty() && key == Qt::Key_Backspace) text = QString(QChar(8));
    // X11 gives Delete the text DEL; Delete is a key-down key only (it empties
    // the answer) and must not count as a key between the two Space presses.
    if (key == Qt::Key_Delete) text.clear();
    kit::StillOpen self(this);
    KeyDown(key, e->modifiers());
    for (QChar c : text) {
        if (!self || closed_) break;
        KeyPress(c.unicode());
    }
    return true;
}

void MainFrm::KeyDown(int key, Qt::KeyboardModifiers) {
    auto& rs = common::runState();
    if (rs.SpaceWait == 1 || rs.JudgeBusy || inputLock_) return;
    // Once the run has ended no key changes anything.
    if (rs.TimedOut || rs.RunFinished || closed_) return;
    switch (key) {
    case Qt::Key_F1:
        if (!Picture1->isHidden()) {
            Picture1->hide();
        } else {
            Command1_Click();
            rs.RunStartTime -= kHintSeconds;
            rs.RunStartTick -= kHintSeconds * 1000u;  // unsigned: wraps like the counter
        }
        break;
    case Qt::Key_Delete:
    case Qt::Key_Up:
        answerText_.clear();
        ShowAnswer();
        break;
    case Qt::Key_Down:
        answerText_.clear();
        ShowAnswer();
        SetAnswerBackground(kAnswerDown);
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter: {
        inputLock_ = true;
        rs.JudgeBusy = true;
        判定();
        判定後処理();
        // The screen may have been closed by the hand-off; only shared state
        // is touched from here on.
        common::DoEvents();
        rs.JudgeBusy = false;
        break;
    }
    default:
        break;
    }
}

void MainFrm::KeyPress(int k) {
    auto& rs = common::runState();
    if (rs.TimedOut || rs.RunFinished || rs.JudgeBusy || closed_) return;
    if (rs.SpaceWait == 0) {
        if (k == 8) {
            if (!answerText_.isEmpty()) {
                answerText_.chop(1);
                ShowAnswer();
            }
        } else if (answerText_.size() >= kMaxAnswerLength) {
            sound::PlayWarningSound();
        } else if ((k >= 'A' && k <= 'Z') || (k >= 'a' && k <= 'z')) {
            answerText_ += QChar(k);
            ShowAnswer();
        }
        return;
    }
    if (k == ' ') {
        if (rs.SpaceWait == 1)
            rs.SpaceWait = 2;
        else
            Confirm();
    } else {
        // The two Space presses must follow each other.
        rs.SpaceWait = 1;
    }
}

void MainFrm::判定() {
    auto& rs = common::runState();
    if (rs.TimedOut || rs.RunFinished) {
        rs.JudgeBusy = false;
        return;
    }
    rs.JudgeResult = IsCorrectAnswer(Keisan2Lbl1[0]->text(), currentQuestion_, rs.RomanizationMode) ? 1 : 2;
}

void MainFrm::判定後処理() {
    auto& rs = common::runState();
    if (rs.TimedOut || rs.RunFinished) return;
    kit::StillOpen self(this);
    if (rs.JudgeResult == 1) {
        rs.JudgeResult = 0;
        flow::EndIfFatal(sound::PlayCorrectSound());
        if (!self) return;
        ++rs.CorrectCount;
        ShowRemaining();
        if (rs.CorrectCount < rs.QuestionsPerRun) {
            rs.JudgeBusy = false;
            answerText_.clear();
            問題作成表示();
        } else {
            sTimer1->stop();
            rs.RunFinished = true;
            HandOffRun();
        }
        return;
    }
    rs.SpaceWait = 1;
    const Spelling s = SpellingFor(currentQuestion_, rs.RomanizationMode);
    Keisan2Lbl4[0]->setText(s.Lower);
    Keisan2Lbl4[1]->setText(s.Upper);
    Keisan2Lbl4[0]->show();
    Keisan2Lbl4[1]->show();
    Label1->hide();
    common::DoEvents();  // the spelling is on view before the sound
    if (!self) return;
    flow::EndIfFatal(sound::PlayWrongSound());
    if (!self) return;
    rs.CorrectCount = std::max(0, rs.CorrectCount - 1);
    ShowRemaining();
    rs.JudgeBusy = false;
    Keisan2Lbl5[0]->show();
}

void MainFrm::Confirm() {
    common::runState().SpaceWait = 0;
    Keisan2Lbl4[0]->hide();
    Keisan2Lbl4[1]->hide();
    Label1->show();
    Keisan2Lbl5[0]->hide();
    answerText_.clear();
    問題作成表示();
}

void MainFrm::Command1_Click() {
    // The chart opens at its top with no line marked: pointing at the kana on
    // view would hand the pupil the answer.
    List1->setCurrentItem(nullptr);
    List1->clearSelection();
    List1->scrollToTop();
    Picture1->show();
    Picture1->raise();
}

void MainFrm::Command2_Click() { Picture1->hide(); }

void MainFrm::ShowAnswer() {
    QLabel* box = Keisan2Lbl1[0];
    // Short answers in the full large type; longer ones shrink so that all
    // twelve letters stay inside the box.
    int px = kBigTypePx;
    if (!answerText_.isEmpty()) {
        const int room = box->width() - 24;
        QFont f = kit::FontOf(kit::Px(px));
        const int width = QFontMetrics(f).horizontalAdvance(answerText_);
        if (width > room) px = std::max(24, px * room / width);
    }
    if (px != answerFontPx_) {
        box->setFont(kit::FontOf(kit::Px(px)));
        answerFontPx_ = px;
    }
    box->setText(answerText_);
}

void MainFrm::SetAnswerBackground(const QColor& colour) { Fill(Keisan2Lbl1[0], colour); }

void MainFrm::ShowRemaining() {
    const auto& rs = common::runState();
    sLabel9->setText(Number(rs.QuestionsPerRun - rs.CorrectCount));
}

// ---------------------------------------------------------------- clock

void MainFrm::SetBarWidth(QFrame* shape, double seconds) {
    const double w = seconds * common::runState().BarScale;
    const int px = std::isfinite(w) ? static_cast<int>(std::clamp(w, 0.0, double(sShape5->width()))) : 0;
    shape->setGeometry(sShape5->x(), sShape5->y(), px, sShape5->height());
}

int MainFrm::MinutesSinceSignIn() const { return static_cast<int>(common::MinutesSinceSignIn()); }

void MainFrm::sTimer1_Timer() {
    auto& rs = common::runState();
    if (closed_) return;
    kit::StillOpen self(this);
    const results::CriteriaRow& c = results::criteria()[rs.CurrentLevel];
    const int T = c.TargetTime;
    const int M = c.MinimumTime;
    // Elapsed time from the tick count: a clock set back by a time
    // synchronisation, or midnight, must not change the run's time. The
    // unsigned difference is right across a wrap of the counter.
    const quint32 ms = common::platform().TickCount() - rs.RunStartTick;
    const int E = static_cast<int>(common::RoundHalfEven(ms / 1000.0));
    rs.ElapsedSeconds = E;

    // "Pass" boxes: one a second from T - 9 on, all gone at T. A tick that
    // comes late (a sound blocks the clock) must not leave boxes standing,
    // so every box whose second has passed goes, not only this second's.
    for (int i = 0; i <= std::min(E - T + 9, 9); ++i) sPicture3[30 + i]->hide();
    for (int i = 0; i <= 9; ++i)
        if (E >= M - i) sPicture3[39 - i]->hide();

    sLabel10->setText(Number(E));
    if (E < rs.TimeLimit) SetBarWidth(sShape2, E);
    common::DoEvents();
    if (!self || closed_) return;
    if (E < rs.TimeLimit) {
        SetBarWidth(sShape2, E);
        return;
    }
    sShape2->setGeometry(sShape5->geometry());
    if (!rs.HandOffDone && !rs.RunFinished && !rs.JudgeBusy) {
        rs.TimedOut = true;
        sTimer1->stop();
        HandOffRun();
    }
    common::DoEvents();
}

void MainFrm::sTimer2_Timer() {
    // Files are opened and closed per operation, so the ten-minute closing
    // of open files has nothing to do here.
    sLabel13->setText(Number(MinutesSinceSignIn()));
}

// ---------------------------------------------------------------- run end

void MainFrm::HandOffRun() {
    auto& rs = common::runState();
    kit::StillOpen self(this);
    common::DoEvents();
    if (!self) return;
    if (rs.HandOffDone) return;  // once per run
    rs.HandOffDone = true;
    lblsss2->setVisible(rs.TimedOut);
    lblsss1->setVisible(!rs.TimedOut);
    sPicture2->show();
    sPicture2->raise();
    common::DoEvents();
    if (!self) return;
    sTimer1->stop();
    rs.ResultTime = rs.TimedOut ? results::kNoResult : rs.ElapsedSeconds;
    const results::RecordedRun recorded = results::RecordRunResult(rs.CurrentLevel, flow::Caution);
    flow::EndIfFatal(recorded.Outcome);
    if (!self) return;
    flow::ShowBackdrop();
    common::DoEvents();
    if (!self) return;
    WaitThenEvaluate(1, recorded.Flags);
}

void MainFrm::WaitThenEvaluate(double seconds, results::RunEndFlags flags) {
    kit::StillOpen self(this);
    quint32 mark = common::platform().TickCount();
    long long slices = 0;
    for (;;) {
        const quint32 now = common::platform().TickCount();
        if (now - mark > 10) {  // unsigned: right across a wrap of the counter
            ++slices;
            if (slices * 10 / 1000.0 >= seconds) break;
            mark += 10;
        }
        common::DoEvents();
        if (!self || closed_) return;
    }
    closed_ = true;
    sTimer1->stop();
    sTimer2->stop();
    Keisan2Timer1->stop();
    flow::ClosePracticeScreen();
    flow::OpenEvaluationScreen(flags);
}

}  // namespace practice
