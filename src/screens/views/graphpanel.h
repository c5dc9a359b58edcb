#pragma once
// The per-pupil graph panel of the level menu: the panel Picture11 with the
// canvas Picture12, the level list List3, the pupil list List2, the draw and
// print buttons, the header's "グラフ" button Command17, and the graph set they
// run for one pupil or for each chosen pupil. Attached to a level menu by the
// screen flow, it builds and places these controls itself, on the menu; of
// the menu it uses only what the menu offers its views.

#include "core/views/graphs.h"

#include <QObject>
#include <QPixmap>
#include <QVector>
#include <QWidget>

#include <array>
#include <vector>

class QListWidget;
class QPushButton;

namespace kit {
class SortedTextList;
}

namespace menus {
class seisekitime1;
}

namespace views {

// The drawing canvas: shows the pixmap the graphs are painted into.
class GraphCanvas : public QWidget {
    Q_OBJECT
public:
    explicit GraphCanvas(QWidget* parent = nullptr);
    QPixmap& Pixmap() { return pixmap_; }
    // Clears the canvas to white at the widget's size.
    void Clear();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPixmap pixmap_;
};

class GraphPanel : public QObject {
    Q_OBJECT
public:
    explicit GraphPanel(menus::seisekitime1* menu);

    // Command16 (from "個人ﾀｲﾑ", which the result listings' Option2 handler
    // hands over): the "グラフ" button shown, the pupil list refreshed, the
    // level list filled, and the current pupil's runs in every level's list.
    void PerPupilTimes();
    // Command17 "グラフ": the current pupil's graphs of the first three levels.
    void OpenGraphs();
    // Command21(output): the graph set for GraphPupil on the canvas (0) or
    // the printer (1).
    void GraphSet(int output);
    // Command24(output): the graph set for each pupil chosen in List2, or for
    // GraphPupil when none is chosen.
    void GraphSetForChosenPupils(int output);
    // Fills List3 with the level numbers.
    void FillLevelList();

    // The pupil whose graphs are drawn.
    int GraphPupil() const { return graphPupil_; }
    void SetGraphPupil(int pupil) { graphPupil_ = pupil; }

    // The Option2 handler of the result listings starts: the panel and the
    // "グラフ" button give way.
    void HideForOtherView();

private:
    void BuildControls();
    // Command23(index) for GraphLevel: 0 the points ranking, 1 the time ranking.
    void RankStep(int index);
    // Command19: computes the graph of GraphLevel for GraphPupil.
    Graph OneGraph(const GraphRecords& read, bool printer);
    void PrintGraphSet();
    void ShowGraphSet();

    menus::seisekitime1* menu_;

    int graphPupil_ = 0;
    int GraphLevel = 1;
    int GraphOutput = 0;
    double GraphTop = 0;
    int RankMode = 1;
    int GraphFontBase = kGraphFontBase;
    int TimeScaleMax = 10;
    int LevelOffset = 1;
    std::array<views::LevelSummary, 31> LevelSummary{};
    // The unsorted work lists of the graph level's rankings: 1 times, 2 points.
    std::array<std::vector<RankLine>, 3> List4;

    QPushButton* Command17 = nullptr;  // "グラフ", in the menu's header
    QWidget* Picture11 = nullptr;      // the panel
    GraphCanvas* Picture12 = nullptr;
    QListWidget* List3 = nullptr;
    kit::SortedTextList* List2 = nullptr;
    QVector<QPushButton*> Command21;
    QVector<QPushButton*> Command24;
    QPushButton* Command25 = nullptr;
    QPushButton* Command18 = nullptr;
};

}  // namespace views
