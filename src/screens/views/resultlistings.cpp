#include "screens/views/resultlistings.h"

#include "core/common/platform.h"
#include "core/common/runstate.h"
#include "screens/kit/textlist.h"
#include "screens/menus/seisekitime1.h"
#include "core/results/resultsfile.h"
#include "core/views/ranking.h"

#include <QMetaMethod>
#include <QProgressBar>

#include <algorithm>
#include <cmath>

namespace views {
namespace {

using common::runState;

// The request of the listings kept in the menu's handler gate.
constexpr int kShowCurrentChoice = 0;

const QString kCaptionTimes[4] = {QString(), QStringLiteral("BEST表示"), QStringLiteral("本日のみ"),
                                  QStringLiteral("オール表示")};
const QString kCaptionPoints[4] = {QString(), QStringLiteral("合計累計"), QStringLiteral("合計本日"),
                                   QStringLiteral("すべて")};

// Moves a progress bar on. A progress bar paints itself at once whenever its
// value moves visibly; here it is painted when window events next run, which
// the listings let happen between their steps.
void ShowProgress(QProgressBar* bar, int value) {
    bar->setUpdatesEnabled(false);
    bar->setValue(value);
    bar->setUpdatesEnabled(true);
}

}  // namespace

void 回数など表示(menus::seisekitime1& menu) {
    for (int i = 1; i <= menu.ColumnCount(); ++i) menu.ClearColumn(i);
}

ResultListings::ResultListings(menus::seisekitime1* menu) : QObject(menu), menu_(menu) {
    setObjectName(QStringLiteral("ResultListings"));
    using Menu = menus::seisekitime1;
    connect(menu, &Menu::RunsSelected, this, [this](int k) { Guarded([this, k] { Option1_Click(k); }); });
    connect(menu, &Menu::ViewSelected, this, [this](int k) { Guarded([this, k] { Option2_Click(k); }); });
    connect(menu, &Menu::RunOption2Handler, this, [this](int k) { Guarded([this, k] { Option2_Click(k); }); });
    connect(menu, &Menu::GradeFilterChosen, this, [this] { Guarded([this] { Combo1_Click(); }); });
    connect(menu, &Menu::PeriodChosen, this, [this](int k) { Guarded([this, k] { Combo2_Click(k); }); });
}

void ResultListings::Guarded(const std::function<void()>& handler) {
    // Every switch asks for the same thing once a running handler has ended:
    // the choice selected by then.
    menu_->Handlers().Run(handler, kShowCurrentChoice, [this] { ShowCurrentChoice(); });
}

void ResultListings::ShowCurrentChoice() {
    const int view = menu_->SelectedView();
    if (view >= 0) Option2_Click(view);
}

void ResultListings::Option1_Click(int index) {
    menus::seisekitime1& m = *menu_;
    menus::ListingChoices& c = m.Choices();
    // The listing begins: the choices off while it runs.
    m.StartOfListing();
    m.ShowPeriodChoice(false);
    m.EnableRunsSwitches(false);
    common::DoEvents();
    // Times (the default): best results, today's runs or all runs, by the switch pressed.
    if (c.ValueKind == 0) c.ValueKind = kTimes;
    if (c.ValueKind != kPoints) {
        if (index == 1) BestResults();
        else if (index == 2) TodayRuns();
        else if (index == 3) AllRuns();
    } else {
        // Points: the rankings (the period defaults to the total) or all runs; the runs switches back on.
        if (c.PointsPeriod == 0) c.PointsPeriod = kTotalPointsFirst;
        if (index == 1 || index == 2) PointsRankings(index);
        else if (index == 3) AllRuns();
        m.EnableRunsSwitches(true);
    }
    // The listing ends: the choices back.
    m.EndOfListing();
}

void ResultListings::PointsRankings(int index) {
    menus::seisekitime1& m = *menu_;
    const int count = m.ColumnCount();
    const bool allTime = index == 1;
    m.Choices().PointsPeriod = allTime ? kTotalPointsFirst : kTodayPointsFirst;
    m.SetListingTitle(allTime ? QStringLiteral("獲得ポイント（今まで順位）")
                              : QStringLiteral("獲得ポイント（今日の順位）"));
    QProgressBar* refresh = m.RefreshProgress();
    QProgressBar* listing = m.ListingProgress();
    if (allTime) ShowProgress(refresh, 0);
    listing->setRange(0, std::max(1, count));
    for (int i = 1; i <= count; ++i) {
        LevelRanking(i);
        if (allTime) ShowProgress(refresh, i);
        ShowProgress(listing, i);
    }
}

void ResultListings::Option2_Click(int index) {
    menus::seisekitime1& m = *menu_;
    menus::ListingChoices& c = m.Choices();
    // The view switches: the graph panel gives way, the listing begins.
    Q_EMIT ViewSwitching();  // the graph panel and its button give way
    m.StartOfListing();
    common::DoEvents();
    // While the menu prepares its first view, the lists only wait.
    if (c.MenuPreparing) return;
    if (index == 0) {
        // Times: Option1(3) keeps the caption it has.
        m.SetRunsCaptions(kCaptionTimes[1], kCaptionTimes[2]);
        c.ValueKind = kTimes;
        const int runs = m.SelectedRuns();
        if (runs >= 1) Option1_Click(runs);
    } else if (index == 1) {
        // Points: the period choice hidden, the points captions.
        m.ShowPeriodChoice(false);
        m.SetRunsCaptions(kCaptionPoints[1], kCaptionPoints[2], kCaptionPoints[3]);
        c.ValueKind = kPoints;
        common::DoEvents();
        if (m.SelectedRuns() == 1) {
            c.PointsPeriod = kTotalPointsFirst;
            Option1_Click(1);
        }
        if (m.SelectedRuns() == 3) Option1_Click(3);
        if (m.SelectedRuns() == 2) {
            c.PointsPeriod = kTodayPointsFirst;
            Option1_Click(2);
        }
    } else if (index == 2) {
        // One pupil's times (the graph panel shows its "グラフ" button as it takes over).
        m.ShowPeriodChoice(false);
        if (isSignalConnected(QMetaMethod::fromSignal(&ResultListings::PupilTimesRequested)))
            Q_EMIT PupilTimesRequested();
        else
            m.EndOfListing();  // nobody lists one pupil's times: the menu stays usable
    }
}

void ResultListings::Combo1_Click() {
    Option2_Click(menu_->SelectedView() == 0 ? 0 : 1);
    menu_->FocusFirstStartButton();
}

void ResultListings::Combo2_Click(int index) {
    // Only while the all-runs listing is the chosen one.
    if (menu_->SelectedRuns() != 3 || index < 0) return;
    menu_->Choices().ListPeriod = index + 1;
    Option1_Click(3);
}

void ResultListings::LevelRanking(int level) {
    menus::seisekitime1& m = *menu_;
    menus::ListingChoices& c = m.Choices();
    if (level < 1 || level > m.ColumnCount()) return;
    // The column emptied before the pupils are ranked.
    m.ClearColumn(level);
    // The value kind and the points period, with their defaults.
    if (c.ValueKind == 0) c.ValueKind = kTimes;
    if (c.ValueKind == kPoints && c.PointsPeriod == 0) c.PointsPeriod = kTotalPointsFirst;
    common::DoEvents();
    // The pupils are ranked now, with their figures; the lines are
    // written (and sorted, each carrying its pupil) when the column is first
    // shown, so the columns parked out of view cost only the ranking.
    const RankingChoice choice{c.ValueKind, c.PointsPeriod, m.GradeFilter(), runState().CurrentPupil};
    std::vector<RankedPupil> ranked = RankPupils(level, choice);
    const qsizetype count = ListedCount(ranked);
    m.ColumnList(level)->SetLines(count, [ranked = std::move(ranked), choice](QStringList& lines,
                                                                               std::vector<int>& pupils) {
        for (RankLine& line : RankingLines(ranked, choice)) {
            lines << std::move(line.Text);
            pupils.push_back(line.Pupil);
        }
    });
    // The lines in the pupils' colours.
    成績リスト色表示単独(level);
}

void ResultListings::BestResults() {
    menus::seisekitime1& m = *menu_;
    const int count = m.ColumnCount();
    m.SetListingTitle(QStringLiteral("ベスト成績"));
    m.Choices().ListKind = 1;
    回数など表示(m);
    QProgressBar* bar = m.ListingProgress();
    bar->setRange(0, std::max(1, count));
    ShowProgress(bar, 0);
    for (int i = 1; i <= count; ++i) {
        ShowProgress(bar, i);
        LevelRanking(i);
    }
    成績リスト色表示();
    m.EnableRunsSwitches(true);
}

void ResultListings::ProgressOfRecords(long long record, long long count) {
    QProgressBar* bar = menu_->ListingProgress();
    // (count + 1) × 1.1, kept inside what the bar can hold.
    const int maximum = int(std::min<double>(std::nearbyint((double(count) + 1) * 1.1), 2147483647.0));
    if (bar->maximum() != maximum || bar->minimum() != 0) bar->setRange(0, maximum);
    const int value = int(std::clamp<long long>(record, 0, maximum));
    // Window events run about every twentieth of the way.
    const bool step = value < bar->value() || (long long)(value - bar->value()) * 20 >= maximum;
    if (!step && record < count) return;
    ShowProgress(bar, value);
    common::DoEvents();
}

RunListingChoice ResultListings::Choice() const {
    return {menu_->Choices().ValueKind, menu_->GradeFilter(), runState().CurrentPupil, menu_->ColumnCount(),
            common::platform().Now()};
}

void ResultListings::TodayRuns() {
    menus::seisekitime1& m = *menu_;
    m.SetListingTitle(QStringLiteral("本日の成績"));
    m.Choices().ListKind = 2;
    回数など表示(m);
    ShowProgress(m.ListingProgress(), 0);
    ShowRunListing(views::TodayRuns(Choice(), [this](long long r, long long n) { ProgressOfRecords(r, n); }));
    成績リスト色表示();
    m.EnableRunsSwitches(true);
}

void ResultListings::AllRuns() {
    menus::seisekitime1& m = *menu_;
    menus::ListingChoices& c = m.Choices();
    c.ListKind = 3;
    回数など表示(m);
    const RunListingChoice choice = Choice();
    c.DaysBack = views::DaysBack(c.ListPeriod, WeekdayOf(choice.Now.date()));
    m.SetListingTitle(QString());
    ShowProgress(m.ListingProgress(), 0);
    ShowRunListing(
        views::AllRuns(choice, c.DaysBack, [this](long long r, long long n) { ProgressOfRecords(r, n); }));
    common::DoEvents();
    成績リスト色表示();
    m.EnableRunsSwitches(true);
    m.ShowPeriodChoice(true);
}

void ResultListings::ShowRunListing(const RunListing& listing) {
    // Each column's lines are written when the column is first shown.
    const int count = std::min<int>(menu_->ColumnCount(), listing.Levels() - 1);
    for (int i = 1; i <= count; ++i)
        menu_->ColumnList(i)->SetLines(listing.CountOf(i), [listing, i](QStringList& lines, std::vector<int>&) {
            lines = listing.LinesOf(i);
        });
    // One message for the whole listing, not one per column; the lists show
    // what could be read.
    if (listing.Error != 0)
        common::platform().MessageBox(ReadFailureMessage(results::ResultsFilePath(), listing.Error),
                                      QStringLiteral("注意"), common::MessageButtons::Ok);
}

void ResultListings::成績リスト色表示() {
    for (int i = 1; i <= menu_->ColumnCount(); ++i) 成績リスト色表示単独(i);
}

void ResultListings::成績リスト色表示単独(int level) {
    if (level < 1 || level > menu_->ColumnCount()) return;
    kit::SortedTextList* list = menu_->ColumnList(level);
    if (list->count() == 0) return;
    list->clearSelection();
    list->setCurrentIndex(QModelIndex());
}

}  // namespace views
