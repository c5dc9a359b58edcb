// Replacing a whole file that other PCs read at any moment (the criteria, the
// roster, the configuration files, the romanization mode).
//
// What a crash can leave. The file is never written in place (but for the
// romanization mode's fallback, one item in a folder pupils may not write
// in). The new bytes go to a file of their own beside it ("….new" with a
// unique ending), are flushed to the disk and only then renamed over the old
// file: rename is atomic, so a reader, a crash or a power cut sees the old
// file or the new one, whole. Before that rename the old file is copied to
// the backup (through a new file of its own and a rename as well, so the
// backup too is always whole). A crash can leave a stray "….new" file beside
// them, which nothing reads.

#include "core/common/replacefile.h"

#include <QRandomGenerator>

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace common {
namespace {

// A new file beside `target` holding bytes, flushed to the disk, with the
// permissions of `mode` (0: as made). Its name in `made`.
bool WriteNewFile(const QString& target, const QByteArray& bytes, mode_t mode, QString& made, IoFailure& failure) {
    IoFile file;
    for (int attempt = 0;; ++attempt) {
        made = target + QStringLiteral(".new%1_%2")
                            .arg(::getpid())
                            .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));
        IoFailure creating;
        if (file.CreateNew(made, creating)) break;
        if (creating.Error != EEXIST || attempt >= 100) {
            failure = creating;
            return false;
        }
    }
    // The new file gets what the old one allowed (other PCs may write it too).
    const bool written = (mode == 0 || file.Chmod(mode & 07777, failure)) &&
                         file.Write(0, bytes.constData(), bytes.size(), failure) && file.SyncAll(failure) &&
                         file.Close(failure);
    if (!written) {
        IoFailure ignored;
        file.Close(ignored);
        RemoveFile(made, ignored);
    }
    return written;
}

bool Rename(const QString& from, const QString& to, IoFailure& failure) {
    if (RenameFile(from, to, failure)) return true;
    IoFailure ignored;
    RemoveFile(from, ignored);
    return false;
}

QString FolderOf(const QString& path) {
    const qsizetype slash = path.lastIndexOf(u'/');
    return slash < 0 ? QStringLiteral(".") : slash == 0 ? QStringLiteral("/") : path.left(slash);
}

// The file written over where it lies: a folder the program may not make a
// file in, but a file in it that it may write.
bool WriteInPlace(const QString& path, const QByteArray& bytes, IoFailure& failure) {
    IoFile file;
    return file.OpenInDataFolder(path, O_WRONLY, failure) && file.Write(0, bytes.constData(), bytes.size(), failure) &&
           file.Truncate(bytes.size(), failure) && file.SyncAll(failure) && file.Close(failure);
}

}  // namespace

IoFailure ReplaceFile(const QString& path, const QString& backupPath, const QByteArray& bytes,
                      bool inPlaceFallback, mode_t mode) {
    IoFailure failure;
    struct stat old {};
    const int look = StatPath(path, old, failure);
    if (look != 0 && look != ENOENT) return failure;
    const bool hasOld = look == 0;
    if (hasOld && !S_ISREG(old.st_mode)) return {IoCall::Stat, EISDIR, path};

    QString fresh;
    if (!WriteNewFile(path, bytes, mode != 0 ? mode : hasOld ? old.st_mode : 0, fresh, failure)) {
        if (inPlaceFallback && hasOld && failure.Call == IoCall::Open && failure.Error == EACCES) {
            failure = {};
            WriteInPlace(path, bytes, failure);
        }
        return failure;
    }

    if (hasOld && !backupPath.isEmpty()) {
        QByteArray oldBytes;
        QString backupNew;
        if (!ReadWholeFile(path, oldBytes, failure, true) ||
            !WriteNewFile(backupPath, oldBytes, old.st_mode, backupNew, failure) ||
            !Rename(backupNew, backupPath, failure)) {
            IoFailure ignored;
            RemoveFile(fresh, ignored);
            return failure;
        }
    }

    if (!Rename(fresh, path, failure)) return failure;
    // Some shares cannot flush a folder; the rename is done by then anyway.
    IoFailure ignored;
    SyncFolder(FolderOf(path), ignored);
    return {};
}

}  // namespace common
