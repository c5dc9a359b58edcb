#include "screens/views/graphpaint.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPaintDevice>
#include <QPen>

#include <algorithm>

namespace views {
namespace {

constexpr double kPointWidth = 5;
constexpr double kRuleWidth = 2;
constexpr double kStairWidth = 3;
constexpr double kAxisWidthScreen = 5;  // the canvas's line width when the axes are drawn
constexpr double kAxisWidthPaper = 1;
constexpr double kReferenceHeight = 640;
// The top of the character box lies this far (in em) above the baseline.
constexpr double kBaseline = 0.88;

QColor ColourOf(std::uint32_t bgr) { return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF); }

}  // namespace

double LineUnitFor(const QSizeF& canvas) { return std::max(1.0, canvas.height() / kReferenceHeight); }

void PaintGraph(QPainter& painter, const QSizeF& canvas, double top, const Graph& graph,
                const GraphCanvasStyle& style) {
    const double f = canvas.width() / 2;
    const double c = canvas.height() / 3;
    const double n = top * canvas.height();
    auto at = [&](double x, double y) { return QPointF(x * f, n + y * c); };
    auto pen = [&](const QColor& colour, double width) {
        QPen p(colour, std::max(1.0, width * style.LineUnit));
        p.setCapStyle(Qt::RoundCap);
        p.setJoinStyle(Qt::RoundJoin);
        return p;
    };

    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);

    const double dpi = painter.device()->logicalDpiY();
    auto fontOf = [&](double size) {
        QFont font = style.Font;
        font.setPointSizeF(std::max(style.FontBase * size, style.MinimumPixels * 72 / dpi));
        return font;
    };
    // A text with the top of its character box at y, as the canvas prints it.
    auto textAt = [&](const QString& s, const QFont& font, double x, double y) {
        painter.setFont(font);
        painter.setPen(Qt::black);
        const double em = font.pointSizeF() * dpi / 72;
        painter.drawText(QPointF(x, y + kBaseline * em), s);
    };
    auto text = [&](const GraphText& t, double y) { textAt(t.Text, fontOf(t.Size), t.X * f, y); };

    if (!graph.Name.Text.isEmpty()) text(graph.Name, graph.Name.Y * c);

    // Two rules across the full width.
    painter.setPen(pen(Qt::black, kRuleWidth));
    painter.drawLine(at(0, 0), QPointF(canvas.width(), n));
    painter.drawLine(at(0, kRuleGap), QPointF(canvas.width(), n + kRuleGap * c));

    // Axes.
    painter.setPen(pen(Qt::black, style.Printer ? kAxisWidthPaper : kAxisWidthScreen));
    painter.drawLine(at(kPlotLeft, kPlotBottom), at(kPlotRight, kPlotBottom));
    painter.drawLine(at(kPlotLeft, kPlotBottom), at(kPlotLeft, kPlotTop));

    // The bests joined by black lines, under the points: a best point keeps
    // its red where the line runs through it.
    painter.setPen(pen(Qt::black, kStairWidth));
    for (size_t i = 1; i < graph.Bests.size(); ++i)
        painter.drawLine(at(graph.Bests[i - 1].X, graph.Bests[i - 1].Y), at(graph.Bests[i].X, graph.Bests[i].Y));

    // Every run as a point: new bests red, the others blue.
    for (const GraphPoint& p : graph.Points) {
        painter.setPen(pen(ColourOf(p.Best ? kBestColour : kOtherRunColour), kPointWidth));
        painter.drawPoint(at(p.X, p.Y));
    }

    for (const GraphText& t : graph.Figures) text(t, n + t.Y * c);
    for (size_t i = 0; i < graph.Labels.size(); ++i) {
        const GraphText& t = graph.Labels[i];
        if (i > 0) {
            text(t, n + t.Y * c);
            continue;
        }
        // The title ends before the figures block, whose first line shares
        // its band: a long caption starts further left, over the plot area's
        // empty top, and is made smaller only when even that is too narrow.
        QFont font = fontOf(t.Size);
        const double end = (kFiguresLeft - 0.02) * f;
        double width = QFontMetricsF(font, painter.device()).horizontalAdvance(t.Text);
        const double leftmost = kPlotLeft * f;
        if (width > end - leftmost) {
            font.setPointSizeF(font.pointSizeF() * (end - leftmost) / width);
            width = end - leftmost;
        }
        textAt(t.Text, font, std::min(t.X * f, end - width), n + t.Y * c);
    }

    painter.restore();
}

}  // namespace views
