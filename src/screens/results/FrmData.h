#pragma once
// Records maintenance: every record of the results file as one line, opened
// with a double-click into the edit panel, changed or deleted there, and a
// rich-text box printed through the print dialog.
//
// Each line carries the number of the record it shows; opening, changing and
// deleting go by that number, never by the line's position, and a change or
// deletion is written only while the record is still the one opened (the
// results file module checks it under the appenders' lock). A wait for that
// lock lets window events run, so the handlers refuse to start while another
// one is under way.

#include "screens/kit/screen.h"
#include "core/results/recordlist.h"
#include "core/results/resultsfile.h"

#include <QByteArray>
#include <QVector>

#include <functional>
#include <memory>
#include <vector>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollBar;
class QTextEdit;

namespace kit {
class SortedTextList;
}

namespace results {

class FrmData : public kit::Screen {
    Q_OBJECT
public:
    // Reads the roster anew on every listing (the roster lives above this
    // folder; the shell hands the reader in).
    using PupilSource = std::function<std::vector<PupilChoice>()>;

    static constexpr int kScrollMax = 6000;
    static constexpr int kScrollLargeStep = 10;

    explicit FrmData(PupilSource pupils, QWidget* parent = nullptr);

    void Form_Load() override;

private:
    void ListRecords();
    void LoadPupilChoices();
    void List1_Click();
    void OpenRecord();
    void Combo1_Click();
    void VScroll1_Change(int value);
    void ChangeRecord();
    void DeleteRecord();
    void Command17_Click();
    void Command4_Click();
    // After a change or deletion: the caution for a failure (the list stays
    // as it is) or for records changed meanwhile, else the list read anew.
    // True when the rewrite was done.
    bool AfterRewrite(const RewriteResult& result);
    // Selects the line of a record, or the row nearest to `row` when absent.
    void SelectRow(int row);
    void Caution(const QString& text);

    PupilSource pupils_;
    std::shared_ptr<const PupilTables> tables_ = std::make_shared<const PupilTables>();
    int numberWidth_ = 4;
    qint64 SelectedRecord = 0;
    QByteArray recordBuffer_;  // the record as OpenRecord read it
    bool busy_ = false;
    bool settingScroll_ = false;

    QWidget* Picture1 = nullptr;
    QWidget* Picture6 = nullptr;  // wait panel
    QWidget* Picture7 = nullptr;
    kit::SortedTextList* List1 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label5 = nullptr;
    QWidget* Picture3 = nullptr;  // edit panel
    QLabel* Label1 = nullptr;
    QVector<QLabel*> Label2;  // 0 "秒", 1 level, 2 date, 4 grade label
    QComboBox* Combo1 = nullptr;
    QVector<QLineEdit*> Text1;  // element 1: the result
    QScrollBar* VScroll1 = nullptr;
    QPushButton* Command2 = nullptr;
    QPushButton* Command3 = nullptr;
    QPushButton* Command17 = nullptr;
    QTextEdit* RichTextBox1 = nullptr;
    QPushButton* Command4 = nullptr;
};

}  // namespace results
