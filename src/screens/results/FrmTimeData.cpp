#include "screens/results/FrmTimeData.h"

#include "core/common/platform.h"
#include "core/results/criteria.h"
#include "core/results/criteriagrid.h"
#include "screens/kit/flow.h"
#include "screens/kit/textlist.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>

#include <algorithm>

namespace results {
namespace {

const QString kCaution = QStringLiteral("注意");
constexpr int kScreenWidth = kit::kWidth;
constexpr int kScreenHeight = kit::kHeight;
constexpr int kLastColumn = 12;
constexpr int kRowHeight = 17;
const QColor kChanged(255, 255, 0);      // 65535
const QColor kFixedCells(224, 224, 224);  // the header row and the level column

// Layout on the 1024 x 768 canvas.
constexpr QRect kGridRect(10, 62, 600, kRowHeight * (FrmTimeData::kGridRowsTall + 1) + 2);
constexpr int kHeaderRowHeight = 3 * kRowHeight;  // header texts wrap in a smaller type

QListWidget* MakeList(QWidget* parent, const char* name, const QRect& geometry) {
    auto* list = new QListWidget(parent);
    list->setObjectName(QString::fromLatin1(name));
    list->setGeometry(geometry);
    // Fixed-layout lines: a full-width star is exactly two half-width digits.
    list->setFont(kit::ListFont(8));
    list->setUniformItemSizes(true);
    list->setTextElideMode(Qt::ElideNone);
    list->setFocusPolicy(Qt::NoFocus);
    kit::KeepLinesReadable(list);
    return list;
}

QTableWidgetItem* FixedItem(const QString& text) {
    auto* item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsEnabled);
    item->setBackground(kFixedCells);
    item->setTextAlignment(Qt::AlignCenter);
    return item;
}

QStringList Lines(const QListWidget* list) {
    QStringList lines;
    lines.reserve(list->count());
    for (int i = 0; i < list->count(); ++i) lines << list->item(i)->text();
    return lines;
}

// Writes lines into a list unless it shows them already, so that a key press
// that changes nothing leaves the list where the teacher scrolled it.
void ShowLines(QListWidget* list, const QStringList& lines) {
    if (Lines(list) == lines) return;
    list->clear();
    list->addItems(lines);
}

}  // namespace

