#pragma once
// The practice screens size their type in pixels on the 1024 x 768 canvas.

#include <QFont>

namespace practice {

inline QFont PixelFont(int px, bool bold = false) {
    QFont f;
    if (px > 0) f.setPixelSize(px);
    f.setBold(bold);
    return f;
}

}  // namespace practice
