// Builds the Debian package with scripts/package.sh from this build, unpacks
// it with dpkg -x into a temporary root and runs the unpacked romaji-admin:
// init from the packaged default data, check through the unpacked path file.
// Runs lintian on the package. One package for all the tests of this
// executable (it is registered as one test). scripts/package-test.sh installs
// the package on a clean Debian instead.
#include "core/common/textfile.h"
#include "processrun.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <unistd.h>

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

// The links of the layout: into /etc and /var absolute, inside /usr relative.
TEST_F(PackageTest, LayoutUnderUsrLibWithItsLinks) {
    const QString r = Root();
    const QString program = r + QStringLiteral("/usr/lib/romaji/ローマ字");
    EXPECT_TRUE(QFileInfo(program + QStringLiteral("/romaji")).isExecutable());
    EXPECT_TRUE(QFileInfo(program + QStringLiteral("/romaji-admin")).isExecutable());
    const std::pair<const char16_t*, const char16_t*> links[] = {
        {u"/usr/lib/romaji/パスデータ.txt", u"/etc/romaji/パスデータ.txt"},
        {u"/usr/lib/romaji/起動/ルナリアc.exe", u"/etc/romaji/ルナリアc.exe"},
        {u"/usr/lib/romaji/ローマ字/ローマ字形式.txt", u"/var/lib/romaji/ローマ字形式.txt"},
        {u"/usr/bin/romaji", u"../lib/romaji/ローマ字/romaji"},
        {u"/usr/bin/romaji-admin", u"../lib/romaji/ローマ字/romaji-admin"},
    };
    for (const auto& [link, target] : links) {
        const QString path = r + QString::fromUtf16(link);
        EXPECT_TRUE(QFileInfo(path).isSymLink()) << path.toStdString();
        char written[512] = {};
        const ssize_t n = ::readlink(QFile::encodeName(path).constData(), written, sizeof written - 1);
        EXPECT_EQ(QString::fromUtf8(written, n < 0 ? 0 : n), QString::fromUtf16(target)) << path.toStdString();
    }
    EXPECT_EQ(QFileInfo(r + QStringLiteral("/usr/bin/romaji")).canonicalFilePath(),
              QFileInfo(program + QStringLiteral("/romaji")).canonicalFilePath());
    EXPECT_FALSE(QFileInfo::exists(r + QStringLiteral("/opt")));

    // The launcher started when a pupil leaves: a stand-in that ends at once.
    EXPECT_EQ(Execute(r + QStringLiteral("/etc/romaji/ルナリアc.exe"), {QStringLiteral("001")}).exitCode, 0);
    // The romanization file's folder: nobody but root may write into it (the
    // file itself is made writable by the install script).
    EXPECT_FALSE(QFileInfo(r + QStringLiteral("/var/lib/romaji")).permissions() & QFileDevice::WriteOther);

    const QString desktop = r + QStringLiteral("/usr/share/applications/romaji.desktop");
    const Ran valid = Execute(QStringLiteral("desktop-file-validate"), {desktop});
    EXPECT_EQ(valid.exitCode, 0) << valid.out.toStdString();
    QFile entry(desktop);
    ASSERT_TRUE(entry.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(entry.readAll());
    EXPECT_TRUE(text.contains(QStringLiteral("\nExec=romaji\n")));
    EXPECT_TRUE(text.contains(QStringLiteral("\nIcon=romaji\n")));
    EXPECT_TRUE(QFileInfo::exists(r + QStringLiteral("/usr/share/icons/hicolor/scalable/apps/romaji.svg")));

    // The changelog's newest entry is this version.
    const Ran changelog =
        Execute(QStringLiteral("gzip"), {QStringLiteral("-dc"), r + QStringLiteral("/usr/share/doc/romaji/changelog.gz")});
    EXPECT_TRUE(changelog.out.startsWith(QStringLiteral("romaji (%1.%2.%3) ")
                                             .arg(ROMAJI_VERSION_MAJOR)
                                             .arg(ROMAJI_VERSION_MINOR)
                                             .arg(ROMAJI_VERSION_PATCH)))
        << changelog.out.toStdString();
}

// The unpacked romaji-admin lays out a new school from the default data the
// package holds, and checks it through the path file one level above its
// folder, as the program finds it.
TEST_F(PackageTest, UnpackedAdminLaysOutASchoolAndChecksItThroughThePathFile) {
    const QString school = dir_->filePath(QStringLiteral("school/CAIdata"));
    const QString admin = Root() + QStringLiteral("/usr/bin/romaji-admin");
    const Ran init = Execute(admin, {QStringLiteral("init"), school});
    ASSERT_EQ(init.exitCode, 0) << init.out.toStdString() << init.err.toStdString();
    EXPECT_TRUE(init.out.contains(Root() + QStringLiteral("/usr/share/romaji"))) << init.out.toStdString();
    for (const char16_t* file : {u"/音フォルダ/新音ファイル.txt", u"/音フォルダ/合格.wav", u"/ローマ字/タイム回数データ.txt"}) {
        const QString name = QString::fromUtf16(file);
        QFile installed(Root() + QStringLiteral("/usr/share/romaji") + name);
        QFile copied(school + name);
        ASSERT_TRUE(installed.open(QIODevice::ReadOnly) && copied.open(QIODevice::ReadOnly)) << name.toStdString();
        EXPECT_EQ(copied.readAll(), installed.readAll()) << name.toStdString();
    }

    // The packaged path file names /srv/CAIdata/; on this machine the link
    // into /etc would leave the unpacked tree, so a file of the test's own
    // stands in the link's place.
    const auto items = common::ReadAllItems(*common::ReadShiftJisFile(Root() + QStringLiteral("/etc/romaji/パスデータ.txt")));
    ASSERT_EQ(items.size(), 10);
    EXPECT_EQ(items[0], QStringLiteral("/srv/CAIdata/"));
    const QString pathFile = Root() + QStringLiteral("/usr/lib/romaji/パスデータ.txt");
    ASSERT_TRUE(QFile::remove(pathFile));
    ASSERT_TRUE(common::WriteShiftJisFile(pathFile, u'"' + school + QStringLiteral("/\"\r\n\"\"\r\n\"\"\r\n\"\"\r\n"
                                                                             "\"\"\r\n\"\"\r\n\"\"\r\n\"\"\r\n\"\"\r\n\"\"\r\n")));
    const Ran check = Execute(admin, {QStringLiteral("check")});
    EXPECT_EQ(check.exitCode, 0) << check.out.toStdString() << check.err.toStdString();
    EXPECT_TRUE(check.out.contains(school + QStringLiteral("/ローマ字/（パスデータ.txt から）"))) << check.out.toStdString();
    EXPECT_TRUE(check.out.contains(QStringLiteral("結果: 問題はありません")));

    const Ran libs = Execute(QStringLiteral("ldd"), {Root() + QStringLiteral("/usr/lib/romaji/ローマ字/romaji")});
    EXPECT_EQ(libs.exitCode, 0);
    EXPECT_FALSE(libs.out.contains(QStringLiteral("not found"))) << libs.out.toStdString();
}

// lintian finds no error in the package, and every warning it gives is one
// the README explains (its section on lintian names each tag in backticks).
TEST_F(PackageTest, LintianFindsNoErrorAndEveryWarningIsExplained) {
    const Ran lint = Execute(QStringLiteral("lintian"), {*deb_}, 280000);
    ASSERT_NE(lint.exitCode, -1) << "lintian did not run: " << lint.err.toStdString();
    QFile readme(QStringLiteral(ROMAJI_SOURCE_DIR "/README.md"));
    ASSERT_TRUE(readme.open(QIODevice::ReadOnly));
    const QString explained = QString::fromUtf8(readme.readAll()).section(QStringLiteral("### lintian"), 1, 1);
    ASSERT_FALSE(explained.isEmpty()) << "no section ### lintian in the README";
    const QRegularExpression hint(QStringLiteral("^([EWIPX]): romaji[^:]*: (\\S+)"),
                                  QRegularExpression::MultilineOption);
    int hints = 0;
    for (auto it = hint.globalMatch(lint.out); it.hasNext(); ++hints) {
        const auto m = it.next();
        EXPECT_NE(m.captured(1), QStringLiteral("E")) << m.captured(0).toStdString();
        if (m.captured(1) == QStringLiteral("W"))
            EXPECT_TRUE(explained.contains(u'`' + m.captured(2) + u'`'))
                << "not explained in the README: " << m.captured(0).toStdString();
    }
    EXPECT_EQ(lint.exitCode, 0) << lint.out.toStdString() << lint.err.toStdString();
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