FrmTimeData::FrmTimeData(QWidget* parent) : kit::Screen(parent) {
    setObjectName(QStringLiteral("FrmTimeData"));

    Picture2 = new QWidget(this);
    Picture2->setObjectName(QStringLiteral("Picture2"));
    Picture2->setGeometry(0, 0, kScreenWidth, kScreenHeight);
    kit::SetBackground(Picture2, kit::SeasonColour());

    Label2 = kit::MakeLabel(Picture2, QStringLiteral("Label2"), QString(), {14, 6, 596, 52}, kit::Pt(14));

    MSFlexGrid1 = new QTableWidget(Picture2);
    MSFlexGrid1->setObjectName(QStringLiteral("MSFlexGrid1"));
    MSFlexGrid1->setGeometry(kGridRect.adjusted(0, 0, 0, kHeaderRowHeight - kRowHeight));
    MSFlexGrid1->setFont(kit::FontOf(10));
    MSFlexGrid1->setColumnCount(kColumns);
    MSFlexGrid1->horizontalHeader()->hide();
    MSFlexGrid1->verticalHeader()->hide();
    MSFlexGrid1->verticalHeader()->setMinimumSectionSize(kRowHeight);
    MSFlexGrid1->verticalHeader()->setDefaultSectionSize(kRowHeight);
    MSFlexGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Cells are chosen by clicks and by the keys of the edit box only.
    MSFlexGrid1->setSelectionMode(QAbstractItemView::NoSelection);
    MSFlexGrid1->setFocusPolicy(Qt::NoFocus);
    // Header texts wrap onto the header row's two lines rather than end in "…".
    MSFlexGrid1->setWordWrap(true);
    MSFlexGrid1->setTextElideMode(Qt::ElideNone);
    MSFlexGrid1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    MSFlexGrid1->viewport()->installEventFilter(this);
    connect(MSFlexGrid1, &QTableWidget::cellClicked, this,
            [this](int row, int column) { MSFlexGrid1_Click(row, column); });

    Gridinputtext = new QLineEdit(MSFlexGrid1->viewport());
    Gridinputtext->setObjectName(QStringLiteral("Gridinputtext"));
    Gridinputtext->setFont(kit::FontOf(10));
    // A frame of its own shows which cell the keys go to.
    Gridinputtext->setStyleSheet(
        QStringLiteral("QLineEdit { border: 2px solid rgb(0, 0, 160); background: white; padding: 0px; }"));
    Gridinputtext->hide();
    Gridinputtext->installEventFilter(this);
    connect(Gridinputtext, &QLineEdit::textChanged, this, [this] { TextToGrid転送(); });

    const int belowGrid = MSFlexGrid1->geometry().bottom() + 6;
    Label1 = kit::MakeLabel(Picture2, QStringLiteral("Label1"), QStringLiteral("スペース：セルクリア　　Shift + ↓：セルコピー"),
                       {14, belowGrid, 596, 22}, kit::Pt(11));
    Label3 = kit::MakeLabel(Picture2, QStringLiteral("Label3"), QString(), {14, belowGrid + 24, 596, kScreenHeight - belowGrid - 28}, kit::Pt(11));
    Label3->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    // The distribution panel.
    Picture3 = new QWidget(Picture2);
    Picture3->setObjectName(QStringLiteral("Picture3"));
    Picture3->setGeometry(618, 6, 402, 690);
    kit::SetBackground(Picture3, QColor(255, 255, 240));
    Label4 = kit::MakeLabel(Picture3, QStringLiteral("Label4"), QStringLiteral("現在までの成績度数分布"), {8, 4, 386, 26}, kit::Pt(13));
    Option1.resize(2);
    Option1[0] = new QRadioButton(QStringLiteral("度数非表示"), Picture3);
    Option1[1] = new QRadioButton(QStringLiteral("度数表示"), Picture3);
    for (int i = 0; i < 2; ++i) {
        Option1[i]->setObjectName(QStringLiteral("Option1_%1").arg(i));
        Option1[i]->setGeometry(8 + 150 * i, 32, 140, 24);
        Option1[i]->setFont(kit::FontOf(11));
        Option1[i]->setFocusPolicy(Qt::NoFocus);
        connect(Option1[i], &QRadioButton::clicked, this, [this] {
            Picture3->show();
            FrequencyView();
            if (Gridinputtext->isVisible()) Gridinputtext->setFocus();
        });
    }
    Option1[1]->setChecked(true);
    Label5 = kit::MakeLabel(Picture3, QStringLiteral("Label5"), QStringLiteral("全成績"), {6, 60, 196, 22}, kit::Pt(11));
    Label6 = kit::MakeLabel(Picture3, QStringLiteral("Label6"), QStringLiteral("最高タイム"), {204, 60, 194, 22}, kit::Pt(11));
    List3 = MakeList(Picture3, "List3", {4, 84, 196, 600});
    List4 = MakeList(Picture3, "List4", {204, 84, 194, 600});

    Command2 = kit::MakeButton(Picture2, QStringLiteral("Command2"), QStringLiteral("元に戻す"), {618, 706, 128, 48});
    Command3 = kit::MakeButton(Picture2, QStringLiteral("Command3"), QStringLiteral("更新記録"), {755, 706, 128, 48});
    Command4 = kit::MakeButton(Picture2, QStringLiteral("Command4"), QStringLiteral("戻る"), {892, 706, 128, 48});
    for (QPushButton* b : {Command2, Command3, Command4}) b->setFocusPolicy(Qt::NoFocus);
    connect(Command2, &QPushButton::clicked, this, [this] { Command2_Click(); });
    connect(Command3, &QPushButton::clicked, this, [this] { Command3_Click(); });
    connect(Command4, &QPushButton::clicked, this, [this] { Command4_Click(); });
    // Two more "戻る" buttons that do nothing; kept out of view so that no
    // teacher presses one and wonders.
    Command1 = kit::MakeButton(Picture2, QStringLiteral("Command1"), QStringLiteral("戻る"), {640, 706, 120, 48});
    Command6 = kit::MakeButton(Picture2, QStringLiteral("Command6"), QStringLiteral("戻る"), {640, 706, 120, 48});
    Command1->hide();
    Command6->hide();

    Picture6 = new QWidget(this);
    Picture6->setObjectName(QStringLiteral("Picture6"));
    Picture6->setGeometry(0, 0, kScreenWidth, kScreenHeight);
    kit::SetBackground(Picture6, kit::SeasonColour());
    auto* wait = kit::MakeLabel(Picture6, QStringLiteral("Label7"), QStringLiteral("Just a moment,please."), {0, 0, kScreenWidth, kScreenHeight}, kit::Pt(28));
    wait->setAlignment(Qt::AlignCenter);
    Picture6->hide();
}

