#include "core/startup/newschool.h"

#include "core/common/fileio.h"

#include <QDir>
#include <QFileInfo>

namespace startup {
namespace {

const QString kSoundFolder = QStringLiteral("音フォルダ");
const QString kCriteriaFile = QStringLiteral("タイム回数データ.txt");

// A new file `to` with the bytes and the permissions of `from`; it never
// takes the place of anything already there.
bool CopyFile(const QString& from, const QString& to, common::IoFailure& failure) {
    QByteArray bytes;
    struct stat info {};
    if (!common::ReadWholeFile(from, bytes, failure, true) || common::StatPath(from, info, failure) != 0) return false;
    common::IoFile copy;
    // The copy is the school's own: its owner may change it (the installed
    // file may be read-only).
    const bool copied = copy.CreateNew(to, failure) && copy.Chmod((info.st_mode & 07777) | S_IWUSR, failure) &&
                        copy.Write(0, bytes.constData(), bytes.size(), failure) && copy.SyncAll(failure) &&
                        copy.Close(failure);
    if (!copied && copy.IsOpen()) {
        common::IoFailure ignored;
        copy.Close(ignored);
        common::RemoveFile(to, ignored);
    }
    return copied;
}

bool CopyOne(const QString& from, const QString& to, QStringList& made, QString& errorMessage) {
    if (common::Exists(to)) {
        errorMessage = QStringLiteral("%1 はもうあります。上書きしません。").arg(QDir::cleanPath(to));
        return false;
    }
    common::IoFailure failure;
    if (!common::MakeFolders(QFileInfo(to).absolutePath(), failure)) {
        errorMessage = QStringLiteral("フォルダを作れません: %1").arg(QFileInfo(to).absolutePath());
        return false;
    }
    if (!CopyFile(from, to, failure)) {
        errorMessage = QStringLiteral("%1 を %2 にコピーできません。\n%3")
                           .arg(QDir::cleanPath(from), QDir::cleanPath(to), common::IoFailureText(failure));
        return false;
    }
    made << QDir::cleanPath(to);
    return true;
}

}  // namespace

QString InstalledProgramFolderName() { return QStringLiteral("ローマ字"); }

QString FindDefaultDataFolder(const QString& programFolder) {
    for (const QString& candidate : {programFolder + QStringLiteral("/share/romaji"),
                                     programFolder + QStringLiteral("/../../../share/romaji")}) {
        const QString folder = QDir::cleanPath(candidate);
        if (common::Exists(folder + u'/' + kSoundFolder + QStringLiteral("/新音ファイル.txt")) &&
            common::Exists(folder + u'/' + InstalledProgramFolderName() + u'/' + kCriteriaFile))
            return folder + u'/';
    }
    return QString();
}

bool CopyDefaultSounds(const QString& defaults, const QString& dataRoot, QStringList& made,
                       QString& errorMessage) {
    const QString from = defaults + kSoundFolder;
    QStringList names;
    common::IoFailure failure;
    common::ListFolder(from, names, failure);
    QStringList files;
    for (const QString& name : names) {
        if (name.startsWith(u'.')) continue;  // hidden: not one of the sounds
        struct stat info {};
        if (common::StatPath(from + u'/' + name, info, failure) == 0 && S_ISREG(info.st_mode)) files << name;
    }
    if (files.isEmpty()) {
        errorMessage = QStringLiteral("既定の音のフォルダが空か、ありません: %1").arg(QDir::cleanPath(from));
        return false;
    }
    const QString to = dataRoot + kSoundFolder + u'/';
    for (const QString& name : files)
        if (!CopyOne(from + u'/' + name, to + name, made, errorMessage)) return false;
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
