#include "shell/screenhost.h"

#include <QApplication>

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

}  // namespace shell