void FrmTimeData::Form_Load() {
    Label2->setText(QStringLiteral("成績の基準となるデータを変更できます。\nプログラムを選んでください。"));
    Picture2->move(0, 0);
    Picture6->move(0, 0);
    // Every column a thirteenth of the grid, the first field's four fifths of that.
    const int width = MSFlexGrid1->viewport()->width();
    const int column = width / kColumns;
    for (int c = 0; c < kColumns; ++c) MSFlexGrid1->setColumnWidth(c, column);
    MSFlexGrid1->setColumnWidth(1, column * 4 / 5);
    // No current cell yet: the load starts at row 1, column 1.
    Command2_Click();
}

void FrmTimeData::Form_Activate() {
    if (Gridinputtext->isVisible()) Gridinputtext->setFocus();
}

QString FrmTimeData::HelpText(int column) {
    switch (column) {
    case 1: return QStringLiteral("合格基準タイム\n　大部分の人ががんばったら出せそうなタイムにしてください");
    case 2: return QStringLiteral("合格最低ラインタイム\n  この５倍が時間切れになります");
    case 3: return QStringLiteral("目標ポイント\n　　 目標ポイント");
    case 4: return QStringLiteral("目標回数\n　　 目標回数");
    case 5:
        return QStringLiteral("ポイント倍率\n  ポイントを何倍にして加算するか\n"
                              "  むずかしいレベルや生徒のいやがるレベルは高くしてください");
    case 6: return QStringLiteral("やりすぎ禁止回数\n  何回やったらやりすぎ禁止にするか\n  ");
    case 7: return QStringLiteral("やりすぎ禁止ポイント\n  何ポイントとったらやりすぎ禁止にするか\n ");
    case 8: return QStringLiteral("合格判定をする日数\n　何日前からのポイントを有効にするか");
    case 9: return QStringLiteral("やりすぎ判定をする日数\n　何日前からのポイントを有効にするか");
    default: return QString();
    }
}

void FrmTimeData::Command2_Click() {
    QString error;
    const auto grid = LoadCriteriaGrid(error);
    if (!grid) {
        // The grid keeps what it showed: an empty grid saved over the file
        // would take every level's criteria from every PC. A grid that never
        // showed the file (it could not be read when the editor opened) has
        // nothing to save.
        Command3->setEnabled(shownRowCount_ > 0);
        common::platform().MessageBox(error, kCaution, common::MessageButtons::Ok);
        return;
    }
    // The edit box stays on its cell when the file still has it.
    const int row = MSFlexGrid1->currentRow();
    const int column = MSFlexGrid1->currentColumn();
    MSFlexGrid1->setRowCount(1);
    MSFlexGrid1->setItem(0, 0, FixedItem(QStringLiteral("レベル")));
    for (int c = 1; c <= kLastColumn; ++c) {
        QTableWidgetItem* title = FixedItem(grid->Rows[0][c - 1]);
        title->setFont(kit::FontOf(8));
        MSFlexGrid1->setItem(0, c, title);
    }
    MSFlexGrid1->setRowHeight(0, kHeaderRowHeight);
    const int levels = grid->LevelRows();
    MSFlexGrid1->setRowCount(levels + 1);
    for (int n = 1; n <= levels; ++n) {
        MSFlexGrid1->setItem(n, 0, FixedItem(QString::number(n)));
        for (int c = 1; c <= kLastColumn; ++c) {
            auto* item = new QTableWidgetItem(grid->Rows[n][c - 1]);
            item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
            MSFlexGrid1->setItem(n, c, item);
        }
        MSFlexGrid1->setRowHeight(n, kRowHeight);
    }
    shownRowCount_ = levels;
    Command3->setEnabled(shownRowCount_ > 0);
    Gridinputtext->setVisible(shownRowCount_ > 0);
    if (shownRowCount_ == 0) return;
    MoveTo(std::clamp(row, 1, shownRowCount_), std::clamp(column, 1, kLastColumn));
    PlaceEditBox();
    GridToText転送();
    FrequencyView();
}

