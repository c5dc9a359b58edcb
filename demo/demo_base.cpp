// The demo school's base: the program folder with the program and its mode
// file, the path file above it, the launcher stand-in, and the data root with
// the common settings and the roster. The readable sources are UTF-8 files in
// demo/data; every file is written Shift-JIS with CR LF, as a school has them.
// The settings and the roster are written by the school builder.

#include "demoschool.h"

#include "core/common/numbers.h"
#include "core/common/textfile.h"
#include "core/menus/roster.h"
#include "core/startup/newschool.h"

#include <QDir>
#include <QFile>

namespace demo {
namespace {

const QString kDataDir = QStringLiteral(ROMAJI_DEMO_DATA);

bool ReadSource(const QString& name, QString& text, QString& errorText) {
    QFile f(kDataDir + u'/' + name);
    if (!f.open(QIODevice::ReadOnly)) {
        errorText = QStringLiteral("%1: %2").arg(f.fileName(), f.errorString());
        return false;
    }
    text = QString::fromUtf8(f.readAll());
    return true;
}

QString WithCrLf(QString text) {
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\n', QStringLiteral("\r\n"));
    return text;
}

bool Write(const QString& path, const QString& text, QString& errorText) {
    if (!QDir().mkpath(QFileInfo(path).absolutePath())) {
        errorText = QStringLiteral("cannot create the folder of %1").arg(path);
        return false;
    }
    QString error;
    if (!common::WriteShiftJisFile(path, text, &error)) {
        errorText = QStringLiteral("%1: %2").arg(path, error);
        return false;
    }
    return true;
}

// A source file written as it stands, only re-encoded.
bool CopySource(const QString& name, const QString& path, QString& errorText) {
    QString text;
    return ReadSource(name, text, errorText) && Write(path, WithCrLf(text), errorText);
}

bool CopyProgram(const QString& from, const QString& to, QString& errorText) {
    QFile::remove(to);
    if (!QFile::copy(from, to)) {
        errorText = QStringLiteral("cannot copy %1 to %2").arg(from, to);
        return false;
    }
    QFile::setPermissions(to, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                  QFileDevice::ExeOwner | QFileDevice::ReadGroup |
                                  QFileDevice::ExeGroup | QFileDevice::ReadOther |
                                  QFileDevice::ExeOther);
    return true;
}

// Stands in for the launcher of the other learning programs: it simply exits.
bool WriteLauncher(const QString& path, QString& errorText) {
    if (!QDir().mkpath(QFileInfo(path).absolutePath())) {
        errorText = QStringLiteral("cannot create the folder of %1").arg(path);
        return false;
    }
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        f.write("#!/bin/sh\n# Stand-in for the launcher of the learning programs.\nexit 0\n") < 0) {
        errorText = QStringLiteral("%1: %2").arg(path, f.errorString());
        return false;
    }
    f.close();
    f.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner |
                     QFileDevice::ReadGroup | QFileDevice::ExeGroup | QFileDevice::ReadOther |
                     QFileDevice::ExeOther);
    return true;
}

}  // namespace

school::Settings Settings() {
    return {.startMonth = 4, .classroom = QStringLiteral("01234中央教室"), .listFlagTwo = 1};
}

// The roster source holds grade numbers; the roster holds birth years.
bool Roster(const QDate& today, std::vector<school::Pupil>& pupils, QString& errorText) {
    QString source;
    if (!ReadSource(QStringLiteral("roster.txt"), source, errorText)) return false;
    const int schoolYear = menus::SchoolYearOf(today, Settings().startMonth);
    int lineNumber = 0;
    for (const QString& line : source.split(u'\n')) {
        ++lineNumber;
        const QString trimmed = line.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith(u'#')) continue;
        const QStringList f = common::ReadAllItems(trimmed);
        if (f.size() != 8) {
            errorText = QStringLiteral("roster.txt line %1: 8 fields expected").arg(lineNumber);
            return false;
        }
        auto number = [](const QString& s) {
            return static_cast<int>(common::RoundHalfEven(common::LeadingNumber(s)));
        };
        pupils.push_back({.number = number(f[0]),
                          .birthYear = school::BirthYear(number(f[1]), schoolYear),
                          .name = f[4],
                          .listingFlag = number(f[5]),
                          .extraNumber1 = number(f[2]),
                          .extraNumber2 = number(f[3]),
                          .extraText1 = f[6],
                          .extraText2 = f[7]});
    }
    return true;
}

bool LayOutBase(const QString& root, const Options& options, QString& errorText) {
    const QString cai = root + QStringLiteral("/CAI");
    const QString program = cai + u'/' + startup::InstalledProgramFolderName();
    if (!QDir().mkpath(program)) {
        errorText = QStringLiteral("cannot create the folders under %1").arg(root);
        return false;
    }
    const QDate today = options.today.isValid() ? options.today : QDate::currentDate();
    std::vector<school::Pupil> pupils;
    if (!Roster(today, pupils, errorText)) return false;

    if (!options.programBinary.isEmpty() &&
        !CopyProgram(options.programBinary, program + QStringLiteral("/romaji"), errorText))
        return false;
    if (!CopySource(QStringLiteral("ローマ字形式.txt"), program + QStringLiteral("/ローマ字形式.txt"), errorText) ||
        !CopySource(QStringLiteral("パスデータ.txt"), cai + QStringLiteral("/パスデータ.txt"), errorText) ||
        !WriteLauncher(cai + QStringLiteral("/起動/ルナリアc.exe"), errorText))
        return false;
    school::Builder school(school::InstallationFolders(root));
    school.Settings(Settings()).Roster(pupils);
    errorText = school.Error();
    return school.Ok();
}

}  // namespace demo
