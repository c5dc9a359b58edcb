// The criteria editor driven offscreen: opened from the level menu's data
// panel, typed into through its edit box, saved, reverted and left.
#include "screens/results/FrmTimeData.h"

#include "accessiblelines.h"
#include "core/common/textfile.h"
#include "screens/menus/seisekitime1.h"
#include "core/results/criteria.h"
#include "core/results/frequency.h"
#include "core/results/statistics.h"
#include "schoolbuilder.h"
#include "core/common/runstate.h"
#include "screens/kit/flow.h"
#include "screentest.h"
#include "shell/screenhost.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

#include <gtest/gtest.h>

namespace {

using results::FrmTimeData;
using common::runState;
using shell::ScreenHost;
using testing_support::ScreenTest;

const QString kQuestion = QStringLiteral("データが変更されています。記録しますか？");
const QColor kYellow(255, 255, 0);

// Header and four levels as the editor writes them.
const QString kCriteriaText = QStringLiteral(
    "目標Time,最低Time,ｸﾘｱﾎﾟｲﾝﾄ,ｸﾘｱ回数,ﾎﾟｲﾝﾄ倍率,禁回,禁点,判期間,禁期間,,,\r\n"
    "30,60,100,10,1,30,,7,1,,,\r\n"
    "45,90,120,12,1.5,,500,14,1,メモ,,\r\n"
    "60,120,9999,9999,0.7,0,0,,,1,2,3\r\n"
    "50,100,200,20,2,,,7,7,,,\r\n");

// The grid and its edit box, found by their names.
QTableWidget* MSFlexGrid1(FrmTimeData* s) { return ScreenTest::Control<QTableWidget>(s, "MSFlexGrid1"); }
QLineEdit* Gridinputtext(FrmTimeData* s) { return ScreenTest::Control<QLineEdit>(s, "Gridinputtext"); }

void Key(FrmTimeData* s, Qt::Key key, Qt::KeyboardModifiers m = Qt::NoModifier) {
    QTest::keyClick(Gridinputtext(s), key, m);
}
void Type(FrmTimeData* s, const char* text) { QTest::keyClicks(Gridinputtext(s), QString::fromUtf8(text)); }
QString Cell(FrmTimeData* s, int row, int column) { return MSFlexGrid1(s)->item(row, column)->text(); }
// The lines a list widget shows, in order.
QStringList Lines(QListWidget* list) {
    QStringList out;
    for (int i = 0; i < list->count(); ++i) out << list->item(i)->text();
    return out;
}
bool Yellow(FrmTimeData* s, int row, int column) {
    return MSFlexGrid1(s)->item(row, column)->background().color() == kYellow;
}

class CriteriaEditorTest : public ScreenTest {
protected:
    void SetUp() override {
        ScreenTest::SetUp();
        auto& s = runState();
        s.CurrentPupil = 1;
        s.CurrentPupilName = QStringLiteral("先生");
        ASSERT_TRUE(common::WriteShiftJisFile(CriteriaFile(), kCriteriaText));
        QString error;
        ASSERT_TRUE(results::LoadCriteria(error));
        school::AppendRuns(s.ProgramDataFolder + QStringLiteral("成績累積データ.dat"),
                                    {{3, 2, 41, QDate(2026, 12, 1)}, {3, 2, 75, QDate(2026, 12, 2)},
                                     {4, 1, 12, QDate(2026, 12, 3)}});
    }

