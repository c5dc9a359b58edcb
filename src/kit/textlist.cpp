#include "kit/textlist.h"

#include "common/collation.h"

#include <QItemSelectionModel>

#include <algorithm>

namespace kit {

TextList::TextList(QWidget* parent) : QListView(parent) {
    setModel(&model_);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformItemSizes(true);
    connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) { Q_EMIT currentRowChanged(current.row()); });
    connect(this, &QListView::clicked, this, [this](const QModelIndex& i) { Q_EMIT rowClicked(i.row()); });
    connect(this, &QListView::doubleClicked, this,
            [this](const QModelIndex& i) { Q_EMIT rowDoubleClicked(i.row()); });
}

void TextList::SetRows(const QStringList& rows) {
    rows_ = rows;
    model_.setStringList(rows);
}

void TextList::setCurrentRow(int row) {
    selectionModel()->setCurrentIndex(model_.index(row), QItemSelectionModel::ClearAndSelect);
}

SortedTextList::SortedTextList(QWidget* parent) : TextList(parent) {}

void SortedTextList::SetLines(const QStringList& lines, const std::vector<int>& tags) {
    const std::vector<qsizetype> order = common::SortedOrder(lines);
    if (std::is_sorted(order.begin(), order.end())) {
        // Already in order: the rows are the lines themselves, shared, not copied.
        tags_ = tags;
        tags_.resize(std::size_t(lines.size()), 0);
        TextList::SetRows(lines);
        return;
    }
    QStringList sorted;
    sorted.reserve(lines.size());
    std::vector<int> sortedTags;
    sortedTags.reserve(std::size_t(lines.size()));
    for (qsizetype i : order) {
        sorted << lines[i];
        sortedTags.push_back(std::size_t(i) < tags.size() ? tags[std::size_t(i)] : 0);
    }
    tags_ = std::move(sortedTags);
    TextList::SetRows(sorted);
}

int SortedTextList::AddLine(const QString& line, int tag) {
    const qsizetype at = common::InsertPosition(rows_, line);
    rows_.insert(at, line);
    tags_.insert(tags_.begin() + at, tag);
    model_.insertRows(int(at), 1);
    model_.setData(model_.index(int(at)), line);
    return int(at);
}

void SortedTextList::RemoveRow(int row) {
    if (row < 0 || row >= count()) return;
    rows_.removeAt(row);
    tags_.erase(tags_.begin() + row);
    model_.removeRows(row, 1);
}

int SortedTextList::Tag(int row) const {
    return row >= 0 && std::size_t(row) < tags_.size() ? tags_[std::size_t(row)] : 0;
}

int SortedTextList::RowOfTag(int tag) const {
    for (std::size_t i = 0; i < tags_.size(); ++i)
        if (tags_[i] == tag) return int(i);
    return -1;
}

}  // namespace kit
