// Builds the Debian package with scripts/package.sh from this build, unpacks
// it with dpkg -x into a temporary root and runs the unpacked romaji-admin on
// the demo school through the unpacked path file. One package for all the
// tests of this executable (it is registered as one test).
#include "common/textfile.h"
#include "demoschool.h"
#include "processrun.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using Ran = testing_support::ProcessRun;

Ran Execute(const QString& program, const QStringList& args, int timeoutMs = 120000) {
    return testing_support::RunProcess(program, args, timeoutMs);
}

class PackageTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir_ = new QTemporaryDir;
        ASSERT_TRUE(dir_->isValid());
        const Ran built = Execute(QStringLiteral(ROMAJI_SOURCE_DIR "/scripts/package.sh"),
                              {QStringLiteral(ROMAJI_BINARY_DIR), dir_->filePath(QStringLiteral("out"))}, 280000);
        ASSERT_EQ(built.exitCode, 0) << built.out.toStdString() << built.err.toStdString();
        const QStringList debs = QDir(dir_->filePath(QStringLiteral("out")))
                                     .entryList({QStringLiteral("romaji_*.deb")}, QDir::Files);
        ASSERT_EQ(debs.size(), 1);
        deb_ = new QString(dir_->filePath(QStringLiteral("out/") + debs.first()));
        const Ran unpacked = Execute(QStringLiteral("dpkg"), {QStringLiteral("-x"), *deb_, Root()});
        ASSERT_EQ(unpacked.exitCode, 0) << unpacked.err.toStdString();
    }
    static void TearDownTestSuite() {
        delete deb_;
        delete dir_;
        deb_ = nullptr;
        dir_ = nullptr;
    }
    void SetUp() override {
        if (!deb_) GTEST_SKIP() << "no package was built";  // the suite's set-up has failed already
    }
    static QString Root() { return dir_->filePath(QStringLiteral("root")); }

    static QTemporaryDir* dir_;
    static QString* deb_;
};

QTemporaryDir* PackageTest::dir_ = nullptr;
QString* PackageTest::deb_ = nullptr;

// The Debian packages that hold the shared libraries a program links.
QSet<QString> PackagesOfLinkedLibraries(const QString& program) {
    QSet<QString> packages;
    const Ran elf = Execute(QStringLiteral("readelf"), {QStringLiteral("-d"), program});
    const QRegularExpression needed(QStringLiteral("\\(NEEDED\\).*\\[(.+)\\]"));
    for (const QString& line : elf.out.split(u'\n')) {
        const auto m = needed.match(line);
        if (!m.hasMatch()) continue;
        const Ran where = Execute(QStringLiteral("dpkg-query"), {QStringLiteral("-S"), QStringLiteral("*/") + m.captured(1)});
        // "libqt6core6:amd64: /usr/lib/x86_64-linux-gnu/libQt6Core.so.6"; the native package first.
        for (const QString& owner : where.out.split(u'\n', Qt::SkipEmptyParts)) {
            if (!owner.contains(QStringLiteral("/usr/lib/")) && !owner.contains(QStringLiteral("/lib/x86_64")) &&
                !owner.contains(QStringLiteral("/lib/aarch64")))
                continue;
            packages << owner.section(u':', 0, 0);
            break;
        }
    }
    return packages;
}