bool FrmTimeData::Command3_Click() {
    if (shownRowCount_ == 0) return false;
    common::Platform& platform = common::platform();
    MSFlexGrid1->item(0, 0)->setText(QStringLiteral("レベル"));
    CriteriaGrid grid;
    for (int r = 0; r <= shownRowCount_; ++r) {
        QStringList row;
        for (int c = 1; c <= kLastColumn; ++c) {
            const QTableWidgetItem* item = MSFlexGrid1->item(r, c);
            row << (item ? item->text() : QString());
        }
        grid.Rows << row;
    }
    if (const auto bad = FirstUnwritableCell(grid)) {
        platform.MessageBox(UnwritableCellMessage(*bad), kCaution, common::MessageButtons::Ok);
        return false;
    }
    const QList<CriteriaCell> notNumbers = NonNumberCells(grid);
    if (!notNumbers.isEmpty() &&
        platform.MessageBox(NonNumberQuestion(notNumbers), kCaution, common::MessageButtons::YesNo) !=
            common::MessageAnswer::Yes)
        return false;

    ShowWaiting(true);
    QString error;
    const bool saved = SaveCriteriaGrid(grid, error);
    ShowWaiting(false);
    if (!saved) {
        // The edits stay in the grid, still counted as unsaved.
        platform.MessageBox(error, kCaution, common::MessageButtons::Ok);
        return false;
    }
    editModified_ = 0;
    if (!LoadCriteria(error)) platform.MessageBox(error, kCaution, common::MessageButtons::Ok);
    return true;
}

void FrmTimeData::Command4_Click() {
    if (editModified_ == 1) {
        const auto answer = common::platform().MessageBox(QStringLiteral("データが変更されています。記録しますか？"),
                                                          kCaution, common::MessageButtons::YesNo);
        // A save that did not happen keeps the teacher here with the edits.
        if (answer == common::MessageAnswer::Yes && !Command3_Click()) return;
    }
    ShowWaiting(true);
    flow::ShowLevelMenu();
    flow::CloseScreen(this);
}

void FrmTimeData::FrequencyView() {
    QString error;
    if (!frequencies_.Refresh(error)) {
        if (error != frequencyError_) common::platform().MessageBox(error, kCaution, common::MessageButtons::Ok);
        frequencyError_ = error;
    } else {
        frequencyError_.clear();
    }
    const int level = MSFlexGrid1->currentRow();
    ShowLines(List3, AllResultsLines(frequencies_.Counts(), level));
    ShowLines(List4, BestTimeLines(frequencies_.Counts(), level));
}

void FrmTimeData::PlaceEditBox() {
    const QTableWidgetItem* item = MSFlexGrid1->currentItem();
    if (!item) return;
    MSFlexGrid1->scrollToItem(item);
    Gridinputtext->setGeometry(MSFlexGrid1->visualItemRect(item));
    Gridinputtext->raise();
    Gridinputtext->setFocus();
    Gridinputtext->setCursorPosition(kCaretPosition);
    Label3->setText(HelpText(MSFlexGrid1->currentColumn()));
}

void FrmTimeData::GridToText転送() {
    const QTableWidgetItem* item = MSFlexGrid1->currentItem();
    Gridinputtext->setText(item ? item->text() : QString());
    Gridinputtext->setCursorPosition(kCaretPosition);
}

