#pragma once
// Replaces a whole file so that another PC reading it at that moment, a crash
// or a power cut finds either the old file or the new one, whole: the bytes
// go to a new file beside it and are flushed to the disk; the old file is
// copied to the backup (when a backup is asked for), flushed, and put in
// place of the previous backup; then the new file is renamed over the old one
// and the folder is flushed. Every call goes through the file layer.

#include "core/common/fileio.h"

#include <QByteArray>
#include <QString>

namespace common {

// Nothing failed, or the call that failed; the old file and the old backup
// are then as they were. A file that does not exist yet is created (and no
// backup is made); without a backup path none is made. The new file gets the
// permissions of the old one, or `mode` when one is given.
//
// With inPlaceFallback, a folder that may not be written into (a program
// folder on a shared PC: EACCES making the new file) does not stop the save:
// the file itself is then written over in place when it may be written
// (never through a link, a regular file only); fit for a file of one item.
IoFailure ReplaceFile(const QString& path, const QString& backupPath, const QByteArray& bytes,
                      bool inPlaceFallback = false, mode_t mode = 0);

}  // namespace common
