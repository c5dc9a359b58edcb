#include "screens/results/FrmData.h"

#include "core/common/platform.h"
#include "core/common/runstate.h"
#include "core/common/strings.h"
#include "screens/kit/flow.h"
#include "screens/kit/textlist.h"
#include "core/results/resultsfile.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QScrollBar>
#include <QTextEdit>

#include <algorithm>

namespace results {
namespace {

using kit::MakeButton;
using kit::MakeLabel;
using kit::Pt;

const QString kCaution = QStringLiteral("注意");

QString DataFolder() { return common::runState().ProgramDataFolder; }

// The buttons, lists and option group the screen carries without any action;
// they lie under Picture1 and are never seen.
const QStringList& InertCaptions() {
    static const QStringList captions{
        QStringLiteral("ファイル化"),       QStringLiteral("全員選択"),         QStringLiteral("全科目選択"),
        QStringLiteral("個人別"),           QStringLiteral("ポイント順"),       QStringLiteral("タイム順"),
        QStringLiteral("全員最高タイム順位"), QStringLiteral("全員全データ順位"), QStringLiteral("生徒別最高タイム"),
        QStringLiteral("生徒別全データ"),   QStringLiteral("最高タイム順位"),   QStringLiteral("全成績順位"),
        QStringLiteral("生徒別全成績"),     QStringLiteral("キャンセル")};
    return captions;
}

}  // namespace

FrmData::FrmData(PupilSource pupils, QWidget* parent) : kit::Screen(parent), pupils_(std::move(pupils)) {
    setObjectName(QStringLiteral("FrmData"));
    setWindowTitle(QStringLiteral("vorlex"));

    for (const QString& caption : InertCaptions()) {
        auto* inert = MakeButton(this, QString(), caption, {0, 0, 10, 10});
        inert->hide();
    }

    Picture1 = new QWidget(this);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    kit::SetBackground(Picture1, kit::SeasonColour());

    Picture7 = new QWidget(Picture1);
    Picture7->setObjectName(QStringLiteral("Picture7"));
    Picture7->setGeometry(0, 0, kit::kWidth, kit::kHeight);

    Label5 = MakeLabel(Picture7, QStringLiteral("Label5"), QStringLiteral("ダブルクリックすると変更、消去できます"),
                       {16, 8, 520, 36}, Pt(14));
    Label3 = MakeLabel(Picture7, QStringLiteral("Label3"), QString(), {560, 8, 300, 36}, Pt(12));

    List1 = new kit::SortedTextList(Picture7);
    List1->setObjectName(QStringLiteral("List1"));
    List1->setGeometry(8, 50, 668, 700);
    List1->setFont(kit::ListFont(10));
    List1->hide();
    connect(List1, &kit::TextList::rowClicked, this, [this](int) { List1_Click(); });
    // A line chosen with the keys is a line selected too: the panel shows
    // only the record of the selected line.
    connect(List1, &kit::TextList::currentRowChanged, this, [this](int) { List1_Click(); });
    connect(List1, &kit::TextList::rowDoubleClicked, this, [this](int) { OpenRecord(); });

    // The edit panel.
    Picture3 = new QWidget(Picture7);
    Picture3->setObjectName(QStringLiteral("Picture3"));
    Picture3->setGeometry(686, 50, 330, 400);
    kit::SetBackground(Picture3, QColor(255, 255, 224));
    Label1 = MakeLabel(Picture3, QStringLiteral("Label1"), QString(), {12, 8, 200, 32}, Pt(14), true);
    Label2.resize(5);
    Label2[0] = MakeLabel(Picture3, QStringLiteral("Label2_0"), QStringLiteral("秒"), {150, 172, 40, 32}, Pt(12));
    Label2[1] = MakeLabel(Picture3, QStringLiteral("Label2_1"), QString(), {12, 44, 140, 28}, Pt(12));
    Label2[2] = MakeLabel(Picture3, QStringLiteral("Label2_2"), QString(), {160, 44, 160, 28}, Pt(12));
    Label2[4] = MakeLabel(Picture3, QStringLiteral("Label2_4"), QString(), {12, 80, 100, 28}, Pt(12));
    Combo1 = new QComboBox(Picture3);
    Combo1->setObjectName(QStringLiteral("Combo1"));
    Combo1->setEditable(true);
    Combo1->setInsertPolicy(QComboBox::NoInsert);
    Combo1->setGeometry(12, 116, 300, 36);
    Combo1->setFont(kit::FontOf(12));
    Combo1->setMaxVisibleItems(20);
    connect(Combo1, &QComboBox::activated, this, [this](int) { Combo1_Click(); });
    Text1.resize(2);
    Text1[1] = new QLineEdit(Picture3);
    Text1[1]->setObjectName(QStringLiteral("Text1_1"));
    Text1[1]->setGeometry(12, 170, 130, 36);
    Text1[1]->setFont(kit::FontOf(14));
    Text1[1]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    VScroll1 = new QScrollBar(Qt::Vertical, Picture3);
    VScroll1->setObjectName(QStringLiteral("VScroll1"));
    VScroll1->setGeometry(200, 160, 24, 120);
    VScroll1->setRange(0, kScrollMax);
    VScroll1->setPageStep(kScrollLargeStep);
    connect(VScroll1, &QScrollBar::valueChanged, this, [this](int v) { VScroll1_Change(v); });
    Command2 = MakeButton(Picture3, QStringLiteral("Command2"), QStringLiteral("変更して記録"), {12, 300, 170, 48});
    Command3 = MakeButton(Picture3, QStringLiteral("Command3"), QStringLiteral("消去"), {200, 300, 110, 48});
    connect(Command2, &QPushButton::clicked, this, [this] { ChangeRecord(); });
    connect(Command3, &QPushButton::clicked, this, [this] { DeleteRecord(); });
    Picture3->hide();

    RichTextBox1 = new QTextEdit(Picture7);
    RichTextBox1->setObjectName(QStringLiteral("RichTextBox1"));
    RichTextBox1->setGeometry(686, 460, 330, 200);
    RichTextBox1->setFont(kit::FontOf(11));
    Command17 = MakeButton(Picture7, QStringLiteral("Command17"), QStringLiteral("印刷"), {686, 670, 150, 48});
    connect(Command17, &QPushButton::clicked, this, [this] { Command17_Click(); });
    Command4 = MakeButton(Picture7, QStringLiteral("Command4"), QStringLiteral("戻る"), {866, 670, 150, 48});
    connect(Command4, &QPushButton::clicked, this, [this] { Command4_Click(); });

    // The waiting panel, over everything while the records are read.
    Picture6 = new QWidget(this);
    Picture6->setObjectName(QStringLiteral("Picture6"));
    kit::SetBackground(Picture6, Qt::white);
    MakeLabel(Picture6, QStringLiteral("Label6"), QStringLiteral("Just a moment, please."),
              {0, 300, kit::kWidth, 80}, Pt(28), true, Qt::AlignCenter);
    Picture6->hide();
}

void FrmData::Form_Load() {
    Picture1->setGeometry(0, 0, kit::kWidth, kit::kHeight);
    Picture6->setGeometry(0, 0, kit::kWidth, kit::kHeight);
    Picture7->move(0, 0);
    List1->show();
    ListRecords();
}

void FrmData::LoadPupilChoices() {
    Combo1->clear();
    auto tables = std::make_shared<PupilTables>(BuildPupilTables(pupils_ ? pupils_() : std::vector<PupilChoice>{}));
    Combo1->addItems(tables->Choices);
    tables_ = std::move(tables);
}

void FrmData::ListRecords() {
    Picture6->show();
    Picture6->raise();
    common::DoEvents();
    LoadPupilChoices();
    common::IoFailure failure;
    // A read of its own: the list shown until the new one replaces it keeps
    // the bytes its lines are written from.
    CommittedRead records;
    const bool read = ReadCommittedResults(ResultsFilePathIn(DataFolder()), RecordRange::All(), records, failure);
    const common::RunState& rs = common::runState();
    auto lines = std::make_shared<const RecordLines>(
        BuildRecordList(records.Bytes, tables_, rs.SchoolCode, rs.SchoolName, records.Buffer));
    List1->SetLinesInOrder(lines->Numbers(),
                           {[lines](qsizetype row) { return lines->Line(row); },
                            [lines](common::CharAdvances& advance) { return lines->Widest(advance); }});
    Label3->setText(lines->CountText());
    numberWidth_ = lines->NumberWidth();
    Picture3->hide();
    Picture6->hide();
    if (!read) Caution(ReadFailedMessage(common::IoFailureText(failure)));
}

void FrmData::List1_Click() { Picture3->hide(); }

void FrmData::OpenRecord() {
    const int row = List1->currentRow();
    if (row < 0 || busy_) return;
    SelectedRecord = List1->Tag(row);
    Label1->setText(common::Dec(SelectedRecord));
    Command3->setEnabled(true);
    Command2->setEnabled(true);

    common::IoFailure failure;
    const QByteArray bytes = ReadRecordBytes(DataFolder(), SelectedRecord, failure);
    if (failure) {
        Caution(ReadFailedMessage(common::IoFailureText(failure)));
        return;
    }
    // The line must still show this record: another PC may have deleted
    // records since the list was read.
    const common::RunState& rs = common::runState();
    if (bytes.isEmpty() || RecordListLine(SelectedRecord, numberWidth_, bytes.constData(), *tables_,
                                          FiveByteText(rs.SchoolCode), rs.SchoolName) != List1->text(row)) {
        Caution(RecordsChangedMessage());
        ListRecords();
        return;
    }
    recordBuffer_ = bytes;
    const CumulativeRecord r = DecodeRecord(bytes.constData());
    const bool known = r.PupilNumber >= 0 && r.PupilNumber <= 5000;
    Label2[1]->setText(QStringLiteral("ﾚﾍﾞﾙ") + common::Dec(r.Level));
    Label2[2]->setText(DateValueText(r.RecordDate));
    Label2[4]->setText(known ? common::TrimSpaces(tables_->GradeLabel[r.PupilNumber]) : QString());
    Text1[1]->setText(common::Dec(r.Result));
    // A result outside the scroll bar's range (99999 of a time-out) keeps its
    // real value in Text1(1); the bar shows its nearest end until moved.
    settingScroll_ = true;
    VScroll1->setValue(std::clamp<int>(r.Result, 0, kScrollMax));
    settingScroll_ = false;
    Combo1->setEditText(PupilChoiceText(r.PupilNumber, known ? tables_->Name[r.PupilNumber] : QString()));
    for (QWidget* w : {static_cast<QWidget*>(Label1), static_cast<QWidget*>(Label2[1]),
                       static_cast<QWidget*>(Label2[2]), static_cast<QWidget*>(Label2[4]),
                       static_cast<QWidget*>(Combo1), static_cast<QWidget*>(Text1[1]),
                       static_cast<QWidget*>(VScroll1), static_cast<QWidget*>(Label2[0])})
        w->show();
    Picture3->show();
    Picture3->raise();
}

void FrmData::Combo1_Click() {
    bool ok = false;
    const int number = Combo1->currentText().section(u'/', 0, 0).trimmed().toInt(&ok);
    Label2[4]->setText(ok && number >= 0 && number <= 5000 ? common::TrimSpaces(tables_->GradeLabel[number])
                                                           : QString());
}

void FrmData::VScroll1_Change(int value) {
    if (!settingScroll_) Text1[1]->setText(common::Dec(value));
}

void FrmData::ChangeRecord() {
    if (busy_ || SelectedRecord < 1 || recordBuffer_.isEmpty()) return;
    const ChangeInput in = CheckChange(Text1[1]->text(), Combo1->currentText());
    if (!in.Problem.isEmpty()) {
        Caution(in.Problem);
        return;
    }
    busy_ = true;
    const RewriteResult r = results::ChangeRecord(DataFolder(), SelectedRecord, recordBuffer_,
                                                  ChangedRecordBytes(recordBuffer_, in.Result, in.Pupil));
    busy_ = false;
    if (AfterRewrite(r)) SelectRow(List1->RowOfTag(static_cast<int>(SelectedRecord)));
}

void FrmData::DeleteRecord() {
    if (busy_ || SelectedRecord < 1 || recordBuffer_.isEmpty()) return;
    if (common::platform().MessageBox(QStringLiteral("本当に消去しますか"), kCaution,
                                      common::MessageButtons::OkCancel) != common::MessageAnswer::Ok)
        return;
    const int row = List1->currentRow();
    busy_ = true;
    const RewriteResult r = results::DeleteRecord(DataFolder(), SelectedRecord, recordBuffer_);
    busy_ = false;
    // The line that took the deleted one's place, or the new last line.
    if (AfterRewrite(r)) SelectRow(std::min(row, List1->count() - 1));
}

bool FrmData::AfterRewrite(const RewriteResult& r) {
    if (r.Outcome == RewriteOutcome::Failed) {
        Caution(WriteFailedMessage(common::IoFailureText(r.Failure)));
        return false;
    }
    if (r.Outcome == RewriteOutcome::RecordsChanged) Caution(RecordsChangedMessage());
    if (r.Outcome == RewriteOutcome::DoneNotFlushed) Caution(NotFlushedMessage(common::IoFailureText(r.Failure)));
    recordBuffer_.clear();
    ListRecords();
    return r.Outcome == RewriteOutcome::Done || r.Outcome == RewriteOutcome::DoneNotFlushed;
}

void FrmData::SelectRow(int row) {
    if (row < 0 || row >= List1->count()) return;
    List1->setCurrentRow(row);
    List1->scrollTo(List1->model()->index(row, 0));
}

void FrmData::Command17_Click() {
    QPrinter printer(QPrinter::HighResolution);
    QPrintDialog dialog(&printer, this);
    // No page numbers to choose; with text selected, the selection is offered
    // and chosen already, so the teacher prints what was selected.
    const bool selection = RichTextBox1->textCursor().hasSelection();
    QAbstractPrintDialog::PrintDialogOptions options = dialog.options();
    options &= ~QAbstractPrintDialog::PrintPageRange;
    options.setFlag(QAbstractPrintDialog::PrintSelection, selection);
    dialog.setOptions(options);
    if (selection) dialog.setPrintRange(QAbstractPrintDialog::Selection);
    if (dialog.exec() != QDialog::Accepted) return;
    // Prints the selection alone when the dialog asked for it.
    RichTextBox1->print(&printer);
}

void FrmData::Command4_Click() {
    Picture1->show();
    flow::ShowLevelMenu();
    flow::CloseScreen(this);
}

void FrmData::Caution(const QString& text) {
    common::platform().MessageBox(text, kCaution, common::MessageButtons::Ok);
}

}  // namespace results
