#pragma once
// The result listings of the level menu: the handlers behind its view
// switches (Option2: times, points or one pupil's times; Option1: which runs;
// Combo1: the grade; Combo2: the period) that fill the results list List5(i)
// of every column with a ranking or a listing of runs.
//
// One instance is attached to a level menu by the screen flow and lives as
// the menu's child. It works through what the menu offers its views: the
// columns' lists, a listing's start and end, the listing choices (ValueKind,
// PointsPeriod, ListKind, ListPeriod, DaysBack, MenuPreparing) and the
// switches' signals; the menu itself knows nothing of it and asks for the
// Option2 handler through its RunOption2Handler signal during activation.
//
// Handlers let window events run while they work (the waiting panel Picture6
// and its progress bar ProgressBar2 repaint). They run through the menu's
// handler gate: a switch the user makes while a listing (or a graph set) is
// still running is not run inside it; once that ends, the choice selected by
// then is shown once more.

#include "core/views/runlistings.h"

#include <QObject>

#include <functional>
#include <QString>
#include <QStringList>

namespace menus {
class seisekitime1;
}

namespace views {

// Start of every listing, also of the per-pupil times: every column's headers
// become "今日" / "今まで" and its list is cleared.
void 回数など表示(menus::seisekitime1& menu);

class ResultListings : public QObject {
    Q_OBJECT
public:
    // Connects to the menu's switches; owned by the menu.
    explicit ResultListings(menus::seisekitime1* menu);

    // Handlers of the switches (index as the control array counts).
    void Option1_Click(int index);  // 1 best / all-time points, 2 today / today's points, 3 all runs
    void Option2_Click(int index);  // 0 times, 1 points, 2 one pupil's times
    void Combo1_Click();            // grade filter: runs the current Option2 choice again
    void Combo2_Click(int index);   // period of the all-runs listing

    // The listings.
    void LevelRanking(int level);   // List5(level): ranking by ValueKind / PointsPeriod
    void BestResults();             // every level's ranking ("ベスト成績")
    void TodayRuns();               // "本日の成績"
    void AllRuns();                 // the period of ListPeriod

    // Every non-empty list ends with no line selected.
    void 成績リスト色表示();
    void 成績リスト色表示単独(int level);

Q_SIGNALS:
    // The Option2 handler starts: the graph panel's "グラフ" button and the
    // panel itself are hidden.
    void ViewSwitching();
    // Option2(2) "個人ﾀｲﾑ": the per-pupil times take over (after Combo2 is
    // hidden; they show the "グラフ" button); they end the listing themselves.
    void PupilTimesRequested();

private:
    // Fills the lists of a run listing and reports a file that could not be read.
    void ShowRunListing(const RunListing& listing);
    RunListingChoice Choice() const;
    void ProgressOfRecords(long long record, long long count);
    void PointsRankings(int index);
    // The handler of whichever Option2 is selected now.
    void ShowCurrentChoice();
    // Runs a handler through the menu's gate; asked for while another runs,
    // the choice selected by then is shown once that has ended.
    void Guarded(const std::function<void()>& handler);

    menus::seisekitime1* menu_;
};

}  // namespace views
