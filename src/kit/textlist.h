#pragma once
// Lists of plain text rows over a model: no item object per row, so a list of
// thousands of rows is filled in one piece.
//
// TextList shows rows in the order given. SortedTextList keeps its rows in
// ascending list order (common/collation.h), as a sorted list box does, and
// carries one number beside each row (a pupil number, a record number) so
// that a handler never has to take a row's meaning from its text or position.

#include <QListView>
#include <QStringList>
#include <QStringListModel>

#include <vector>

namespace kit {

class TextList : public QListView {
    Q_OBJECT
public:
    explicit TextList(QWidget* parent = nullptr);

    void SetRows(const QStringList& rows);
    const QStringList& Rows() const { return rows_; }
    int count() const { return int(rows_.size()); }
    QString text(int row) const { return rows_.value(row); }
    int currentRow() const { return currentIndex().row(); }
    void setCurrentRow(int row);
    void clear() { SetRows({}); }
    // Where row r is drawn, in the viewport's coordinates.
    QRect RowRect(int row) const { return visualRect(model_.index(row)); }
    // The row whose text is widest in the list's font (-1 when empty); every
    // row is laid out at its width.
    int WidestRow() const;

Q_SIGNALS:
    void currentRowChanged(int row);
    void rowClicked(int row);
    void rowDoubleClicked(int row);

protected:
    // After rows were added or removed in place.
    void RowsChanged();
    void changeEvent(QEvent* event) override;

    QStringListModel model_;
    QStringList rows_;

private:
    mutable int widest_ = -1;
};

class SortedTextList : public TextList {
    Q_OBJECT
public:
    explicit SortedTextList(QWidget* parent = nullptr);

    // Replaces every row: one sort over collator keys. tags[i] goes with
    // lines[i] (missing tags are 0).
    void SetLines(const QStringList& lines, const std::vector<int>& tags = {});
    // Adds one row at its place (after equal rows); returns its row.
    int AddLine(const QString& line, int tag = 0);
    void RemoveRow(int row);
    // The number carried beside a row (0 outside the list).
    int Tag(int row) const;
    // The first row carrying tag, or -1.
    int RowOfTag(int tag) const;

private:
    void SetRows(const QStringList&) = delete;  // the order is the list's own
    std::vector<int> tags_;
};

}  // namespace kit
