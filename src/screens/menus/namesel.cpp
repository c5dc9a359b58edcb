#include "screens/menus/namesel.h"

#include "core/common/numbers.h"
#include "core/common/platform.h"
#include "core/common/random.h"
#include "core/common/strings.h"
#include "screens/menus/frmpin.h"
#include "core/menus/teacherpin.h"
#include "core/results/statistics.h"
#include "screens/kit/flow.h"
#include "core/common/runstate.h"
#include "core/sound/sound.h"

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QItemSelectionModel>
#include <QPushButton>
#include <QRadioButton>

namespace menus {
namespace {

using common::runState;

using kit::FontOf;
using kit::SeasonColour;
using kit::SetBackground;

}  // namespace

const QString namesel::kPrompt = QStringLiteral("名前を選びなさい");

namesel::namesel(QWidget* parent) : kit::Screen(parent) {
    setObjectName(QStringLiteral("namesel"));
    setWindowTitle(QStringLiteral("vorlex"));
    BuildControls();
    // Keys "1" and "0" work whichever control has the focus: the screen sees
    // every key before the control does.
    EnableKeyPreview();
}

void namesel::BuildControls() {
    Label4 = kit::MakeLabel(this, QStringLiteral("Label4"), QString(), {30, 14, 420, 84}, kit::Pt(48), true);
    Label4->setCursor(Qt::PointingHandCursor);

    Picture8 = new QWidget(this);
    Picture8->setObjectName(QStringLiteral("Picture8"));
    Picture8->setGeometry(470, 30, 150, 56);
    SetBackground(Picture8, QColor(200, 0, 0));
    Label8 = kit::MakeLabel(Picture8, QStringLiteral("Label8"), QStringLiteral("開発中"), {0, 0, 150, 56},
                            kit::Pt(20), true);
    Label8->setAlignment(Qt::AlignCenter);
    Label8->setStyleSheet(QStringLiteral("color: white;"));
    Picture8->hide();

    Combo1 = new QComboBox(this);
    Combo1->setObjectName(QStringLiteral("Combo1"));
    Combo1->setGeometry(680, 40, 200, 40);
    Combo1->setFont(FontOf(16));
    Combo1->setToolTip(QStringLiteral("表示する学年を選びなさい"));
    // The filter starts at "全学年" before the first activation fills the list.
    Combo1->addItems(GradeFilterTexts());

    List1 = new TextList(this);
    List1->setObjectName(QStringLiteral("List1"));
    List1->setGeometry(30, 110, 620, 634);
    // Rows are laid out in columns of half- and full-width characters; a
    // font with exactly that ratio keeps the figures under one another.
    List1->setFont(kit::ListFont(17));
    List2 = new TextList(this);
    List2->setObjectName(QStringLiteral("List2"));
    List2->hide();
    List3 = new TextList(this);
    List3->setObjectName(QStringLiteral("List3"));
    List3->hide();

    Label1 = kit::MakeLabel(this, QStringLiteral("Label1"), kPrompt, {680, 110, 320, 64}, kit::Pt(22), true);
    Label1->setAlignment(Qt::AlignCenter);
    Label1->setFrameStyle(QFrame::Box | QFrame::Plain);
    SetBackground(Label1, Qt::white);
    Label2 = kit::MakeLabel(this, QStringLiteral("Label2"), QString(), {680, 176, 100, 20}, kit::Pt(10));
    Label2->hide();

    Command14 = kit::MakeButton(this, QStringLiteral("Command14"), QStringLiteral("O.K."),
                                {680, 190, 320, 90}, kit::Pt(28), true);

    auto* frame = new QWidget(this);
    frame->setObjectName(QStringLiteral("Frame1"));
    frame->setGeometry(680, 310, 320, 180);
    const QString captions[4] = {
        QStringLiteral("回数(今日／今まで）"), QStringLiteral("ポイント（今日／今まで）"),
        QStringLiteral("本日（ポイント／回数）"), QStringLiteral("今まで（ポイント／回数）")};
    Option1.resize(4);
    for (int i = 0; i < 4; ++i) {
        Option1[i] = new QRadioButton(captions[i], frame);
        Option1[i]->setObjectName(QStringLiteral("Option1_%1").arg(i));
        Option1[i]->setGeometry(8, 4 + i * 44, 310, 40);
        Option1[i]->setFont(FontOf(14));
    }
    Option1[0]->setChecked(true);

    Command7 = kit::MakeButton(this, QStringLiteral("Command7"), QStringLiteral("ルナリアへ(0)"),
                               {680, 664, 320, 72}, kit::Pt(20), true);

    Picture5 = new QWidget(this);
    Picture5->setObjectName(QStringLiteral("Picture5"));
    Picture5->setGeometry(0, 0, kit::kWidth, kit::kHeight);
    Label19 = kit::MakeLabel(Picture5, QStringLiteral("Label19"), QStringLiteral("Just a moment, please."),
                             Picture5->rect(), kit::Pt(28), true);
    Label19->setAlignment(Qt::AlignCenter);
    Picture5->hide();

    connect(Combo1, &QComboBox::currentIndexChanged, this, [this] {
        if (settingControls_) return;
        GradeFilterText() = Combo1->currentText();
        名簿表示();
        List1->setFocus();
    });
    for (int i = 0; i < 4; ++i)
        connect(Option1[i], &QRadioButton::toggled, this, [this, i](bool on) {
            if (!on || settingControls_) return;
            rankingMode_ = i;
            名簿表示();
        });
    // A click selects the row; a change of row by key or by the screen itself
    // does the same.
    connect(List1, &TextList::currentRowChanged, this, [this](int r) { SelectRow(r); });
    connect(List1, &TextList::rowClicked, this, [this](int r) { SelectRow(r); });
    connect(List1, &TextList::rowDoubleClicked, this, [this](int r) { List1_DblClick(r); });
    connect(Command14, &QPushButton::clicked, this, [this] { Command14_Click(); });
    connect(Command7, &QPushButton::clicked, this, [this] { Command7_Click(); });
}

void namesel::ShowWaitPanel(bool on) {
    Picture5->setVisible(on);
    if (on) Picture5->raise();
}

void namesel::Form_Load() {
    // The season colour behind the screen and its wait panel.
    SetBackground(this, SeasonColour());
    SetBackground(Picture5, SeasonColour());
    Picture5->move(0, 0);
    // The random source seeded from the clock.
    common::Randomize(common::platform().SecondsSinceMidnight());
    // The wait panel covers the first build, which takes a pass over the results.
    show();
    ShowWaitPanel(true);
    common::DoEvents();
    // The name list in its first ranking mode; the program's title in large type.
    rankingMode_ = 0;
    名簿表示();
    Label4->setFont(FontOf(48, true));
    Label4->setText(runState().ProgramTitle);
    // The wait panel away.
    ShowWaitPanel(false);
}

void namesel::Form_Activate() {
    // The development marker.
    Picture8->setVisible(runState().DevLayout);
    // The options and the filter are set first and the list is rebuilt
    // once, when either of them changed what the list shows.
    settingControls_ = true;
    const bool modeChanged = rankingMode_ != TodayAndAllPoints;
    rankingMode_ = TodayAndAllPoints;
    Option1[TodayAndAllPoints]->setChecked(true);
    QStringList items;
    for (int i = 0; i < Combo1->count(); ++i) items << Combo1->itemText(i);
    if (items != GradeFilterTexts()) {
        Combo1->clear();
        Combo1->addItems(GradeFilterTexts());
    }
    const bool filterChanged = Combo1->currentIndex() != 0;
    GradeFilterText() = GradeFilterTexts().first();
    Combo1->setCurrentIndex(0);
    settingControls_ = false;
    if (modeChanged || filterChanged) 名簿表示();
    // The level menu goes; the prompt again, the wait panel away.
    flow::UnloadLevelMenu();
    Label1->setText(kPrompt);
    Label1->show();
    ShowWaitPanel(false);
}

void namesel::名簿表示() {
    ComputeSchoolYear();
    flow::EndIfFatal(results::RecomputeStatistics(flow::Caution));
    common::DoEvents();
    // Mode and filter are read after the repaint: a change made meanwhile has
    // built its own list, and this one must not undo it.
    const std::vector<PupilEntry> listed = LoadRoster(flow::Caution);
    const NameList list =
        BuildNameList(listed, rankingMode_, Combo1->currentText(), roster().SchoolYear, nameOrder_);

    List1->SetRows(list.Shown);
    QStringList keys;
    keys.reserve(qsizetype(list.Sorted.size()));
    for (const NameListEntry& e : list.Sorted) keys << e.KeyText();
    List2->SetRows(keys);
    List3->SetRows(list.Parallel);
    List1->setCurrentRow(0);
}

void namesel::SelectRow(int r) {
    if (r < 0 || r >= List1->count()) return;
    if (r == 0) {
        Label1->setText(kPrompt);
        return;
    }
    if (r - 1 >= List3->count()) return;
    // The number follows the last "*": a name may hold a "*" of its own.
    const QString text = List3->text(r - 1);
    Label2->setText(text.mid(text.lastIndexOf(u'*') + 1));
    Label1->setText(common::TrimSpaces(common::Left(List1->text(r), 10)));
}

void namesel::List1_DblClick(int r) {
    SelectRow(r);
    if (r < 1 || r >= List1->count()) return;
    const QString row = List1->text(r);
    Label1->setText(common::TrimSpaces(row.left(row.indexOf(u'/'))));
    Command14_Click();
}

void namesel::Command14_Click() {
    // Once a name is confirmed the button is hidden; a second Enter or
    // double-click arriving while the level menu opens changes nothing.
    if (Command14->isHidden()) return;
    // A name must be chosen: the prompt or a bad number only sounds the wrong sound.
    bool ok = false;
    const int pupil = Label2->text().toInt(&ok);
    const QString shown = Label1->text();
    if (shown == kPrompt || shown.isEmpty() || !ok || pupil < 0 || pupil > kMaxPupilNumber) {
        flow::EndIfFatal(sound::PlayWrongSound());
        return;
    }
    // A teacher's entry, when the administrator has set a PIN: the PIN first;
    // without it the screen shows the prompt again and nothing is confirmed.
    if (!TeacherPinGiven(pupil)) {
        List1->setCurrentRow(0);
        SelectRow(0);
        List1->setFocus();
        return;
    }
    // Signed in now: the minutes since sign-in count from here.
    auto& s = runState();
    common::MarkSignIn();
    // The pupil of the run state.
    s.CurrentPupil = static_cast<std::int16_t>(pupil);
    s.CurrentPupilName = roster().PupilName[pupil];
    s.CurrentGradeLabel = roster().PupilGradeLabel[pupil];
    // The button hidden (a second Enter changes nothing) and the wait panel shown.
    Command14->hide();
    ShowWaitPanel(true);
    common::DoEvents();
    // On to the course list and the level menu, which unloads this screen when it becomes active.
    flow::SetUpCourseList();
}

bool namesel::TeacherPinGiven(int pupil) {
    if (!IsTeacherName(roster().PupilName[pupil])) return true;
    const TeacherPin pin = ReadTeacherPin();
    switch (pin.State) {
    case PinState::None: return true;
    case PinState::Unreadable:
        // A PIN is meant to be there: without it nobody may pass.
        common::platform().MessageBox(QStringLiteral("先生の暗証番号のファイルが読めないので、先生の画面を開けません。\n%1\n%2")
                                          .arg(TeacherPinPath(), pin.Error),
                                      QStringLiteral("注意"), common::MessageButtons::Ok);
        return false;
    case PinState::Set: break;
    }
    frmpin box(pin.Hash, flow::DialogParent());
    return box.exec() == QDialog::Accepted;
}

void namesel::Command7_Click() {
    auto& platform = common::platform();
    const QString folder = platform.ProgramFolder();
    QString program;
    QStringList arguments;
    if (runState().DevLayout) {
        program = folder + QStringLiteral("/../../起動/起動/ルナリア.exe");
    } else {
        program = folder + QStringLiteral("/../起動/ルナリアc.exe");
        arguments << QStringLiteral("001");
    }
    QString error;
    if (!platform.StartProgram(program, arguments, error)) {
        QString text = QStringLiteral("ルナリアを起動できません。\n") + program;
        if (!error.isEmpty()) text += QStringLiteral("\n") + error;
        platform.MessageBox(text, QStringLiteral("注意"), common::MessageButtons::Ok);
        return;
    }
    platform.EndProgram();
}

bool namesel::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonRelease && watched == Label4) {
        // The title answers the left button only, like every other click here.
        if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) flow::ShowVersionBox();
        return true;
    }
    QWidget* target = KeyPreviewTarget(watched, event);
    if (!target) return false;
    auto* key = static_cast<QKeyEvent*>(event);
    const QString text = key->text();
    if (text == QStringLiteral("1")) {
        if (!Command14->isHidden()) Command14_Click();
        return true;
    }
    if (text == QStringLiteral("0")) {
        if (!Command7->isHidden()) Command7_Click();
        return true;
    }
    if (target == List1 &&
        (key->key() == Qt::Key_Space || key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)) {
        Command14_Click();
        return true;
    }
    return false;
}

}  // namespace menus
