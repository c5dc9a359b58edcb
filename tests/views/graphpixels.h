#pragma once
// Looks for the graph's colours in a drawn or printed picture: a red, blue or
// black pixel within a few pixels of where the geometry puts a point or line.

#include "core/views/graphs.h"

#include <QImage>
#include <QPointF>
#include <QRectF>

#include <cmath>

namespace testing_support {

enum class Ink { Red, Blue, Black };

inline bool IsInk(QRgb c, Ink ink) {
    const int r = qRed(c), g = qGreen(c), b = qBlue(c);
    switch (ink) {
    case Ink::Red: return r > 170 && g < 100 && b < 100;
    case Ink::Blue: return b > 170 && r < 100 && g < 100;
    case Ink::Black: return r < 100 && g < 100 && b < 100;
    }
    return false;
}

inline bool InkNear(const QImage& image, QPointF at, Ink ink, int radius = 2) {
    const int cx = static_cast<int>(std::lround(at.x()));
    const int cy = static_cast<int>(std::lround(at.y()));
    for (int y = cy - radius; y <= cy + radius; ++y)
        for (int x = cx - radius; x <= cx + radius; ++x)
            if (image.rect().contains(x, y) && IsInk(image.pixel(x, y), ink)) return true;
    return false;
}

// Where a graph position falls in a picture: `area` is the canvas inside the
// picture, top the graph's GraphTop.
inline QPointF PlaceOf(const QRectF& area, double top, double x, double y) {
    return {area.left() + x * area.width() / 2, area.top() + top * area.height() + y * area.height() / 3};
}

// Every point in its colour, and the middle of every staircase segment black.
// Returns a description of the first miss, or an empty text.
inline QString CheckGraphInks(const QImage& image, const QRectF& area, double top, const views::Graph& g,
                              int radius = 2) {
    for (size_t i = 0; i < g.Points.size(); ++i) {
        const auto& p = g.Points[i];
        const QPointF at = PlaceOf(area, top, p.X, p.Y);
        if (!InkNear(image, at, p.Best ? Ink::Red : Ink::Blue, radius))
            return QStringLiteral("point %1 (%2) not %3 at %4,%5")
                .arg(i)
                .arg(p.Best ? "best" : "run")
                .arg(p.Best ? "red" : "blue")
                .arg(at.x())
                .arg(at.y());
    }
    for (size_t i = 1; i < g.Bests.size(); ++i) {
        const QPointF at = PlaceOf(area, top, (g.Bests[i - 1].X + g.Bests[i].X) / 2, (g.Bests[i - 1].Y + g.Bests[i].Y) / 2);
        if (!InkNear(image, at, Ink::Black, radius))
            return QStringLiteral("staircase %1 not black at %2,%3").arg(i).arg(at.x()).arg(at.y());
    }
    return QString();
}

}  // namespace testing_support
