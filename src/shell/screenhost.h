#pragma once
// One top-level window hosts every screen as a page, so focus and keys never
// get lost between windows. Opening a screen adds or raises its page; closing
// removes it. Modal windows (chooser, version box, message boxes) are dialogs
// over it.

#include "screens/kit/screen.h"

#include <QList>
#include <QPointer>
#include <QWidget>

namespace shell {

using kit::Screen;

class ScreenHost : public QWidget {
    Q_OBJECT
public:
    static constexpr int kWidth = kit::kWidth;
    static constexpr int kHeight = kit::kHeight;

    static ScreenHost& instance();
    // Deletes every page (tests start each case from an empty host).
    static void DestroyInstance();

    // Loads the screen (first time), brings it to the front and activates it.
    void Show(Screen* screen);
    // Adds and loads without activating (a screen that activates later).
    void Load(Screen* screen);
    // Brings a page to the front without activating it.
    void Raise(Screen* screen);
    // Removes the page and deletes it.
    void Close(Screen* screen);
    // Closes every page from the last opened to the first.
    void CloseAll();

    template <class T>
    T* Find() const {
        for (const auto& p : pages_)
            if (auto* t = qobject_cast<T*>(p.data())) return t;
        return nullptr;
    }
    QList<Screen*> Pages() const;
    // The page on view in front of the others (null when none is).
    Screen* Front() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void UpdateTitle();
    ScreenHost();
    QList<QPointer<Screen>> pages_;
};

}  // namespace shell
