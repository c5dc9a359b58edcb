#include "screens/views/graphpanel.h"

#include "core/common/dates.h"
#include "core/common/runstate.h"
#include "core/common/platform.h"
#include "core/common/strings.h"
#include "core/menus/roster.h"
#include "screens/menus/seisekitime1.h"
#include "core/results/resultsfile.h"
#include "screens/kit/flow.h"
#include "screens/kit/screen.h"
#include "screens/views/graphpaint.h"
#include "screens/views/resultlistings.h"
#include "screens/kit/textlist.h"

#include <QListWidget>
#include <QPageLayout>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProgressBar>
#include <QPushButton>

namespace views {
namespace {

const QString kCaution = QStringLiteral("注意");

// The smallest text of the screen canvas, in pixels.
constexpr double kScreenMinimumPixels = 10;

// What the panel's clicks ask of the menu's handler gate: a graph set lets
// events run between its graphs, and a click meanwhile (another pupil, the
// print button) must wait for it to end, or a printout would mix pupils.
enum GraphRequest { kDraw = 1, kPrint, kDrawChosen, kPrintChosen, kOpenGraphs };

void Caution(const QString& text) {
    common::platform().MessageBox(text, kCaution, common::MessageButtons::Ok);
}

// A results file that could not be read whole: one message for the graph
// set, which shows what was read.
void ReportReadError(const GraphRecords& read) {
    if (read.Error == 0) return;
    Caution(ReadFailureMessage(results::ResultsFilePath(), read.Error));
}

}  // namespace

GraphCanvas::GraphCanvas(QWidget* parent) : QWidget(parent) {}

void GraphCanvas::Clear() {
    pixmap_ = QPixmap(size());
    pixmap_.fill(Qt::white);
    update();
}

void GraphCanvas::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    if (!pixmap_.isNull()) p.drawPixmap(0, 0, pixmap_);
}

GraphPanel::GraphPanel(menus::seisekitime1* menu) : QObject(menu), menu_(menu) {
    setObjectName(QStringLiteral("GraphPanel"));
    BuildControls();
    // Only a teacher prints: the print button of the chosen pupils follows
    // the name on view, at every activation of the menu.
    connect(menu, &menus::seisekitime1::ActivationStarted, this, [this] {
        const QString name = common::TrimSpaces(common::runState().CurrentPupilName);
        Command24[1]->setVisible(name.contains(QStringLiteral("先生")));
    });
    FillLevelList();
}

void GraphPanel::BuildControls() {
    menus::seisekitime1* menu = menu_;
    // Beside the day's count in the header, clear of its text; shown while
    // one pupil's times are listed.
    Command17 = kit::MakeButton(menu, QStringLiteral("Command17"), QStringLiteral("グラフ"), {700, 40, 70, 30});
    Command17->hide();
    connect(Command17, &QPushButton::clicked, this,
            [this] { menu_->Handlers().Run(kOpenGraphs, [this] { OpenGraphs(); }); });

    // The panel, over the columns; a graph set moves it to its place.
    Picture11 = new QWidget(menu);
    Picture11->setObjectName(QStringLiteral("Picture11"));
    Picture11->setGeometry(0, 110, 1024, 658);
    kit::SetBackground(Picture11, Qt::white);
    QWidget* panel = Picture11;
    Command18 = kit::MakeButton(panel, QStringLiteral("Command18"), QStringLiteral("戻る"), {900, 10, 110, 44});
    Command25 = kit::MakeButton(panel, QStringLiteral("Command25"), QStringLiteral("他の人のデータを見る"),
                                {620, 10, 270, 44});
    Command24.resize(2);
    Command24[0] = kit::MakeButton(panel, QStringLiteral("Command24_0"), QStringLiteral("表示"), {400, 10, 100, 44});
    Command24[1] = kit::MakeButton(panel, QStringLiteral("Command24_1"), QStringLiteral("印刷"), {510, 10, 100, 44});
    // The pupil list sits beside the level list when it is shown.
    List2 = new kit::SortedTextList(panel);
    List2->setObjectName(QStringLiteral("List2"));
    List2->setGeometry(700, 60, 316, 580);
    List2->setSelectionMode(QAbstractItemView::MultiSelection);
    List2->hide();
    Picture11->hide();
    connect(Command18, &QPushButton::clicked, this, [this] { Picture11->hide(); });
    connect(Command25, &QPushButton::clicked, this, [this] {
        Command25->hide();
        List2->show();
    });

    Picture12 = new GraphCanvas(panel);
    Picture12->setObjectName(QStringLiteral("Picture12"));
    Picture12->setGeometry(8, 56, 608, 592);
    // The figures block is fixed-layout text: a full-width character is
    // exactly two half-width ones in this font, so its fields line up.
    Picture12->setFont(kit::ListFont(GraphFontBase));

    List3 = new QListWidget(panel);
    List3->setObjectName(QStringLiteral("List3"));
    List3->setGeometry(620, 60, 70, 580);
    List3->setSelectionMode(QAbstractItemView::MultiSelection);
    List3->setFont(kit::FontOf(12));
    kit::KeepLinesReadable(List3);

    Command21.resize(2);
    const QString captions[2] = {QStringLiteral("表示"), QStringLiteral("印刷")};
    for (int k = 0; k < 2; ++k) {
        auto* b = kit::MakeButton(panel, QStringLiteral("Command21_%1").arg(k), captions[k],
                                  QRect(10 + k * 110, 10, 100, 44));
        connect(b, &QPushButton::clicked, this,
                [this, k] { menu_->Handlers().Run(k == 0 ? kDraw : kPrint, [this, k] { GraphSet(k); }); });
        Command21[k] = b;
    }
    for (int k = 0; k < 2; ++k)
        connect(Command24[k], &QPushButton::clicked, this, [this, k] {
            menu_->Handlers().Run(k == 0 ? kDrawChosen : kPrintChosen, [this, k] { GraphSetForChosenPupils(k); });
        });
    // A click in the pupil list, or in the level list while the panel shows,
    // draws the chosen pupils' graphs.
    auto drawChosen = [this] { menu_->Handlers().Run(kDrawChosen, [this] { GraphSetForChosenPupils(0); }); };
    connect(List2, &kit::TextList::rowClicked, this, drawChosen);
    connect(List3, &QListWidget::itemClicked, this, [this, drawChosen] {
        if (Picture11->isVisible()) drawChosen();
    });
}