    QString CriteriaFile() const { return runState().ProgramDataFolder + QStringLiteral("タイム回数データ.txt"); }
    QByteArray FileBytes() const {
        QFile f(CriteriaFile());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    // The teacher's way in: the data panel of the level menu, then its button.
    FrmTimeData* Open() {
        flow::ShowLevelMenu();
        auto* menu = ScreenHost::instance().Find<menus::seisekitime1>();
        EXPECT_TRUE(menu);
        Control<QPushButton>(menu, "Command8")->click();
        Control<QPushButton>(menu, "Command10", 1)->click();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return ScreenHost::instance().Find<FrmTimeData>();
    }
    // Leaves with "戻る"; whether the save question was asked.
    bool LeaveAsks(FrmTimeData* s, common::MessageAnswer answer = common::MessageAnswer::No) {
        fake.messages.clear();
        fake.answers.push_back(answer);
        Control<QPushButton>(s, "Command4")->click();
        fake.answers.clear();
        for (const auto& m : fake.messages)
            if (m.text == kQuestion && m.title == QStringLiteral("注意") &&
                m.buttons == common::MessageButtons::YesNo)
                return true;
        return false;
    }
};

TEST_F(CriteriaEditorTest, OpensFromTheDataPanelWithTheFileInTheGrid) {
    FrmTimeData* s = Open();
    ASSERT_TRUE(s);
    EXPECT_FALSE(ScreenHost::instance().Find<menus::seisekitime1>()) << "the level menu is closed";
    ASSERT_EQ(MSFlexGrid1(s)->columnCount(), 13);
    ASSERT_EQ(MSFlexGrid1(s)->rowCount(), 5);
    EXPECT_EQ(s->ShownRowCount(), 4);
    const QStringList header = {"レベル", "目標Time", "最低Time", "ｸﾘｱﾎﾟｲﾝﾄ", "ｸﾘｱ回数", "ﾎﾟｲﾝﾄ倍率", "禁回",
                                "禁点",   "判期間",   "禁期間",   "",         "",           ""};
    for (int c = 0; c < 13; ++c) EXPECT_EQ(Cell(s, 0, c), header[c]) << c;
    EXPECT_EQ(Cell(s, 2, 0), QStringLiteral("2"));
    EXPECT_EQ(Cell(s, 2, 5), QStringLiteral("1.5"));
    EXPECT_EQ(Cell(s, 2, 10), QStringLiteral("メモ"));
    EXPECT_EQ(MSFlexGrid1(s)->currentRow(), 1);
    EXPECT_EQ(MSFlexGrid1(s)->currentColumn(), 1);
    EXPECT_EQ(Gridinputtext(s)->text(), QStringLiteral("30"));
    EXPECT_EQ(Gridinputtext(s)->geometry(), MSFlexGrid1(s)->visualItemRect(MSFlexGrid1(s)->item(1, 1)));
    EXPECT_EQ(s->window()->focusWidget(), Gridinputtext(s));
    EXPECT_EQ(Control<QLabel>(s, "Label1")->text(), QStringLiteral("スペース：セルクリア　　Shift + ↓：セルコピー"));
    EXPECT_EQ(Control<QLabel>(s, "Label2")->text(), QStringLiteral("成績の基準となるデータを変更できます。\nプログラムを選んでください。"));
    for (auto* b : {Control<QPushButton>(s, "Command2"), Control<QPushButton>(s, "Command3"),
                    Control<QPushButton>(s, "Command4")})
        EXPECT_TRUE(b->isVisible()) << b->text().toStdString();
    EXPECT_EQ(Control<QPushButton>(s, "Command2")->text(), QStringLiteral("元に戻す"));
    EXPECT_EQ(Control<QPushButton>(s, "Command3")->text(), QStringLiteral("更新記録"));
    EXPECT_EQ(Control<QPushButton>(s, "Command4")->text(), QStringLiteral("戻る"));
}

// --- what counts as a change ---

struct ChangeCase {
    const char* name;
    std::function<void(FrmTimeData*)> act;
    bool asks;          // leaving asks the save question
    const char* cell11; // text of row 1, column 1 afterwards
    bool yellow;        // row 1, column 1 marked
};

void PrintTo(const ChangeCase& c, std::ostream* os) { *os << c.name; }

class EditModified : public CriteriaEditorTest, public ::testing::WithParamInterface<ChangeCase> {};

TEST_P(EditModified, AsDescribed) {
    const ChangeCase& c = GetParam();
    FrmTimeData* s = Open();
    ASSERT_TRUE(s);
    c.act(s);
    EXPECT_EQ(Cell(s, 1, 1), QString::fromUtf8(c.cell11));
    EXPECT_EQ(Yellow(s, 1, 1), c.yellow);
    EXPECT_EQ(LeaveAsks(s), c.asks);
    EXPECT_TRUE(ScreenHost::instance().Find<menus::seisekitime1>()) << "back on the level menu";
    EXPECT_EQ(FileBytes(), common::ToShiftJis(kCriteriaText)) << "No saves nothing";
}

INSTANTIATE_TEST_SUITE_P(
    Changes, EditModified,
    ::testing::Values(
        ChangeCase{"NothingTyped", [](FrmTimeData*) {}, false, "30", false},
        ChangeCase{"TypingMarksYellowAndAsks", [](FrmTimeData* s) { Type(s, "5"); }, true, "305", true},
        ChangeCase{"SpaceEmptiesTheCell", [](FrmTimeData* s) { Key(s, Qt::Key_Space); }, true, "", true},
        ChangeCase{"TypingBackTheSameTextStillCounts",
                   [](FrmTimeData* s) {
                       Type(s, "5");
                       Key(s, Qt::Key_Backspace);
                   },
                   true, "30", true},
        ChangeCase{"ShiftDownCopiesWithoutAsking",
                   [](FrmTimeData* s) {
                       Key(s, Qt::Key_Down, Qt::ShiftModifier);
                       Key(s, Qt::Key_Down, Qt::ShiftModifier);
                       EXPECT_EQ(Cell(s, 2, 1), QStringLiteral("30"));
                       EXPECT_EQ(Cell(s, 3, 1), QStringLiteral("30"));
                       EXPECT_EQ(Cell(s, 4, 1), QStringLiteral("50"));
                       EXPECT_FALSE(Yellow(s, 2, 1));
                   },
                   false, "30", false},
        ChangeCase{"RevertAfterTypingStillAsks",
                   [](FrmTimeData* s) {
                       Type(s, "7");
                       ScreenTest::Control<QPushButton>(s, "Command2")->click();
                       EXPECT_EQ(s->EditModified(), 1);
                   },
                   true, "30", false},
        ChangeCase{"EscapeChangesNothing", [](FrmTimeData* s) { Key(s, Qt::Key_Escape); }, false, "30", false},
        ChangeCase{"EnterTypesNothing", [](FrmTimeData* s) { Key(s, Qt::Key_Return); }, false, "30", false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(CriteriaEditorTest, ArrowsStopAtRowOneColumnOneAndTheLastCell) {
    FrmTimeData* s = Open();
    ASSERT_TRUE(s);
    auto at = [s](int row, int column) {
        EXPECT_EQ(MSFlexGrid1(s)->currentRow(), row);
        EXPECT_EQ(MSFlexGrid1(s)->currentColumn(), column);
        EXPECT_EQ(Gridinputtext(s)->geometry(),
                  MSFlexGrid1(s)->visualItemRect(MSFlexGrid1(s)->item(row, column)));
        EXPECT_EQ(Gridinputtext(s)->text(), Cell(s, row, column));
    };
    Key(s, Qt::Key_Up);
    Key(s, Qt::Key_Left);
    at(1, 1);
    for (int i = 0; i < 20; ++i) Key(s, Qt::Key_Down);
    for (int i = 0; i < 20; ++i) Key(s, Qt::Key_Right);
    at(4, 12);
    Key(s, Qt::Key_Up);
    Key(s, Qt::Key_Left);
    at(3, 11);
    // Clicks on the header row or the level column choose no cell.
    QTest::mouseClick(MSFlexGrid1(s)->viewport(), Qt::LeftButton, {},
                      MSFlexGrid1(s)->visualItemRect(MSFlexGrid1(s)->item(0, 4)).center());
    QTest::mouseClick(MSFlexGrid1(s)->viewport(), Qt::LeftButton, {},
                      MSFlexGrid1(s)->visualItemRect(MSFlexGrid1(s)->item(2, 0)).center());
    at(3, 11);
    QTest::mouseClick(MSFlexGrid1(s)->viewport(), Qt::LeftButton, {},
                      MSFlexGrid1(s)->visualItemRect(MSFlexGrid1(s)->item(2, 5)).center());
    at(2, 5);
}

TEST_F(CriteriaEditorTest, HelpTextFollowsTheColumn) {
    FrmTimeData* s = Open();
    ASSERT_TRUE(s);
    const QStringList help = {
        QStringLiteral("合格基準タイム\n　大部分の人ががんばったら出せそうなタイムにしてください"),
        QStringLiteral("合格最低ラインタイム\n  この５倍が時間切れになります"),
        QStringLiteral("目標ポイント\n　　 目標ポイント"),
        QStringLiteral("目標回数\n　　 目標回数"),
        QStringLiteral("ポイント倍率\n  ポイントを何倍にして加算するか\n"
                       "  むずかしいレベルや生徒のいやがるレベルは高くしてください"),
        QStringLiteral("やりすぎ禁止回数\n  何回やったらやりすぎ禁止にするか\n  "),
        QStringLiteral("やりすぎ禁止ポイント\n  何ポイントとったらやりすぎ禁止にするか\n "),
        QStringLiteral("合格判定をする日数\n　何日前からのポイントを有効にするか"),
        QStringLiteral("やりすぎ判定をする日数\n　何日前からのポイントを有効にするか"),
        QString(), QString(), QString()};
    for (int column = 1; column <= 12; ++column) {
        EXPECT_EQ(Control<QLabel>(s, "Label3")->text(), help[column - 1]) << "column " << column;
        Key(s, Qt::Key_Right);
    }
}

TEST_F(CriteriaEditorTest, ListsShowTheCurrentLevelsDistribution) {
    FrmTimeData* s = Open();
    ASSERT_TRUE(s);
    const auto lines = Lines;
    results::FrequencyCounts counts;
    QString error;
    ASSERT_TRUE(results::CountFrequencies(counts, error));
    EXPECT_EQ(lines(Control<QListWidget>(s, "List3")), results::AllResultsLines(counts, 1));
    Key(s, Qt::Key_Down);
    EXPECT_EQ(lines(Control<QListWidget>(s, "List3")), results::AllResultsLines(counts, 2));
    EXPECT_EQ(lines(Control<QListWidget>(s, "List4")), results::BestTimeLines(counts, 2));
    EXPECT_EQ(Control<QListWidget>(s, "List3")->item(0)->text(), QStringLiteral("レベル2 今まで2回  （★=1）"));
    // A run recorded meanwhile on another PC shows at the next key.
    school::AppendRuns(runState().ProgramDataFolder + QStringLiteral("成績累積データ.dat"),
                                {{5, 2, 44, QDate(2026, 12, 9)}});
    Key(s, Qt::Key_Escape);
    EXPECT_EQ(Control<QListWidget>(s, "List3")->item(0)->text(), QStringLiteral("レベル2 今まで2回  （★=1）"))
        << "Esc does nothing";
    Key(s, Qt::Key_Return);
    EXPECT_EQ(Control<QListWidget>(s, "List3")->item(0)->text(), QStringLiteral("レベル2 今まで3回  （★=1）"));
}

TEST_F(CriteriaEditorTest, SaveAppliesAtOnceAndTheLevelMenuShowsIt) {
    FrmTimeData* s = Open();
    ASSERT_TRUE(s);
    Key(s, Qt::Key_Backspace);
    Key(s, Qt::Key_Backspace);
    Type(s, "42");
    Key(s, Qt::Key_Down);
    Key(s, Qt::Key_Right);
    Key(s, Qt::Key_Space);  // level 2's minimum time saved empty
    Control<QPushButton>(s, "Command3")->click();
    EXPECT_EQ(s->EditModified(), 0);
    EXPECT_EQ(results::criteria()[1].TargetTime, 42);
    EXPECT_EQ(results::criteria()[2].MinimumTime, 0);
    QString expected = kCriteriaText;
    expected.replace(QStringLiteral("\r\n30,60,"), QStringLiteral("\r\n42,60,"));
    expected.replace(QStringLiteral("\r\n45,90,"), QStringLiteral("\r\n45,,"));
    EXPECT_EQ(FileBytes(), common::ToShiftJis(expected));
    EXPECT_FALSE(LeaveAsks(s));
    auto* menu = ScreenHost::instance().Find<menus::seisekitime1>();
    ASSERT_TRUE(menu);
    EXPECT_TRUE(Control<QLabel>(menu, "Label7", 1)->text().startsWith(QStringLiteral("目標=42秒")));
}

TEST_F(CriteriaEditorTest, UnchangedSaveWritesTheSameBytes) {
    FrmTimeData* s = Open();
    ASSERT_TRUE(s);
    Control<QPushButton>(s, "Command3")->click();
    EXPECT_EQ(FileBytes(), common::ToShiftJis(kCriteriaText));
    EXPECT_TRUE(fake.messages.isEmpty());
}

TEST_F(CriteriaEditorTest, YesSavesBeforeLeaving) {
    FrmTimeData* s = Open();
    ASSERT_TRUE(s);
    Type(s, "1");
    EXPECT_TRUE(LeaveAsks(s, common::MessageAnswer::Yes));
    EXPECT_EQ(results::criteria()[1].TargetTime, 301);
    EXPECT_TRUE(ScreenHost::instance().Find<menus::seisekitime1>());
}

TEST_F(CriteriaEditorTest, FailedSaveKeepsTheEditsAndTheTeacher) {
    FrmTimeData* s = Open();
    ASSERT_TRUE(s);
    // A folder where the backup goes: the save cannot put the backup in place.
    ASSERT_TRUE(QDir().mkpath(runState().ProgramDataFolder + QStringLiteral("タイム回数データ.bak/x")));
    Type(s, "9");
    EXPECT_TRUE(LeaveAsks(s, common::MessageAnswer::Yes));
    ASSERT_GE(fake.messages.size(), 2);
    EXPECT_EQ(fake.messages.last().title, QStringLiteral("注意"));
    EXPECT_TRUE(fake.messages.last().text.startsWith(QStringLiteral("タイム回数データ.txt に書き込めません。")))
        << fake.messages.last().text.toStdString();
    EXPECT_EQ(ScreenHost::instance().Find<FrmTimeData>(), s) << "still on the editor";
    EXPECT_EQ(s->EditModified(), 1);
    EXPECT_EQ(Cell(s, 1, 1), QStringLiteral("309"));
    EXPECT_EQ(FileBytes(), common::ToShiftJis(kCriteriaText));
    EXPECT_EQ(results::criteria()[1].TargetTime, 30);
}

// "戻る" pressed while "更新記録" saves (the save lets events run to show its
// waiting panel): the save ends, the level menu comes, and the editor is
// deleted only after the save's handler has returned, not under it.
TEST_F(CriteriaEditorTest, BackDuringASaveClosesTheEditorAfterTheSave) {
    QPointer<FrmTimeData> s = Open();
    ASSERT_TRUE(s);
    Type(s, "1");  // 301 in level 1's target time
    QMetaObject::invokeMethod(Control<QPushButton>(s, "Command4"), &QAbstractButton::click, Qt::QueuedConnection);
    fake.answers.push_back(common::MessageAnswer::No);  // nothing more to save by then
    Control<QPushButton>(s, "Command3")->click();
    ASSERT_TRUE(s) << "deleted under its own handler";
    EXPECT_TRUE(s->IsClosed());
    EXPECT_EQ(ScreenHost::instance().Front(), ScreenHost::instance().Find<menus::seisekitime1>());
    EXPECT_EQ(results::criteria()[1].TargetTime, 301);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(s);
}

// The distribution lists read to a screen reader as they show, after the
// cursor has moved to another level too.
TEST_F(CriteriaEditorTest, TheDistributionReachesTheScreenReaderAsShown) {
    FrmTimeData* s = Open();
    ASSERT_TRUE(s);
    for (int level : {1, 2}) {
        SCOPED_TRACE(level);
        ASSERT_EQ(MSFlexGrid1(s)->currentRow(), level);
        auto* all = Control<QListWidget>(s, "List3");
        auto* best = Control<QListWidget>(s, "List4");
        EXPECT_EQ(testing_support::AccessibleLines(all), Lines(all));
        EXPECT_EQ(testing_support::AccessibleLines(best), Lines(best));
        Key(s, Qt::Key_Down);
    }
}

// A criteria file that cannot be read when the editor opens leaves nothing
// to save: "更新記録" is not usable until "元に戻す" has read the file.
TEST_F(CriteriaEditorTest, SaveIsDisabledWhileTheFileCouldNotBeReadAtOpening) {
    const struct {
        const char* name;
        std::function<void(const QString&)> spoil;
    } cases[] = {
        {"Missing", [](const QString& file) { ASSERT_TRUE(QFile::remove(file)); }},
        {"AFolderInItsPlace",
         [](const QString& file) {
             ASSERT_TRUE(QFile::remove(file));
             ASSERT_TRUE(QDir().mkdir(file));
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        c.spoil(CriteriaFile());
        fake.messages.clear();
        FrmTimeData* s = Open();
        ASSERT_TRUE(s);
        ASSERT_EQ(fake.messages.size(), 1);
        EXPECT_TRUE(fake.messages[0].text.contains(QStringLiteral("タイム回数データ.txt")));
        EXPECT_EQ(s->ShownRowCount(), 0);
        EXPECT_FALSE(Control<QPushButton>(s, "Command3")->isEnabled());

        // The file is mended: "元に戻す" shows it and the save is usable again.
        QDir().rmdir(CriteriaFile());
        ASSERT_TRUE(common::WriteShiftJisFile(CriteriaFile(), kCriteriaText));
        Control<QPushButton>(s, "Command2")->click();
        EXPECT_EQ(s->ShownRowCount(), 4);
        EXPECT_TRUE(Control<QPushButton>(s, "Command3")->isEnabled());
        ScreenHost::DestroyInstance();
        ScreenHost::instance().show();
    }
}

TEST_F(CriteriaEditorTest, CellsThatWouldNotReadBackAreRefusedNonNumbersAsked) {
    FrmTimeData* s = Open();
    ASSERT_TRUE(s);
    QApplication::clipboard()->setText(QStringLiteral("1,5"));
    Key(s, Qt::Key_Space);
    Key(s, Qt::Key_V, Qt::ControlModifier);
    ASSERT_EQ(Cell(s, 1, 1), QStringLiteral("1,5"));
    fake.messages.clear();
    Control<QPushButton>(s, "Command3")->click();
    ASSERT_EQ(fake.messages.size(), 1);
    EXPECT_TRUE(fake.messages[0].text.startsWith(QStringLiteral("レベル1の目標Time（1列目）")));
    EXPECT_EQ(fake.messages[0].buttons, common::MessageButtons::Ok);
    EXPECT_EQ(FileBytes(), common::ToShiftJis(kCriteriaText));

    Key(s, Qt::Key_Space);
    Type(s, "3O");
    fake.messages.clear();
    fake.answers = {common::MessageAnswer::No};
    Control<QPushButton>(s, "Command3")->click();
    ASSERT_EQ(fake.messages.size(), 1);
    EXPECT_EQ(fake.messages[0].buttons, common::MessageButtons::YesNo);
    EXPECT_EQ(FileBytes(), common::ToShiftJis(kCriteriaText));
    EXPECT_EQ(s->EditModified(), 1);
    fake.answers = {common::MessageAnswer::Yes};
    Control<QPushButton>(s, "Command3")->click();
    EXPECT_EQ(results::criteria()[1].TargetTime, 3);
    EXPECT_EQ(s->EditModified(), 0);
}

}  // namespace
