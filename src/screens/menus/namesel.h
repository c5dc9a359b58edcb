#pragma once
// The name screen: the pupil finds their own name in the list of the school's
// pupils and confirms it; the level menu opens next. Also the grade filter,
// the choice of figures beside the names, and the way back to the launcher.

#include "core/menus/namelist.h"
#include "screens/kit/screen.h"
#include "screens/kit/textlist.h"

#include <QVector>

class QComboBox;
class QLabel;
class QPushButton;
class QRadioButton;

namespace menus {

using kit::TextList;

class namesel : public kit::Screen {
    Q_OBJECT
public:
    explicit namesel(QWidget* parent = nullptr);

    void Form_Load() override;
    void Form_Activate() override;

    // Rebuilds the name list from the roster and fresh statistics.
    void 名簿表示();
    // "O.K.": takes the selected pupil and opens the level menu.
    void Command14_Click();
    // For a teacher's entry, when a PIN is set: asks for it (frmpin). True
    // when the entry may go on: no teacher, no PIN, or the right PIN.
    bool TeacherPinGiven(int pupil);
    // "ルナリアへ(0)": starts the launcher and ends the program.
    void Command7_Click();
    // Puts row r of List1 into Label1 / Label2 (a click on the row).
    void SelectRow(int r);
    // A double-click on row r: selects it and confirms.
    void List1_DblClick(int r);

    // Which figures stand beside the names (Option1).
    int RankingMode() const { return rankingMode_; }

    // The prompt shown while no pupil is selected.
    static const QString kPrompt;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildControls();
    void ShowWaitPanel(bool on);

    // Set while the screen itself sets the options and the filter, so that
    // their change handlers do not rebuild the list on top of it.
    bool settingControls_ = false;
    int rankingMode_ = 0;
    // The order of the listed pupils by name, kept from one build of the
    // list to the next while the roster stays the same.
    NameOrder nameOrder_;

    TextList* List1 = nullptr;
    TextList* List2 = nullptr;  // hidden: every listed pupil, sorted
    TextList* List3 = nullptr;  // hidden: List1's rows with their numbers
    QComboBox* Combo1 = nullptr;
    QVector<QRadioButton*> Option1;  // 0..3
    QPushButton* Command14 = nullptr;
    QPushButton* Command7 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;  // hidden: the selected pupil's number
    QLabel* Label4 = nullptr;
    QWidget* Picture5 = nullptr;  // wait panel
    QLabel* Label19 = nullptr;
    QWidget* Picture8 = nullptr;  // development-layout notice
    QLabel* Label8 = nullptr;
};

}  // namespace menus
