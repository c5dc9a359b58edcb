// Records maintenance on screen, offscreen with the platform double: opening,
// changing and deleting records by their lines, and printing the text box to
// a PDF file through the print dialog.

#include "screens/results/FrmData.h"

#include "accessiblelines.h"
#include "core/common/dates.h"
#include "screens/kit/flow.h"
#include "filebytes.h"
#include "screens/kit/textlist.h"
#include "screens/menus/seisekitime1.h"
#include "core/results/resultsfile.h"
#include "schoolbuilder.h"
#include "cupsserver.h"
#include "screentest.h"

#include <QComboBox>
#include <QFile>
#include <QImage>
#include <QPointer>
#include <QProcess>
#include <QLabel>
#include <QLineEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTest>
#include <QTextEdit>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

using results::FrmData;
using results::kRecordSize;
using shell::ScreenHost;

QByteArray Record(int pupil, int level, int result, const char* school = "01234") {
    return school::RecordBytes(school::Run{pupil, level, result, QDate(2026, 12, 1), QTime(9, 30, 0), school});
}

class FrmDataTest : public testing_support::ScreenTest {
protected:
    void SetUp() override {
        ScreenTest::SetUp();
        // Records 1..5; record 2 has level 0 and is not listed.
        before = Record(12, 1, 40) + Record(12, 0, 0) + Record(12, 2, 55) + Record(30, 3, 99999, "77777") +
                 Record(12, 4, 61);
        Write(before);
    }
    void Write(const QByteArray& bytes) {
        QFile f(File());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ASSERT_EQ(f.write(bytes), bytes.size());
    }
    QString File() const { return results::ResultsFilePathIn(common::runState().ProgramDataFolder); }

    FrmData* Open() {
        auto* screen = new FrmData([] {
            return std::vector<results::PupilChoice>{{12, QStringLiteral("山田太郎"), QStringLiteral("小３")},
                                                     {30, QStringLiteral("佐藤"), QString()},
                                                     {4000, QStringLiteral("林"), QStringLiteral("中１")}};
        });
        ScreenHost::instance().Show(screen);
        return screen;
    }
    template <class T>
    T* Child(const QString& name) const {
        return Control<T>(Find<FrmData>(), name);
    }
    kit::SortedTextList* List() const { return Child<kit::SortedTextList>(QStringLiteral("List1")); }
    QWidget* Panel() const { return Child<QWidget>(QStringLiteral("Picture3")); }
    QString Text(const QString& name) const { return Child<QLabel>(name)->text(); }
    // A double-click's first press and release come first.
    void DoubleClick(int row) {
        QTest::mouseClick(List()->viewport(), Qt::LeftButton, {}, List()->RowRect(row).center());
        QTest::mouseDClick(List()->viewport(), Qt::LeftButton, {}, List()->RowRect(row).center());
    }
    void Click(const QString& button) { QTest::mouseClick(Child<QPushButton>(button), Qt::LeftButton); }
    std::string Line(int row) const { return List()->text(row).toStdString(); }

    QByteArray before;
};

TEST_F(FrmDataTest, ListsEveryRecordButLevelZeroWithItsNumber) {
    Open();
    ASSERT_EQ(List()->count(), 4);
    EXPECT_EQ(Line(0), "   1 2026/12/01　  9:30:00ﾚﾍﾞﾙ1　   40秒 　  12 山田太郎　　 小３++中央教室");
    EXPECT_EQ(Line(1), "   3 2026/12/01　  9:30:00ﾚﾍﾞﾙ2　   55秒 　  12 山田太郎　　 小３++中央教室");
    EXPECT_EQ(Line(2), "   4 2026/12/01　  9:30:00ﾚﾍﾞﾙ3　99999秒 　  30 佐藤　　　　 ++他塾");
    EXPECT_EQ(Text(QStringLiteral("Label3")), QStringLiteral("総レコード数:5"));
    EXPECT_EQ(Child<QComboBox>(QStringLiteral("Combo1"))->count(), 3);
    EXPECT_FALSE(Panel()->isVisible());
    EXPECT_FALSE(Child<QWidget>(QStringLiteral("Picture6"))->isVisible());
}