void GraphPanel::HideForOtherView() {
    Command17->hide();
    Picture11->hide();
}

void GraphPanel::FillLevelList() {
    List3->clear();
    for (int level = 1; level <= common::runState().LevelCount; ++level) List3->addItem(common::Dec(level));
}

void GraphPanel::PerPupilTimes() {
    const common::RunState& rs = common::runState();
    menus::seisekitime1& m = *menu_;
    Command17->show();
    List2->SetLines(menus::LoadPupilPicker(flow::Caution));
    FillLevelList();
    GraphLevel = 1;
    graphPupil_ = rs.CurrentPupil;

    m.Choices().ListKind = 3;
    回数など表示(m);
    m.SetListingTitle(QStringLiteral("個人別ﾀｲﾑ"));
    const GraphRecords read = ReadGraphRecords(results::ResultsFilePath());
    QProgressBar* bar = m.ListingProgress();
    bar->setValue(0);
    bar->setMaximum(static_cast<int>((read.Records.size() + 1) * 1.1));
    PupilTimesChoice choice;
    choice.Pupil = rs.CurrentPupil;
    choice.LevelCount = rs.LevelCount;
    choice.Now = common::DateTimeValue(common::platform().Now());
    const bool known = choice.Pupil >= 0 && choice.Pupil <= menus::kMaxPupilNumber;
    choice.PupilPassesFilter =
        known && menus::PassesGradeFilter(m.GradeFilter(),
                                          menus::GradeNumber(menus::roster().PupilBirthYear[choice.Pupil]));
    const std::vector<QStringList> lines = PupilTimesLines(read.Records, choice);
    for (int level = 1; level < static_cast<int>(lines.size()); ++level)
        if (kit::SortedTextList* list = m.ColumnList(level)) list->SetLines(lines[static_cast<size_t>(level)]);
    bar->setValue(bar->maximum());
    m.EndOfListing();
    ReportReadError(read);
}

void GraphPanel::OpenGraphs() {
    graphPupil_ = common::runState().CurrentPupil;
    List2->hide();
    Command25->show();
    List2->clearSelection();
    if (List3->count() == 0) FillLevelList();
    List3->clearSelection();
    for (int k = 0; k < std::min(3, List3->count()); ++k) List3->item(k)->setSelected(true);
    GraphFontBase = kGraphFontBase;
    LevelOffset = 1;
    GraphSet(0);
}

void GraphPanel::GraphSetForChosenPupils(int output) {
    std::vector<int> pupils;
    const kit::SortedTextList* list = List2;
    for (int k = 0; k < list->count(); ++k) {
        if (!list->IsRowSelected(k)) continue;
        const QString text = list->text(k);
        pupils.push_back(text.mid(text.lastIndexOf(u'/') + 1).toInt());
    }
    if (pupils.empty()) {
        GraphSet(output);
        return;
    }
    for (const int pupil : pupils) {
        graphPupil_ = pupil;
        GraphSet(output);
    }
}

void GraphPanel::RankStep(int index) {
    RankMode = index == 1 ? kTimes : kPoints;
    // The level's ranking as the listings rank it, RankMode in place of ValueKind.
    const RankingChoice choice{RankMode, menu_->Choices().PointsPeriod, menu_->GradeFilter(),
                               common::runState().CurrentPupil};
    List4[RankMode] = RankingLines(GraphLevel, choice, RankColumn::Graph);
    if (GraphLevel < 0 || GraphLevel >= static_cast<int>(LevelSummary.size())) return;
    // Both lists are current once index 1 has run; index 0 runs first.
    views::LevelSummary& s = LevelSummary[GraphLevel];
    const views::LevelSummary found = views::RankStep(List4[1], List4[2], graphPupil_);
    if (index == 1) {
        s.TimeRank = found.TimeRank;
    } else {
        s.PointsRank = found.PointsRank;
        s.PupilPoints = found.PupilPoints;
        s.PositiveCount = found.PositiveCount;
        s.PositiveSum = found.PositiveSum;
    }
}

