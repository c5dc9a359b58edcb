#include "core/common/textfile.h"
#include "demoschool.h"
#include "filebytes.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// Every line ends with CR LF and nothing else.
bool OnlyCrLf(const QByteArray& b) {
    for (qsizetype i = 0; i < b.size(); ++i)
        if (b[i] == '\n' && (i == 0 || b[i - 1] != '\r')) return false;
    return b.endsWith("\r\n");
}

TEST(DemoSchool, LaysOutAnInstallationInShiftJisWithCrLf) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString fakeProgram = dir.filePath(QStringLiteral("built-program"));
    {
        QFile f(fakeProgram);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("#!/bin/sh\n");
    }
    const QString root = dir.filePath(QStringLiteral("school"));
    demo::Options options;
    options.programBinary = fakeProgram;
    options.today = QDate(2026, 4, 1);
    QString error;
    ASSERT_TRUE(demo::LayOutBase(root, options, error)) << error.toStdString();

    const QString program = root + QStringLiteral("/CAI/ローマ字/romaji");
    EXPECT_TRUE(QFileInfo(program).isExecutable());
    EXPECT_EQ(testing_support::FileBytes(root + QStringLiteral("/CAI/ローマ字/ローマ字形式.txt")), QByteArray("0\r\n"));

    const QString launcher = root + QStringLiteral("/CAI/起動/ルナリアc.exe");
    ASSERT_TRUE(QFileInfo(launcher).isExecutable());
    EXPECT_EQ(QProcess::execute(launcher, {QStringLiteral("001")}), 0);

    for (const char16_t* name : {u"/CAI/パスデータ.txt", u"/CAIdata/共通データ.txt", u"/CAIdata/新名簿.txt"}) {
        const QByteArray bytes = testing_support::FileBytes(root + QString::fromUtf16(name));
        EXPECT_TRUE(OnlyCrLf(bytes)) << QString::fromUtf16(name).toStdString();
        EXPECT_EQ(common::ToShiftJis(common::FromShiftJis(bytes)), bytes) << QString::fromUtf16(name).toStdString();
    }
    const QStringList path = common::ReadAllItems(common::FromShiftJis(testing_support::FileBytes(root + QStringLiteral("/CAI/パスデータ.txt"))));
    ASSERT_EQ(path.size(), 10);
    EXPECT_EQ(QDir::cleanPath(root + QStringLiteral("/CAI/") + path[0]), root + QStringLiteral("/CAIdata"));
    const QStringList common = common::ReadAllItems(common::FromShiftJis(testing_support::FileBytes(root + QStringLiteral("/CAIdata/共通データ.txt"))));
    ASSERT_EQ(common.size(), 10);
    EXPECT_EQ(common[0], QStringLiteral("4"));
    EXPECT_EQ(common[1], QStringLiteral("01234中央教室"));
    EXPECT_EQ(common[2], QStringLiteral("1"));

    // Eight fields per entry: numbers bare, texts quoted.
    const QString roster = common::FromShiftJis(testing_support::FileBytes(root + QStringLiteral("/CAIdata/新名簿.txt")));
    const QStringList lines = roster.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    EXPECT_GE(lines.size(), 40);
    QMap<int, int> flags;
    bool teacher = false;
    for (const QString& line : lines) {
        const QStringList f = common::ReadAllItems(line);
        ASSERT_EQ(f.size(), 8) << line.toStdString();
        EXPECT_TRUE(line.contains(u'"' + f[4] + u'"'));
        ++flags[f[5].toInt()];
        teacher |= f[4] == QStringLiteral("先生");
    }
    EXPECT_TRUE(teacher);
    EXPECT_GT(flags[0], 30);
    EXPECT_GT(flags[1], 0);
    EXPECT_GT(flags[2], 0);
}

TEST(DemoSchool, BirthYearsFollowTheSchoolYearOfTheDay) {
    // Pupil 5 is in the first elementary year of whichever school year it is.
    const std::pair<QDate, int> cases[] = {{QDate(2026, 3, 31), 2018}, {QDate(2026, 4, 1), 2019}};
    for (const auto& [today, birthYear] : cases) {
        QTemporaryDir dir;
        demo::Options options;
        options.today = today;
        QString error;
        ASSERT_TRUE(demo::LayOutBase(dir.path(), options, error)) << error.toStdString();
        const QString roster =
            common::FromShiftJis(testing_support::FileBytes(dir.path() + QStringLiteral("/CAIdata/新名簿.txt")));
        bool found = false;
        for (const QString& line : roster.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts)) {
            const QStringList f = common::ReadAllItems(line);
            if (f[0] != u"5") continue;
            found = true;
            EXPECT_EQ(f[1].toInt(), birthYear) << today.toString(Qt::ISODate).toStdString();
        }
        EXPECT_TRUE(found);
    }
}

// The demo school's sounds and criteria are the default data the package
// installs, byte for byte: one source for both.
TEST(DemoSchool, SoundsAndCriteriaAreTheInstalledDefaults) {
    QTemporaryDir dir;
    demo::Options options;
    options.today = QDate(2026, 4, 1);
    QString error;
    ASSERT_TRUE(demo::LayOutDemoSchool(dir.path(), options, error)) << error.toStdString();
    // Laid out a second time over the first, as run.sh does.
    ASSERT_TRUE(demo::LayOutDemoSchool(dir.path(), options, error)) << error.toStdString();
    const QString defaults = QStringLiteral(ROMAJI_DEFAULT_DATA "/");
    QStringList compared;
    QDirIterator it(defaults, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString relative = path.mid(defaults.size());
        EXPECT_EQ(testing_support::FileBytes(dir.path() + QStringLiteral("/CAIdata/") + relative),
                  testing_support::FileBytes(path))
            << relative.toStdString();
        compared << relative;
    }
    EXPECT_TRUE(compared.contains(QStringLiteral("ローマ字/タイム回数データ.txt")));
    EXPECT_TRUE(compared.contains(QStringLiteral("音フォルダ/新音ファイル.txt")));
    EXPECT_EQ(QDir(dir.path() + QStringLiteral("/CAIdata/音フォルダ")).entryList(QDir::Files).size(),
              QDir(defaults + QStringLiteral("音フォルダ")).entryList(QDir::Files).size());
}

}  // namespace
