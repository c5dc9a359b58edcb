#include "screens/kit/textlist.h"

#include "core/common/collation.h"

#include <QAccessible>
#include <QApplication>
#include <QEvent>
#include <QFontMetrics>
#include <QItemSelectionModel>
#include <QPainter>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QTextLayout>
#include <QTimer>

#include <algorithm>

namespace kit {

namespace detail {

int TextRows::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : list_->count(); }

QModelIndex TextRows::index(int row, int column, const QModelIndex& parent) const {
    const bool inside = row >= 0 && row < list_->count() && column == 0 && !parent.isValid();
    return inside ? createIndex(row, column) : QModelIndex();
}

QVariant TextRows::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole)) return {};
    return list_->text(index.row());
}

int ListAdvances::Measure(QChar c) const { return QFontMetrics(list_->font()).horizontalAdvance(c); }

}  // namespace detail

namespace {

// Every row takes the size of the widest one. The rows share one size (one
// size hint serves a list of thousands), and taking the first row's would cut
// every longer row at the list's edge; with the widest, a long row makes the
// list scroll sideways instead. The size is taken from the text alone, so
// laying the list out reads no row.
//
// A row that is neither selected nor current is painted as the style paints
// an item of text alone, with its text laid out once: the style's own way
// lays it out three times (for the item's size, for eliding, and to draw),
// and a listing paints hundreds of rows at once. Any other row is painted by
// the style.
class WidestRowDelegate final : public QStyledItemDelegate {
    // The style of the view that paints, as QStyledItemDelegate takes it.
    static QStyle* StyleOf(const QStyleOptionViewItem& option) {
        return option.widget ? option.widget->style() : QApplication::style();
    }

public:
    explicit WidestRowDelegate(TextList* list) : QStyledItemDelegate(list), list_(list) {}
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QStyleOptionViewItem opt = option;
        opt.index = index;
        opt.features |= QStyleOptionViewItem::HasDisplay;
        opt.text = list_->WidestText();
        opt.styleObject = nullptr;
        return StyleOf(option)->sizeFromContents(QStyle::CT_ItemViewItem, &opt, QSize(), option.widget);
    }
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QStyleOptionViewItem opt = option;
        initStyleOption(&opt, index);
        constexpr QStyle::State kMarked = QStyle::State_Selected | QStyle::State_HasFocus | QStyle::State_Editing;
        constexpr auto kTextAlone = QStyleOptionViewItem::HasDisplay;
        // A text of more than one line (none of the program's rows) is the
        // style's too.
        if ((opt.state & kMarked) || opt.features != kTextAlone || opt.backgroundBrush.style() != Qt::NoBrush ||
            (opt.displayAlignment & Qt::AlignVertical_Mask) != Qt::AlignVCenter ||
            opt.text.contains(QChar::LineSeparator)) {
            QStyledItemDelegate::paint(painter, option, index);
            return;
        }
        const QWidget* widget = opt.widget;
        QStyle* style = StyleOf(opt);
        painter->save();
        painter->setClipRect(opt.rect);
        style->drawPrimitive(QStyle::PE_PanelItemViewItem, &opt, painter, widget);
        const QPalette::ColorGroup group = !(opt.state & QStyle::State_Enabled) ? QPalette::Disabled
                                           : (opt.state & QStyle::State_Active) ? QPalette::Normal
                                                                                : QPalette::Inactive;
        painter->setPen(opt.palette.color(group, QPalette::Text));
        if (!opt.text.isEmpty()) {
            const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
            const QRect textRect = opt.rect.adjusted(margin, 0, -margin, 0);
            QTextOption textOption;
            textOption.setWrapMode(QTextOption::ManualWrap);
            textOption.setTextDirection(opt.direction);
            textOption.setAlignment(QStyle::visualAlignment(opt.direction, opt.displayAlignment));
            QTextLayout layout(opt.text, opt.font);
            layout.setTextOption(textOption);
            layout.beginLayout();
            QTextLine line = layout.createLine();
            line.setLineWidth(textRect.width());
            line.setPosition(QPointF(0, 0));
            layout.endLayout();
            const QRect placed = QStyle::alignedRect(opt.direction, opt.displayAlignment,
                                                     QSize(textRect.width(), int(line.height())), textRect);
            layout.draw(painter, placed.topLeft());
        }
        painter->restore();
    }

private:
    TextList* list_;
};

}  // namespace

