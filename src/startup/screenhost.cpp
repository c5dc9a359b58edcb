#include "startup/screenhost.h"

#include "startup/runstate.h"

#include <QApplication>

namespace startup {
namespace {
ScreenHost* host = nullptr;
}

QColor SeasonColour() {
    const auto c = runState().SeasonColour;
    return QColor((c >> 16) & 0xff, (c >> 8) & 0xff, c & 0xff);
}

void SetBackground(QWidget* w, const QColor& colour) {
    QPalette p = w->palette();
    p.setColor(QPalette::Window, colour);
    w->setPalette(p);
    w->setAutoFillBackground(true);
}

QFont FontOf(int pointSize, bool bold) {
    QFont f = QApplication::font();
    f.setPointSize(pointSize);
    f.setBold(bold);
    return f;
}

Screen::Screen(QWidget* parent) : QWidget(parent) {
    resize(ScreenHost::kWidth, ScreenHost::kHeight);
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

ScreenHost::ScreenHost() {
    setWindowTitle(QStringLiteral("vorlex"));
    setFixedSize(kWidth, kHeight);
}

ScreenHost& ScreenHost::instance() {
    if (!host) host = new ScreenHost;
    return *host;
}

void ScreenHost::DestroyInstance() {
    if (!host) return;
    host->CloseAll();
    delete host;
    host = nullptr;
}

void ScreenHost::Load(Screen* screen) {
    if (!screen) return;
    if (!pages_.contains(screen)) {
        screen->setParent(this);
        screen->setGeometry(0, 0, kWidth, kHeight);
        pages_.append(screen);
    }
    if (!screen->loaded_) {
        screen->loaded_ = true;
        screen->Form_Load();
    }
}

void ScreenHost::Raise(Screen* screen) {
    if (!screen) return;
    screen->show();
    screen->raise();
    screen->activateWindow();
    screen->setFocus();
}

void ScreenHost::Show(Screen* screen) {
    if (!screen) return;
    Load(screen);
    if (!pages_.contains(screen)) return;  // closed by its own load
    Raise(screen);
    screen->Form_Activate();
}

void ScreenHost::Close(Screen* screen) {
    if (!screen) return;
    pages_.removeAll(screen);
    screen->hide();
    screen->deleteLater();
}

void ScreenHost::CloseAll() {
    while (!pages_.isEmpty()) {
        QPointer<Screen> last = pages_.takeLast();
        if (last) {
            last->hide();
            delete last.data();
        }
    }
}

QList<Screen*> ScreenHost::Pages() const {
    QList<Screen*> out;
    for (const auto& p : pages_)
        if (p) out << p.data();
    return out;
}

}  // namespace startup
