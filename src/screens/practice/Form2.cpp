#include "screens/practice/Form2.h"

#include "core/common/platform.h"
#include "core/practice/kanatable.h"
#include "screens/kit/screen.h"
#include "core/common/runstate.h"

#include <QButtonGroup>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>

namespace practice {
Form2::Form2(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("ローマ字形式"));
    setModal(true);
    setFixedSize(860, 700);
    auto& rs = common::runState();

    Label4 = kit::MakeLabel(this, QStringLiteral("Label4"), QStringLiteral("練習する方式を選びなさい"),
                            {30, 20, 800, 50}, kit::Px(34), true);

    static const char16_t* const kOptions[4] = {u"", u"両方", u"訓令式", u"ヘボン式"};
    auto* group = new QButtonGroup(this);
    for (int i = 0; i <= 3; ++i) {
        auto* b = new QRadioButton(QString::fromUtf16(kOptions[i]), this);
        b->setObjectName(QStringLiteral("Option1_%1").arg(i));
        b->setFont(kit::FontOf(kit::Px(30), true));
        b->setGeometry(40, 90 + (i - 1) * 70, 300, 56);
        b->setVisible(i != 0);
        if (i != 0) group->addButton(b, i);
        Option1 << b;
        connect(b, &QRadioButton::clicked, this, [this, i] { Option1_Click(i); });
    }
    const int selected = rs.RomanizationMode + 1;
    if (selected >= 1 && selected <= 3) Option1[selected]->setChecked(true);

    Label2 = kit::MakeLabel(this, QStringLiteral("Label2"), HepburnNote(), {40, 320, 300, 40}, kit::Px(24));
    Label3 = kit::MakeLabel(this, QStringLiteral("Label3"), NnNote(), {40, 380, 300, 150}, kit::Px(22));
    Label3->setWordWrap(true);

    List1 = new QListWidget(this);
    List1->setObjectName(QStringLiteral("List1"));
    List1->setFont(kit::FontOf(kit::Px(24)));
    List1->setGeometry(370, 90, 460, 580);
    List1->addItems(ChartLines());

    Command2 = kit::MakeButton(this, QStringLiteral("Command2"), QStringLiteral("スタート"), {40, 580, 300, 80},
                               kit::Px(32), true);
    Command2->setVisible(!rs.ChooserDone);
    Command2->setDefault(true);
    connect(Command2, &QPushButton::clicked, this, [this] { Command2_Click(); });
}

void Form2::Option1_Click(int index) {
    if (index < 1 || index > 3) return;
    QString error;
    if (!SaveRomanizationMode(index, &error))
        common::platform().MessageBox(
            QStringLiteral("ローマ字形式を保存できませんでした。\r\n") + error,
            QStringLiteral("注意"), common::MessageButtons::Ok);
}

void Form2::Command2_Click() {
    common::runState().ChooserDone = true;
    accept();
}

}  // namespace practice