TEST_F(FrmDataTest, DoubleClickOpensTheLinesRecordAndAClickHidesThePanel) {
    Open();
    DoubleClick(1);  // record 3, the second line
    ASSERT_TRUE(Panel()->isVisible());
    EXPECT_EQ(Text(QStringLiteral("Label1")), QStringLiteral("3"));
    EXPECT_EQ(Text(QStringLiteral("Label2_1")), QStringLiteral("ﾚﾍﾞﾙ2"));
    EXPECT_EQ(Text(QStringLiteral("Label2_2")), QStringLiteral("2026/12/01"));
    EXPECT_EQ(Text(QStringLiteral("Label2_4")), QStringLiteral("小３"));
    EXPECT_EQ(Child<QLineEdit>(QStringLiteral("Text1_1"))->text(), QStringLiteral("55"));
    EXPECT_EQ(Child<QScrollBar>(QStringLiteral("VScroll1"))->value(), 55);
    EXPECT_EQ(Child<QComboBox>(QStringLiteral("Combo1"))->currentText(), QStringLiteral("12 /  山田太郎"));

    QTest::mouseClick(List()->viewport(), Qt::LeftButton, {}, List()->RowRect(0).center());
    EXPECT_FALSE(Panel()->isVisible());
}

TEST_F(FrmDataTest, ATimeOutShowsItsRealValueAndTheBarItsEndUntilMoved) {
    Open();
    DoubleClick(2);  // record 4, result 99999
    auto* bar = Child<QScrollBar>(QStringLiteral("VScroll1"));
    auto* text = Child<QLineEdit>(QStringLiteral("Text1_1"));
    EXPECT_EQ(text->text(), QStringLiteral("99999"));
    EXPECT_EQ(bar->value(), 6000);
    EXPECT_EQ(bar->pageStep(), 10);
    bar->triggerAction(QAbstractSlider::SliderPageStepSub);
    EXPECT_EQ(text->text(), QStringLiteral("5990"));
}

// The records list reads to a screen reader as it shows, and again after a
// change has read it anew.
TEST_F(FrmDataTest, TheRecordsListReachesTheScreenReaderAsShown) {
    Open();
    EXPECT_EQ(testing_support::AccessibleLines(List()), List()->Rows());
    DoubleClick(0);
    Child<QLineEdit>(QStringLiteral("Text1_1"))->setText(QStringLiteral("41"));
    Click(QStringLiteral("Command2"));
    ASSERT_EQ(Line(0).substr(0, 5), "   1 ");
    EXPECT_EQ(testing_support::AccessibleLines(List()), List()->Rows());
}

TEST_F(FrmDataTest, AChangeOfThePupilMovesTheLineToTheNewNameAndGrade) {
    Open();
    DoubleClick(1);  // record 3
    auto* combo = Child<QComboBox>(QStringLiteral("Combo1"));
    combo->setCurrentIndex(2);
    Q_EMIT combo->activated(2);  // a choice from the list
    EXPECT_EQ(Text(QStringLiteral("Label2_4")), QStringLiteral("中１"));
    // A result typed with a half is written rounded to the even neighbour.
    Child<QLineEdit>(QStringLiteral("Text1_1"))->setText(QStringLiteral("47.5"));
    Click(QStringLiteral("Command2"));

    EXPECT_TRUE(fake.messages.isEmpty());
    ASSERT_EQ(List()->count(), 4);
    EXPECT_EQ(Line(1), "   3 2026/12/01　  9:30:00ﾚﾍﾞﾙ2　   48秒 　4000 林　　　　　 中１++中央教室");
    EXPECT_EQ(List()->currentRow(), 1);
    const QByteArray after = testing_support::FileBytes(File());
    EXPECT_EQ(after.size(), before.size());
    const auto r = results::DecodeRecord(after.constData() + 2 * kRecordSize);
    EXPECT_EQ(r.PupilNumber, 4000);
    EXPECT_EQ(r.Result, 48);
    EXPECT_EQ(after.left(2 * kRecordSize), before.left(2 * kRecordSize));
    EXPECT_EQ(after.mid(3 * kRecordSize), before.mid(3 * kRecordSize));
}

