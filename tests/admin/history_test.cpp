// romaji-admin history and restore on the demo school: a record deleted as
// records maintenance deletes it is listed, put back at its place byte for
// byte, and only once.
#include "admintool.h"
#include "core/common/runstate.h"
#include "core/common/textfile.h"
#include "fakeplatform.h"
#include "core/results/changelog.h"
#include "core/results/resultsfile.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using testing_support::RunAdmin;

QByteArray Bytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class HistoryTest : public testing_support::DemoSchoolTest {
protected:
    void SetUp() override {
        DemoSchoolTest::SetUp();
        common::runState().Reset();
        common::runState().ProgramDataFolder = Data();
        common::runState().CurrentPupilName = QStringLiteral("先生");
        fake_.now = QDateTime(QDate(2026, 12, 10), QTime(14, 50, 10));
    }
    void TearDown() override { common::runState().Reset(); }
    // Deletes record `number` as records maintenance does.
    void Delete(qint64 number) {
        const QByteArray bytes = Bytes(Results());
        const QByteArray record = bytes.mid((number - 1) * results::kRecordSize, results::kRecordSize);
        ASSERT_EQ(results::DeleteRecord(Data(), number, record).Outcome, results::RewriteOutcome::Done);
    }

    testing_support::FakePlatform fake_;
};

TEST_F(HistoryTest, ADeletedRecordIsListedAndPutBackAtItsPlaceOnce) {
    const QByteArray original = Bytes(Results());
    ASSERT_GT(original.size(), 10 * results::kRecordSize);
    Delete(5);
    ASSERT_EQ(Bytes(Results()).size(), original.size() - results::kRecordSize);

    // The log: Shift-JIS, CR LF, and the deleted record's 44 bytes in it.
    const QByteArray log = Bytes(results::ChangeLogPath(Data()));
    ASSERT_TRUE(log.endsWith("\r\n"));
    EXPECT_EQ(log.count('\n'), 1);
    const QString line = common::FromShiftJis(log);
    EXPECT_TRUE(line.startsWith(QStringLiteral("\"2026/12/10 14:50:10\",\""))) << line.toStdString();
    EXPECT_TRUE(line.contains(QStringLiteral("\"先生\",\"消去\",5,"))) << line.toStdString();
    EXPECT_TRUE(line.contains(QString::fromLatin1(original.mid(4 * results::kRecordSize, results::kRecordSize).toHex())));

    const auto history = RunAdmin({QStringLiteral("history"), Data()});
    EXPECT_EQ(history.exitCode, 0) << history.err.toStdString();
    EXPECT_TRUE(history.out.contains(QStringLiteral("   1  2026/12/10 14:50:10  "))) << history.out.toStdString();
    EXPECT_TRUE(history.out.contains(QStringLiteral("先生  消去 記録 5: "))) << history.out.toStdString();
    EXPECT_TRUE(history.out.contains(QStringLiteral("romaji-admin restore 1 で戻せます"))) << history.out.toStdString();

    const auto restore = RunAdmin({QStringLiteral("restore"), QStringLiteral("1"), Data()});
    EXPECT_EQ(restore.exitCode, 0) << restore.err.toStdString();
    EXPECT_TRUE(restore.out.contains(QStringLiteral("記録 5 に戻しました"))) << restore.out.toStdString();
    EXPECT_EQ(Bytes(Results()), original);
    EXPECT_FALSE(results::JournalLeft(Data()));

    const auto after = RunAdmin({QStringLiteral("history"), Data()});
    EXPECT_TRUE(after.out.contains(QStringLiteral("（履歴 2 で戻しました）"))) << after.out.toStdString();
    EXPECT_TRUE(after.out.contains(QStringLiteral("復元 記録 5: "))) << after.out.toStdString();
    EXPECT_TRUE(after.out.contains(QStringLiteral("（履歴 1 の消去を戻す）"))) << after.out.toStdString();

    struct Refused {
        QString number;
        int exitCode;
        const char* says;
    };
    for (const Refused& r : {Refused{QStringLiteral("1"), 1, "履歴 1 の記録は履歴 2 でもう戻されています"},
                             Refused{QStringLiteral("2"), 1, "履歴 2 は記録の消去ではありません"},
                             Refused{QStringLiteral("9"), 1, "履歴 9 はありません"},
                             Refused{QStringLiteral("x"), 2, "bad history number: x"}}) {
        const auto run = RunAdmin({QStringLiteral("restore"), r.number, Data()});
        EXPECT_EQ(run.exitCode, r.exitCode) << r.says;
        EXPECT_TRUE(run.err.contains(QString::fromUtf8(r.says))) << run.err.toStdString();
    }
    EXPECT_EQ(Bytes(Results()), original);
}

// Two records deleted from the same place, then put back in either order:
// each goes where it stood, so the file is the original byte for byte.
TEST_F(HistoryTest, RecordsDeletedFromOnePlaceGoBackInTheirOrderWhateverTheOrderOfRestoring) {
    const QByteArray original = Bytes(Results());
    for (const QStringList& order : {QStringList{QStringLiteral("1"), QStringLiteral("2")},
                                     QStringList{QStringLiteral("2"), QStringLiteral("1")}}) {
        SCOPED_TRACE(order.join(u',').toStdString());
        QFile::remove(results::ChangeLogPath(Data()));
        Delete(5);
        Delete(5);
        Delete(2);  // one before them: they move up
        for (const QString& line : order) {
            const auto run = RunAdmin({QStringLiteral("restore"), line, Data()});
            EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
        }
        ASSERT_EQ(RunAdmin({QStringLiteral("restore"), QStringLiteral("3"), Data()}).exitCode, 0);
        EXPECT_EQ(Bytes(Results()), original);
    }
}

}  // namespace
