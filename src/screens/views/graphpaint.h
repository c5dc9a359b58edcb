#pragma once
// Paints the per-pupil graphs onto any canvas: the graph panel's pixmap or a
// printer page. Everything is placed relative to the canvas's width and
// height, so screen and paper show the same picture at their own size.

#include "core/views/graphs.h"

#include <QFont>
#include <QSizeF>

class QPainter;

namespace views {

struct GraphCanvasStyle {
    bool Printer = false;
    // Font size in points of one unit of a text's Size: GraphFontBase on
    // screen, 6 on paper.
    double FontBase = kGraphFontBase;
    // One line-width unit in device pixels: a point drawn 5 units wide shows
    // as a dot of the same physical size on screen and on paper.
    double LineUnit = 1;
    // On screen no text is drawn smaller than this many pixels, so that the
    // small labels of a canvas of some 600 pixels stay readable; 0 on paper.
    double MinimumPixels = 0;
    QFont Font;  // family of the canvas's font
};

// The line unit of a canvas of this height: one pixel of a 640-pixel canvas.
double LineUnitFor(const QSizeF& canvas);

// One graph at GraphTop = top (a fraction of the height).
void PaintGraph(QPainter& painter, const QSizeF& canvas, double top, const Graph& graph,
                const GraphCanvasStyle& style);

}  // namespace views