struct InputCase {
    const char* name;
    QString result;
    QString pupil;
};
void PrintTo(const InputCase& c, std::ostream* os) { *os << c.name; }
class FrmDataInput : public FrmDataTest, public ::testing::WithParamInterface<InputCase> {};

TEST_P(FrmDataInput, IsRefusedWithACautionAndNothingIsWritten) {
    Open();
    DoubleClick(0);
    Child<QLineEdit>(QStringLiteral("Text1_1"))->setText(GetParam().result);
    Child<QComboBox>(QStringLiteral("Combo1"))->setEditText(GetParam().pupil);
    Click(QStringLiteral("Command2"));
    ASSERT_EQ(fake.messages.size(), 1);
    EXPECT_EQ(fake.messages[0].title, QStringLiteral("注意"));
    EXPECT_EQ(testing_support::FileBytes(File()), before);
}

INSTANTIATE_TEST_SUITE_P(Screen, FrmDataInput,
                         ::testing::Values(InputCase{"ResultNegative", QStringLiteral("-1"), QStringLiteral("12 /  x")},
                                           InputCase{"ResultTooLarge", QStringLiteral("100000"), QStringLiteral("12")},
                                           InputCase{"PupilOutOfRange", QStringLiteral("40"), QStringLiteral("5001 /  x")},
                                           InputCase{"PupilNotANumber", QStringLiteral("40"), QStringLiteral("林")}),
                         [](const auto& info) { return std::string(info.param.name); });

struct DeleteCase {
    const char* name;
    int row;
    qint64 record;
    int selectedAfter;
};
void PrintTo(const DeleteCase& c, std::ostream* os) { *os << c.name; }
class FrmDataDelete : public FrmDataTest, public ::testing::WithParamInterface<DeleteCase> {};

TEST_P(FrmDataDelete, RemovesTheRecordAndSelectsByTheRule) {
    const DeleteCase& c = GetParam();
    Open();
    DoubleClick(c.row);
    fake.answers.push_back(common::MessageAnswer::Ok);
    Click(QStringLiteral("Command3"));
    ASSERT_EQ(fake.messages.size(), 1);
    EXPECT_EQ(fake.messages[0].text, QStringLiteral("本当に消去しますか"));
    EXPECT_EQ(fake.messages[0].title, QStringLiteral("注意"));
    EXPECT_EQ(fake.messages[0].buttons, common::MessageButtons::OkCancel);

    QByteArray expected = before;
    expected.remove((c.record - 1) * kRecordSize, kRecordSize);
    EXPECT_EQ(testing_support::FileBytes(File()), expected);
    EXPECT_EQ(List()->count(), 3);
    EXPECT_EQ(List()->currentRow(), c.selectedAfter);
    EXPECT_FALSE(results::JournalLeft(common::runState().ProgramDataFolder));
}

