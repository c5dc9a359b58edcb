#include "core/common/fileio.h"

#include "core/common/sharedstate.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace common {
namespace {

// The test hook and the calls counted since it was set: shared state, put
// back (no hook) with the rest.
struct Seam {
    IoHook hook;
    long long calls = 0;
};

Seam& seam() {
    static Seam& s = MakeShared<Seam>();
    return s;
}

// Counts the call and asks the hook: 0 to make it, else the errno it fails with.
int Gate(IoCall call, const QByteArray& path, std::size_t& bytes) {
    Seam& s = seam();
    ++s.calls;
    return s.hook ? s.hook(call, s.calls, path, bytes) : 0;
}

// The real call, or the hook's errno in its place; EINTR retried. `bytes`
// is the count a pread or pwrite asks for, which the hook may lower.
template <typename Call>
auto Run(IoCall call, const QByteArray& path, std::size_t& bytes, Call&& real) {
    for (;;) {
        if (const int error = Gate(call, path, bytes)) {
            if (error == EINTR) continue;  // interrupted before it did anything: made again
            errno = error;
            return decltype(real())(-1);
        }
        const auto r = real();
        if (r < 0 && errno == EINTR) continue;
        return r;
    }
}

template <typename Call>
auto Run(IoCall call, const QByteArray& path, Call&& real) {
    std::size_t none = 0;
    return Run(call, path, none, real);
}

bool Failed(IoCall call, const QString& path, IoFailure& failure) {
    failure.Call = call;
    failure.Error = errno != 0 ? errno : EIO;
    failure.Path = path;
    return false;
}

}  // namespace

const char* IoCallName(IoCall call) {
    switch (call) {
    case IoCall::Open: return "open";
    case IoCall::Close: return "close";
    case IoCall::Fstat: return "fstat";
    case IoCall::Lstat: return "lstat";
    case IoCall::Stat: return "stat";
    case IoCall::Fchmod: return "fchmod";
    case IoCall::Fcntl: return "fcntl";
    case IoCall::Pread: return "pread";
    case IoCall::Pwrite: return "pwrite";
    case IoCall::Fdatasync: return "fdatasync";
    case IoCall::Fsync: return "fsync";
    case IoCall::Ftruncate: return "ftruncate";
    case IoCall::Rename: return "rename";
    case IoCall::Unlink: return "unlink";
    case IoCall::Mkdir: return "mkdir";
    case IoCall::Opendir: return "opendir";
    }
    return "?";
}

void LogIoFailure(const IoFailure& f, const char* subject) {
    std::fprintf(stderr, "%s: %s failed, errno %d (%s): %s\n", subject, IoCallName(f.Call), f.Error,
                 std::strerror(f.Error), QFile::encodeName(f.Path).constData());
    std::fflush(stderr);
}

QString ErrorDescription(int error) {
    switch (error) {
    case ENOENT: return QStringLiteral("ファイルが見つかりません。");
    case ENOTDIR: return QStringLiteral("パスが見つかりません。");
    case EACCES:
    case EPERM: return QStringLiteral("アクセスが拒否されました。");
    case EAGAIN: return QStringLiteral("ファイルはほかのコンピュータがロックしています。");
    case EBUSY:
    case ETXTBSY: return QStringLiteral("ファイルは使用中です。");
    case EROFS: return QStringLiteral("書き込みが禁止されています。");
    case ENOSPC: return QStringLiteral("ディスクの空き容量が不足しています。");
    case EDQUOT: return QStringLiteral("ディスクの使用量の上限を超えました。");
    case EIO: return QStringLiteral("デバイス I/O エラーです。");
    case ENOLCK: return QStringLiteral("ファイルをロックできません。");
    case EISDIR: return QStringLiteral("ファイル名がフォルダを指しています。");
    case ELOOP: return QStringLiteral("ファイル名がリンクを指しています。");
    case ENODEV: return QStringLiteral("普通のファイルではありません。");
    default: return QString::fromLocal8Bit(std::strerror(error));
    }
}

QString IoFailureText(const IoFailure& f) {
    return f.Path + u'\n' + QString::fromLatin1(IoCallName(f.Call)) + QStringLiteral(": ") +
           ErrorDescription(f.Error) + u'(' + QString::number(f.Error) + u')';
}

void SetIoHook(IoHook hook) {
    seam().hook = std::move(hook);
    seam().calls = 0;
}

long long IoCallCount() { return seam().calls; }

IoFile::~IoFile() {
    IoFailure ignored;
    Close(ignored);
}

bool IoFile::Fail(IoCall call, IoFailure& failure) { return Failed(call, path_, failure); }

