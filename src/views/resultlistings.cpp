#include "views/resultlistings.h"

#include "common/platform.h"
#include "common/runstate.h"
#include "kit/textlist.h"
#include "menus/seisekitime1.h"
#include "results/resultsfile.h"
#include "views/ranking.h"

#include <QComboBox>
#include <QLabel>
#include <QMetaMethod>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>

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

// The columns the menu has built (LevelCount of them once it is loaded).
int Columns(const menus::seisekitime1& m) {
    return std::min<int>(runState().LevelCount, int(m.List5.size()) - 1);
}

// Start of a listing: nothing can be started or left while the lists are
// rebuilt, and the waiting panel shows instead of them.
void StartOfListing(menus::seisekitime1& m) {
    m.Command1->setEnabled(false);
    for (int i = 1; i <= Columns(m); ++i) {
        m.Command4[i]->setEnabled(false);
        m.List5[i]->hide();
    }
    m.Picture6->show();
    m.Picture6->raise();
}

// Moves a progress bar on. A progress bar paints itself at once whenever its
// value moves visibly; here it is painted when window events next run, which
// the listings let happen between their steps.
void ShowProgress(QProgressBar* bar, int value) {
    bar->setUpdatesEnabled(false);
    bar->setValue(value);
    bar->setUpdatesEnabled(true);
}

}  // namespace

void 回数など表示(menus::seisekitime1& m) {
    for (int i = 1; i <= Columns(m); ++i) {
        m.Label9[i]->setText(QStringLiteral("今日"));
        m.Label10[i]->setText(QStringLiteral("今まで"));
        m.List5[i]->clear();
    }
}

void EndOfListing(menus::seisekitime1& m) {
    m.Command1->setEnabled(true);
    m.RefreshLevelAvailability();
    for (int i = 1; i <= Columns(m); ++i) m.List5[i]->show();
    m.Picture6->hide();
}

ResultListings::ResultListings(menus::seisekitime1* menu) : QObject(menu), menu_(menu) {
    setObjectName(QStringLiteral("ResultListings"));
    // A switch acts when it becomes the selected one, by a click or by the
    // menu selecting it; selecting the one already selected does nothing.
    for (int k = 1; k <= 3; ++k)
        connect(menu->Option1[k], &QRadioButton::toggled, this, [this, k](bool on) {
            if (on) Guarded([this, k] { Option1_Click(k); });
        });
    for (int k = 0; k <= 2; ++k)
        connect(menu->Option2[k], &QRadioButton::toggled, this, [this, k](bool on) {
            if (on) Guarded([this, k] { Option2_Click(k); });
        });
    connect(menu, &menus::seisekitime1::RunOption2Handler, this,
            [this](int k) { Guarded([this, k] { Option2_Click(k); }); });
    connect(menu->Combo1, &QComboBox::activated, this, [this] { Guarded([this] { Combo1_Click(); }); });
    connect(menu->Combo2, &QComboBox::activated, this,
            [this](int k) { Guarded([this, k] { Combo2_Click(k); }); });
}

void ResultListings::Guarded(const std::function<void()>& handler) {
    // Every switch asks for the same thing once a running handler has ended:
    // the choice selected by then.
    menu_->Handlers.Run(handler, kShowCurrentChoice, [this] { ShowCurrentChoice(); });
}

void ResultListings::ShowCurrentChoice() {
    for (int k = 0; k <= 2; ++k)
        if (menu_->Option2[k]->isChecked()) {
            Option2_Click(k);
            return;
        }
}

void ResultListings::Option1_Click(int index) {
    menus::seisekitime1& m = *menu_;
    // 1.
    StartOfListing(m);
    m.Combo2->hide();
    m.Picture1->setEnabled(false);
    common::DoEvents();
    // 2.
    if (m.ValueKind == 0) m.ValueKind = kTimes;
    if (m.ValueKind != kPoints) {
        if (index == 1) BestResults();
        else if (index == 2) TodayRuns();
        else if (index == 3) AllRuns();
    } else {
        // 3.
        if (m.PointsPeriod == 0) m.PointsPeriod = kTotalPointsFirst;
        if (index == 1 || index == 2) PointsRankings(index);
        else if (index == 3) AllRuns();
        m.Picture1->setEnabled(true);
    }
    // 4.
    EndOfListing(m);
}

