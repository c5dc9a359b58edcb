// The criteria editor's grid: load, the checks before a save, the save
// itself, and what a failed or killed save leaves behind.

#include "core/results/criteria.h"
#include "core/results/criteriagrid.h"

#include "core/common/fileio.h"
#include "core/common/textfile.h"
#include "criteriasavesteps.h"
#include "filebytes.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

namespace {

using results::CriteriaGrid;

const QString kGolden = QStringLiteral(ROMAJI_TEST_DATA "/criteria_roundtrip.txt");

class CriteriaGridTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }
    QString File() const { return dir.filePath(QStringLiteral("タイム回数データ.txt")); }
    QTemporaryDir dir;
};

TEST_F(CriteriaGridTest, UnchangedGridIsWrittenBackByteForByte) {
    const QByteArray golden = testing_support::FileBytes(kGolden);
    ASSERT_FALSE(golden.isEmpty());
    ASSERT_TRUE(testing_support::WriteFileBytes(File(), golden));
    QString error;
    const auto grid = results::LoadCriteriaGrid(error, File());
    ASSERT_TRUE(grid) << error.toStdString();
    ASSERT_EQ(grid->LevelRows(), 4);
    EXPECT_EQ(grid->Rows[0], results::CriteriaHeaderTexts());
    EXPECT_EQ(grid->Rows[2][4], QStringLiteral("1.5"));  // as read, not as a number
    EXPECT_EQ(grid->Rows[2][9], QStringLiteral("メモ"));

    ASSERT_TRUE(results::SaveCriteriaGrid(*grid, error, File())) << error.toStdString();
    EXPECT_EQ(testing_support::FileBytes(File()), golden);
    EXPECT_EQ(testing_support::FileBytes(results::CriteriaBackupPath(File())), golden);
}

TEST_F(CriteriaGridTest, SaveThenLoadGivesBackTheGrid) {
    CriteriaGrid grid = results::CriteriaGridFromText(QString());
    grid.Rows.append({"30", "60", "", "", "1.5", "", "", "7", "", "", "", ""});
    grid.Rows.append(QStringList(12, QString()));  // a level with every cell emptied
    grid.Rows.append({"-5", "1e2", "+3", ".5", "0", "x", "ｶﾅ", "①", "", "", "", "last"});
    QString error;
    ASSERT_FALSE(results::FirstUnwritableCell(grid));
    ASSERT_TRUE(results::SaveCriteriaGrid(grid, error, File())) << error.toStdString();
    const auto back = results::LoadCriteriaGrid(error, File());
    ASSERT_TRUE(back);
    EXPECT_EQ(back->Rows, grid.Rows);
    // And the criteria read the emptied cell as empty.
    ASSERT_TRUE(results::LoadCriteria(error, File()));
    EXPECT_TRUE(results::criteria()[1].TooMuchDays.IsEmpty());
    EXPECT_TRUE(results::criteria()[2].JudgementDays.IsEmpty());
    results::criteria().Reset();
}

TEST_F(CriteriaGridTest, LastGroupCutShortGetsEmptyCells) {
    const CriteriaGrid grid = results::CriteriaGridFromText(
        QStringLiteral("a,b,c,d,e,f,g,h,i,,,\r\n30,60,100\r\n\r\n"));
    ASSERT_EQ(grid.LevelRows(), 1);
    EXPECT_EQ(grid.Rows[1], QStringList({"30", "60", "100", "", "", "", "", "", "", "", "", ""}));
}

// --- checks before a save ---

struct CellCase {
    const char* name;
    int column;
    const char* text;
    bool unwritable;  // nothing may be written
    bool notNumber;   // the save asks first
};

void PrintTo(const CellCase& c, std::ostream* os) { *os << c.name; }

class CellCheck : public CriteriaGridTest, public ::testing::WithParamInterface<CellCase> {};

