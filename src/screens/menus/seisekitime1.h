#pragma once
// The level menu: one column per level with its start button, targets and the
// pupil's own figures, a header with who is practising, and the teacher's
// data panel. Columns scroll sideways, four at a time in view.
//
// The result listings and the per-pupil graph panel live on this screen but
// are attached by the screen flow: the menu offers them the few operations
// below (a listing's start and end, the columns' lists, the listing choices
// and the switches' signals) and knows nothing of them. The graph panel
// builds and places its own panel and "グラフ" button.

#include "screens/kit/handlergate.h"
#include "screens/kit/screen.h"
#include "screens/kit/textlist.h"

#include <QVector>

class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QScrollBar;

namespace menus {

// The choices of the result listings (and the per-pupil times), kept by the
// menu while it is open.
struct ListingChoices {
    int ValueKind = 0;     // 1 times, 2 points (Option2); 0 is taken as 1
    int PointsPeriod = 0;  // 1 all-time points first, 2 today's first; 0 is taken as 1
    int ListKind = 0;      // the listing that last filled the lists: 1 best, 2 today's, 3 all runs
    int ListPeriod = 3;    // the all-runs period: Combo2's list index + 1
    int DaysBack = 0;      // that period in days, as the all-runs listing last took it
    // Set while the menu's activation prepares its first view: the Option2
    // handler then only hides the lists.
    bool MenuPreparing = false;
};

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

    // 1 once a refresh has finished; keys act only then. 0 while the menu
    // refreshes and after a start.
    int MenuReady() const { return menuReady_; }
    void SetMenuReady(int ready) { menuReady_ = ready; }

    // Column width in pixels (3456 twips).
    static constexpr int kColumnWidth = 230;

    // --- The result listings and the graph panel (attached by the screen
    // flow) work on the menu through what follows, and through nothing else.

    // The columns built: LevelCount of them once the menu is loaded.
    int ColumnCount() const;
    // The results list List5(level) of a column, 1 … ColumnCount().
    kit::SortedTextList* ColumnList(int level) const;
    // The caption of a level's column (Label3).
    QString LevelCaption(int level) const;
    // A column's headers become "今日" / "今まで" and its list is cleared.
    void ClearColumn(int level);
    // Start of a listing: nothing can be started or left while the lists are
    // rebuilt, and the waiting panel Picture6 shows instead of them.
    void StartOfListing();
    // End of a listing: "戻る(0)" usable, the start buttons as the
    // availability rules have them, every list shown, the waiting panel hidden.
    void EndOfListing();
    // What the lists show (Label5).
    void SetListingTitle(const QString& text);
    // The progress bars: the waiting panel's (ProgressBar2) and the refresh
    // panel's (ProgressBar1).
    QProgressBar* ListingProgress() const;
    QProgressBar* RefreshProgress() const;

    ListingChoices& Choices() { return choices_; }
    const ListingChoices& Choices() const { return choices_; }
    // The grade filter: the text of Combo1.
    QString GradeFilter() const;
    // Which of the switches is selected: Option1 (1 … 3) and Option2
    // (0 … 2); -1 for none.
    int SelectedRuns() const;
    int SelectedView() const;
    // The captions of Option1(1 … 3), a null third keeping its caption;
    // Option1(3) usable.
    void SetRunsCaptions(const QString& first, const QString& second, const QString& third = QString());
    // The Option1 group (Picture1) usable or not.
    void EnableRunsSwitches(bool enabled);
    // The period list Combo2 shown or hidden.
    void ShowPeriodChoice(bool shown);
    // The focus to the first start button.
    void FocusFirstStartButton();

    // The listings and the graph panel let events run while they work; their
    // handlers run one at a time (a click meanwhile waits).
    kit::HandlerGate& Handlers() { return handlers_; }

Q_SIGNALS:
    // The switches of the result listings, as the user or the menu selects
    // them: Option1(index) and Option2(index) once selected, Combo1's grade
    // and Combo2's period once chosen.
    void RunsSelected(int index);
    void ViewSelected(int index);
    void GradeFilterChosen();
    void PeriodChosen(int index);
    // Activation asks here for the result listings' Option2 handler (the
    // listings are attached by the screen flow; the menu does not know them).
    void RunOption2Handler(int index);
    // The first step of every activation, where the pupil on view decides
    // which teacher's controls show.
    void ActivationStarted();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildTemplates();
    void CreateColumn(int i);
    QString MinutesSinceSignInText() const;
    QString TargetText(int level) const;
    QString PeriodText(int level) const;
    void FillFigures(int level);

    int menuReady_ = 0;
    int FirstVisibleLevel = 0;
    ListingChoices choices_;
    kit::HandlerGate handlers_;
    // Counts the activations, so that a start can tell the menu came back.
    int activations_ = 0;

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
};

}  // namespace menus