TEST_F(PackageTest, DependsOnTheLinkedLibrariesTheFontsAndTheDisplayPlugin) {
    const Ran info = Execute(QStringLiteral("dpkg-deb"), {QStringLiteral("-I"), *deb_});
    ASSERT_EQ(info.exitCode, 0);
    const auto m = QRegularExpression(QStringLiteral("(?m)^ Depends: (.*)$")).match(info.out);
    ASSERT_TRUE(m.hasMatch()) << info.out.toStdString();
    QSet<QString> depends;
    for (const QString& d : m.captured(1).split(u','))
        depends << d.trimmed().section(u' ', 0, 0);

    QSet<QString> expected = PackagesOfLinkedLibraries(QStringLiteral(ROMAJI_BINARY_DIR "/romaji")) +
                             PackagesOfLinkedLibraries(QStringLiteral(ROMAJI_BINARY_DIR "/romaji-admin"));
    expected << QStringLiteral("fonts-noto-cjk") << QStringLiteral("qt6-qpa-plugins");
    EXPECT_EQ(depends, expected) << info.out.toStdString();
    for (const char* lib : {"libqt6core6", "libqt6widgets6", "libsndfile1", "libpulse0"})
        EXPECT_TRUE(depends.contains(QString::fromUtf8(lib))) << lib;

    // The files the school edits are conffiles: an upgrade never overwrites them.
    const Ran conffiles = Execute(QStringLiteral("dpkg-deb"), {QStringLiteral("-I"), *deb_, QStringLiteral("conffiles")});
    EXPECT_EQ(conffiles.out, QStringLiteral("/etc/romaji/パスデータ.txt\n/etc/romaji/ルナリアc.exe\n"));
}

TEST_F(PackageTest, UnpackedAdminChecksTheDemoSchoolThroughThePathFile) {
    const QString school = dir_->filePath(QStringLiteral("school"));
    demo::Options options;
    options.today = QDate::currentDate();
    QString error;
    ASSERT_TRUE(demo::LayOutDemoSchool(school, options, error)) << error.toStdString();

    // The path file the program folder sees is the one under etc/romaji.
    const QString pathFile = Root() + QStringLiteral("/opt/CAI/パスデータ.txt");
    ASSERT_TRUE(QFileInfo(pathFile).isSymLink());
    const auto items = common::ReadAllItems(*common::ReadShiftJisFile(pathFile));
    ASSERT_EQ(items.size(), 10);
    EXPECT_EQ(items[0], QStringLiteral("/srv/CAIdata/"));
    ASSERT_TRUE(common::WriteShiftJisFile(Root() + QStringLiteral("/etc/romaji/パスデータ.txt"),
                                          u'"' + school + QStringLiteral("/CAIdata/\"\r\n\"\"\r\n\"\"\r\n\"\"\r\n"
                                                                         "\"\"\r\n\"\"\r\n\"\"\r\n\"\"\r\n\"\"\r\n\"\"\r\n")));

    // Started through usr/bin as the desktop's menu starts the program.
    const Ran check = Execute(Root() + QStringLiteral("/usr/bin/romaji-admin"), {QStringLiteral("check")});
    EXPECT_EQ(check.exitCode, 0) << check.out.toStdString() << check.err.toStdString();
    EXPECT_TRUE(check.out.contains(school + QStringLiteral("/CAIdata/ローマ字/"))) << check.out.toStdString();
    EXPECT_TRUE(check.out.contains(QStringLiteral("結果: 問題はありません")));

    const Ran libs = Execute(QStringLiteral("ldd"), {Root() + QStringLiteral("/opt/CAI/ローマ字/romaji")});
    EXPECT_EQ(libs.exitCode, 0);
    EXPECT_FALSE(libs.out.contains(QStringLiteral("not found"))) << libs.out.toStdString();
}

