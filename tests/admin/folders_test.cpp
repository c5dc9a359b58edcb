// Every command that reads the school's files takes the data root or the
// program's data folder alike, and says which data folder it used.
#include "admintool.h"
#include "demoschool.h"
#include "filebytes.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using testing_support::FileBytes;
using testing_support::RunAdmin;

QString WithoutFirstLine(const QString& text) { return text.section(u'\n', 1); }

TEST(EitherFolder, CheckAndExportReadTheSameFilesFromEither) {
    QTemporaryDir dir;
    demo::Options options;
    options.today = QDate::currentDate();
    QString error;
    ASSERT_TRUE(demo::LayOutDemoSchool(dir.path(), options, error)) << error.toStdString();
    const QString root = dir.path() + QStringLiteral("/CAIdata");
    const QString data = root + QStringLiteral("/ローマ字");

    for (bool spoiled : {false, true}) {
        if (spoiled) QFile::remove(root + QStringLiteral("/新名簿.txt"));
        const auto fromRoot = RunAdmin({QStringLiteral("check"), root});
        const auto fromData = RunAdmin({QStringLiteral("check"), data + u'/'});
        EXPECT_EQ(fromRoot.exitCode, spoiled ? 2 : 0) << fromRoot.out.toStdString();
        EXPECT_EQ(fromData.exitCode, fromRoot.exitCode);
        EXPECT_EQ(WithoutFirstLine(fromRoot.out), WithoutFirstLine(fromData.out));
        EXPECT_TRUE(fromRoot.out.startsWith(QStringLiteral("データフォルダ: %1/（データのルート %2/ の中）\n").arg(data, root)))
            << fromRoot.out.toStdString();
        EXPECT_TRUE(fromData.out.startsWith(QStringLiteral("データフォルダ: %1/（指定のとおり）\n").arg(data)))
            << fromData.out.toStdString();
    }

    const QString a = dir.filePath(QStringLiteral("a.csv"));
    const QString b = dir.filePath(QStringLiteral("b.csv"));
    ASSERT_TRUE(demo::LayOutBase(dir.path(), options, error)) << error.toStdString();  // the roster again
    const auto exportRoot = RunAdmin({QStringLiteral("export"), root, QStringLiteral("-o"), a});
    const auto exportData = RunAdmin({QStringLiteral("export"), data, QStringLiteral("-o"), b});
    ASSERT_EQ(exportRoot.exitCode, 0) << exportRoot.err.toStdString();
    ASSERT_EQ(exportData.exitCode, 0) << exportData.err.toStdString();
    EXPECT_TRUE(exportRoot.out.startsWith(QStringLiteral("データフォルダ: %1/").arg(data))) << exportRoot.out.toStdString();
    EXPECT_GT(FileBytes(a).size(), 1000);
    EXPECT_EQ(FileBytes(a), FileBytes(b));
}

}  // namespace
