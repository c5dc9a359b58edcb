#pragma once
// The system calls of the results file and its journal, in one place.
//
// Every open, lstat, fcntl, pread, pwrite, fdatasync, ftruncate, rename and
// unlink of the results code goes through here, so that a test can make the
// call it names fail with the errno it chooses (or write fewer bytes than
// asked, or be interrupted), and so that every failure names its call, errno
// and path the same way.

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <functional>

#include <sys/stat.h>

namespace results {

enum class IoCall { Open, Close, Fstat, Lstat, Fcntl, Pread, Pwrite, Fdatasync, Fsync, Ftruncate, Rename, Unlink };
// "open", "pwrite", ... as the call is named in C.
const char* IoCallName(IoCall call);

// A system call that failed: which one, its errno and the file it was for.
struct IoFailure {
    IoCall Call = IoCall::Open;
    int Error = 0;  // 0: nothing failed
    QString Path;

    explicit operator bool() const { return Error != 0; }
};

// One line on standard error for a failure a user is told about:
//   results file: pwrite failed, errno 28 (No space left on device): /path/成績累積データ.dat
void LogIoFailure(const IoFailure& failure);
// The file and the error, as the "注意" messages of records maintenance show them.
QString IoFailureText(const IoFailure& failure);

// The test seam. The hook runs before each call with the call's number (from 1,
// counted since the hook was set) and its path. It returns 0 to let the call
// run, or an errno: the call is then not made and fails with it. EINTR is an
// interruption, as a signal makes one: the call is then made again (and
// counted again), the path every real EINTR takes. For pread and pwrite it
// may lower `bytes` to make the call a short one.
using IoHook = std::function<int(IoCall call, long long number, const QByteArray& path, std::size_t& bytes)>;
// Installs the hook (an empty one removes it) and starts counting from 0.
void SetIoHook(IoHook hook);
// Calls made since the hook was last set.
long long IoCallCount();

// One open file of the results code, with the path its failures name. Closed
// when it goes out of scope. EINTR is retried inside every call.
class IoFile {
public:
    IoFile() = default;
    ~IoFile();
    IoFile(const IoFile&) = delete;
    IoFile& operator=(const IoFile&) = delete;

    bool Open(const QString& path, int flags, IoFailure& failure);
    // A file of the shared data folder, which every pupil account may write
    // in: never through a symbolic link (ELOOP), never blocking on a FIFO,
    // and only a regular file (a folder fails with EISDIR, anything else with
    // ENODEV, as a failed fstat).
    bool OpenInDataFolder(const QString& path, int flags, IoFailure& failure);
    bool IsOpen() const { return fd_ >= 0; }
    const QString& Path() const { return path_; }

    bool Size(qint64& size, IoFailure& failure);
    bool Stat(struct stat& info, IoFailure& failure);
    // An exclusive fcntl lock on the whole file, however long it grows;
    // refused at once (EAGAIN, EACCES) when another process holds one.
    bool TryLock(IoFailure& failure);
    void Unlock();
    // Reads n bytes at offset; `got` is smaller only at the end of the file.
    bool Read(qint64 offset, char* to, qint64 n, qint64& got, IoFailure& failure);
    // Writes all n bytes at offset. A short write goes on with the rest; a
    // write that makes no progress at all fails with EIO instead of trying
    // again for ever.
    bool Write(qint64 offset, const char* from, qint64 n, IoFailure& failure);
    bool Sync(IoFailure& failure);  // fdatasync
    bool Truncate(qint64 size, IoFailure& failure);
    bool Close(IoFailure& failure);

private:
    bool Fail(IoCall call, IoFailure& failure);
    int fd_ = -1;
    QString path_;
    QByteArray name_;
};

// What lstat says of a path, without following a link: 0 when it exists,
// else the errno (ENOENT when there is nothing of that name).
int LookAt(const QString& path, struct stat& info, IoFailure& failure);
bool RenameFile(const QString& from, const QString& to, IoFailure& failure);
bool RemoveFile(const QString& path, IoFailure& failure);
// Makes the entries of a folder (a rename, a removal) durable: fsync of the folder.
bool SyncFolder(const QString& folder, IoFailure& failure);

}  // namespace results