TEST_P(CellCheck, NamesTheLevelAndColumn) {
    const CellCase& c = GetParam();
    CriteriaGrid grid = results::CriteriaGridFromText(QString());
    grid.Rows.append(QStringList(12, QStringLiteral("1")));
    grid.Rows.append(QStringList(12, QStringLiteral("2")));
    grid.Rows[2][c.column - 1] = QString::fromUtf8(c.text);
    const QString place = c.column == 2    ? QStringLiteral("レベル2の最低Time（2列目）")
                          : c.column == 9  ? QStringLiteral("レベル2の禁期間（9列目）")
                                           : QStringLiteral("レベル2の%1列目").arg(c.column);

    const auto bad = results::FirstUnwritableCell(grid);
    EXPECT_EQ(bad.has_value(), c.unwritable);
    if (bad) {
        EXPECT_EQ(bad->Row, 2);
        EXPECT_EQ(bad->Column, c.column);
        EXPECT_TRUE(results::UnwritableCellMessage(*bad).startsWith(place))
            << results::UnwritableCellMessage(*bad).toStdString();
        // The editor writes nothing then: a save would still split the cell.
    }
    const auto cells = results::NonNumberCells(grid);
    EXPECT_EQ(!cells.isEmpty(), c.notNumber);
    if (!cells.isEmpty()) {
        EXPECT_EQ(cells.size(), 1);
        const QString q = results::NonNumberQuestion(cells);
        EXPECT_TRUE(q.startsWith(place + u'「' + QString::fromUtf8(c.text) + u'」')) << q.toStdString();
        EXPECT_TRUE(q.endsWith(QStringLiteral("このまま記録しますか？")));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cells, CellCheck,
    ::testing::Values(
        CellCase{"Decimal", 2, "1.5", false, false},
        CellCase{"Negative", 2, "-1", false, false},
        CellCase{"Empty", 2, "", false, false},
        CellCase{"LetterOForZero", 2, "3O", false, true},
        CellCase{"FullWidthDigits", 9, "３０", false, true},
        CellCase{"TextInASpareColumn", 11, "memo", false, false},
        CellCase{"CommaForPoint", 2, "1,5", true, true},
        CellCase{"DoubleQuote", 11, "a\"b", true, false},
        CellCase{"LineBreak", 9, "7\r\n8", true, true},
        CellCase{"LeadingBlank", 2, " 30", true, false},
        CellCase{"TrailingIdeographicSpace", 11, "a\u3000", true, false},
        CellCase{"NotInShiftJis", 11, "\u00e9t\u00e9", true, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(CriteriaGridTest, QuestionCountsTheOtherCells) {
    CriteriaGrid grid = results::CriteriaGridFromText(QString());
    grid.Rows.append({"3O", "x", "", "", "", "", "", "", "", "", "", ""});
    grid.Rows.append({"1", "", "", "", "", "", "", "", "y", "z", "", ""});
    const auto cells = results::NonNumberCells(grid);
    ASSERT_EQ(cells.size(), 3);
    EXPECT_EQ(results::NonNumberQuestion(cells),
              QStringLiteral("レベル1の目標Time（1列目）「3O」は数字ではありません。\n"
                             "（ほかに2か所あります）\nこのまま記録しますか？"));
}

// --- faults ---

const QString kHelper = QStringLiteral(CRITERIA_SAVE_HELPER);
// ASCII, so that the bytes are the same in UTF-8 (the helper's input) and in
// Shift-JIS (the file).
const QByteArray kOld = "Target,Minimum,,,,,,,,,,\r\n30,60,100,10,1,,,7,1,,,\r\n";
const QByteArray kNew = "Target,Minimum,,,,,,,,,,\r\n45,90,120,12,1.5,,500,14,1,,,\r\n50,100,200,20,2,,,7,7,,,\r\n";

class SaveFault : public CriteriaGridTest {
protected:
    // Runs the helper; its exit status, or -signal when a signal ended it.
    int Run(const QString& file, const QString& step, bool asNobody, QString* output = nullptr) {
        const QString textFile = dir.filePath(QStringLiteral("new.txt"));
        EXPECT_TRUE(testing_support::WriteFileBytes(textFile, kNew));
        QProcess p;
        QStringList args{file, textFile, step};
        if (asNobody) args << QStringLiteral("nobody");
        p.start(kHelper, args);
        if (!p.waitForFinished(20000)) {
            ADD_FAILURE() << "helper did not finish";
            return -1000;
        }
        if (output) *output = QString::fromUtf8(p.readAllStandardOutput());
        return p.exitStatus() == QProcess::CrashExit ? -9 : p.exitCode();
    }
    QString Folder(const QString& name) {
        const QString folder = dir.filePath(name);
        EXPECT_TRUE(QDir().mkpath(folder));
        return folder;
    }
    QStringList Listing(const QString& folder) {
        return QDir(folder).entryList(QDir::Files | QDir::NoDotAndDotDot, QDir::Name);
    }
};

TEST_F(SaveFault, ReadOnlyFolderKeepsTheOldFileAndSaysWhy) {
    // As root every folder is writable: the helper gives up root, and the
    // folders on the way must let that user through.
    ::chmod(QFile::encodeName(dir.path()).constData(), 0755);
    const QString folder = Folder(QStringLiteral("ro"));
    const QString file = folder + QStringLiteral("/タイム回数データ.txt");
    ASSERT_TRUE(testing_support::WriteFileBytes(file, kOld));
    ASSERT_EQ(::chmod(QFile::encodeName(folder).constData(), 0555), 0);
    const QStringList before = Listing(folder);

    QString output;
    const int status = Run(file, QStringLiteral("-"), ::geteuid() == 0, &output);
    ::chmod(QFile::encodeName(folder).constData(), 0755);
    ASSERT_EQ(status, 1) << output.toStdString();
    EXPECT_TRUE(output.startsWith(QStringLiteral("タイム回数データ.txt に書き込めません。\n") + file + u'\n'))
        << output.toStdString();
    EXPECT_TRUE(output.contains(QStringLiteral("アクセスが拒否されました。"))) << output.toStdString();
    EXPECT_EQ(testing_support::FileBytes(file), kOld);
    EXPECT_EQ(Listing(folder), before);
}

TEST_F(SaveFault, MissingFolderSaysWhich) {
    const QString file = dir.filePath(QStringLiteral("gone/タイム回数データ.txt"));
    QString error;
    EXPECT_FALSE(results::WriteCriteriaFile(QStringLiteral("x\r\n"), error, file));
    EXPECT_TRUE(error.contains(file)) << error.toStdString();
    EXPECT_TRUE(error.contains(QStringLiteral("ファイルが見つかりません。"))) << error.toStdString();
}

struct KillCase {
    const char* name;
    SaveStep step;
    bool newInPlace;    // the file holds the new text after the kill
    bool backupIsOld;   // the backup holds the file as it was before the save
};

void PrintTo(const KillCase& c, std::ostream* os) { *os << c.name; }

class KilledSave : public SaveFault, public ::testing::WithParamInterface<KillCase> {};

TEST_P(KilledSave, LeavesOneWholeFileAndAReadableBackup) {
    const KillCase& c = GetParam();
    const QString folder = Folder(QStringLiteral("data"));
    const QString file = folder + QStringLiteral("/タイム回数データ.txt");
    const QString backup = results::CriteriaBackupPath(file);
    const QByteArray older = "Target,,,,,,,,,,,\r\n1,2,3,4,5,,,,,,,\r\n";
    ASSERT_TRUE(testing_support::WriteFileBytes(file, kOld));
    ASSERT_TRUE(testing_support::WriteFileBytes(backup, older));

    ASSERT_EQ(Run(file, QString::number(static_cast<int>(c.step)), false), -9) << "killed";
    EXPECT_EQ(testing_support::FileBytes(file), c.newInPlace ? kNew : kOld);
    EXPECT_EQ(testing_support::FileBytes(backup), c.backupIsOld ? kOld : older);
    // The criteria read the file that is there.
    QString error;
    ASSERT_TRUE(results::LoadCriteria(error, file));
    EXPECT_EQ(results::criteria()[1].TargetTime, c.newInPlace ? 45 : 30);
    results::criteria().Reset();

    // What the kill left beside the file does not stop the next save.
    ASSERT_EQ(Run(file, QStringLiteral("-"), false), 0);
    EXPECT_EQ(testing_support::FileBytes(file), kNew);
    EXPECT_EQ(testing_support::FileBytes(backup), c.newInPlace ? kNew : kOld);
}

INSTANTIATE_TEST_SUITE_P(
    Steps, KilledSave,
    ::testing::Values(
        KillCase{"NewFileCreated", SaveStep::NewFileCreated, false, false},
        KillCase{"NewFileHalfWritten", SaveStep::NewFileHalfWritten, false, false},
        KillCase{"NewFileFlushed", SaveStep::NewFileFlushed, false, false},
        KillCase{"BackupWritten", SaveStep::BackupWritten, false, false},
        KillCase{"BackupInPlace", SaveStep::BackupInPlace, false, true},
        KillCase{"NewFileInPlace", SaveStep::NewFileInPlace, true, true},
        KillCase{"FolderFlushed", SaveStep::FolderFlushed, true, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SaveFault, FirstSaveWithoutAnOldFileMakesNoBackup) {
    const QString file = Folder(QStringLiteral("fresh")) + QStringLiteral("/タイム回数データ.txt");
    ASSERT_EQ(Run(file, QStringLiteral("-"), false), 0);
    EXPECT_EQ(testing_support::FileBytes(file), kNew);
    EXPECT_FALSE(QFile::exists(results::CriteriaBackupPath(file)));
}

// The order that makes the save safe, as the file layer sees its calls: the
// new file and the new backup on the disk before the renames that put them in
// place, the old file kept as the backup before the new one replaces it, and
// the folder flushed once the new file is in place. A kill cannot tell a
// missing flush (the page cache survives it); a power cut can.
TEST_F(SaveFault, FlushesComeBeforeTheRenamesThatRelyOnThem) {
    const QString folder = Folder(QStringLiteral("order"));
    const QString file = folder + QStringLiteral("/タイム回数データ.txt");
    ASSERT_TRUE(testing_support::WriteFileBytes(file, kOld));
    std::vector<std::pair<common::IoCall, QByteArray>> calls;
    common::SetIoHook([&](common::IoCall call, long long, const QByteArray& path, std::size_t&) {
        calls.emplace_back(call, path);
        return 0;
    });
    QString error;
    const bool saved = results::WriteCriteriaFile(QString::fromLatin1(kNew), error, file);
    common::SetIoHook({});
    ASSERT_TRUE(saved) << error.toStdString();

    using C = common::IoCall;
    const QByteArray target = QFile::encodeName(file);
    const QByteArray backup = QFile::encodeName(results::CriteriaBackupPath(file));
    const QByteArray dirName = QFile::encodeName(folder);
    // The first call of a kind on a path (starting with it, for the new
    // files' unique names), from `from` on; calls.size() when there is none.
    auto first = [&](C call, const QByteArray& path, bool prefix = false, size_t from = 0) {
        for (size_t i = from; i < calls.size(); ++i)
            if (calls[i].first == call && (prefix ? calls[i].second.startsWith(path) : calls[i].second == path))
                return i;
        return calls.size();
    };
    const size_t end = calls.size();
    const size_t backupInPlace = first(C::Rename, backup);
    const size_t fileInPlace = first(C::Rename, target);
    ASSERT_LT(backupInPlace, end);
    ASSERT_LT(fileInPlace, end);
    EXPECT_LT(first(C::Fsync, target + ".new", true), fileInPlace) << "the new file is flushed before it replaces the old";
    EXPECT_LT(first(C::Fsync, backup + ".new", true), backupInPlace) << "the backup is flushed before it is put in place";
    EXPECT_LT(backupInPlace, fileInPlace) << "the old file is kept before the new one replaces it";
    EXPECT_LT(first(C::Fsync, dirName, false, fileInPlace), end) << "the folder is flushed after the rename";
    EXPECT_EQ(testing_support::FileBytes(file), kNew);
    EXPECT_EQ(testing_support::FileBytes(results::CriteriaBackupPath(file)), kOld);
}

}  // namespace
