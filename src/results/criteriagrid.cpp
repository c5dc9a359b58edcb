// The criteria editor's grid and the replacement of the criteria file.
//
// What a crash can leave. Every PC of the school reads "タイム回数データ.txt"
// at its start and cannot run without it, so the file is never written in
// place. The new text goes to a file of its own beside it ("….new" with a
// unique ending), is flushed to the disk and only then renamed over the old
// file: rename is atomic, so a reader, a crash or a power cut sees the old
// file or the new one, whole. Before that rename the old file is copied to
// "タイム回数データ.bak" (through a new file of its own and a rename as
// well, so the backup too is always whole). A crash can leave a stray
// "….new" file beside them, which nothing reads.

#include "results/criteriagrid.h"

#include "common/numbers.h"
#include "common/strings.h"
#include "common/textfile.h"
#include "results/criteria.h"
#include "results/resultsfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdint>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace results {
namespace {

CriteriaSaveHook saveHook = nullptr;

void Reached(CriteriaSaveStep step) {
    if (saveHook) saveHook(step);
}

QString ColumnName(int column) {
    const QString title = column >= 1 && column <= kCriteriaColumns ? CriteriaHeaderTexts()[column - 1] : QString();
    if (title.isEmpty()) return QStringLiteral("%1列目").arg(column);
    return QStringLiteral("%1（%2列目）").arg(title).arg(column);
}

QString CellName(const CriteriaCell& cell) {
    if (cell.Row == 0) return QStringLiteral("見出しの%1").arg(ColumnName(cell.Column));
    return QStringLiteral("レベル%1の%2").arg(cell.Row).arg(ColumnName(cell.Column));
}

bool IsBlank(QChar c) { return c == u' ' || c == u'\t' || c == common::kIdeographicSpace; }

bool Writable(const QString& text) {
    for (QChar c : text)
        if (c == u',' || c == u'"' || c == u'\r' || c == u'\n') return false;
    if (!text.isEmpty() && (IsBlank(text.front()) || IsBlank(text.back()))) return false;
    return common::FromShiftJis(common::ToShiftJis(text)) == text;
}

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
int WriteNewFile(const QByteArray& target, const QByteArray& bytes, mode_t mode, bool withSteps,
                 QByteArray& name) {
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
    if (withSteps) Reached(CriteriaSaveStep::NewFileCreated);
    const qsizetype half = bytes.size() / 2;
    error = WriteAll(fd, bytes.constData(), half);
    if (error == 0 && withSteps) Reached(CriteriaSaveStep::NewFileHalfWritten);
    if (error == 0) error = WriteAll(fd, bytes.constData() + half, bytes.size() - half);
    const int closeError = SyncAndClose(fd);
    if (error == 0) error = closeError;
    if (error != 0) {
        ::unlink(name.constData());
        return error;
    }
    if (withSteps) Reached(CriteriaSaveStep::NewFileFlushed);
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

// The steps of WriteCriteriaFile; the error number of the one that failed.
int Replace(const QString& path, const QByteArray& bytes) {
    const QByteArray target = QFile::encodeName(path);
    const QByteArray backup = QFile::encodeName(CriteriaBackupPath(path));

    struct stat old {};
    bool hasOld = ::stat(target.constData(), &old) == 0;
    if (!hasOld && errno != ENOENT) return errno;
    if (hasOld && !S_ISREG(old.st_mode)) return EISDIR;

    QByteArray fresh;
    if (int error = WriteNewFile(target, bytes, hasOld ? old.st_mode : 0, true, fresh)) return error;

    if (hasOld) {
        QByteArray oldBytes;
        QByteArray backupNew;
        int error = ReadAll(target, oldBytes);
        if (error == 0) error = WriteNewFile(backup, oldBytes, old.st_mode, false, backupNew);
        if (error == 0) {
            Reached(CriteriaSaveStep::BackupWritten);
            error = Rename(backupNew, backup);
        }
        if (error != 0) {
            ::unlink(fresh.constData());
            return error;
        }
        Reached(CriteriaSaveStep::BackupInPlace);
    }

    if (int error = Rename(fresh, target)) return error;
    Reached(CriteriaSaveStep::NewFileInPlace);
    SyncFolder(target);
    Reached(CriteriaSaveStep::FolderFlushed);
    return 0;
}

}  // namespace

CriteriaGrid CriteriaGridFromText(const QString& text) {
    CriteriaGrid grid;
    grid.Rows.append(CriteriaHeaderTexts());
    const QStringList items = CriteriaFileItems(text);
    // The file's own first group is its header line: the grid shows the
    // header texts instead.
    for (qsizetype first = kCriteriaColumns; first < items.size(); first += kCriteriaColumns) {
        QStringList row = items.mid(first, kCriteriaColumns);
        while (row.size() < kCriteriaColumns) row.append(QString());
        grid.Rows.append(row);
    }
    return grid;
}

std::optional<CriteriaGrid> LoadCriteriaGrid(QString& errorMessage, const QString& path) {
    const QString file = CriteriaPath(path);
    QString error;
    auto text = common::ReadShiftJisFile(file, &error);
    if (!text) {
        errorMessage = common::CannotReadMessage(CriteriaFileName(), file, error);
        return std::nullopt;
    }
    return CriteriaGridFromText(*text);
}

QString CriteriaGridText(const CriteriaGrid& grid) {
    QString out;
    for (const QStringList& row : grid.Rows) {
        for (int c = 0; c < kCriteriaColumns; ++c) {
            if (c > 0) out += u',';
            if (c < row.size()) out += row[c];
        }
        out += QStringLiteral("\r\n");
    }
    return out;
}

std::optional<CriteriaCell> FirstUnwritableCell(const CriteriaGrid& grid) {
    for (int r = 0; r < grid.Rows.size(); ++r) {
        const QStringList& row = grid.Rows[r];
        for (int c = 0; c < row.size() && c < kCriteriaColumns; ++c)
            if (!Writable(row[c])) return CriteriaCell{r, c + 1, row[c]};
    }
    return std::nullopt;
}

QString UnwritableCellMessage(const CriteriaCell& cell) {
    return QStringLiteral("%1に、そのままでは記録できない文字があります。\n"
                          "カンマ（,）、ダブルクォーテーション（\"）、改行、前後の空白、"
                          "Shift-JISにない文字は使えません。\n"
                          "直してから記録してください。何も記録していません。")
        .arg(CellName(cell));
}

QList<CriteriaCell> NonNumberCells(const CriteriaGrid& grid) {
    QList<CriteriaCell> cells;
    for (int r = 1; r < grid.Rows.size(); ++r) {
        const QStringList& row = grid.Rows[r];
        for (int c = 0; c < row.size() && c < kNumberColumnsLast; ++c)
            if (!row[c].isEmpty() && !common::IsNumber(row[c])) cells.append({r, c + 1, row[c]});
    }
    return cells;
}

QString NonNumberQuestion(const QList<CriteriaCell>& cells) {
    if (cells.isEmpty()) return QString();
    QString text = QStringLiteral("%1「%2」は数字ではありません。\n").arg(CellName(cells.front()), cells.front().Text);
    if (cells.size() > 1) text += QStringLiteral("（ほかに%1か所あります）\n").arg(cells.size() - 1);
    return text + QStringLiteral("このまま記録しますか？");
}

bool SaveCriteriaGrid(const CriteriaGrid& grid, QString& errorMessage, const QString& path) {
    return WriteCriteriaFile(CriteriaGridText(grid), errorMessage, path);
}

bool WriteCriteriaFile(const QString& text, QString& errorMessage, const QString& path) {
    const QString file = CriteriaPath(path);
    const int error = Replace(file, common::ToShiftJis(text));
    if (error == 0) return true;
    errorMessage = QStringLiteral("%1 に書き込めません。\n%2\n%3")
                       .arg(CriteriaFileName(), QDir::cleanPath(file), ErrorDescription(error));
    return false;
}

QString CriteriaBackupPath(const QString& path) {
    const QString file = CriteriaPath(path);
    const QFileInfo info(file);
    const QString base = info.suffix().isEmpty() ? info.fileName() : info.completeBaseName();
    return info.dir().filePath(base + QStringLiteral(".bak"));
}

void SetCriteriaSaveHook(CriteriaSaveHook hook) { saveHook = hook; }

}  // namespace results
