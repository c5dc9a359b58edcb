#pragma once
// The romanization chooser, shown modally over the practice screen on the
// first run of a program run.

#include <QDialog>
#include <QVector>

class QLabel;
class QListWidget;
class QPushButton;
class QRadioButton;

namespace practice {

class Form2 : public QDialog {
    Q_OBJECT
public:
    explicit Form2(QWidget* parent = nullptr);

    // Click of option `index` (1..3): saves the mode at once.
    void Option1_Click(int index);
    // "スタート": the chooser is done for this program run.
    void Command2_Click();

private:
    QVector<QRadioButton*> Option1;  // 1..3; element 0 the hidden template
    QListWidget* List1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label4 = nullptr;
    QPushButton* Command2 = nullptr;
};

}  // namespace practice
