#pragma once
// The screen kit: the base of every screen page and the few helpers every
// screen builds its controls with, so that a caption's font, a button's look
// and a label's name are set the same way on every screen.

#include <QColor>
#include <QFont>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QWidget>

class QLabel;
class QPushButton;

namespace shell {
class ScreenHost;
}

namespace kit {

// Every screen is laid out on this logical canvas.
inline constexpr int kWidth = 1024;
inline constexpr int kHeight = 768;

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
    // Taken off the host: the screen is deleted once no handler that lets
    // events run is left on the stack (one of its own may still be).
    bool IsClosed() const { return closed_; }

protected:
    // Key preview: the screen's eventFilter sees every key press of the
    // application before the focused control does.
    void EnableKeyPreview();
    // The control a previewed key press goes to, when the press is meant for
    // this screen (on view, no modal window open); null otherwise.
    QWidget* KeyPreviewTarget(QObject* watched, QEvent* event) const;

private:
    friend class shell::ScreenHost;
    bool loaded_ = false;
    bool closed_ = false;
    bool keyPreview_ = false;
};

// A screen as a handler that lets events run sees it afterwards: true while
// the screen is still open. A click the events brought may have closed it;
// the handler then returns without doing more on it (the screen itself is
// deleted only after the handler has returned).
class StillOpen {
public:
    explicit StillOpen(const Screen* screen) : screen_(screen) {}
    explicit operator bool() const { return screen_ && !screen_->IsClosed(); }

private:
    QPointer<const Screen> screen_;
};

// A type size: the pupil's screens size their large type in pixels on the
// canvas, the teacher's screens in points.
struct TypeSize {
    int value = 0;
    bool pixels = false;
};
constexpr TypeSize Pt(int points) { return {points, false}; }
constexpr TypeSize Px(int pixels) { return {pixels, true}; }

// The application font (the Japanese face) at a size.
QFont FontOf(TypeSize size, bool bold = false);
inline QFont FontOf(int pointSize, bool bold = false) { return FontOf(Pt(pointSize), bold); }
// The fixed-pitch Japanese face of fixed-layout list lines, in which a
// full-width character is exactly two half-width ones.
QFont ListFont(int pointSize);

QColor SeasonColour();  // RunState's season colour
void SetBackground(QWidget* w, const QColor& colour);
void SetTextColour(QWidget* w, const QColor& colour);

// A named label (objectName = name, as the tests find it) at a place.
QLabel* MakeLabel(QWidget* parent, const QString& name, const QString& text, const QRect& r,
                  TypeSize size, bool bold = false,
                  Qt::Alignment align = Qt::AlignLeft | Qt::AlignVCenter);
// A named push button at a place.
QPushButton* MakeButton(QWidget* parent, const QString& name, const QString& text, const QRect& r,
                        TypeSize size = Pt(12), bool bold = false);

}  // namespace kit
