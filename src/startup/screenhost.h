#pragma once
// One top-level window hosts every screen as a page, so focus and keys never
// get lost between windows. Opening a screen adds or raises its page; closing
// removes it. Modal windows (chooser, version box, message boxes) are dialogs
// over it.

#include <QColor>
#include <QFont>
#include <QList>
#include <QPointer>
#include <QWidget>

namespace startup {

// Base of every screen page. Form_Load runs once after construction,
// Form_Activate each time the screen flow makes the screen the active one.
class Screen : public QWidget {
    Q_OBJECT
public:
    explicit Screen(QWidget* parent = nullptr);
    ~Screen() override;
    virtual void Form_Load() {}
    virtual void Form_Activate() {}
    bool IsLoaded() const { return loaded_; }

protected:
    // Key preview: the screen's eventFilter sees every key press of the
    // application before the focused control does.
    void EnableKeyPreview();
    // The control a previewed key press goes to, when the press is meant for
    // this screen (on view, no modal window open); null otherwise.
    QWidget* KeyPreviewTarget(QObject* watched, QEvent* event) const;

private:
    friend class ScreenHost;
    bool loaded_ = false;
    bool keyPreview_ = false;
};

// Small helpers every screen uses for its looks.
QColor SeasonColour();  // RunState's season colour
void SetBackground(QWidget* w, const QColor& colour);
QFont FontOf(int pointSize, bool bold = false);  // the application font at a size

class ScreenHost : public QWidget {
    Q_OBJECT
public:
    static constexpr int kWidth = 1024;
    static constexpr int kHeight = 768;

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

private:
    ScreenHost();
    QList<QPointer<Screen>> pages_;
};

}  // namespace startup
