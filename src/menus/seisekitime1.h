#pragma once
// The level menu: one column per level with its start button, targets and the
// pupil's own figures, a header with who is practising, and the teacher's
// data panel. Columns scroll sideways, four at a time in view.

#include "kit/handlergate.h"
#include "kit/screen.h"
#include "kit/textlist.h"

#include <QVector>

class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QScrollBar;

namespace menus {

class seisekitime1 : public kit::Screen {
    Q_OBJECT
public:
    explicit seisekitime1(QWidget* parent = nullptr);

    void Form_Load() override;
    void Form_Activate() override;

    // Starts level i as its start button or key does.
    void StartLevel(int i);
    // Starts level i from a click on its name.
    void StartLevelFromName(int i);
    // "戻る(0)" and key "0".
    void BackToNameScreen();
    // Enables the start buttons that may be used now and writes the notes.
    void RefreshLevelAvailability();
    // Moves the columns so that FirstVisibleLevel is the leftmost.
    void PlaceColumns();

    int MenuReady = 0;
    int FirstVisibleLevel = 0;
    int ListPeriod = 3;
    int ValueKind = 0;
    int PointsPeriod = 0;
    int ListKind = 0;
    int DaysBack = 0;
    bool MenuPreparing = false;
    // The result listings and the graph panel let events run while they
    // work; their handlers run one at a time (a click meanwhile waits).
    kit::HandlerGate Handlers;

    // Column width in pixels (3456 twips).
    static constexpr int kColumnWidth = 230;

Q_SIGNALS:
    // Activation asks here for the result listings' Option2 handler (the
    // listings are attached by the screen flow; the menu does not know them).
    void RunOption2Handler(int index);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildTemplates();
    void CreateColumn(int i);
    QString MinutesSinceSignInText() const;
    QString TargetText(int level) const;
    QString PeriodText(int level) const;
    void FillFigures(int level);

    // Counts the activations, so that a start can tell the menu came back.
    int activations_ = 0;

public:
    // Header
    QLabel* Label11 = nullptr;
    QLabel* Label12 = nullptr;
    QLabel* Label13 = nullptr;
    QLabel* Label17 = nullptr;
    QLabel* Label18 = nullptr;
    QLabel* Label5 = nullptr;
    QPushButton* Command1 = nullptr;
    QPushButton* Command8 = nullptr;
    QWidget* Picture1 = nullptr;     // the Option1 group
    QVector<QRadioButton*> Option1;  // 1..3
    QVector<QRadioButton*> Option2;  // 0..2
    QComboBox* Combo1 = nullptr;
    QComboBox* Combo2 = nullptr;
    QScrollBar* HScroll1 = nullptr;

    QWidget* ColumnArea = nullptr;
    // Column control arrays, element 0 the hidden template.
    QVector<QLabel*> Label1;
    QVector<QLabel*> Label3;
    QVector<QPushButton*> Command4;
    QVector<QLabel*> Text1;
    QVector<QLabel*> Label9;
    QVector<QLabel*> Label10;
    QVector<QLabel*> Label14;
    QVector<QLabel*> Label15;
    QVector<QLabel*> Label8;
    QVector<kit::SortedTextList*> List5;  // results lists, in the order of their text
    QVector<QLabel*> Label7;

    // Panels
    QWidget* Picture2 = nullptr;  // wait panel
    QProgressBar* ProgressBar1 = nullptr;
    QWidget* Picture6 = nullptr;  // waiting panel of the result listings
    QProgressBar* ProgressBar2 = nullptr;
    QWidget* Picture7 = nullptr;  // teacher's data panel
    QVector<QPushButton*> Command10;
    QPushButton* Command12 = nullptr;
    QWidget* Picture11 = nullptr;  // per-pupil graph panel
    QPushButton* Command17 = nullptr;
    QPushButton* Command18 = nullptr;
    QPushButton* Command25 = nullptr;
    QVector<QPushButton*> Command24;
    kit::SortedTextList* List2 = nullptr;
};

}  // namespace menus
