#include "screens/startup/frmver.h"

#include "core/common/runstate.h"
#include "screens/kit/screen.h"

#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace startup {

QString VersionText() {
    return QStringLiteral("Version%1.%2.%3")
        .arg(ROMAJI_VERSION_MAJOR)
        .arg(ROMAJI_VERSION_MINOR)
        .arg(ROMAJI_VERSION_PATCH);
}

frmver::frmver(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmver"));
    setWindowTitle(QStringLiteral("ﾊﾞｰｼﾞｮﾝ情報"));
    setModal(true);
    setMinimumWidth(360);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(32, 24, 32, 20);
    layout->setSpacing(14);

    // The layout places the title: it is made without a place.
    Label1 = kit::MakeLabel(this, QStringLiteral("Label1"), common::runState().ProgramTitle, QRect(),
                            kit::Pt(22), true, Qt::AlignCenter);

    Label2 = new QLabel(VersionText(), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setAlignment(Qt::AlignCenter);

    Command1 = new QPushButton(QStringLiteral("O.K."), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setDefault(true);
    Command1->setMinimumWidth(120);
    connect(Command1, &QPushButton::clicked, this, &QDialog::accept);

    layout->addWidget(Label1);
    layout->addWidget(Label2);
    layout->addWidget(Command1, 0, Qt::AlignHCenter);
}

void frmver::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (QScreen* s = screen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(s->availableGeometry().center());
        move(frame.topLeft());
    }
}

}  // namespace startup