void ResultListings::PointsRankings(int index) {
    menus::seisekitime1& m = *menu_;
    const int count = Columns(m);
    const bool allTime = index == 1;
    m.PointsPeriod = allTime ? kTotalPointsFirst : kTodayPointsFirst;
    m.Label5->setText(allTime ? QStringLiteral("獲得ポイント（今まで順位）")
                              : QStringLiteral("獲得ポイント（今日の順位）"));
    if (allTime) ShowProgress(m.ProgressBar1, 0);
    m.ProgressBar2->setRange(0, std::max(1, count));
    for (int i = 1; i <= count; ++i) {
        LevelRanking(i);
        if (allTime) ShowProgress(m.ProgressBar1, i);
        ShowProgress(m.ProgressBar2, i);
    }
}

void ResultListings::Option2_Click(int index) {
    menus::seisekitime1& m = *menu_;
    // 1.
    m.Command17->hide();
    m.Picture11->hide();
    StartOfListing(m);
    common::DoEvents();
    // 2. While the menu prepares its first view, the lists only wait.
    if (m.MenuPreparing) return;
    if (index == 0) {
        // 3. Option1(3) keeps the caption it has.
        m.Option1[1]->setText(kCaptionTimes[1]);
        m.Option1[2]->setText(kCaptionTimes[2]);
        m.Option1[3]->setEnabled(true);
        m.ValueKind = kTimes;
        for (int k = 1; k <= 3; ++k)
            if (m.Option1[k]->isChecked()) {
                Option1_Click(k);
                break;
            }
    } else if (index == 1) {
        // 4.
        m.Combo2->hide();
        for (int k = 1; k <= 3; ++k) m.Option1[k]->setText(kCaptionPoints[k]);
        m.Option1[3]->setEnabled(true);
        m.ValueKind = kPoints;
        common::DoEvents();
        if (m.Option1[1]->isChecked()) {
            m.PointsPeriod = kTotalPointsFirst;
            Option1_Click(1);
        }
        if (m.Option1[3]->isChecked()) Option1_Click(3);
        if (m.Option1[2]->isChecked()) {
            m.PointsPeriod = kTodayPointsFirst;
            Option1_Click(2);
        }
    } else if (index == 2) {
        // 5.
        m.Command17->show();
        m.Combo2->hide();
        if (isSignalConnected(QMetaMethod::fromSignal(&ResultListings::PupilTimesRequested)))
            Q_EMIT PupilTimesRequested();
        else
            EndOfListing(m);  // nobody lists one pupil's times: the menu stays usable
    }
}

void ResultListings::Combo1_Click() {
    Option2_Click(menu_->Option2[0]->isChecked() ? 0 : 1);
    if (menu_->Command4.size() > 1) menu_->Command4[1]->setFocus();
}

void ResultListings::Combo2_Click(int index) {
    // Only while the all-runs listing is the chosen one.
    if (!menu_->Option1[3]->isChecked() || index < 0) return;
    menu_->ListPeriod = index + 1;
    Option1_Click(3);
}