bool IoFile::Open(const QString& path, int flags, IoFailure& failure) {
    IoFailure ignored;
    Close(ignored);
    path_ = path;
    name_ = QFile::encodeName(path);
    fd_ = Run(IoCall::Open, name_, [&] { return ::open(name_.constData(), flags | O_CLOEXEC, 0666); });
    return fd_ >= 0 || Fail(IoCall::Open, failure);
}

bool IoFile::OpenInDataFolder(const QString& path, int flags, IoFailure& failure) {
    if (!Open(path, flags | O_NOFOLLOW | O_NONBLOCK, failure)) return false;
    struct stat info {};
    if (!Stat(info, failure)) return false;
    if (S_ISREG(info.st_mode)) return true;
    errno = S_ISDIR(info.st_mode) ? EISDIR : ENODEV;
    Fail(IoCall::Fstat, failure);
    IoFailure ignored;
    Close(ignored);
    return false;
}

bool IoFile::CreateNew(const QString& path, IoFailure& failure) {
    return Open(path, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW, failure);
}

bool IoFile::Stat(struct stat& info, IoFailure& failure) {
    return Run(IoCall::Fstat, name_, [&] { return ::fstat(fd_, &info); }) == 0 || Fail(IoCall::Fstat, failure);
}

bool IoFile::Size(qint64& size, IoFailure& failure) {
    struct stat info {};
    if (!Stat(info, failure)) return false;
    size = info.st_size;
    return true;
}

bool IoFile::Chmod(mode_t mode, IoFailure& failure) {
    return Run(IoCall::Fchmod, name_, [&] { return ::fchmod(fd_, mode); }) == 0 || Fail(IoCall::Fchmod, failure);
}

bool IoFile::TryLock(IoFailure& failure) {
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    lock.l_start = 0;
    lock.l_len = 0;  // the whole file, however long it grows
    if (Run(IoCall::Fcntl, name_, [&] { return ::fcntl(fd_, F_SETLK, &lock); }) != 0)
        return Fail(IoCall::Fcntl, failure);
    return true;
}

void IoFile::Unlock() {
    struct flock unlock {};
    unlock.l_type = F_UNLCK;
    unlock.l_whence = SEEK_SET;
    Run(IoCall::Fcntl, name_, [&] { return ::fcntl(fd_, F_SETLK, &unlock); });  // close() drops it as well
}

bool IoFile::Read(qint64 offset, char* to, qint64 n, qint64& got, IoFailure& failure) {
    for (got = 0; got < n;) {
        std::size_t bytes = static_cast<std::size_t>(n - got);
        const ssize_t r = Run(IoCall::Pread, name_, bytes,
                              [&] { return ::pread(fd_, to + got, bytes, static_cast<off_t>(offset + got)); });
        if (r < 0) return Fail(IoCall::Pread, failure);
        if (r == 0) break;  // the end of the file
        got += r;
    }
    return true;
}

bool IoFile::Write(qint64 offset, const char* from, qint64 n, IoFailure& failure) {
    for (qint64 done = 0; done < n;) {
        std::size_t bytes = static_cast<std::size_t>(n - done);
        const ssize_t r = Run(IoCall::Pwrite, name_, bytes,
                              [&] { return ::pwrite(fd_, from + done, bytes, static_cast<off_t>(offset + done)); });
        if (r < 0) return Fail(IoCall::Pwrite, failure);
        if (r == 0) {
            // Nothing written and no error: trying again would loop for ever.
            errno = EIO;
            return Fail(IoCall::Pwrite, failure);
        }
        done += r;
    }
    return true;
}

bool IoFile::Sync(IoFailure& failure) {
    if (Run(IoCall::Fdatasync, name_, [&] { return ::fdatasync(fd_); }) != 0)
        return Fail(IoCall::Fdatasync, failure);
    return true;
}

bool IoFile::SyncAll(IoFailure& failure) {
    if (Run(IoCall::Fsync, name_, [&] { return ::fsync(fd_); }) != 0) return Fail(IoCall::Fsync, failure);
    return true;
}

bool IoFile::Truncate(qint64 size, IoFailure& failure) {
    if (Run(IoCall::Ftruncate, name_, [&] { return ::ftruncate(fd_, static_cast<off_t>(size)); }) != 0)
        return Fail(IoCall::Ftruncate, failure);
    return true;
}

bool IoFile::Close(IoFailure& failure) {
    if (fd_ < 0) return true;
    const int fd = fd_;
    fd_ = -1;
    // A close is never repeated: after EINTR the descriptor is gone already.
    std::size_t none = 0;
    int r;
    if (const int error = Gate(IoCall::Close, name_, none); error != 0 && error != EINTR) {
        ::close(fd);
        errno = error;
        r = -1;
    } else {
        r = ::close(fd);
        if (r != 0 && errno == EINTR) r = 0;
    }
    return r == 0 || Failed(IoCall::Close, path_, failure);
}

