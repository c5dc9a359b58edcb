// Replacing a whole file that other PCs read at any moment (the criteria, the
// roster).
//
// What a crash can leave. The file is never written in place. The new bytes
// go to a file of their own beside it ("….new" with a unique ending), are
// flushed to the disk and only then renamed over the old file: rename is
// atomic, so a reader, a crash or a power cut sees the old file or the new
// one, whole. Before that rename the old file is copied to the backup
// (through a new file of its own and a rename as well, so the backup too is
// always whole). A crash can leave a stray "….new" file beside them, which
// nothing reads.

#include "common/replacefile.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdint>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace common {
namespace {

// write() until every byte is out; the error number, else 0.
int WriteAll(int fd, const char* p, qsizetype n) {
    while (n > 0) {
        const ssize_t w = ::write(fd, p, static_cast<size_t>(n));
        if (w < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        if (w == 0) return EIO;
        p += w;
        n -= w;
    }
    return 0;
}

int SyncAndClose(int fd) {
    int error = 0;
    while (::fsync(fd) != 0) {
        if (errno == EINTR) continue;
        error = errno;
        break;
    }
    if (::close(fd) != 0 && error == 0 && errno != EINTR) error = errno;
    return error;
}

// A new file beside `target` holding bytes, flushed to the disk, with the
// permissions of `mode`. Its name, or the error number.
int WriteNewFile(const QByteArray& target, const QByteArray& bytes, mode_t mode, ReplaceHook hook,
                 QByteArray& name) {
    const auto Reached = [hook](ReplaceStep step) {
        if (hook) hook(step);
    };
    static std::uint32_t counter = 0;
    int fd = -1;
    for (int attempt = 0; fd < 0; ++attempt) {
        name = target + ".new" + QByteArray::number(static_cast<qlonglong>(::getpid())) + '_' +
               QByteArray::number(++counter);
        fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST && errno != EINTR) return errno;
        if (attempt > 1000) return EEXIST;
    }
    int error = 0;
    // The new file gets what the old one allowed (other PCs may write it too).
    if (mode != 0) ::fchmod(fd, mode & 07777);
    if (hook) Reached(ReplaceStep::NewFileCreated);
    const qsizetype half = bytes.size() / 2;
    error = WriteAll(fd, bytes.constData(), half);
    if (error == 0 ) Reached(ReplaceStep::NewFileHalfWritten);
    if (error == 0) error = WriteAll(fd, bytes.constData() + half, bytes.size() - half);
    const int closeError = SyncAndClose(fd);
    if (error == 0) error = closeError;
    if (error != 0) {
        ::unlink(name.constData());
        return error;
    }
    if (hook) Reached(ReplaceStep::NewFileFlushed);
    return 0;
}

int Rename(const QByteArray& from, const QByteArray& to) {
    if (::rename(from.constData(), to.constData()) == 0) return 0;
    const int error = errno;
    ::unlink(from.constData());
    return error;
}

// The whole bytes of a file, or the error number.
int ReadAll(const QByteArray& name, QByteArray& bytes) {
    int fd;
    while ((fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC)) < 0)
        if (errno != EINTR) return errno;
    bytes.clear();
    char buffer[16384];
    int error = 0;
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n > 0) {
            bytes.append(buffer, n);
            continue;
        }
        if (n == 0) break;
        if (errno == EINTR) continue;
        error = errno;
        break;
    }
    ::close(fd);
    return error;
}

void SyncFolder(const QByteArray& target) {
    const QByteArray folder = QFile::encodeName(QFileInfo(QFile::decodeName(target)).absolutePath());
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    // Some shares cannot flush a folder; the rename is done by then anyway.
    ::fsync(fd);
    ::close(fd);
}

}  // namespace

int ReplaceFile(const QString& path, const QString& backupPath, const QByteArray& bytes, ReplaceHook hook) {
    const auto Reached = [hook](ReplaceStep step) {
        if (hook) hook(step);
    };
    const QByteArray target = QFile::encodeName(path);
    const QByteArray backup = QFile::encodeName(backupPath);

    struct stat old {};
    bool hasOld = ::stat(target.constData(), &old) == 0;
    if (!hasOld && errno != ENOENT) return errno;
    if (hasOld && !S_ISREG(old.st_mode)) return EISDIR;

    QByteArray fresh;
    if (int error = WriteNewFile(target, bytes, hasOld ? old.st_mode : 0, hook, fresh)) return error;

    if (hasOld) {
        QByteArray oldBytes;
        QByteArray backupNew;
        int error = ReadAll(target, oldBytes);
        if (error == 0) error = WriteNewFile(backup, oldBytes, old.st_mode, nullptr, backupNew);
        if (error == 0) {
            Reached(ReplaceStep::BackupWritten);
            error = Rename(backupNew, backup);
        }
        if (error != 0) {
            ::unlink(fresh.constData());
            return error;
        }
        Reached(ReplaceStep::BackupInPlace);
    }

    if (int error = Rename(fresh, target)) return error;
    Reached(ReplaceStep::NewFileInPlace);
    SyncFolder(target);
    Reached(ReplaceStep::FolderFlushed);
    return 0;
}

}  // namespace common
