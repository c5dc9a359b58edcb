// The demo school's base: the program folder with the program and its mode
// file, the path file above it, the launcher stand-in, and the data root with
// the common settings and the roster. The readable sources are UTF-8 files in
// demo/data; every file is written Shift-JIS with CR LF, as a school has them.

#include "demoschool.h"

#include "common/numbers.h"
#include "common/textfile.h"

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

int SchoolYearOf(const QDate& today, int startMonth) {
    return today.month() < startMonth ? today.year() - 1 : today.year();
}

// The roster source holds grade numbers; the roster holds birth years.
bool WriteRoster(const QString& path, int schoolYear, QString& errorText) {
    QString source;
    if (!ReadSource(QStringLiteral("roster.txt"), source, errorText)) return false;
    common::ItemWriter out;
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
        auto number = [](const QString& s) { return common::RoundHalfEven(common::LeadingNumber(s)); };
        out.Number(number(f[0]))
            .Number(static_cast<long long>(schoolYear) - number(f[1]) - 6)
            .Number(number(f[2]))
            .Number(number(f[3]))
            .Text(f[4])
            .Number(number(f[5]))
            .Text(f[6])
            .Text(f[7])
            .EndLine();
    }
    return Write(path, out.Result(), errorText);
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

bool LayOutBase(const QString& root, const Options& options, QString& errorText) {
    const QString cai = root + QStringLiteral("/CAI");
    const QString program = cai + QStringLiteral("/ローマ字");
    const QString data = root + QStringLiteral("/CAIdata");
    if (!QDir().mkpath(program) || !QDir().mkpath(data + QStringLiteral("/ローマ字"))) {
        errorText = QStringLiteral("cannot create the folders under %1").arg(root);
        return false;
    }

    QString commonText;
    if (!ReadSource(QStringLiteral("共通データ.txt"), commonText, errorText)) return false;
    const QStringList commonItems = common::ReadAllItems(commonText);
    int startMonth = commonItems.isEmpty()
                         ? 4
                         : static_cast<int>(common::LeadingNumber(commonItems.first()));
    if (startMonth < 1 || startMonth > 12) startMonth = 4;
    const QDate today = options.today.isValid() ? options.today : QDate::currentDate();

    if (!options.programBinary.isEmpty() &&
        !CopyProgram(options.programBinary, program + QStringLiteral("/romaji"), errorText))
        return false;
    return CopySource(QStringLiteral("ローマ字形式.txt"), program + QStringLiteral("/ローマ字形式.txt"),
                      errorText) &&
           CopySource(QStringLiteral("パスデータ.txt"), cai + QStringLiteral("/パスデータ.txt"), errorText) &&
           WriteLauncher(cai + QStringLiteral("/起動/ルナリアc.exe"), errorText) &&
           Write(data + QStringLiteral("/共通データ.txt"), WithCrLf(commonText), errorText) &&
           WriteRoster(data + QStringLiteral("/新名簿.txt"), SchoolYearOf(today, startMonth), errorText);
}

}  // namespace demo
