#pragma once
// Lists of plain text rows over a model: no item object per row, so a list of
// thousands of rows is filled in one piece.
//
// TextList shows rows in the order given. SortedTextList keeps its rows in
// ascending list order (common/collation.h), as a sorted list box does, and
// carries one number beside each row (a pupil number, a record number) so
// that a handler never has to take a row's meaning from its text or position.

#include "core/common/strings.h"

#include <QAbstractListModel>
#include <QListView>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <vector>

class QAbstractItemView;

namespace kit {

// Keeps every line of a list readable by a screen reader when its lines are
// replaced as a whole. The platform's bridge hears of it from the view; an
// accessibility interface that no bridge keeps up to date (one asked for in
// the program itself) holds its lines as they were and would read the new
// ones empty. Every TextList does this; other lists of the teacher views call it.
void KeepLinesReadable(QAbstractItemView* view);

class TextList;

// Rows written one at a time, when read: Row(r) writes row r, and Widest
// names the row that is widest in the list's font without writing the others.
struct RowSource {
    std::function<QString(qsizetype row)> Row;
    std::function<qsizetype(common::CharAdvances& advance)> Widest;
};

namespace detail {

// The rows of a TextList as a model; a row's text is read through the list,
// so a list that orders its rows can do so when a row is first read.
class TextRows final : public QAbstractListModel {
public:
    explicit TextRows(const TextList* list) : list_(list) {}
    int rowCount(const QModelIndex& parent = {}) const override;
    // Laying out a list asks for every row's index, twice: answered here
    // without the two virtual calls the base class makes to check it.
    QModelIndex index(int row, int column = 0, const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

private:
    friend class kit::TextList;
    const TextList* list_;
};

// Each character's advance in a list's font.
class ListAdvances final : public common::CharAdvances {
public:
    explicit ListAdvances(const QWidget* list) : list_(list) {}

protected:
    int Measure(QChar c) const override;

private:
    const QWidget* list_;
};

}  // namespace detail

class TextList : public QListView {
    Q_OBJECT
public:
    explicit TextList(QWidget* parent = nullptr);

    void SetRows(const QStringList& rows);
    const QStringList& Rows() const {
        Fill();
        Arrange();
        return rows_;
    }
    int count() const { return int(count_); }
    QString text(int row) const {
        if (RowsOnDemand()) return row >= 0 && row < count_ ? source_.Row(row) : QString();
        Arrange();
        return rows_.value(row);
    }
    int currentRow() const { return currentIndex().row(); }
    void setCurrentRow(int row);
    // The rows chosen in a list that lets several be chosen.
    bool IsRowSelected(int row) const;
    void SetRowSelected(int row, bool selected);
    virtual void clear() { SetRows({}); }
    // Where row r is drawn, in the viewport's coordinates.
    // A list waiting to be laid out is laid out first.
    QRect RowRect(int row) const;
    // The text of the row that is widest in the list's font (empty when there
    // are no rows); every row is laid out at its width. For rows written on
    // demand, the widest of the first screenful until, right after the first
    // paint, the widest of all is known.
    QString WidestText() const;

Q_SIGNALS:
    void currentRowChanged(int row);
    void rowClicked(int row);
    void rowDoubleClicked(int row);

public:
    // A list lying wholly outside its parent (a column parked out of view)
    // is laid out when it is drawn, focused or asked where a row is: laying
    // out measures every row.
    void doItemsLayout() override;
    QRect visualRect(const QModelIndex& index) const override;

protected:
    // Puts rows_ in the list's order before anything reads a row. Rows in the
    // order given need nothing.
    virtual void Arrange() const { Fill(); }
    // Replaces every row; nothing reads them before Arrange.
    void ReplaceRows(const QStringList& rows);
    // Replaces every row with `count` rows that `fill` writes into rows_ when
    // a row is first needed.
    void ReplaceRowsLater(qsizetype count, std::function<void()> fill);
    // Replaces every row with `count` rows that `source` writes one by one
    // when each is read; they are all written only when something needs them
    // all (Rows, a row inserted or removed).
    void ReplaceRowsOnDemand(qsizetype count, RowSource source);
    bool RowsOnDemand() const { return bool(source_.Row); }
    // Writes the rows ReplaceRowsLater or ReplaceRowsOnDemand promised, once.
    void Fill() const;
    void InsertRow(qsizetype at, const QString& row);
    void EraseRow(int row);
    void changeEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;

    mutable QStringList rows_;

private:
    void RowsChanged();
    // Takes the widest of all rows written on demand, unless the rows were
    // replaced since `rowsChanges`.
    void TakeWidestOfAll(quint64 rowsChanges);
    bool OutsideParent() const;
    void LayOutWaiting() const;

    qsizetype count_ = 0;
    mutable std::function<void()> fill_;
    mutable RowSource source_;
    bool layoutWaiting_ = false;

    detail::TextRows model_{this};
    // Measuring thousands of rows is one table lookup per character.
    mutable detail::ListAdvances advances_{this};
    mutable QString widest_;
    mutable bool widestKnown_ = false;
    // Counts the replacements of the rows, so that a widest row found for
    // rows since replaced is not taken.
    quint64 rowsChanges_ = 0;
    static constexpr qsizetype kFirstScreenful = 64;
};

class SortedTextList : public TextList {
    Q_OBJECT
public:
    explicit SortedTextList(QWidget* parent = nullptr);

    // Replaces every row; tags[i] goes with lines[i] (missing tags are 0).
    // The lines are put in order, with one sort over collator keys, only
    // when a row is first read (drawn, looked up, reached by a screen
    // reader): a column parked off screen costs no sort until it is scrolled
    // into view.
    void SetLines(const QStringList& lines, const std::vector<int>& tags = {});
    // The same with `count` lines that `make` writes (lines and tags) only
    // when a row is first read or the list is laid out in view; `make` must
    // not depend on anything that may change meanwhile.
    using LineMaker = std::function<void(QStringList& lines, std::vector<int>& tags)>;
    void SetLines(qsizetype count, LineMaker make);
    // Replaces every row with one line per tag, already in list order, that
    // `source` writes only when the line is read (drawn, looked up, reached
    // by a screen reader): a list of any length costs what is shown of it.
    void SetLinesInOrder(std::vector<int> tags, RowSource source);
    // Adds one row at its place (after equal rows); returns its row.
    int AddLine(const QString& line, int tag = 0);
    void RemoveRow(int row);
    // The number carried beside a row (0 outside the list).
    int Tag(int row) const;
    // The first row carrying tag, or -1.
    int RowOfTag(int tag) const;
    void clear() override { SetLines(QStringList()); }

protected:
    void Arrange() const override;

private:
    void SetRows(const QStringList&) = delete;  // the order is the list's own
    mutable std::vector<int> tags_;
    mutable bool unordered_ = false;
};

}  // namespace kit