TEST_F(PackageTest, ProgramFolderMenuEntryAndIconInTheirPlaces) {
    const QString r = Root();
    EXPECT_TRUE(QFileInfo(r + QStringLiteral("/opt/CAI/ローマ字/romaji")).isExecutable());
    EXPECT_TRUE(QFileInfo(r + QStringLiteral("/opt/CAI/ローマ字/romaji-admin")).isExecutable());
    // The launcher started when a pupil leaves: a stand-in that ends at once.
    const QString launcher = r + QStringLiteral("/opt/CAI/起動/ルナリアc.exe");
    EXPECT_EQ(Execute(launcher, {QStringLiteral("001")}).exitCode, 0);
    // The romanization file lives under var/lib, in a folder nobody but root
    // may write into (the file itself is made writable by the install script).
    const QFileInfo mode(r + QStringLiteral("/opt/CAI/ローマ字/ローマ字形式.txt"));
    EXPECT_TRUE(mode.isSymLink());
    EXPECT_EQ(QFileInfo(mode.symLinkTarget()).absolutePath(), QDir(r + QStringLiteral("/var/lib/romaji")).absolutePath());
    EXPECT_FALSE(QFileInfo(r + QStringLiteral("/var/lib/romaji")).permissions() & QFileDevice::WriteOther);

    const QString desktop = r + QStringLiteral("/usr/share/applications/romaji.desktop");
    const Ran valid = Execute(QStringLiteral("desktop-file-validate"), {desktop});
    EXPECT_EQ(valid.exitCode, 0) << valid.out.toStdString();
    QFile entry(desktop);
    ASSERT_TRUE(entry.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(entry.readAll());
    EXPECT_TRUE(text.contains(QStringLiteral("\nExec=romaji\n")));
    EXPECT_TRUE(text.contains(QStringLiteral("\nIcon=romaji\n")));
    EXPECT_EQ(QFileInfo(r + QStringLiteral("/usr/bin/romaji")).canonicalFilePath(),
              QFileInfo(r + QStringLiteral("/opt/CAI/ローマ字/romaji")).canonicalFilePath());
    EXPECT_TRUE(QFileInfo::exists(r + QStringLiteral("/usr/share/icons/hicolor/scalable/apps/romaji.svg")));
}

// The install script, run against a folder of the test's own in place of
// /var/lib/romaji: it creates the mode file empty and writable by every
// account, and keeps the choice an existing file holds.
TEST_F(PackageTest, InstallScriptMakesTheModeFileWritableAndKeepsItsChoice) {
    const QString control = dir_->filePath(QStringLiteral("control"));
    ASSERT_EQ(Execute(QStringLiteral("dpkg-deb"), {QStringLiteral("-e"), *deb_, control}).exitCode, 0);
    QFile script(control + QStringLiteral("/postinst"));
    ASSERT_TRUE(script.open(QIODevice::ReadOnly));
    EXPECT_TRUE(script.permissions() & QFileDevice::ExeOther);
    const QString folder = dir_->filePath(QStringLiteral("varlib"));
    ASSERT_TRUE(QDir().mkpath(folder));
    // As an older package left it: writable by everyone.
    ASSERT_TRUE(QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                  QFileDevice::ExeOwner | QFileDevice::ReadOther |
                                                  QFileDevice::WriteOther | QFileDevice::ExeOther));
    QString text = QString::fromUtf8(script.readAll());
    ASSERT_TRUE(text.contains(QStringLiteral("/var/lib/romaji\n")));
    text.replace(QStringLiteral("/var/lib/romaji\n"), folder + u'\n');
    const QString copy = dir_->filePath(QStringLiteral("postinst"));
    QFile out(copy);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(text.toUtf8());
    out.close();

    const QString modeFile = folder + QStringLiteral("/ローマ字形式.txt");
    ASSERT_EQ(Execute(QStringLiteral("sh"), {copy, QStringLiteral("configure")}).exitCode, 0);
    QFileInfo created(modeFile);
    ASSERT_TRUE(created.exists());
    EXPECT_EQ(created.size(), 0);
    EXPECT_TRUE(created.permissions() & QFileDevice::WriteOther);
    EXPECT_FALSE(QFileInfo(folder).permissions() & QFileDevice::WriteOther);

    ASSERT_TRUE(common::WriteShiftJisFile(modeFile, QStringLiteral("2\r\n")));
    ASSERT_EQ(Execute(QStringLiteral("sh"), {copy, QStringLiteral("configure")}).exitCode, 0);
    EXPECT_EQ(*common::ReadShiftJisFile(modeFile), QStringLiteral("2\r\n"));
}

}  // namespace