void KeepLinesReadable(QAbstractItemView* view) {
    QObject::connect(view->model(), &QAbstractItemModel::modelReset, view, [view] {
        // With a bridge active the view has told it already.
        if (QAccessible::isActive()) return;
        QAccessibleInterface* list = QAccessible::queryAccessibleInterface(view);
        QAccessibleTableInterface* table = list ? list->tableInterface() : nullptr;
        if (!table) return;
        QAccessibleTableModelChangeEvent reset(view, QAccessibleTableModelChangeEvent::ModelReset);
        table->modelChange(&reset);
    });
}

TextList::TextList(QWidget* parent) : QListView(parent) {
    setModel(&model_);
    KeepLinesReadable(this);
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

void TextList::SetRows(const QStringList& rows) { ReplaceRows(rows); }

void TextList::ReplaceRows(const QStringList& rows) {
    model_.beginResetModel();
    fill_ = nullptr;
    source_ = {};
    rows_ = rows;
    count_ = rows.size();
    model_.endResetModel();
    RowsChanged();
}

void TextList::ReplaceRowsLater(qsizetype count, std::function<void()> fill) {
    model_.beginResetModel();
    rows_.clear();
    count_ = std::max<qsizetype>(0, count);
    fill_ = std::move(fill);
    source_ = {};
    model_.endResetModel();
    RowsChanged();
}

void TextList::ReplaceRowsOnDemand(qsizetype count, RowSource source) {
    model_.beginResetModel();
    rows_.clear();
    count_ = std::max<qsizetype>(0, count);
    source_ = std::move(source);
    fill_ = [this] {
        rows_.reserve(count_);
        for (qsizetype r = 0; r < count_; ++r) rows_ << source_.Row(r);
    };
    model_.endResetModel();
    RowsChanged();
}

void TextList::Fill() const {
    if (!fill_) return;
    const std::function<void()> fill = std::move(fill_);
    fill_ = nullptr;
    fill();
    source_ = {};
    // The view was told count_ rows; it gets exactly that many.
    Q_ASSERT(rows_.size() == count_);
    rows_.resize(count_);
}

void TextList::InsertRow(qsizetype at, const QString& row) {
    Fill();
    model_.beginInsertRows({}, int(at), int(at));
    rows_.insert(at, row);
    ++count_;
    model_.endInsertRows();
    RowsChanged();
}

void TextList::EraseRow(int row) {
    Fill();
    model_.beginRemoveRows({}, row, row);
    rows_.removeAt(row);
    --count_;
    model_.endRemoveRows();
    RowsChanged();
}

bool TextList::OutsideParent() const {
    const QWidget* parent = parentWidget();
    return parent && !QRect(QPoint(0, 0), parent->size()).intersects(geometry());
}

void TextList::doItemsLayout() {
    // A focused list is laid out wherever it is: keys move through its rows.
    if (OutsideParent() && !hasFocus()) {
        layoutWaiting_ = true;
        return;
    }
    layoutWaiting_ = false;
    QListView::doItemsLayout();
}

void TextList::LayOutWaiting() const {
    auto* self = const_cast<TextList*>(this);
    self->executeDelayedItemsLayout();  // a layout that is due runs (and may be put off)
    if (!layoutWaiting_) return;
    self->layoutWaiting_ = false;
    self->QListView::doItemsLayout();
}

QRect TextList::visualRect(const QModelIndex& index) const {
    LayOutWaiting();
    return QListView::visualRect(index);
}

QRect TextList::RowRect(int row) const { return visualRect(model_.index(row)); }

void TextList::focusInEvent(QFocusEvent* event) {
    LayOutWaiting();
    QListView::focusInEvent(event);
}

void TextList::paintEvent(QPaintEvent* event) {
    // Whatever brought the list into view (a move, its parent growing), it is
    // laid out before it is drawn.
    LayOutWaiting();
    QListView::paintEvent(event);
}

namespace {

long long WidthOf(QStringView text, common::CharAdvances& advances) {
    common::WidthSum width{advances};
    width += text;
    return width.Width;
}

// The widest of `count` rows that `row` gives (the first of equal ones).
template <class Row>
QString WidestOf(qsizetype count, Row&& row, common::CharAdvances& advances) {
    QString widest;
    long long best = -1;
    for (qsizetype r = 0; r < count; ++r) {
        decltype(auto) text = row(r);
        const long long width = WidthOf(text, advances);
        if (width > best) {
            best = width;
            widest = text;
        }
    }
    return widest;
}

}  // namespace

QString TextList::WidestText() const {
    if (!widestKnown_) {
        // Character by character, each character's advance measured once; the
        // row found is then measured whole by the delegate. The order of the
        // rows does not matter here, so a list not yet put in order is not.
        widestKnown_ = true;
        if (RowsOnDemand()) {
            // Rows written on demand: the first paint lays them out at the
            // widest of the first screenful, so they show at once however
            // many there are; right after it the source finds the widest of
            // all, and the rows are laid out again when that one is wider.
            widest_ = WidestOf(std::min<qsizetype>(count_, kFirstScreenful), source_.Row, advances_);
            if (source_.Widest) {
                auto* self = const_cast<TextList*>(this);
                QTimer::singleShot(0, self, [self, rows = rowsChanges_] { self->TakeWidestOfAll(rows); });
            }
        } else {
            Fill();
            widest_ = WidestOf(rows_.size(), [this](qsizetype r) -> const QString& { return rows_[r]; }, advances_);
        }
    }
    return widest_;
}

void TextList::TakeWidestOfAll(quint64 rowsChanges) {
    if (rowsChanges != rowsChanges_ || !RowsOnDemand()) return;
    const qsizetype row = source_.Widest(advances_);
    if (row < 0 || row >= count_) return;
    const QString widest = source_.Row(row);
    if (WidthOf(widest, advances_) <= WidthOf(widest_, advances_)) return;
    widest_ = widest;
    scheduleDelayedItemsLayout();
}

void TextList::RowsChanged() {
    widestKnown_ = false;
    ++rowsChanges_;
    // The shared row size is worked out again at the next layout.
    scheduleDelayedItemsLayout();
}

void TextList::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange) {
        advances_.Clear();
        RowsChanged();
    }
    QListView::changeEvent(event);
}