int LookAt(const QString& path, struct stat& info, IoFailure& failure) {
    const QByteArray name = QFile::encodeName(path);
    if (Run(IoCall::Lstat, name, [&] { return ::lstat(name.constData(), &info); }) == 0) return 0;
    const int error = errno;
    if (error != ENOENT) Failed(IoCall::Lstat, path, failure);
    return error;
}

bool RenameFile(const QString& from, const QString& to, IoFailure& failure) {
    const QByteArray a = QFile::encodeName(from);
    const QByteArray b = QFile::encodeName(to);
    if (Run(IoCall::Rename, b, [&] { return ::rename(a.constData(), b.constData()); }) != 0)
        return Failed(IoCall::Rename, to, failure);
    return true;
}

bool RemoveFile(const QString& path, IoFailure& failure) {
    const QByteArray name = QFile::encodeName(path);
    if (Run(IoCall::Unlink, name, [&] { return ::unlink(name.constData()); }) != 0)
        return Failed(IoCall::Unlink, path, failure);
    return true;
}

int StatPath(const QString& path, struct stat& info, IoFailure& failure) {
    const QByteArray name = QFile::encodeName(path);
    if (Run(IoCall::Stat, name, [&] { return ::stat(name.constData(), &info); }) == 0) return 0;
    const int error = errno;
    if (error != ENOENT) Failed(IoCall::Stat, path, failure);
    return error;
}

bool Exists(const QString& path) {
    struct stat info {};
    IoFailure ignored;
    return LookAt(path, info, ignored) == 0;
}

bool SyncFolder(const QString& folder, IoFailure& failure) {
    IoFile dir;
    if (!dir.Open(folder.isEmpty() ? QStringLiteral(".") : folder, O_RDONLY | O_DIRECTORY, failure)) return false;
    IoFailure flushing;
    // A file system that cannot sync a folder keeps its entries durable
    // another way (network shares): that is no failure.
    if (!dir.SyncAll(flushing) && flushing.Error != EINVAL && flushing.Error != ENOTSUP &&
        flushing.Error != EOPNOTSUPP) {
        flushing.Path = folder;
        failure = flushing;
        return false;
    }
    return dir.Close(failure);
}

bool MakeFolders(const QString& folder, IoFailure& failure) {
    const QString clean = QDir::cleanPath(folder);
    struct stat info {};
    IoFailure ignored;
    if (StatPath(clean, info, ignored) == 0) {
        if (S_ISDIR(info.st_mode)) return true;
        errno = ENOTDIR;
        return Failed(IoCall::Mkdir, clean, failure);
    }
    const qsizetype slash = clean.lastIndexOf(u'/');
    if (slash > 0 && !MakeFolders(clean.left(slash), failure)) return false;
    const QByteArray name = QFile::encodeName(clean);
    if (Run(IoCall::Mkdir, name, [&] { return ::mkdir(name.constData(), 0777); }) == 0 || errno == EEXIST) return true;
    return Failed(IoCall::Mkdir, clean, failure);
}

bool ListFolder(const QString& folder, QStringList& names, IoFailure& failure) {
    names.clear();
    const QByteArray name = QFile::encodeName(folder.isEmpty() ? QStringLiteral(".") : folder);
    DIR* dir = nullptr;
    if (Run(IoCall::Opendir, name, [&] { return (dir = ::opendir(name.constData())) ? 0 : -1; }) != 0)
        return Failed(IoCall::Opendir, folder, failure);
    while (const dirent* entry = ::readdir(dir)) {
        const QString entryName = QFile::decodeName(entry->d_name);
        if (entryName != u"." && entryName != u"..") names << entryName;
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    return true;
}

bool ReadWholeFile(const QString& path, QByteArray& bytes, IoFailure& failure, bool anywhere) {
    IoFile file;
    qint64 size = 0;
    const bool opened =
        anywhere ? file.Open(path, O_RDONLY, failure) : file.OpenInDataFolder(path, O_RDONLY, failure);
    if (!opened || !file.Size(size, failure)) return false;
    bytes.resize(size);
    qint64 got = 0;
    if (!file.Read(0, bytes.data(), size, got, failure)) return false;
    bytes.resize(got);
    if (!anywhere || got < size) return true;
    // Any other file is read on to its end: one that grows meanwhile, or
    // that reports no size at all.
    for (;;) {
        char more[4096];
        qint64 n = 0;
        if (!file.Read(bytes.size(), more, sizeof more, n, failure)) return false;
        if (n == 0) return true;
        bytes.append(more, n);
    }
}

}  // namespace common
