#pragma once
// Replaces a whole file so that another PC reading it at that moment, a crash
// or a power cut finds either the old file or the new one, whole: the bytes
// go to a new file beside it and are flushed to the disk; the old file is
// copied to the backup, flushed, and put in place of the previous backup;
// then the new file is renamed over the old one and the folder is flushed.

#include <QByteArray>
#include <QString>

namespace common {

// The steps of ReplaceFile, for fault tests that end the process at each of
// them. The hook runs after the step named.
enum class ReplaceStep {
    NewFileCreated,
    NewFileHalfWritten,
    NewFileFlushed,
    BackupWritten,
    BackupInPlace,
    NewFileInPlace,
    FolderFlushed,
};
using ReplaceHook = void (*)(ReplaceStep);

// 0, or the error number of the step that failed; the old file and the old
// backup are then as they were. A file that does not exist yet is created
// (and no backup is made). The new file gets the permissions of the old one.
int ReplaceFile(const QString& path, const QString& backupPath, const QByteArray& bytes,
                ReplaceHook hook = nullptr);

}  // namespace common