void FrmTimeData::TextToGrid転送() {
    QTableWidgetItem* item = MSFlexGrid1->currentItem();
    if (!item || MSFlexGrid1->currentRow() < 1 || MSFlexGrid1->currentColumn() < 1) return;
    const QString text = Gridinputtext->text();
    if (text != item->text()) {
        item->setBackground(kChanged);
        editModified_ = 1;
    }
    item->setText(text);
}

bool FrmTimeData::Gridinputtext_KeyDown(QKeyEvent* event) {
    const int key = event->key();
    if (key == Qt::Key_Escape) return true;
    const int row = MSFlexGrid1->currentRow();
    const int column = MSFlexGrid1->currentColumn();
    const bool shift = event->modifiers() & Qt::ShiftModifier;
    switch (key) {
    case Qt::Key_Up:
        if (row > 1) {
            MoveTo(row - 1, column);
            GridToText転送();
            PlaceEditBox();
        }
        break;
    case Qt::Key_Down:
        if (shift) {
            if (RowSel < shownRowCount_) {
                ++RowSel;
                // Copies are not typed changes: neither marked nor counted.
                const QString text = Gridinputtext->text();
                for (int r = row; r <= RowSel; ++r) SetCell(r, column, text);
                ShowSelection();
            }
        } else if (row < shownRowCount_) {
            MoveTo(row + 1, column);
            GridToText転送();
            PlaceEditBox();
        }
        break;
    case Qt::Key_Left:
        if (column > 1) {
            MoveTo(row, column - 1);
            GridToText転送();
            PlaceEditBox();
        }
        break;
    case Qt::Key_Right:
        if (column < kLastColumn) {
            MoveTo(row, column + 1);
            GridToText転送();
            PlaceEditBox();
        }
        break;
    default: break;
    }
    FrequencyView();
    GridToText転送();

    // Then the character of the key, if it has one.
    const QString text = event->text();
    if (text == QStringLiteral(" ")) {
        Gridinputtext->clear();  // "スペース：セルクリア"
        return true;
    }
    if (text.isEmpty() || key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Tab ||
        key == Qt::Key_Backtab)
        return true;
    return false;  // typed (or a paste, an undo) at the caret
}

void FrmTimeData::MSFlexGrid1_Click(int row, int column) {
    // The header row and the level column are no cells to edit.
    if (row < 1 || column < 1 || row > shownRowCount_) return;
    MoveTo(row, column);
    PlaceEditBox();
    FrequencyView();
    GridToText転送();
}

void FrmTimeData::MoveTo(int row, int column) {
    MSFlexGrid1->setCurrentCell(row, column, QItemSelectionModel::NoUpdate);
    RowSel = row;
    ShowSelection();
}

void FrmTimeData::ShowSelection() {
    MSFlexGrid1->clearSelection();
    const int column = MSFlexGrid1->currentColumn();
    MSFlexGrid1->setRangeSelected(QTableWidgetSelectionRange(MSFlexGrid1->currentRow(), column, RowSel, column),
                                  true);
}

void FrmTimeData::SetCell(int row, int column, const QString& text) {
    if (QTableWidgetItem* item = MSFlexGrid1->item(row, column)) item->setText(text);
}

void FrmTimeData::ShowWaiting(bool on) {
    Picture6->setVisible(on);
    if (on) {
        Picture6->raise();
        common::DoEvents();
    }
}

bool FrmTimeData::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Gridinputtext && event->type() == QEvent::KeyPress)
        return Gridinputtext_KeyDown(static_cast<QKeyEvent*>(event));
    if (watched == MSFlexGrid1->viewport() &&
        (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick)) {
        // The header row and the level column never become the current cell.
        const QModelIndex at = MSFlexGrid1->indexAt(static_cast<QMouseEvent*>(event)->position().toPoint());
        if (!at.isValid() || at.row() < 1 || at.column() < 1) return true;
    }
    return kit::Screen::eventFilter(watched, event);
}

}  // namespace results
