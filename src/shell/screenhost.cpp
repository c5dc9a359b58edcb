#include "shell/screenhost.h"

#include "core/common/platform.h"

#include <QApplication>
#include <QEvent>

namespace shell {
namespace {
ScreenHost* host = nullptr;
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
        screen->installEventFilter(this);
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
    screen->closed_ = true;
    screen->removeEventFilter(this);
    screen->hide();
    UpdateTitle();
    // A close may come from a click that a handler's DoEvents let run, while
    // that handler (of this screen or another) is still on the stack below
    // it; deleting the screen from such a nested event would pull it from
    // under the handler. So the deletion is asked for only once every
    // DoEvents has returned, from the handler that let events run: Qt then
    // deletes the screen after that handler too has returned to its loop.
    common::AfterDoEvents([later = QPointer<Screen>(screen)] {
        if (later) later->deleteLater();
    });
}

Screen* ScreenHost::Front() const {
    // Children are kept in stacking order, the front one last.
    const QObjectList& kids = children();
    for (auto it = kids.crbegin(); it != kids.crend(); ++it) {
        auto* screen = qobject_cast<Screen*>(*it);
        if (screen && !screen->isHidden() && pages_.contains(screen)) return screen;
    }
    return nullptr;
}

void ScreenHost::UpdateTitle() {
    // The one window wears the caption of the screen in front of it, as each
    // screen's own window did.
    if (Screen* front = Front()) setWindowTitle(front->windowTitle());
}

bool ScreenHost::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::Show:
    case QEvent::Hide:
    case QEvent::ZOrderChange:
    case QEvent::WindowTitleChange:
        if (qobject_cast<Screen*>(watched)) UpdateTitle();
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
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

}  // namespace shell