Graph GraphPanel::OneGraph(const GraphRecords& read, bool printer) {
    const common::RunState& rs = common::runState();
    menu_->Choices().ListKind = 3;
    common::DoEvents();

    const menus::Roster& roster = menus::roster();
    const bool known = graphPupil_ >= 0 && graphPupil_ <= menus::kMaxPupilNumber;
    GraphInput in;
    in.Level = GraphLevel;
    in.Pupil = graphPupil_;
    in.LevelCount = rs.LevelCount;
    in.Now = common::DateTimeValue(common::platform().Now());
    in.PupilPassesFilter =
        known && menus::PassesGradeFilter(menu_->GradeFilter(),
                                          menus::GradeNumber(roster.PupilBirthYear[graphPupil_]));
    in.Printer = printer;
    if (GraphLevel >= 0 && GraphLevel < static_cast<int>(LevelSummary.size())) in.Summary = LevelSummary[GraphLevel];
    in.Title = rs.ProgramTitle + u' ' + menu_->LevelCaption(GraphLevel);
    in.PupilName = known ? common::TrimSpaces(roster.PupilName[graphPupil_]) : QString();
    in.FirstBand = IsFirstBand(GraphTop);
    Graph g = ComputeGraph(read.Records, read.LastRecordDate, in);
    TimeScaleMax = g.TimeScaleMax;
    return g;
}

void GraphPanel::GraphSet(int output) {
    GraphOutput = output;
    Picture11->setGeometry(8, 116, kit::kWidth - 8, kit::kHeight - 116);  // at 120, 1740 twips
    if (output == 1) PrintGraphSet();
    else ShowGraphSet();
}

namespace {

std::vector<int> SelectedLevels(const QListWidget* list, int offset) {
    std::vector<int> levels;
    for (int k = 1; k <= list->count(); ++k)
        if (list->item(k - 1)->isSelected()) levels.push_back(k + offset - 1);
    return levels;
}

}  // namespace

void GraphPanel::ShowGraphSet() {
    Picture11->show();
    Picture11->raise();
    Picture12->Clear();
    GraphCanvasStyle style;
    style.Font = Picture12->font();
    style.FontBase = GraphFontBase;
    style.MinimumPixels = kScreenMinimumPixels;
    const QSizeF size = Picture12->Pixmap().size();
    style.LineUnit = 1;
    // The graphs of a set share one reading of the records, so all of them
    // show the same moment of the file.
    const GraphRecords read = ReadGraphRecords(results::ResultsFilePath());
    int page = 0;
    for (const GraphPlacement& at : PlanGraphSet(SelectedLevels(List3, LevelOffset), common::runState().LevelCount)) {
        if (at.Page != page) {
            page = at.Page;
            Picture12->Clear();
        }
        GraphTop = at.Top;
        GraphLevel = at.Level;
        RankStep(0);
        RankStep(1);
        const Graph g = OneGraph(read, false);
        QPainter painter(&Picture12->Pixmap());
        PaintGraph(painter, size, GraphTop, g, style);
    }
    Picture12->update();
    ReportReadError(read);
}

void GraphPanel::PrintGraphSet() {
    QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull()) {
        const QList<QPrinterInfo> all = QPrinterInfo::availablePrinters();
        if (all.isEmpty()) {
            Caution(QStringLiteral("プリンタがありません。印刷できません。"));
            return;
        }
        info = all.first();
    }
    QPrinter printer(info, QPrinter::HighResolution);
    printer.setDocName(common::runState().ProgramTitle + QStringLiteral(" グラフ"));
    QPainter painter;
    if (!painter.begin(&printer)) {
        Caution(QStringLiteral("印刷できません。プリンタ ") + info.printerName() +
                QStringLiteral(" を確かめてください。"));
        return;
    }
    const QSizeF size = printer.pageLayout().paintRectPixels(printer.resolution()).size();
    GraphCanvasStyle style;
    style.Printer = true;
    style.Font = Picture12->font();
    style.FontBase = kPrinterFontSize;
    style.LineUnit = printer.resolution() / 96.0;
    // The graphs of a set share one reading of the records, so all of them
    // show the same moment of the file.
    const GraphRecords read = ReadGraphRecords(results::ResultsFilePath());
    int page = 0;
    for (const GraphPlacement& at : PlanGraphSet(SelectedLevels(List3, LevelOffset), common::runState().LevelCount)) {
        if (at.Page != page) {
            page = at.Page;
            printer.newPage();
        }
        GraphTop = at.Top;
        GraphLevel = at.Level;
        RankStep(0);
        RankStep(1);
        PaintGraph(painter, size, GraphTop, OneGraph(read, true), style);
    }
    // One print job per graph set.
    painter.end();
    ReportReadError(read);
}

}  // namespace views
