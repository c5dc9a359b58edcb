#include "kit/textlist.h"

#include "common/collation.h"

#include <QEvent>
#include <QFontMetrics>
#include <QHash>
#include <QItemSelectionModel>
#include <QStyledItemDelegate>

#include <algorithm>

namespace kit {

namespace {

// Every row takes the size of the widest one. The rows share one size (one
// size hint serves a list of thousands), and taking the first row's would cut
// every longer row at the list's edge; with the widest, a long row makes the
// list scroll sideways instead.
class WidestRowDelegate final : public QStyledItemDelegate {
public:
    explicit WidestRowDelegate(TextList* list) : QStyledItemDelegate(list), list_(list) {}
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        const int widest = list_->WidestRow();
        return QStyledItemDelegate::sizeHint(
            option, widest >= 0 ? list_->model()->index(widest, 0) : index);
    }

private:
    TextList* list_;
};

}  // namespace

TextList::TextList(QWidget* parent) : QListView(parent) {
    setModel(&model_);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformItemSizes(true);
    // A row is shown whole or scrolled to, never cut short with an ellipsis.
    setItemDelegate(new WidestRowDelegate(this));
    setTextElideMode(Qt::ElideNone);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) { Q_EMIT currentRowChanged(current.row()); });
    connect(this, &QListView::clicked, this, [this](const QModelIndex& i) { Q_EMIT rowClicked(i.row()); });
    connect(this, &QListView::doubleClicked, this,
            [this](const QModelIndex& i) { Q_EMIT rowDoubleClicked(i.row()); });
}

void TextList::SetRows(const QStringList& rows) {
    rows_ = rows;
    widest_ = -1;
    model_.setStringList(rows);
}

int TextList::WidestRow() const {
    if (widest_ < 0 && !rows_.isEmpty()) {
        // Character by character, each character's advance measured once: a
        // list of thousands of rows is gone through in a moment. The row found
        // is then measured whole by the delegate.
        const QFontMetrics metrics(font());
        QHash<char16_t, int> advance;
        long long best = -1;
        for (qsizetype i = 0; i < rows_.size(); ++i) {
            long long w = 0;
            for (const QChar c : rows_[i]) {
                auto it = advance.find(c.unicode());
                if (it == advance.end()) it = advance.insert(c.unicode(), metrics.horizontalAdvance(c));
                w += *it;
            }
            if (w > best) {
                best = w;
                widest_ = int(i);
            }
        }
    }
    return widest_;
}

void TextList::RowsChanged() {
    widest_ = -1;
    // The shared row size is worked out again at the next layout.
    scheduleDelayedItemsLayout();
}

void TextList::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange) RowsChanged();
    QListView::changeEvent(event);
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
    RowsChanged();
    return int(at);
}

void SortedTextList::RemoveRow(int row) {
    if (row < 0 || row >= count()) return;
    rows_.removeAt(row);
    tags_.erase(tags_.begin() + row);
    model_.removeRows(row, 1);
    RowsChanged();
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
