#include "screens/menus/seisekitime1.h"

#include "core/common/dates.h"
#include "core/common/numbers.h"
#include "core/common/platform.h"
#include "core/common/strings.h"
#include "core/menus/roster.h"
#include "core/results/availability.h"
#include "core/results/criteria.h"
#include "core/results/statistics.h"
#include "screens/kit/flow.h"
#include "core/common/runstate.h"

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QStyle>
#include <QStyleFactory>

#include <algorithm>
#include <cmath>

namespace menus {
namespace {

// The waiting panels' progress bars: a plain filled bar, without a
// percentage written over it. They are painted many times while a listing
// runs, and the plain bar costs a fraction of the shaded, striped one.
void BlockBar(QProgressBar* bar) {
    QStyle* blocks = QStyleFactory::create(QStringLiteral("Windows"));
    if (blocks) {
        blocks->setParent(bar);
        bar->setStyle(blocks);
    }
    bar->setTextVisible(false);
}

using common::runState;

// The columns live in a viewport of exactly four columns, so a fifth column
// never shows half of itself at the window's edge.
constexpr int kColumnsLeft = 52;
constexpr int kColumnsTop = 110;
constexpr int kVisibleColumns = 4;
constexpr int kColumnInner = 226; // the column's controls, leaving a gap to the next

const QColor kLightGrey(224, 224, 224);

using kit::FontOf;
using kit::SeasonColour;
using kit::SetBackground;

// The period listing's choices, in list order; the last one carries a
// double-quote character as it always has.
const QStringList& PeriodTexts() {
    static const QStringList texts{
        QStringLiteral("　　　今週の全成績"), QStringLiteral("　　先週からの全成績"),
        QStringLiteral("　　１ヶ月間の全成績"), QStringLiteral("　　１年間の全成績"),
        QStringLiteral("　　今までの全成績\"")};
    return texts;
}

// A label copied from a hidden template: same size, font, frame and alignment.
QLabel* CopyLabel(const QLabel* from, QWidget* parent, const QString& name) {
    auto* l = new QLabel(parent);
    l->setObjectName(name);
    l->setGeometry(from->geometry());
    l->setFont(from->font());
    l->setFrameStyle(from->frameStyle());
    l->setAlignment(from->alignment());
    l->setWordWrap(from->wordWrap());
    l->setPalette(from->palette());
    l->setAutoFillBackground(from->autoFillBackground());
    l->setMargin(from->margin());
    l->show();
    return l;
}

QString CountText(float runs) { return common::SingleText(runs); }

}  // namespace

seisekitime1::seisekitime1(QWidget* parent) : kit::Screen(parent) {
    setObjectName(QStringLiteral("seisekitime1"));
    setWindowTitle(QStringLiteral("vorlex"));
    BuildTemplates();
    EnableKeyPreview();
}

void seisekitime1::BuildTemplates() {
    // Header
    Label11 = kit::MakeLabel(this, QStringLiteral("Label11"), QString(), {12, 4, 200, 52}, kit::Pt(24), true);
    Label12 = kit::MakeLabel(this, QStringLiteral("Label12"), QString(), {220, 6, 330, 34}, kit::Pt(16),
                             true);
    Label13 = kit::MakeLabel(this, QStringLiteral("Label13"), QString(), {220, 42, 330, 26}, kit::Pt(11));
    Label17 = kit::MakeLabel(this, QStringLiteral("Label17"), QString(), {560, 6, 200, 30}, kit::Pt(13));
    Label18 = kit::MakeLabel(this, QStringLiteral("Label18"), QString(), {560, 40, 210, 28}, kit::Pt(13));
    Label5 = kit::MakeLabel(this, QStringLiteral("Label5"), QString(), {780, 76, 236, 26}, kit::Pt(11));
    Command8 = kit::MakeButton(this, QStringLiteral("Command8"), QStringLiteral("データ処理"), {774, 8, 118, 48});
    Command1 = kit::MakeButton(this, QStringLiteral("Command1"), QStringLiteral("戻る(0)"), {900, 8, 112, 48},
                               kit::Pt(14), true);

    // The view switches of the result listings: what is shown, and which runs.
    auto* kindGroup = new QWidget(this);
    kindGroup->setObjectName(QStringLiteral("Frame2"));
    kindGroup->setGeometry(12, 72, 300, 32);
    Option2.resize(3);
    const QString kinds[3] = {QStringLiteral("ﾀｲﾑ表示"), QStringLiteral("ﾎﾟｲﾝﾄ表示"),
                              QStringLiteral("個人ﾀｲﾑ")};
    for (int k = 0; k < 3; ++k) {
        Option2[k] = new QRadioButton(kinds[k], kindGroup);
        Option2[k]->setObjectName(QStringLiteral("Option2_%1").arg(k));
        Option2[k]->setGeometry(k * 100, 2, 98, 28);
        // A switch acts when it becomes the selected one, by a click or by
        // the menu selecting it; selecting the one already selected does nothing.
        connect(Option2[k], &QRadioButton::toggled, this, [this, k](bool on) {
            if (on) Q_EMIT ViewSelected(k);
        });
    }
    auto* runsGroup = Picture1 = new QWidget(this);
    runsGroup->setObjectName(QStringLiteral("Picture1"));
    runsGroup->setGeometry(320, 72, 300, 32);
    Option1.resize(4);
    const QString runs[4] = {QString(), QStringLiteral("BEST表示"), QStringLiteral("本日のみ"),
                             QStringLiteral("オール表示")};
    for (int k = 1; k <= 3; ++k) {
        Option1[k] = new QRadioButton(runs[k], runsGroup);
        Option1[k]->setObjectName(QStringLiteral("Option1_%1").arg(k));
        Option1[k]->setGeometry((k - 1) * 100, 2, 98, 28);
        connect(Option1[k], &QRadioButton::toggled, this, [this, k](bool on) {
            if (on) Q_EMIT RunsSelected(k);
        });
    }
    Combo1 = new QComboBox(this);
    Combo1->setObjectName(QStringLiteral("Combo1"));
    Combo1->setGeometry(628, 74, 140, 28);
    Combo2 = new QComboBox(this);
    Combo2->setObjectName(QStringLiteral("Combo2"));
    Combo2->setGeometry(780, 74, 236, 28);
    Combo2->hide();
    connect(Combo1, &QComboBox::activated, this, [this] { Q_EMIT GradeFilterChosen(); });
    connect(Combo2, &QComboBox::activated, this, [this](int index) { Q_EMIT PeriodChosen(index); });

    // Column templates (element 0, hidden), positioned as column 1 inside the
    // column viewport.
    ColumnArea = new QWidget(this);
    ColumnArea->setObjectName(QStringLiteral("ColumnArea"));
    ColumnArea->setGeometry(kColumnsLeft, kColumnsTop, kVisibleColumns * kColumnWidth, 594);
    auto intoColumns = [this](QWidget* w) {
        const QRect r = w->geometry();
        w->setParent(ColumnArea);
        w->setGeometry(r.translated(-kColumnsLeft, -kColumnsTop));
    };
    const int x = kColumnsLeft;
    auto tmpl = [&](QVector<QLabel*>& arr, const QString& name, const QRect& r, int pt,
                    Qt::Alignment align, bool frame = true, bool bold = false) {
        arr.resize(1);
        arr[0] = kit::MakeLabel(this, name + QStringLiteral("_0"), QString(), r, kit::Pt(pt), bold);
        intoColumns(arr[0]);
        arr[0]->setAlignment(align);
        if (frame) arr[0]->setFrameStyle(QFrame::Box | QFrame::Plain);
        arr[0]->hide();
    };
    tmpl(Label1, QStringLiteral("Label1"), {x, 116, 40, 42}, 16, Qt::AlignCenter, true, true);
    tmpl(Label3, QStringLiteral("Label3"), {x + 40, 116, kColumnInner - 40, 42}, 13,
         Qt::AlignVCenter | Qt::AlignLeft, true, true);
    Label3[0]->setMargin(4);
    tmpl(Text1, QStringLiteral("Text1"), {x, 162, kColumnInner, 48}, 15, Qt::AlignCenter, true, true);
    {
        QPalette p = Text1[0]->palette();
        p.setColor(QPalette::Window, QColor(255, 255, 160));
        p.setColor(QPalette::WindowText, QColor(200, 0, 0));
        Text1[0]->setPalette(p);
        Text1[0]->setAutoFillBackground(true);
    }
    tmpl(Label9, QStringLiteral("Label9"), {x, 214, kColumnInner / 2, 22}, 10, Qt::AlignCenter);
    tmpl(Label10, QStringLiteral("Label10"), {x + kColumnInner / 2, 214, kColumnInner / 2, 22}, 10,
         Qt::AlignCenter);
    tmpl(Label14, QStringLiteral("Label14"), {x, 236, kColumnInner / 2, 28}, 11, Qt::AlignCenter);
    tmpl(Label15, QStringLiteral("Label15"), {x + kColumnInner / 2, 236, kColumnInner / 2, 28}, 11,
         Qt::AlignCenter);
    tmpl(Label8, QStringLiteral("Label8"), {x, 266, kColumnInner, 26}, 10, Qt::AlignCenter);
    tmpl(Label7, QStringLiteral("Label7"), {x, 656, kColumnInner, 44}, 10, Qt::AlignCenter);
    Label7[0]->setWordWrap(true);
    for (QLabel* l : {Label14[0], Label15[0], Label9[0], Label10[0]}) {
        QPalette p = l->palette();
        p.setColor(QPalette::Window, Qt::white);
        l->setPalette(p);
        l->setAutoFillBackground(true);
    }
    Command4.resize(1);
    Command4[0] = kit::MakeButton(this, QStringLiteral("Command4_0"), QString(), {x, 162, kColumnInner, 48},
                                  kit::Pt(15), true);
    intoColumns(Command4[0]);
    Command4[0]->hide();
    List5.resize(1);
    List5[0] = new kit::SortedTextList(this);
    List5[0]->setObjectName(QStringLiteral("List5_0"));
    List5[0]->setGeometry(x, 294, kColumnInner, 360);
    // Fixed-layout lines: a full-width character exactly two half-width ones.
    List5[0]->setFont(kit::ListFont(9));
    intoColumns(List5[0]);
    List5[0]->hide();

    HScroll1 = new QScrollBar(Qt::Horizontal, this);
    HScroll1->setObjectName(QStringLiteral("HScroll1"));
    HScroll1->setGeometry(kColumnsLeft, 706, 4 * kColumnWidth - 4, 24);
    HScroll1->setMinimum(1);
    connect(HScroll1, &QScrollBar::valueChanged, this, [this](int v) {
        FirstVisibleLevel = v;
        PlaceColumns();
    });

    // Teacher's data panel.
    Picture7 = new QWidget(this);
    Picture7->setObjectName(QStringLiteral("Picture7"));
    Picture7->setGeometry(312, 240, 400, 270);
    SetBackground(Picture7, QColor(255, 240, 200));
    Command10.resize(2);
    Command10[0] = kit::MakeButton(Picture7, QStringLiteral("Command10_0"), QStringLiteral("データ変更"),
                                   {40, 30, 320, 56});
    Command10[1] = kit::MakeButton(Picture7, QStringLiteral("Command10_1"), QStringLiteral("合格タイムデータ変更"),
                                   {40, 100, 320, 56});
    Command12 = kit::MakeButton(Picture7, QStringLiteral("Command12"), QStringLiteral("戻る"),
                                {140, 190, 120, 48});
    Picture7->hide();
    connect(Command8, &QPushButton::clicked, this, [this] {
        Picture7->show();
        Picture7->raise();
    });
    connect(Command12, &QPushButton::clicked, this, [this] { Picture7->hide(); });
    connect(Command10[1], &QPushButton::clicked, this, [] { flow::OpenCriteriaEditor(); });
    connect(Command10[0], &QPushButton::clicked, this, [] { flow::OpenRecordsMaintenance(); });

    // Waiting panel of the result listings.
    Picture6 = new QWidget(this);
    Picture6->setObjectName(QStringLiteral("Picture6"));
    Picture6->setGeometry(262, 300, 500, 140);
    SetBackground(Picture6, QColor(255, 255, 224));
    auto* waiting = new QLabel(QStringLiteral("Just a momento, please."), Picture6);
    waiting->setGeometry(0, 16, 500, 50);
    waiting->setAlignment(Qt::AlignCenter);
    waiting->setFont(FontOf(20));
    ProgressBar2 = new QProgressBar(Picture6);
    ProgressBar2->setObjectName(QStringLiteral("ProgressBar2"));
    ProgressBar2->setGeometry(40, 84, 420, 26);
    BlockBar(ProgressBar2);
    Picture6->hide();

    // The wait panel covering the whole screen while it refreshes.
    Picture2 = new QWidget(this);
    Picture2->setObjectName(QStringLiteral("Picture2"));
    Picture2->setGeometry(0, 0, kit::kWidth, kit::kHeight);
    auto* wait = new QLabel(QStringLiteral("Just a moment, please."), Picture2);
    wait->setObjectName(QStringLiteral("Label6"));
    wait->setGeometry(0, 300, kit::kWidth, 80);
    wait->setAlignment(Qt::AlignCenter);
    wait->setFont(FontOf(28));
    ProgressBar1 = new QProgressBar(Picture2);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setGeometry(262, 400, 500, 28);
    BlockBar(ProgressBar1);
    Picture2->hide();

    connect(Command1, &QPushButton::clicked, this, [this] { BackToNameScreen(); });
}

void seisekitime1::CreateColumn(int i) {
    const QString n = QString::number(i);
    auto suffix = [&](const QString& name) { return name + QStringLiteral("_") + n; };
    const auto& s = runState();

    Label1.append(CopyLabel(Label1[0], ColumnArea, suffix(QStringLiteral("Label1"))));
    Label1[i]->setText(n);
    Label3.append(CopyLabel(Label3[0], ColumnArea, suffix(QStringLiteral("Label3"))));
    Label3[i]->setText(s.LevelNames[i]);
    Label3[i]->setToolTip(s.LevelNames[i]);
    Label3[i]->setCursor(Qt::PointingHandCursor);
    Label3[i]->installEventFilter(this);

    auto* b = new QPushButton(ColumnArea);
    b->setObjectName(suffix(QStringLiteral("Command4")));
    b->setGeometry(Command4[0]->geometry());
    b->setFont(Command4[0]->font());
    // "&" marks the character after it as the access key.
    b->setText(QStringLiteral("ｽﾀｰﾄ(&") + n + QStringLiteral(")"));
    b->setToolTip(QStringLiteral("クリックしてスタートします。番号を押してもよろしい"));
    b->show();
    connect(b, &QPushButton::clicked, this, [this, i] { StartLevel(i); });
    Command4.append(b);

    Text1.append(CopyLabel(Text1[0], ColumnArea, suffix(QStringLiteral("Text1"))));
    Text1[i]->hide();
    Label9.append(CopyLabel(Label9[0], ColumnArea, suffix(QStringLiteral("Label9"))));
    Label9[i]->setText(n);
    Label10.append(CopyLabel(Label10[0], ColumnArea, suffix(QStringLiteral("Label10"))));
    Label10[i]->setText(n);
    Label14.append(CopyLabel(Label14[0], ColumnArea, suffix(QStringLiteral("Label14"))));
    Label15.append(CopyLabel(Label15[0], ColumnArea, suffix(QStringLiteral("Label15"))));
    Label8.append(CopyLabel(Label8[0], ColumnArea, suffix(QStringLiteral("Label8"))));
    Label8[i]->setText(PeriodText(i));
    Label7.append(CopyLabel(Label7[0], ColumnArea, suffix(QStringLiteral("Label7"))));
    Label7[i]->setText(TargetText(i));

    auto* list = new kit::SortedTextList(ColumnArea);
    list->setObjectName(suffix(QStringLiteral("List5")));
    list->setGeometry(List5[0]->geometry());
    list->setFont(List5[0]->font());
    List5.append(list);
}

QString seisekitime1::TargetText(int level) const {
    const auto& c = results::criteria()[level];
    QString text = QStringLiteral("目標=") + common::Dec(c.TargetTime) + QStringLiteral("秒");
    if (c.ClearPoints == 9999) return text + QStringLiteral(" --------");
    return text + QStringLiteral(" ") + common::Dec(c.ClearCount) + QStringLiteral("回/") +
           common::Dec(c.ClearPoints) + QStringLiteral("点(×") +
           common::SingleText(c.PointMultiplier) + QStringLiteral(")");
}

QString seisekitime1::PeriodText(int level) const {
    const auto& st = results::stats().At(level, runState().CurrentPupil);
    // A number in the criteria reads as a number ("07" shows as 7); an empty
    // field shows as nothing.
    const auto& days = results::criteria()[level].JudgementDays;
    const QString daysText = common::IsNumber(days.Text) ? common::DoubleText(days.Value()) : days.Text;
    return QStringLiteral("最近") + daysText +
           QStringLiteral("日=") + common::Dec(st.PeriodRuns) + QStringLiteral("回 / ") +
           common::Dec(st.PeriodPoints) + QStringLiteral("点");
}

void seisekitime1::FillFigures(int level) {
    const auto& st = results::stats().At(level, runState().CurrentPupil);
    Label14[level]->setText(st.TodayRuns != 0
                                ? CountText(st.TodayRuns) + QStringLiteral("回/") +
                                      common::Dec(st.TodayPoints) + QStringLiteral("点")
                                : QStringLiteral("-----"));
    Label15[level]->setText(st.TotalRuns != 0
                                ? common::Dec(st.TotalRuns) + QStringLiteral("回/") +
                                      common::Dec(st.TotalPoints) + QStringLiteral("点")
                                : QStringLiteral("------"));
}

QString seisekitime1::MinutesSinceSignInText() const {
    return QStringLiteral("起動後") + common::Dec(common::MinutesSinceSignIn()) + QStringLiteral("分");
}

void seisekitime1::Form_Load() {
    const auto& s = runState();
    // The all-runs period one month; the season colour behind the screen and its cover panel.
    choices_.ListPeriod = 3;
    SetBackground(this, SeasonColour());
    SetBackground(Picture2, SeasonColour());
    Picture2->move(0, 0);
    // The scroll bar over the columns, four in view.
    HScroll1->setMaximum(std::max(1, s.LevelCount - 3));
    HScroll1->setPageStep(1);
    HScroll1->show();
    // The grade filter as last chosen; the periods of the all-runs listing.
    Combo1->clear();
    Combo1->addItems(GradeFilterTexts());
    Combo1->setCurrentText(GradeFilterText());
    Combo2->clear();
    Combo2->addItems(PeriodTexts());
    Combo2->setCurrentIndex(2);
    // One column per level.
    for (int i = 1; i <= s.LevelCount; ++i) CreateColumn(i);
    // The columns stand in their places from the start, those past the
    // fourth parked out of view: the first listing then writes and lays out
    // only the columns that show.
    if (FirstVisibleLevel == 0) FirstVisibleLevel = 1;
    PlaceColumns();
    // The cover panel over the whole screen.
    Picture2->resize(kit::kWidth, kit::kHeight);
}

void seisekitime1::Form_Activate() {
    auto& s = runState();
    ++activations_;
    // Not ready until the end; the data button for the teacher only.
    menuReady_ = 0;
    const QString name = common::TrimSpaces(s.CurrentPupilName);
    Command8->setVisible(name == QStringLiteral("先生"));
    Q_EMIT ActivationStarted();
    // The minutes since sign-in, and the cover panel while the menu is prepared.
    Label17->setText(MinutesSinceSignInText());
    Picture2->setGeometry(0, 0, kit::kWidth, kit::kHeight);
    Picture2->show();
    Picture2->raise();
    common::DoEvents();
    // The ranking captions; the name screen goes.
    Option1[1]->setText(QStringLiteral("累計順"));
    Option1[2]->setText(QStringLiteral("本日順"));
    flow::UnloadNameScreen();
    // The statistics rebuilt from the results file; today's runs of the pupil.
    flow::EndIfFatal(results::RecomputeStatistics(flow::Caution));
    float today = 0;
    for (int level = 1; level <= 35; ++level) today += results::stats().At(level, s.CurrentPupil).TodayRuns;
    Label18->setText(QStringLiteral("本日総回数＝") + CountText(today) + QStringLiteral("回"));
    // Selecting "累計順" fills every list with the all-time points ranking
    // when it changes the selection (the listings attached to the menu act on
    // it); the Option2 handler only hides the lists while MenuPreparing is set.
    ProgressBar1->setMaximum(s.LevelCount);
    choices_.ValueKind = 2;
    choices_.ListKind = 1;
    choices_.MenuPreparing = true;
    Option1[1]->setChecked(true);
    Q_EMIT RunOption2Handler(1);
    Option2[1]->setChecked(true);
    Command1->setEnabled(true);
    choices_.MenuPreparing = false;
    // Every column's list shown, Picture6 away.
    for (int i = 1; i <= s.LevelCount; ++i) List5[i]->show();
    Picture6->hide();
    // The pupil, the classroom and the program in the title labels.
    Label12->setText(s.CurrentGradeLabel + QStringLiteral(" ") + name);
    Label13->setText(s.SchoolName + QStringLiteral(":") + common::Dec(s.CurrentPupil));
    Label11->setText(s.ProgramTitle);
    if (FirstVisibleLevel == 0 || FirstVisibleLevel > HScroll1->maximum()) FirstVisibleLevel = 1;
    {
        const QSignalBlocker block(HScroll1);
        HScroll1->setValue(FirstVisibleLevel);
    }
    PlaceColumns();
    // The figures under each level's caption, on light grey.
    for (int i = 1; i <= s.LevelCount; ++i) {
        for (QLabel* l : {Label7[i], Label8[i]}) {
            QPalette p = l->palette();
            p.setColor(QPalette::Window, kLightGrey);
            l->setPalette(p);
            l->setAutoFillBackground(true);
        }
        FillFigures(i);
    }
    // The start buttons off until each level's availability is known.
    for (int i = 1; i <= s.LevelCount; ++i) Command4[i]->setEnabled(false);
    RefreshLevelAvailability();
    // The cover panel away: the menu is ready.
    Picture2->hide();
    common::DoEvents();
    menuReady_ = 1;
}

void seisekitime1::RefreshLevelAvailability() {
    const auto& s = runState();
    const int pupil = s.CurrentPupil;
    const int count = s.LevelCount;
    if (count < 1) return;
    results::UpdateFinalLevelCleared(pupil, s.FinalLevel);
    Command4[1]->setEnabled(true);
    for (int i = 1; i < count; ++i) {
        Command4[i + 1]->setEnabled(true);
        Text1[i + 1]->hide();
        if (results::LevelLocked(pupil, i)) {
            Command4[i]->setEnabled(false);
            Text1[i]->setText(QStringLiteral("やりすぎ禁止"));
            Text1[i]->raise();
            Text1[i]->show();
        } else {
            Text1[i]->hide();
        }
    }
    Picture6->raise();
}

void seisekitime1::PlaceColumns() {
    const int count = runState().LevelCount;
    if (FirstVisibleLevel > count) FirstVisibleLevel = 1;
    const int left0 = List5[0]->x();
    for (int i = 1; i <= count && i < List5.size(); ++i) {
        int x = left0 + (i - FirstVisibleLevel) * kColumnWidth;
        if (x < 0) x = width();  // parked off screen
        for (QWidget* w : std::initializer_list<QWidget*>{List5[i], Command4[i], Text1[i], Label1[i],
                                                          Label7[i], Label8[i], Label9[i], Label14[i]})
            w->move(x, w->y());
        Label3[i]->move(x + Label1[0]->width(), Label3[i]->y());
        Label10[i]->move(x + Label9[i]->width(), Label10[i]->y());
        Label15[i]->move(x + Label14[i]->width(), Label15[i]->y());
    }
}

void seisekitime1::StartLevel(int i) {
    if (i < 1 || i >= Command4.size()) return;
    if (Picture7->isVisible()) return;
    if (!Command4[i]->isEnabled()) return;
    // Keys stop acting before the repaint lets a queued key run: a second
    // start would build a second practice screen.
    menuReady_ = 0;
    Picture2->raise();
    Picture2->show();
    runState().CurrentLevel = static_cast<std::int16_t>(i);
    common::DoEvents();
    flow::StartPracticeRun();
}

void seisekitime1::StartLevelFromName(int i) {
    if (i < 1 || i >= Command4.size()) return;
    if (Picture7->isVisible() || !Command4[i]->isEnabled()) return;
    runState().CurrentLevel = static_cast<std::int16_t>(i);
    menuReady_ = 0;
    kit::StillOpen self(this);
    const int activations = activations_;
    flow::StartPracticeRun();
    // A run that cannot start (a level without a minimum time) shows this
    // menu again; unloading it then would leave the pupil no screen at all.
    if (self && activations_ == activations) flow::UnloadLevelMenu();
}

void seisekitime1::BackToNameScreen() {
    menuReady_ = 0;
    Picture2->raise();
    Picture2->show();
    common::DoEvents();
    flow::ShowNameScreen();
}

int seisekitime1::ColumnCount() const { return std::min<int>(runState().LevelCount, int(List5.size()) - 1); }

kit::SortedTextList* seisekitime1::ColumnList(int level) const {
    return level >= 1 && level < List5.size() ? List5[level] : nullptr;
}

QString seisekitime1::LevelCaption(int level) const {
    return level >= 0 && level < Label3.size() && Label3[level] ? Label3[level]->text() : QString();
}

void seisekitime1::ClearColumn(int level) {
    if (level < 1 || level > ColumnCount()) return;
    Label9[level]->setText(QStringLiteral("今日"));
    Label10[level]->setText(QStringLiteral("今まで"));
    List5[level]->clear();
}

void seisekitime1::StartOfListing() {
    Command1->setEnabled(false);
    for (int i = 1; i <= ColumnCount(); ++i) {
        Command4[i]->setEnabled(false);
        List5[i]->hide();
    }
    Picture6->show();
    Picture6->raise();
}

void seisekitime1::EndOfListing() {
    Command1->setEnabled(true);
    RefreshLevelAvailability();
    for (int i = 1; i <= ColumnCount(); ++i) List5[i]->show();
    Picture6->hide();
}

void seisekitime1::SetListingTitle(const QString& text) { Label5->setText(text); }

QProgressBar* seisekitime1::ListingProgress() const { return ProgressBar2; }

QProgressBar* seisekitime1::RefreshProgress() const { return ProgressBar1; }

QString seisekitime1::GradeFilter() const { return Combo1->currentText(); }

int seisekitime1::SelectedRuns() const {
    for (int k = 1; k <= 3; ++k)
        if (Option1[k]->isChecked()) return k;
    return -1;
}

int seisekitime1::SelectedView() const {
    for (int k = 0; k <= 2; ++k)
        if (Option2[k]->isChecked()) return k;
    return -1;
}

void seisekitime1::SetRunsCaptions(const QString& first, const QString& second, const QString& third) {
    Option1[1]->setText(first);
    Option1[2]->setText(second);
    if (!third.isNull()) Option1[3]->setText(third);
    Option1[3]->setEnabled(true);
}

void seisekitime1::EnableRunsSwitches(bool enabled) { Picture1->setEnabled(enabled); }

void seisekitime1::ShowPeriodChoice(bool shown) { Combo2->setVisible(shown); }

void seisekitime1::FocusFirstStartButton() {
    if (Command4.size() > 1) Command4[1]->setFocus();
}

bool seisekitime1::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonRelease) {
        for (int i = 1; i < Label3.size(); ++i)
            if (watched == Label3[i]) {
                // Only the left button starts a level: a right-click is no choice.
                if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) StartLevelFromName(i);
                return true;
            }
        return false;
    }
    // Keys reach the screen before the focused control, whichever it is.
    if (!KeyPreviewTarget(watched, event)) return false;
    const QString key = static_cast<QKeyEvent*>(event)->text();
    if (key.size() != 1) return false;
    if (menuReady_ != 1) return key.at(0).isLetterOrNumber();
    const char16_t c = key.at(0).unicode();
    const int count = runState().LevelCount;
    int level = 0;
    if (c >= u'1' && c <= u'9') level = c - u'0';
    else if (c >= u'a' && c <= u'd') level = 10 + (c - u'a');
    if (level >= 1) {
        if (level <= count) StartLevel(level);
        return true;
    }
    if (c == u'0') {
        if (Command1->isEnabled()) BackToNameScreen();
        return true;
    }
    return false;
}

}  // namespace menus
