#pragma once
// The one file layer of the program: every system call on a file it reads,
// writes or locks goes through here (the results file, its journal and the
// maintenance log, the criteria file and the roster it replaces, the
// romanization mode, the configuration files, the administrator's files).
//
// So a test can make the call it names fail with the errno it chooses (or
// write fewer bytes than asked, or be interrupted), an interrupted call
// (EINTR) is made again, every failure names its call, errno and path the
// same way, and every file the program makes in a folder others may write in
// is made new (never through a link) or opened without following a link and
// only when it is a regular file.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstddef>
#include <functional>

#include <sys/stat.h>

namespace common {

enum class IoCall {
    Open, Close, Fstat, Lstat, Stat, Fchmod, Fcntl, Pread, Pwrite, Fdatasync, Fsync, Ftruncate, Rename, Unlink,
    Mkdir, Opendir,
};
// "open", "pwrite", ... as the call is named in C.
const char* IoCallName(IoCall call);

// A system call that failed: which one, its errno and the file it was for.
struct IoFailure {
    IoCall Call = IoCall::Open;
    int Error = 0;  // 0: nothing failed
    QString Path;

    explicit operator bool() const { return Error != 0; }
};

// One line on standard error for a failure a user is told about, the
// subject naming what the file is to the program:
//   results file: pwrite failed, errno 28 (No space left on device): /path/成績累積データ.dat
void LogIoFailure(const IoFailure& failure, const char* subject);
// The text of an error number, as the program's messages show it.
QString ErrorDescription(int error);
// The file and the error, as the "注意" messages show them.
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

// One open file, with the path its failures name. Closed when it goes out of
// scope. EINTR is retried inside every call.
class IoFile {
public:
    IoFile() = default;
    ~IoFile();
    IoFile(const IoFile&) = delete;
    IoFile& operator=(const IoFile&) = delete;

    bool Open(const QString& path, int flags, IoFailure& failure);
    // A file of a folder every pupil account may write in: never through a
    // symbolic link (ELOOP), never blocking on a FIFO, and only a regular
    // file (a folder fails with EISDIR, anything else with ENODEV, as a
    // failed fstat).
    bool OpenInDataFolder(const QString& path, int flags, IoFailure& failure);
    // A new file for writing where nothing of that name may be (EEXIST
    // otherwise): O_EXCL never follows a link nor opens what is there, so
    // what it makes is a new regular file of this process.
    bool CreateNew(const QString& path, IoFailure& failure);
    bool IsOpen() const { return fd_ >= 0; }
    const QString& Path() const { return path_; }

    bool Size(qint64& size, IoFailure& failure);
    bool Stat(struct stat& info, IoFailure& failure);
    bool Chmod(mode_t mode, IoFailure& failure);
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
    bool Sync(IoFailure& failure);     // fdatasync: the data and the length
    bool SyncAll(IoFailure& failure);  // fsync: the data and every attribute
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
// The same through a link (stat).
int StatPath(const QString& path, struct stat& info, IoFailure& failure);
// Whether anything bears that name (a link that leads nowhere included).
bool Exists(const QString& path);
bool RenameFile(const QString& from, const QString& to, IoFailure& failure);
bool RemoveFile(const QString& path, IoFailure& failure);
// Makes the entries of a folder (a rename, a removal) durable: fsync of the folder.
bool SyncFolder(const QString& folder, IoFailure& failure);
// Makes a folder and the folders above it that are missing (mode 0777 less the umask).
bool MakeFolders(const QString& folder, IoFailure& failure);
// The names in a folder ("." and ".." left out), in name order.
bool ListFolder(const QString& folder, QStringList& names, IoFailure& failure);

// The bytes of a whole file: of a folder others may write in (never through
// a link, a regular file only), or (`anywhere`) of any file that can be read.
bool ReadWholeFile(const QString& path, QByteArray& bytes, IoFailure& failure, bool anywhere = false);

}  // namespace common
