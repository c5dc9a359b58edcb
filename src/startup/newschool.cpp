#include "startup/newschool.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace startup {
namespace {

const QString kSoundFolder = QStringLiteral("音フォルダ");
const QString kCriteriaFile = QStringLiteral("タイム回数データ.txt");

bool CopyOne(const QString& from, const QString& to, QStringList& made, QString& errorMessage) {
    if (QFileInfo::exists(to) || QFileInfo(to).isSymLink()) {
        errorMessage = QStringLiteral("%1 はもうあります。上書きしません。").arg(QDir::cleanPath(to));
        return false;
    }
    if (!QDir().mkpath(QFileInfo(to).absolutePath())) {
        errorMessage = QStringLiteral("フォルダを作れません: %1").arg(QFileInfo(to).absolutePath());
        return false;
    }
    QFile source(from);
    if (!source.copy(to)) {
        errorMessage = QStringLiteral("%1 を %2 にコピーできません。\n%3")
                           .arg(QDir::cleanPath(from), QDir::cleanPath(to), source.errorString());
        return false;
    }
    // The copy is the school's own: its owner may change it (the installed
    // file may be read-only).
    QFile::setPermissions(to, QFile::permissions(to) | QFileDevice::WriteOwner);
    made << QDir::cleanPath(to);
    return true;
}

}  // namespace

QString InstalledProgramFolderName() { return QStringLiteral("ローマ字"); }

QString FindDefaultDataFolder(const QString& programFolder) {
    for (const QString& candidate : {programFolder + QStringLiteral("/share/romaji"),
                                     programFolder + QStringLiteral("/../../../share/romaji")}) {
        const QString folder = QDir::cleanPath(candidate);
        if (QFileInfo::exists(folder + u'/' + kSoundFolder + QStringLiteral("/新音ファイル.txt")) &&
            QFileInfo::exists(folder + u'/' + InstalledProgramFolderName() + u'/' + kCriteriaFile))
            return folder + u'/';
    }
    return QString();
}

bool CopyDefaultSounds(const QString& defaults, const QString& dataRoot, QStringList& made,
                       QString& errorMessage) {
    const QDir from(defaults + kSoundFolder);
    const QStringList files = from.entryList(QDir::Files, QDir::Name);
    if (files.isEmpty()) {
        errorMessage = QStringLiteral("既定の音のフォルダが空か、ありません: %1").arg(from.path());
        return false;
    }
    const QString to = dataRoot + kSoundFolder + u'/';
    for (const QString& name : files)
        if (!CopyOne(from.filePath(name), to + name, made, errorMessage)) return false;
    return true;
}

bool CopyDefaultCriteria(const QString& defaults, const QString& programDataFolder, QStringList& made,
                         QString& errorMessage) {
    return CopyOne(defaults + InstalledProgramFolderName() + u'/' + kCriteriaFile,
                   programDataFolder + kCriteriaFile, made, errorMessage);
}

QString SystemConfigFolder() {
    const QString given = qEnvironmentVariable("ROMAJI_CONFIG_DIR");
    return given.isEmpty() ? QStringLiteral("/etc/romaji") : QDir::cleanPath(given);
}

}  // namespace startup
