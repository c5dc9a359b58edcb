#include "screens/results/FrmSyuuryou.h"

#include "core/common/platform.h"
#include "core/common/strings.h"
#include "core/results/availability.h"
#include "core/results/criteria.h"
#include "core/results/resultsfile.h"
#include "core/results/statistics.h"
#include "screens/kit/flow.h"
#include "core/common/runstate.h"
#include "core/sound/sound.h"

#include <QFontMetrics>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QRadialGradient>
#include <QTimer>

#include <cmath>
#include <random>

namespace results {
namespace {

constexpr int kClearCountOff = 9999;  // a criteria row with this count switches the final panel off

const QColor kInk(0x1d, 0x2b, 0x53);
const char* const kBasePx = "basePx";

// Sets a label's text at its own size, or smaller when that would not fit:
// names and long multipliers must never be cut off.
void SetFitted(QLabel* label, const QString& text) {
    int px = label->property(kBasePx).toInt();
    QFont f = label->font();
    f.setPixelSize(px);
    const int room = label->width() - 2 * label->margin() - 16;
    while (px > 12 && QFontMetrics(f).horizontalAdvance(text) > room) {
        --px;
        f.setPixelSize(px);
    }
    label->setFont(f);
    label->setText(text);
}

// A panel label: kit::MakeLabel in pixels, its coloured text centred, and
// its own size kept for SetFitted.
QLabel* MakePanelLabel(QWidget* parent, const char* name, const QRect& geometry, int px, bool bold,
                       const QColor& colour, Qt::Alignment alignment = Qt::AlignCenter) {
    auto* label = kit::MakeLabel(parent, QString::fromLatin1(name), QString(), geometry, kit::Px(px), bold,
                                 alignment);
    label->setProperty(kBasePx, px);
    kit::SetTextColour(label, colour);
    return label;
}

// One of the two large round buttons, in its colour.
QPushButton* MakeRoundButton(QWidget* parent, const char* name, const QString& text, const QRect& geometry,
                             const QString& colour) {
    auto* button = kit::MakeButton(parent, QString::fromLatin1(name), text, geometry, kit::Px(44), true);
    button->setStyleSheet(QStringLiteral(
        "QPushButton { background: %1; color: white; border: 4px solid white;"
        " border-radius: 24px; }"
        "QPushButton:focus { border: 6px solid #ffd84a; }"
        "QPushButton:disabled { background: #b9b9b9; }").arg(colour));
    return button;
}

bool AnyRowSwitchesPanelOff() {
    for (int level = 1; level < kLevelSlots; ++level)
        if (criteria()[level].ClearCount == kClearCountOff) return true;
    return false;
}

void DrawStar(QPainter& p, QPointF centre, double outer, double inner, double turn) {
    QPainterPath path;
    for (int i = 0; i < 10; ++i) {
        const double r = i % 2 ? inner : outer;
        const double a = turn + i * M_PI / 5 - M_PI / 2;
        const QPointF pt(centre.x() + r * std::cos(a), centre.y() + r * std::sin(a));
        if (i == 0)
            path.moveTo(pt);
        else
            path.lineTo(pt);
    }
    path.closeSubpath();
    p.drawPath(path);
}

// The pupil's name must stay readable over the picture: the card behind the
// figures is drawn into it, so the labels themselves stay transparent.
QPixmap DrawBackground() {
    const int w = kit::kWidth, h = kit::kHeight;
    QPixmap pix(w, h);
    QPainter p(&pix);
    p.setRenderHint(QPainter::Antialiasing);

    QLinearGradient sky(0, 0, 0, h);
    sky.setColorAt(0, QColor(0x7f, 0xc8, 0xf8));
    sky.setColorAt(0.6, QColor(0xc9, 0xec, 0xff));
    sky.setColorAt(1, QColor(0xff, 0xf3, 0xc4));
    p.fillRect(pix.rect(), sky);

    // Sun in the top right corner.
    QRadialGradient glow(QPointF(930, 70), 120);
    glow.setColorAt(0, QColor(255, 236, 120, 255));
    glow.setColorAt(0.55, QColor(255, 214, 80, 230));
    glow.setColorAt(1, QColor(255, 214, 80, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(glow);
    p.drawEllipse(QPointF(930, 70), 120, 120);

    // Rainbow arching over the card.
    const QColor bands[] = {QColor(0xff, 0x5c, 0x5c), QColor(0xff, 0xa3, 0x3d), QColor(0xff, 0xe0, 0x4d),
                            QColor(0x6c, 0xd6, 0x6c), QColor(0x4d, 0xa6, 0xff), QColor(0x9b, 0x7b, 0xe8)};
    p.setBrush(Qt::NoBrush);
    for (int i = 0; i < 6; ++i) {
        QColor c = bands[i];
        c.setAlpha(150);
        p.setPen(QPen(c, 22, Qt::SolidLine, Qt::FlatCap));
        const double r = 640 - i * 22;
        p.drawArc(QRectF(512 - r, 880 - r, 2 * r, 2 * r), 18 * 16, 144 * 16);
    }

    // Hills along the bottom.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x8e, 0xd8, 0x6a));
    p.drawEllipse(QRectF(-200, 640, 760, 300));
    p.setBrush(QColor(0x6c, 0xc7, 0x52));
    p.drawEllipse(QRectF(420, 660, 860, 300));

    // Confetti and stars, always in the same places.
    std::minstd_rand gen(20240401u);
    std::uniform_real_distribution<double> ux(0, w), uy(0, h), ua(0, M_PI), us(6, 14);
    const QColor confetti[] = {QColor(0xff, 0x6f, 0x91), QColor(0xff, 0xc1, 0x2e), QColor(0x4c, 0xc9, 0xf0),
                               QColor(0x7b, 0xd8, 0x8f), QColor(0xb3, 0x88, 0xff)};
    for (int i = 0; i < 90; ++i) {
        const QPointF c(ux(gen), uy(gen));
        const double s = us(gen), turn = ua(gen);
        p.setBrush(confetti[i % 5]);
        if (i % 3 == 0) {
            DrawStar(p, c, s * 1.4, s * 0.6, turn);
        } else {
            p.save();
            p.translate(c);
            p.rotate(turn * 57.3);
            p.drawRoundedRect(QRectF(-s, -s / 2.5, 2 * s, s / 1.25), 2, 2);
            p.restore();
        }
    }

    // Header ribbon and the card for the figures.
    p.setBrush(QColor(255, 255, 255, 200));
    p.setPen(QPen(QColor(255, 255, 255, 240), 3));
    p.drawRoundedRect(QRectF(24, 16, 976, 138), 28, 28);
    p.setBrush(QColor(255, 255, 255, 228));
    p.setPen(QPen(QColor(0xff, 0xc1, 0x2e), 6));
    p.drawRoundedRect(QRectF(56, 172, 912, 430), 36, 36);
    p.setBrush(QColor(0xff, 0xc1, 0x2e));
    p.setPen(Qt::NoPen);
    DrawStar(p, QPointF(96, 212), 30, 13, 0);
    DrawStar(p, QPointF(928, 212), 30, 13, 0.3);
    return pix;
}

}  // namespace

QPixmap EvaluationBackground() {
    static const QPixmap pix = DrawBackground();
    return pix;
}

FrmSyuuryou::FrmSyuuryou(const RunEndFlags& flags, QWidget* parent) : kit::Screen(parent), flags_(flags) {
    setObjectName(QStringLiteral("FrmSyuuryou"));
    setWindowTitle(QStringLiteral("終了"));
    resize(kit::kWidth, kit::kHeight);

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(0, 0, kit::kWidth, kit::kHeight);
    Image1->setPixmap(EvaluationBackground());

    Label15 = MakePanelLabel(this, "Label15", QRect(48, 24, 300, 56), 40, true, QColor(0xe8, 0x4a, 0x5f),
                             Qt::AlignLeft | Qt::AlignVCenter);
    Label17 = MakePanelLabel(this, "Label17", QRect(348, 24, 628, 56), 40, true, kInk,
                             Qt::AlignRight | Qt::AlignVCenter);
    Label16 = MakePanelLabel(this, "Label16", QRect(48, 86, 928, 60), 44, true, kInk);

    Label18 = MakePanelLabel(this, "Label18", QRect(130, 186, 764, 84), 64, true, kInk);
    Label19 = MakePanelLabel(this, "Label19", QRect(96, 276, 832, 64), 42, true, QColor(0x1f, 0x6f, 0xd1));
    Label13 = MakePanelLabel(this, "Label13", QRect(96, 346, 420, 54), 36, false, kInk);
    Label14 = MakePanelLabel(this, "Label14", QRect(516, 346, 412, 54), 36, false, kInk);
    Label20 = MakePanelLabel(this, "Label20", QRect(96, 404, 832, 90), 60, true, QColor(0xe0, 0x28, 0x3a));
    Label2 = MakePanelLabel(this, "Label2", QRect(96, 500, 832, 80), 52, true, QColor(0x1e, 0x9e, 0x3c));

    Picture1 = new QFrame(this);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->setGeometry(96, 612, 832, 136);
    Picture1->setStyleSheet(QStringLiteral(
        "#Picture1 { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #fff4a8, stop:1 #ffc12e);"
        " border: 6px solid #ff7b2e; border-radius: 30px; }"));
    Label1 = MakePanelLabel(Picture1, "Label1", QRect(12, 12, 808, 112), 50, true, QColor(0xc2, 0x26, 0x12));
    SetFitted(Label1, QStringLiteral("目標レベルクリア。おめでとう！"));

    // The buttons share the place of the panel: the panel gives way to them.
    Command4 = MakeRoundButton(this, "Command4", QStringLiteral("メニューへ"), QRect(136, 624, 352, 112),
                               QStringLiteral("#2f80ed"));
    Command5 = MakeRoundButton(this, "Command5", QStringLiteral("もう一度"), QRect(536, 624, 352, 112),
                               QStringLiteral("#f2784b"));
    Command4->installEventFilter(this);
    Command5->installEventFilter(this);
    connect(Command4, &QPushButton::clicked, this, [this] { Command4_Click(); });
    connect(Command5, &QPushButton::clicked, this, [this] { Command5_Click(); });

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(kTimer1Interval);
    connect(Timer1, &QTimer::timeout, this, [this] { Timer1_Timer(); });
}

void FrmSyuuryou::Form_Load() {
    Label20->hide();
    Label2->hide();
    Picture1->hide();
    Command4->hide();
    // Hidden as well until Timer1 decides whether another run is allowed.
    Command5->hide();
    Timer1->stop();
}

bool FrmSyuuryou::LetEventsRun() {
    kit::StillOpen self(this);
    common::DoEvents();
    if (!self) return false;
    // Timer1 is due once its interval has passed since it started; a sound
    // that blocked the thread may have kept its own event from arriving yet.
    if (!timerFired_ && Timer1->isActive() &&
        common::platform().TickCount() - timerMark_ >= quint32(kTimer1Interval))
        Timer1_Timer();
    return true;
}

void FrmSyuuryou::ShowMessage(QLabel* label, const QString& text) {
    SetFitted(label, text);
    label->show();
}

void FrmSyuuryou::Form_Activate() {
    if (activated_) return;
    activated_ = true;
    activating_ = true;
    // Whatever happens to the screen, the two record flags belong to this run
    // only and must not greet the next one.
    struct ClearBestFlags {
        ~ClearBestFlags() {
            runEndFlags().NewPersonalBest = 0;
            runEndFlags().NewSchoolBest = 0;
        }
    } clearBestFlags;

    kit::StillOpen self(this);
    const auto& rs = common::runState();
    const int pupil = rs.CurrentPupil;
    const int level = rs.CurrentLevel;
    const long long t = rs.ResultTime;

    flow::EndIfFatal(RecomputeStatistics(flow::Caution));
    if (!self) return;

    const bool cleared = LevelCleared(pupil, level);
    const bool finalCleared = cleared && level == rs.FinalLevel;
    if (cleared) {
        SetFitted(Label2, QStringLiteral("このレベルクリア"));
        Label2->show();
        if (finalCleared && !AnyRowSwitchesPanelOff()) Picture1->show();
    }
    common::DoEvents();
    if (!self) return;

    timerMark_ = common::platform().TickCount();
    Timer1->start();

    const CriteriaRow& row = criteria()[level];
    SetFitted(Label19, QStringLiteral("獲得ポイント：") + common::Dec(BasePoints(t, level)) +
                           QStringLiteral("点×") + common::SingleText(row.PointMultiplier) +
                           QStringLiteral("→") + common::Dec(RunPoints(t, level)) + QStringLiteral("点"));
    SetFitted(Label18, t > 99997 ? QStringLiteral("記録なし")
                                 : QStringLiteral("今の成績：") + common::Dec(t) + QStringLiteral("秒"));
    SetFitted(Label17, common::TrimSpaces(rs.CurrentPupilName));
    SetFitted(Label15, rs.ProgramTitle);
    SetFitted(Label16, level >= 0 && level < int(rs.LevelNames.size()) ? rs.LevelNames[level] : QString());

    const Statistics& st = stats();
    float allLevels = 0;
    for (int l = 1; l < kLevelSlots; ++l) allLevels += st.At(l, pupil).TodayRuns;
    SetFitted(Label13, QStringLiteral(" (このレベル　") + common::SingleText(st.At(level, pupil).TodayRuns) +
                           QStringLiteral("回目)"));
    SetFitted(Label14, QStringLiteral("（") + common::SingleText(allLevels) + QStringLiteral("回目)"));
    if (!LetEventsRun()) return;

    const RunEndFlags& flags = flags_;
    if (rs.TimedOut) {
        ShowMessage(Label20, QStringLiteral("時間切れ"));
    } else if (flags.NewPersonalBest && !flags.NewSchoolBest) {
        ShowMessage(Label20, QStringLiteral("新記録おめでとう"));
        if (!LetEventsRun()) return;
        sound::PlayPersonalBestSound();
        if (!LetEventsRun()) return;
    } else if (flags.NewSchoolBest) {
        ShowMessage(Label20, QStringLiteral("！！！最高新記録！！！"));
        if (!LetEventsRun()) return;
        sound::PlaySchoolBestSound();
        if (!LetEventsRun()) return;
    } else if (t <= row.MinimumTime) {
        sound::PlayMinimumTimeSound();
    }

    if (finalCleared) {
        if (!flags.AlreadyCleared) sound::PlayPassSound();
    } else {
        Picture1->hide();
    }

    runEndFlags().NewPersonalBest = 0;
    runEndFlags().NewSchoolBest = 0;
    if (!LetEventsRun()) return;
    flow::CloseBackdrop();
    activating_ = false;

    // A button pressed while the sounds played is taken now.
    TakeExit();
}

void FrmSyuuryou::Timer1_Timer() {
    if (timerFired_) return;
    timerFired_ = true;
    Picture1->hide();
    Command4->show();
    Command4->setFocus();
    Timer1->stop();

    const auto& rs = common::runState();
    const int pupil = rs.CurrentPupil;
    const int level = rs.CurrentLevel;
    if (TooMuchReached(pupil, level) && LevelCleared(pupil, level)) {
        if (level == rs.FinalLevel) {
            Label2->clear();
            Label2->hide();
            Command5->show();
        } else if (!FinalLevelCleared()) {
            SetFitted(Label2, QStringLiteral("次のレベルへ進みましょう"));
            Command5->hide();
        } else {
            Command5->show();
        }
    } else {
        Command5->show();
    }
}

void FrmSyuuryou::Command4_Click() { Leave(Exit::Menu); }

void FrmSyuuryou::Command5_Click() { Leave(Exit::Again); }

void FrmSyuuryou::Leave(Exit exit) {
    if (exit_ != Exit::None) return;  // one way out only
    exit_ = exit;
    Command4->setEnabled(false);
    if (activating_) {
        Command5->setEnabled(false);
        return;
    }
    TakeExit();
}

void FrmSyuuryou::TakeExit() {
    if (exit_ == Exit::Menu)
        GoToMenu();
    else if (exit_ == Exit::Again)
        StartAgain();
}

void FrmSyuuryou::GoToMenu() {
    flow::ShowLevelMenu();
    flow::CloseScreen(this);
}

void FrmSyuuryou::StartAgain() {
    flow::ShowBackdrop();
    flow::CloseScreen(this);
    // The same level and romanization; the run fields start afresh.
    flow::StartPracticeRun();
}

bool FrmSyuuryou::eventFilter(QObject* watched, QEvent* event) {
    // Return on a focused button presses it, as pupils expect.
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            if (auto* button = qobject_cast<QPushButton*>(watched)) {
                button->click();
                return true;
            }
        }
    }
    return kit::Screen::eventFilter(watched, event);
}

}  // namespace results
