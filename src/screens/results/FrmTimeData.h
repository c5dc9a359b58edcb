#pragma once
// The criteria editor: the per-level criteria of "タイム回数データ.txt" in a
// grid, typed into through an edit box that floats over the current cell, and
// beside it how the stored results of the current level are distributed, so
// that the teacher can set target times from real data. A save rewrites the
// file and reloads the live criteria at once.

#include "core/results/frequency.h"
#include "screens/kit/screen.h"

#include <QVector>

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QTableWidget;

namespace results {

class FrmTimeData : public kit::Screen {
    Q_OBJECT
public:
    static constexpr int kColumns = 13;   // column 0 the level, 1..12 the fields
    static constexpr int kCaretPosition = 10;
    static constexpr int kGridRowsTall = 33;

    explicit FrmTimeData(QWidget* parent = nullptr);

    void Form_Load() override;
    // The screen is shown: typing goes to the edit box.
    void Form_Activate() override;

    // "元に戻す": the file into the grid (also when the screen opens).
    void Command2_Click();
    // "更新記録": the grid into the file, then the live criteria. False when
    // nothing was written (a cell that cannot be written, No to the question,
    // or a failed write, which has been reported).
    bool Command3_Click();
    // "戻る": asks about unsaved changes, then back to the level menu.
    void Command4_Click();

    // The distribution of the current row's level into List3 and List4.
    void FrequencyView();
    // Moves the edit box over the current cell, gives it the focus and shows
    // the help text of the current column.
    void PlaceEditBox();
    // Grid to text transfer: the current cell's text into the edit box.
    void GridToText転送();
    // Text to grid transfer: the edit box's text into the current cell,
    // marking the cell and EditModified when it differs.
    void TextToGrid転送();

    // The help text of a column.
    static QString HelpText(int column);

    // 1 once a typed change has been made, until a save (leaving then asks
    // about saving); the number of level rows loaded into the grid.
    int EditModified() const { return editModified_; }
    int ShownRowCount() const { return shownRowCount_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The key handling of the edit box; true when the key is not typed.
    bool Gridinputtext_KeyDown(QKeyEvent* event);
    void MSFlexGrid1_Click(int row, int column);
    // Makes (row, column) the current cell and resets the selection to it.
    void MoveTo(int row, int column);
    void ShowSelection();
    void SetCell(int row, int column, const QString& text);
    void ShowWaiting(bool on);

    FrequencyCache frequencies_;
    QString frequencyError_;  // the last read error shown, so it is shown once

    int editModified_ = 0;
    int shownRowCount_ = 0;
    // The last row of the selection that Shift + Down extends.
    int RowSel = 1;

    QWidget* Picture2 = nullptr;
    QTableWidget* MSFlexGrid1 = nullptr;
    QLineEdit* Gridinputtext = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QWidget* Picture3 = nullptr;
    QLabel* Label4 = nullptr;  // "現在までの成績度数分布"
    QLabel* Label5 = nullptr;  // "全成績"
    QLabel* Label6 = nullptr;  // "最高タイム"
    QListWidget* List3 = nullptr;
    QListWidget* List4 = nullptr;
    QVector<QRadioButton*> Option1;  // 0 "度数非表示", 1 "度数表示"
    QWidget* Picture6 = nullptr;
    QPushButton* Command1 = nullptr;
    QPushButton* Command2 = nullptr;
    QPushButton* Command3 = nullptr;
    QPushButton* Command4 = nullptr;
    QPushButton* Command6 = nullptr;
};

}  // namespace results
