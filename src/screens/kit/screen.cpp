#include "screens/kit/screen.h"

#include "core/common/runstate.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>

namespace kit {

Screen::Screen(QWidget* parent) : QWidget(parent) {
    // The caption of the main screens; a screen with a caption of its own
    // sets it in its constructor.
    setWindowTitle(QStringLiteral("vorlex"));
    resize(kWidth, kHeight);
    setAutoFillBackground(true);
}

Screen::~Screen() {
    if (keyPreview_) qApp->removeEventFilter(this);
}

void Screen::EnableKeyPreview() {
    if (keyPreview_) return;
    keyPreview_ = true;
    qApp->installEventFilter(this);
}

QWidget* Screen::KeyPreviewTarget(QObject* watched, QEvent* event) const {
    if (event->type() != QEvent::KeyPress) return nullptr;
    auto* target = qobject_cast<QWidget*>(watched);
    if (!target || isHidden() || (target != this && !isAncestorOf(target))) return nullptr;
    if (QApplication::activeModalWidget()) return nullptr;
    return target;
}

QFont FontOf(TypeSize size, bool bold) {
    QFont f = QApplication::font();
    if (size.value > 0) {
        if (size.pixels)
            f.setPixelSize(size.value);
        else
            f.setPointSize(size.value);
    }
    f.setBold(bold);
    return f;
}

QFont ListFont(int pointSize) {
    QFont f(QStringLiteral("Noto Sans Mono CJK JP"));
    f.setStyleHint(QFont::Monospace);
    f.setPointSize(pointSize);
    return f;
}

QColor SeasonColour() {
    const auto c = common::runState().SeasonColour;
    return QColor((c >> 16) & 0xff, (c >> 8) & 0xff, c & 0xff);
}

void SetBackground(QWidget* w, const QColor& colour) {
    QPalette p = w->palette();
    p.setColor(QPalette::Window, colour);
    w->setPalette(p);
    w->setAutoFillBackground(true);
}

void SetTextColour(QWidget* w, const QColor& colour) {
    QPalette p = w->palette();
    p.setColor(QPalette::WindowText, colour);
    w->setPalette(p);
}

QLabel* MakeLabel(QWidget* parent, const QString& name, const QString& text, const QRect& r,
                  TypeSize size, bool bold, Qt::Alignment align) {
    auto* l = new QLabel(text, parent);
    if (!name.isEmpty()) l->setObjectName(name);
    l->setGeometry(r);
    l->setFont(FontOf(size, bold));
    l->setAlignment(align);
    return l;
}

QPushButton* MakeButton(QWidget* parent, const QString& name, const QString& text, const QRect& r,
                        TypeSize size, bool bold) {
    auto* b = new QPushButton(text, parent);
    if (!name.isEmpty()) b->setObjectName(name);
    b->setGeometry(r);
    b->setFont(FontOf(size, bold));
    return b;
}

}  // namespace kit
