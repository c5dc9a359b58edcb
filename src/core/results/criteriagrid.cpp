// The criteria editor's grid and the replacement of the criteria file.
//
// Every PC of the school reads "タイム回数データ.txt" at its start and cannot
// run without it, so the file is never written in place: it is replaced whole
// by common::ReplaceFile (see there what a crash can leave), the old file kept
// as "タイム回数データ.bak".

#include "core/results/criteriagrid.h"

#include "core/common/numbers.h"
#include "core/common/replacefile.h"
#include "core/common/strings.h"
#include "core/common/textfile.h"
#include "core/results/criteria.h"
#include "core/results/resultsfile.h"

#include <QDir>
#include <QFileInfo>

namespace results {
namespace {

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
    const common::IoFailure failure = common::ReplaceFile(file, CriteriaBackupPath(file), common::ToShiftJis(text));
    if (!failure) return true;
    common::LogIoFailure(failure, "criteria file");
    errorMessage = QStringLiteral("%1 に書き込めません。\n%2\n%3")
                       .arg(CriteriaFileName(), QDir::cleanPath(file), common::ErrorDescription(failure.Error));
    return false;
}

QString CriteriaBackupPath(const QString& path) {
    const QString file = CriteriaPath(path);
    const QFileInfo info(file);
    const QString base = info.suffix().isEmpty() ? info.fileName() : info.completeBaseName();
    return info.dir().filePath(base + QStringLiteral(".bak"));
}

}  // namespace results
