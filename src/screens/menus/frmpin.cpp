#include "screens/menus/frmpin.h"

#include "screens/kit/screen.h"
#include "core/menus/teacherpin.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>

namespace menus {

frmpin::frmpin(const QByteArray& hash, QWidget* parent) : QDialog(parent), hash_(hash) {
    setObjectName(QStringLiteral("frmpin"));
    setWindowTitle(QStringLiteral("先生の暗証番号"));
    setModal(true);
    setFixedSize(560, 300);

    Label1 = kit::MakeLabel(this, QStringLiteral("Label1"), QStringLiteral("先生の暗証番号を入れてください"),
                            {40, 20, 480, 50}, kit::Px(28), true);

    Text1 = new QLineEdit(this);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setGeometry(40, 80, 480, 56);
    Text1->setFont(kit::FontOf(kit::Px(30)));
    Text1->setEchoMode(QLineEdit::Password);
    Text1->setMaxLength(kMaxPinDigits);
    Text1->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("[0-9]{0,%1}").arg(kMaxPinDigits)), Text1));
    // The PIN is typed with the input method off, like the romaji.
    Text1->setAttribute(Qt::WA_InputMethodEnabled, false);
    Text1->setAccessibleName(QStringLiteral("暗証番号"));
    Label1->setBuddy(Text1);

    Label2 = kit::MakeLabel(this, QStringLiteral("Label2"), QString(), {40, 144, 480, 44}, kit::Px(22));
    kit::SetTextColour(Label2, QColor(200, 0, 0));

    Command1 = kit::MakeButton(this, QStringLiteral("Command1"), QStringLiteral("O.K."), {40, 210, 220, 64},
                               kit::Px(28), true);
    Command1->setDefault(true);
    Command2 = kit::MakeButton(this, QStringLiteral("Command2"), QStringLiteral("やめる"), {300, 210, 220, 64},
                               kit::Px(28));
    connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
    connect(Command2, &QPushButton::clicked, this, &QDialog::reject);
    Text1->setFocus();
}

void frmpin::Command1_Click() {
    const QString pin = Text1->text();
    Text1->clear();
    // The check takes about a second: the dialog says so and takes no input meanwhile.
    Command1->setEnabled(false);
    Label2->setText(QStringLiteral("確かめています…"));
    QApplication::setOverrideCursor(Qt::WaitCursor);
    Label2->repaint();
    const bool right = PinMatches(pin, hash_);
    QApplication::restoreOverrideCursor();
    Command1->setEnabled(true);
    if (right) {
        Label2->clear();
        accept();
        return;
    }
    if (++WrongCount >= kTries) {
        Label2->clear();
        reject();
        return;
    }
    Label2->setText(QStringLiteral("暗証番号がちがいます。あと %1 回です。").arg(kTries - WrongCount));
    Text1->setFocus();
}

void frmpin::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (QWidget* owner = parentWidget()) {
        QRect frame = frameGeometry();
        frame.moveCenter(owner->window()->frameGeometry().center());
        move(frame.topLeft());
    }
}

}  // namespace menus
