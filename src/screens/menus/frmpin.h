#pragma once
// The teacher's PIN, asked on the name screen before a teacher's entry opens
// the level menu (only when the administrator has set a PIN). Three wrong
// PINs, or "やめる", close it unanswered; the name screen then shows the
// prompt again.

#include <QByteArray>
#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace menus {

class frmpin : public QDialog {
    Q_OBJECT
public:
    // hash: the stored form of the PIN (teacherpin.h).
    explicit frmpin(const QByteArray& hash, QWidget* parent = nullptr);

    // "O.K.": checks the PIN typed; the right one accepts the dialog, the
    // third wrong one rejects it.
    void Command1_Click();

    static constexpr int kTries = 3;

protected:
    // Centred on the window it belongs to once its frame is known.
    void showEvent(QShowEvent* event) override;

private:
    QByteArray hash_;
    int WrongCount = 0;

    QLabel* Label1 = nullptr;       // "先生の暗証番号を入れてください"
    QLineEdit* Text1 = nullptr;     // the PIN, shown as dots
    QLabel* Label2 = nullptr;       // what went wrong, and the tries left
    QPushButton* Command1 = nullptr;  // "O.K."
    QPushButton* Command2 = nullptr;  // "やめる"
};

}  // namespace menus
