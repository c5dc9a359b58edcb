#pragma once
// The version box, opened from the name screen.

#include <QDialog>

class QLabel;
class QPushButton;

namespace startup {

class frmver : public QDialog {
    Q_OBJECT
public:
    explicit frmver(QWidget* parent = nullptr);

protected:
    // Centred on the screen once its frame is known.
    void showEvent(QShowEvent* event) override;

private:
    QLabel* Label1 = nullptr;       // program title
    QLabel* Label2 = nullptr;       // "Version" + major.minor.patch
    QPushButton* Command1 = nullptr;  // "O.K."
};

// "Version1.0.15" for version 1.0.15: the project version of the build.
QString VersionText();

}  // namespace startup
