#pragma once
// What core code hands up instead of showing it. Core code shows no message
// box and ends no program: it tells its caller, and the screens (or the
// screen flow) show the message and end the program.

#include <QString>

#include <functional>
#include <utility>

namespace common {

// How core code tells the user something and goes on (a file it keeps
// waiting for, roster entries it leaves out): it calls the Tell its caller
// gave it with the text, and the screens show that text in a "注意" message
// box. An empty Tell tells nobody (a command-line tool, a benchmark).
using Tell = std::function<void(const QString& text)>;

// The end of a core operation after which the program may have to end: done,
// or the message (and the title of its box) after which the program ends.
class [[nodiscard]] Outcome {
public:
    Outcome() = default;  // done
    static Outcome Fatal(QString message, QString title) {
        Outcome o;
        o.fatal_ = true;
        o.message_ = std::move(message);
        o.title_ = std::move(title);
        return o;
    }

    bool IsFatal() const { return fatal_; }
    explicit operator bool() const { return !fatal_; }
    const QString& Message() const { return message_; }
    const QString& Title() const { return title_; }

private:
    bool fatal_ = false;
    QString message_;
    QString title_;
};

}  // namespace common