INSTANTIATE_TEST_SUITE_P(Screen, FrmDataDelete,
                         ::testing::Values(DeleteCase{"LastLineSelectsTheNewLastLine", 3, 5, 2},
                                           DeleteCase{"FirstLineSelectsTheLineThatTookItsPlace", 0, 1, 0},
                                           DeleteCase{"MiddleLineSelectsTheLineThatTookItsPlace", 1, 3, 1}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(FrmDataTest, CancelLeavesTheFileUntouched) {
    Open();
    DoubleClick(1);
    fake.answers.push_back(common::MessageAnswer::Cancel);
    Click(QStringLiteral("Command3"));
    EXPECT_EQ(testing_support::FileBytes(File()), before);
    EXPECT_EQ(List()->count(), 4);
}

TEST_F(FrmDataTest, ARecordDeletedElsewhereIsNotChangedAndTheListIsRefreshed) {
    Open();
    DoubleClick(1);  // record 3
    // Another PC deletes record 1 meanwhile.
    ASSERT_EQ(results::DeleteRecord(common::runState().ProgramDataFolder, 1, before.left(kRecordSize)).Outcome,
              results::RewriteOutcome::Done);
    const QByteArray now = testing_support::FileBytes(File());
    Child<QLineEdit>(QStringLiteral("Text1_1"))->setText(QStringLiteral("50"));
    Click(QStringLiteral("Command2"));
    ASSERT_EQ(fake.messages.size(), 1);
    EXPECT_EQ(fake.messages[0].text, results::RecordsChangedMessage());
    EXPECT_EQ(testing_support::FileBytes(File()), now);
    EXPECT_EQ(List()->count(), 3);
    EXPECT_EQ(Line(0).substr(0, 5), "   2 ");
}

// A deletion that fails before its commit (the journal's removal) says the
// record was not changed and keeps it; one that fails after it says the
// deletion is done but may not be on disk, and lists the file without it.
struct FailedDeleteCase {
    const char* name;
    common::IoCall call;  // fails with ENOSPC
    bool afterCommit;      // only once the journal has been removed
    const char* logged;
};
void PrintTo(const FailedDeleteCase& c, std::ostream* os) { *os << c.name; }
class FrmDataFailedDelete : public FrmDataTest, public ::testing::WithParamInterface<FailedDeleteCase> {};

TEST_P(FrmDataFailedDelete, SaysWhichFileAndWhyAndWhetherTheRecordIsGone) {
    const FailedDeleteCase& c = GetParam();
    Open();
    DoubleClick(1);
    bool committed = false;
    bool failed = false;
    common::SetIoHook([&](common::IoCall call, long long, const QByteArray& path, std::size_t&) {
        if (call == common::IoCall::Unlink && path.endsWith(".dat-journal")) committed = true;
        if (failed || call != c.call || committed != c.afterCommit) return 0;
        failed = true;
        return ENOSPC;
    });
    fake.answers.push_back(common::MessageAnswer::Ok);
    testing::internal::CaptureStderr();
    Click(QStringLiteral("Command3"));
    const std::string err = testing::internal::GetCapturedStderr();
    common::SetIoHook({});
    ASSERT_EQ(fake.messages.size(), 2);
    const QString& text = fake.messages[1].text;
    EXPECT_EQ(fake.messages[1].title, QStringLiteral("注意"));
    EXPECT_TRUE(text.contains(c.afterCommit ? common::runState().ProgramDataFolder : File())) << text.toStdString();
    EXPECT_TRUE(text.contains(QString::fromLatin1(c.logged))) << text.toStdString();
    EXPECT_EQ(err.rfind(std::string("results file: ") + c.logged + " failed, errno 28", 0), 0u) << err;
    QByteArray without = before;
    without.remove(2 * kRecordSize, kRecordSize);
    if (c.afterCommit) {
        EXPECT_TRUE(text.startsWith(QStringLiteral("成績データは書き換えましたが、ディスクに書き込まれていないかもしれません。")));
        EXPECT_EQ(testing_support::FileBytes(File()), without);
        EXPECT_EQ(List()->count(), 3);
    } else {
        EXPECT_TRUE(text.startsWith(QStringLiteral("成績データを書き換えられませんでした。記録は変わっていません。")));
        EXPECT_EQ(testing_support::FileBytes(File()), before);
        EXPECT_EQ(List()->count(), 4);
    }
    EXPECT_FALSE(results::JournalLeft(common::runState().ProgramDataFolder));
}

INSTANTIATE_TEST_SUITE_P(Screen, FrmDataFailedDelete,
                         ::testing::Values(FailedDeleteCase{"BeforeTheCommit", common::IoCall::Ftruncate, false,
                                                            "ftruncate"},
                                           FailedDeleteCase{"AfterTheCommit", common::IoCall::Fsync, true, "fsync"}),
                         [](const auto& info) { return std::string(info.param.name); });

// The text box printed through the real print dialog to the school's
// printer: a CUPS server of the test's own, whose default printer writes PDF
// files. With text selected the dialog opens with the selection chosen, and
// accepting it as it opens prints the selection alone.
class FrmDataPrinting : public testing_support::PrintingSuite<FrmDataTest> {};

// The text lines on the upper half of a printed page (the page number at its
// foot left out), top to bottom, each as the picture of its rows. (The PDF
// printer redraws the glyphs, so its files carry no text to read back; the
// page is read as the teacher reads it.)
std::vector<QImage> PrintedLines(const QString& pdf, const QString& prefix) {
    int status = -1;
    const QString out = testing_support::RunTool(
        QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QStringLiteral("100"), QStringLiteral("-gray"),
                                     QStringLiteral("-png"), QStringLiteral("-singlefile"), pdf, prefix},
        &status);
    EXPECT_EQ(status, 0) << out.toStdString();
    const QImage page = QImage(prefix + QStringLiteral(".png")).convertToFormat(QImage::Format_Grayscale8);
    auto inked = [&](int y) {
        const uchar* row = page.constScanLine(y);
        return std::any_of(row, row + page.width(), [](uchar v) { return v < 128; });
    };
    std::vector<QImage> lines;
    for (int y = 0; y < page.height() / 2; ++y) {
        if (!inked(y)) continue;
        const int top = y;
        while (y < page.height() / 2 && inked(y)) ++y;
        lines.push_back(page.copy(0, top, page.width(), y - top));
    }
    return lines;
}

// How much of two lines' ink lies in the same places, lined up at their tops
// (1 for the same text in the same type).
double Likeness(const QImage& a, const QImage& b) {
    int both = 0, either = 0;
    for (int y = 0; y < std::max(a.height(), b.height()); ++y)
        for (int x = 0; x < std::min(a.width(), b.width()); ++x) {
            const bool inkA = y < a.height() && a.pixelColor(x, y).value() < 128;
            const bool inkB = y < b.height() && b.pixelColor(x, y).value() < 128;
            both += inkA && inkB;
            either += inkA || inkB;
        }
    return either == 0 ? 0 : double(both) / either;
}

TEST_F(FrmDataPrinting, TheDialogOpensWithTheSelectionChosenWhenTextIsSelected) {
    Open();
    auto* box = Child<QTextEdit>(QStringLiteral("RichTextBox1"));
    int jobs = int(Server().Pdfs().size());
    std::vector<std::vector<QImage>> printed;
    for (bool selection : {false, true}) {
        SCOPED_TRACE(selection ? "selection" : "all");
        box->setPlainText(QStringLiteral("成績の控え\n二行目だけ"));
        if (selection) {
            QTextCursor cursor = box->textCursor();
            cursor.setPosition(6);
            cursor.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
            box->setTextCursor(cursor);
        }
        bool offered = false;
        bool pageRange = true;
        bool selectionChosen = false;
        bool allChosen = false;
        QString printer;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<QPrintDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            offered = dialog->testOption(QAbstractPrintDialog::PrintSelection);
            pageRange = dialog->testOption(QAbstractPrintDialog::PrintPageRange);
            // What the teacher sees chosen in the dialog's range group.
            auto* selectionButton = dialog->findChild<QRadioButton*>(QStringLiteral("printSelection"));
            auto* allButton = dialog->findChild<QRadioButton*>(QStringLiteral("printAll"));
            ASSERT_NE(selectionButton, nullptr);
            ASSERT_NE(allButton, nullptr);
            selectionChosen = !selectionButton->isHidden() && selectionButton->isChecked();
            allChosen = allButton->isChecked();
            printer = dialog->printer()->printerName();
            dialog->accept();  // as it opened
        });
        Click(QStringLiteral("Command17"));
        EXPECT_EQ(offered, selection);
        EXPECT_FALSE(pageRange);
        EXPECT_EQ(selectionChosen, selection);
        EXPECT_EQ(allChosen, !selection);
        EXPECT_EQ(printer, QStringLiteral("romaji_pdf"));

        const QStringList pdfs = Server().WaitForPdfs(++jobs);
        ASSERT_EQ(pdfs.size(), jobs) << Server().LogTail().toStdString();
        printed.push_back(PrintedLines(pdfs.last(), dir.filePath(QStringLiteral("job%1").arg(jobs))));
    }
    // Both lines, then the second one alone.
    ASSERT_EQ(printed[0].size(), 2u);
    ASSERT_EQ(printed[1].size(), 1u);
    EXPECT_GT(Likeness(printed[1][0], printed[0][1]), 0.95) << Likeness(printed[1][0], printed[0][0]);
    EXPECT_LT(Likeness(printed[1][0], printed[0][0]), 0.8);
}