void TextList::setCurrentRow(int row) {
    Arrange();
    selectionModel()->setCurrentIndex(model_.index(row), QItemSelectionModel::ClearAndSelect);
}

bool TextList::IsRowSelected(int row) const { return selectionModel()->isRowSelected(row, QModelIndex()); }

void TextList::SetRowSelected(int row, bool selected) {
    Arrange();
    selectionModel()->select(model_.index(row),
                             selected ? QItemSelectionModel::Select : QItemSelectionModel::Deselect);
}

SortedTextList::SortedTextList(QWidget* parent) : TextList(parent) {}

void SortedTextList::SetLines(qsizetype count, LineMaker make) {
    tags_.clear();
    unordered_ = count > 1;
    ReplaceRowsLater(count, [this, make = std::move(make)] {
        std::vector<int> tags;
        make(rows_, tags);
        tags_ = std::move(tags);
        tags_.resize(std::size_t(this->count()), 0);
    });
}

void SortedTextList::SetLines(const QStringList& lines, const std::vector<int>& tags) {
    tags_ = tags;
    tags_.resize(std::size_t(lines.size()), 0);
    unordered_ = lines.size() > 1;
    // The lines are shared, not copied; Arrange copies them only when they
    // are out of order.
    ReplaceRows(lines);
}

void SortedTextList::SetLinesInOrder(std::vector<int> tags, RowSource source) {
    const auto count = qsizetype(tags.size());
    tags_ = std::move(tags);
    unordered_ = false;
    ReplaceRowsOnDemand(count, std::move(source));
}

void SortedTextList::Arrange() const {
    // Lines written on demand came in order.
    if (RowsOnDemand()) return;
    Fill();
    if (!unordered_) return;
    unordered_ = false;
    const std::vector<qsizetype> order = common::SortedOrder(rows_);
    if (std::is_sorted(order.begin(), order.end())) return;
    // Nothing has read a row yet (every way in comes through here first), so
    // the rows change places without the view being told.
    QStringList sorted;
    sorted.reserve(rows_.size());
    std::vector<int> sortedTags;
    sortedTags.reserve(order.size());
    for (qsizetype i : order) {
        sorted << rows_[i];
        sortedTags.push_back(tags_[std::size_t(i)]);
    }
    rows_ = std::move(sorted);
    tags_ = std::move(sortedTags);
}

int SortedTextList::AddLine(const QString& line, int tag) {
    Fill();
    Arrange();
    const qsizetype at = common::InsertPosition(rows_, line);
    tags_.insert(tags_.begin() + at, tag);
    InsertRow(at, line);
    return int(at);
}

void SortedTextList::RemoveRow(int row) {
    Arrange();
    if (row < 0 || row >= count()) return;
    tags_.erase(tags_.begin() + row);
    EraseRow(row);
}

int SortedTextList::Tag(int row) const {
    Arrange();
    return row >= 0 && std::size_t(row) < tags_.size() ? tags_[std::size_t(row)] : 0;
}

int SortedTextList::RowOfTag(int tag) const {
    Arrange();
    for (std::size_t i = 0; i < tags_.size(); ++i)
        if (tags_[i] == tag) return int(i);
    return -1;
}

}  // namespace kit