void ResultListings::LevelRanking(int level) {
    menus::seisekitime1& m = *menu_;
    if (level < 1 || level > Columns(m)) return;
    // 1.
    m.Label9[level]->setText(QStringLiteral("今日"));
    m.Label10[level]->setText(QStringLiteral("今まで"));
    // 3., 4.
    if (m.ValueKind == 0) m.ValueKind = kTimes;
    if (m.ValueKind == kPoints && m.PointsPeriod == 0) m.PointsPeriod = kTotalPointsFirst;
    // 6.
    m.List5[level]->clear();
    common::DoEvents();
    // 2.-6.: the pupils are ranked now, with their figures; the lines are
    // written (and sorted, each carrying its pupil) when the column is first
    // shown, so the columns parked out of view cost only the ranking.
    const RankingChoice choice{m.ValueKind, m.PointsPeriod, m.Combo1->currentText(), runState().CurrentPupil};
    std::vector<RankedPupil> ranked = RankPupils(level, choice);
    const qsizetype count = ListedCount(ranked);
    m.List5[level]->SetLines(count, [ranked = std::move(ranked), choice](QStringList& lines, std::vector<int>& pupils) {
        for (RankLine& line : RankingLines(ranked, choice)) {
            lines << std::move(line.Text);
            pupils.push_back(line.Pupil);
        }
    });
    // 7.
    成績リスト色表示単独(level);
}

void ResultListings::BestResults() {
    menus::seisekitime1& m = *menu_;
    const int count = Columns(m);
    m.Label5->setText(QStringLiteral("ベスト成績"));
    m.ListKind = 1;
    回数など表示(m);
    m.ProgressBar2->setRange(0, std::max(1, count));
    ShowProgress(m.ProgressBar2, 0);
    for (int i = 1; i <= count; ++i) {
        ShowProgress(m.ProgressBar2, i);
        LevelRanking(i);
    }
    成績リスト色表示();
    m.Picture1->setEnabled(true);
}

void ResultListings::ProgressOfRecords(long long record, long long count) {
    QProgressBar* bar = menu_->ProgressBar2;
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
    return {menu_->ValueKind, menu_->Combo1->currentText(), runState().CurrentPupil, Columns(*menu_),
            common::platform().Now()};
}

void ResultListings::TodayRuns() {
    menus::seisekitime1& m = *menu_;
    m.Label5->setText(QStringLiteral("本日の成績"));
    m.ListKind = 2;
    回数など表示(m);
    ShowProgress(m.ProgressBar2, 0);
    ShowRunListing(views::TodayRuns(Choice(), [this](long long r, long long n) { ProgressOfRecords(r, n); }));
    成績リスト色表示();
    m.Picture1->setEnabled(true);
}

void ResultListings::AllRuns() {
    menus::seisekitime1& m = *menu_;
    m.ListKind = 3;
    回数など表示(m);
    const RunListingChoice choice = Choice();
    m.DaysBack = views::DaysBack(m.ListPeriod, WeekdayOf(choice.Now.date()));
    m.Label5->setText(QString());
    ShowProgress(m.ProgressBar2, 0);
    ShowRunListing(
        views::AllRuns(choice, m.DaysBack, [this](long long r, long long n) { ProgressOfRecords(r, n); }));
    common::DoEvents();
    成績リスト色表示();
    m.Picture1->setEnabled(true);
    m.Combo2->show();
}

void ResultListings::ShowRunListing(const RunListing& listing) {
    // Each column's lines are written when the column is first shown.
    const int count = std::min<int>(Columns(*menu_), listing.Levels() - 1);
    for (int i = 1; i <= count; ++i)
        menu_->List5[i]->SetLines(listing.CountOf(i), [listing, i](QStringList& lines, std::vector<int>&) {
            lines = listing.LinesOf(i);
        });
    // One message for the whole listing, not one per column; the lists show
    // what could be read.
    if (listing.Error != 0)
        common::platform().MessageBox(ReadFailureMessage(results::ResultsFilePath(), listing.Error),
                                      QStringLiteral("注意"), common::MessageButtons::Ok);
}

void ResultListings::成績リスト色表示() {
    for (int i = 1; i <= Columns(*menu_); ++i) 成績リスト色表示単独(i);
}

void ResultListings::成績リスト色表示単独(int level) {
    if (level < 1 || level > Columns(*menu_)) return;
    kit::SortedTextList* list = menu_->List5[level];
    if (list->count() == 0) return;
    list->clearSelection();
    list->setCurrentIndex(QModelIndex());
}

}  // namespace views