// "戻る" while a change waits for another PC's lock (the wait lets events
// run): the level menu comes to the front at once, the change asked for is
// written once the lock is free, and the screen is deleted only after its
// handler has returned, not under it.
TEST_F(FrmDataTest, BackWhileAChangeWaitsForTheLockClosesTheScreenAfterTheChange) {
    QPointer<FrmData> screen = Open();
    DoubleClick(1);  // record 3
    Child<QLineEdit>(QStringLiteral("Text1_1"))->setText(QStringLiteral("50"));
    QProcess holder;  // another PC appending: it holds the lock for a while
    holder.start(QStringLiteral(RESULTS_FILE_HELPER), {QStringLiteral("hold"), File(), QStringLiteral("1500")});
    ASSERT_TRUE(holder.waitForStarted());
    ASSERT_TRUE(holder.waitForReadyRead(10000));
    ASSERT_EQ(holder.readLine().trimmed(), QByteArray("locked"));
    QMetaObject::invokeMethod(Child<QPushButton>(QStringLiteral("Command4")), &QAbstractButton::click,
                              Qt::QueuedConnection);
    Click(QStringLiteral("Command2"));
    EXPECT_TRUE(holder.state() == QProcess::NotRunning || holder.waitForFinished(10000));

    ASSERT_TRUE(screen) << "deleted under its own handler";
    EXPECT_TRUE(screen->IsClosed());
    EXPECT_EQ(Find<FrmData>(), nullptr);
    EXPECT_EQ(ScreenHost::instance().Front(), Find<menus::seisekitime1>());
    const QByteArray after = testing_support::FileBytes(File());
    EXPECT_EQ(results::DecodeRecord(after.constData() + 2 * kRecordSize).Result, 50);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(screen);
}

TEST_F(FrmDataTest, TheLevelMenusDataButtonOpensItAndBackReturnsToTheMenu) {
    flow::ShowLevelMenu();
    auto* menu = Find<menus::seisekitime1>();
    ASSERT_NE(menu, nullptr);
    auto* button = Control<QPushButton>(menu, "Command10", 0);
    ASSERT_NE(button, nullptr);
    button->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_NE(Find<FrmData>(), nullptr);
    EXPECT_EQ(Find<menus::seisekitime1>(), nullptr);
    EXPECT_EQ(List()->count(), 4);

    Click(QStringLiteral("Command4"));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(Find<FrmData>(), nullptr);
    EXPECT_NE(Find<menus::seisekitime1>(), nullptr);
}

}  // namespace
