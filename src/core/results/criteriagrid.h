#pragma once
// The criteria file as the criteria editor holds it: every field as the text
// it was read as, so that a save writes back exactly what the teacher sees;
// and the one way the criteria file is replaced.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace results {

inline constexpr int kCriteriaColumns = 12;   // fields of one level
inline constexpr int kNumberColumnsLast = 9;  // columns 1..9 hold numbers

// Rows[0] is the header row (the header texts); Rows[n] is level n. Every row
// has kCriteriaColumns cells, index 0 being column 1.
struct CriteriaGrid {
    QList<QStringList> Rows;
    int LevelRows() const { return Rows.isEmpty() ? 0 : static_cast<int>(Rows.size()) - 1; }
};

// The grid of a criteria file's text: the header texts, then one row per
// group of 12 items after the file's own first group (its header line). A
// last group cut short gets empty cells.
CriteriaGrid CriteriaGridFromText(const QString& text);
// Reads the criteria file (CriteriaPath(path)). Empty optional with a message
// naming the file when it cannot be read.
std::optional<CriteriaGrid> LoadCriteriaGrid(QString& errorMessage, const QString& path = QString());

// The file text of a grid: every cell unchanged, commas between, CR LF after
// each row, header row included.
QString CriteriaGridText(const CriteriaGrid& grid);

// A cell a save has to name: its row (the level), its column (1..12), its text.
struct CriteriaCell {
    int Row = 0;
    int Column = 0;
    QString Text;
};

// The first cell, in row order, that cannot be written as it stands and read
// back the same: a comma, double quote or line break would split it or
// swallow the next item and shift every later field; blanks around it are
// dropped by every reader; a character Shift-JIS cannot hold comes back as
// another one.
std::optional<CriteriaCell> FirstUnwritableCell(const CriteriaGrid& grid);
// The "注意" message for such a cell; the save then writes nothing.
QString UnwritableCellMessage(const CriteriaCell& cell);

// The non-empty cells of columns 1..9 of the level rows that are not numbers:
// a typo such as "3O" would score every run of its level wrongly or lock it.
QList<CriteriaCell> NonNumberCells(const CriteriaGrid& grid);
// The "注意" Yes/No question that names them before a save; Yes writes.
QString NonNumberQuestion(const QList<CriteriaCell>& cells);

// Replaces the criteria file (CriteriaPath(path)) with the grid's text.
// False with a message naming the file and the error when it could not be
// written; the old file is then as it was.
bool SaveCriteriaGrid(const CriteriaGrid& grid, QString& errorMessage, const QString& path = QString());

// Replaces the criteria file with text, so that another PC reading it at that
// moment, a crash or a power cut finds either the old file or the new one,
// whole: the text goes to a new file beside it and is flushed to the disk; the
// old file is copied to the backup (BackupPath), flushed, and put in place of
// the previous backup; then the new file is renamed over the old one
// (common::ReplaceFile).
bool WriteCriteriaFile(const QString& text, QString& errorMessage, const QString& path = QString());
// "タイム回数データ.bak" beside "タイム回数データ.txt".
QString CriteriaBackupPath(const QString& path = QString());

}  // namespace results
