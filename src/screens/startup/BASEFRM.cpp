#include "screens/startup/BASEFRM.h"

#include <QLabel>

namespace startup {

BASEFRM::BASEFRM() {
    setObjectName(QStringLiteral("BASEFRM"));
    Label1 = new QLabel(QStringLiteral("Just a moment, please."), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(0, 0, kit::kWidth, kit::kHeight);
    Label1->setAlignment(Qt::AlignCenter);
    QFont f = Label1->font();
    f.setPointSize(28);
    Label1->setFont(f);
}

}  // namespace startup
