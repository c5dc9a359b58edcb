// The sorted list puts its lines in order only when a row is first read: every
// way of reading a row must see the lines in list order, each with its tag.
#include "screens/kit/textlist.h"

#include "core/common/collation.h"
#include "rowname.h"

#include <QAccessible>
#include <QApplication>
#include <QFontMetrics>
#include <QImage>
#include <QPalette>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <map>

namespace {

// Out of order on purpose; ranks, marks and kana as the level lists have them.
const QStringList kLines = {QStringLiteral("2①さとう"), QStringLiteral("10●やまだ"), QStringLiteral("1Ⅰすずき"),
                            QStringLiteral("あ"), QStringLiteral("1　たなか"), QStringLiteral("ア")};
// The line one case adds, with its tag.
const QString kAdded = QStringLiteral("1Ⅰすずき2");
constexpr int kAddedTag = 7;

struct WayIn {
    const char* name;
    // Reads the filled list the first time; returns what it saw of row 0 or
    // of the row it reached, with the text that row must have.
    std::function<std::pair<QString, QString>(kit::SortedTextList&, const QStringList& sorted)> read;
};

void PrintTo(const WayIn& w, std::ostream* os) { *os << w.name; }

class FirstRead : public ::testing::TestWithParam<WayIn> {};

TEST_P(FirstRead, SeesTheLinesInOrderWithTheirTags) {
    kit::SortedTextList list;
    list.resize(300, 200);
    std::vector<int> tags;
    std::map<QString, int> tagOf{{kAdded, kAddedTag}};
    for (int i = 0; i < kLines.size(); ++i) {
        tags.push_back(100 + i);
        tagOf[kLines[i]] = 100 + i;
    }
    list.SetLines(kLines, tags);
    QStringList sorted = kLines;
    common::SortAscending(sorted);
    ASSERT_NE(sorted, kLines);

    const auto [seen, expected] = GetParam().read(list, sorted);
    EXPECT_EQ(seen, expected);
    // Afterwards, every way agrees: the rows in order, each with its own tag.
    QStringList rows;
    for (int r = 0; r < list.count(); ++r) {
        rows << list.model()->index(r, 0).data().toString();
        EXPECT_EQ(list.text(r), rows.back());
        EXPECT_EQ(list.Tag(r), tagOf[rows.back()]) << rows.back().toStdString();
    }
    if (list.count() == sorted.size()) {  // else a row was added or removed
        EXPECT_EQ(rows, sorted);
    }
}

INSTANTIATE_TEST_SUITE_P(
    TextList, FirstRead,
    ::testing::Values(
        WayIn{"model data", [](kit::SortedTextList& l, const QStringList& s) {
                  return std::pair{l.model()->index(0, 0).data().toString(), s[0]};
              }},
        WayIn{"text", [](kit::SortedTextList& l, const QStringList& s) { return std::pair{l.text(0), s[0]}; }},
        WayIn{"tag", [](kit::SortedTextList& l, const QStringList& s) {
                  return std::pair{kLines[l.Tag(0) - 100], s[0]};
              }},
        WayIn{"row of tag", [](kit::SortedTextList& l, const QStringList&) {
                  return std::pair{l.text(l.RowOfTag(100)), kLines[0]};
              }},
        WayIn{"current row", [](kit::SortedTextList& l, const QStringList& s) {
                  l.setCurrentRow(0);
                  return std::pair{l.currentIndex().data().toString(), s[0]};
              }},
        WayIn{"added line", [](kit::SortedTextList& l, const QStringList&) {
                  const int row = l.AddLine(kAdded, kAddedTag);
                  return std::pair{l.text(row - 1) + l.text(row), QStringLiteral("1Ⅰすずき") + kAdded};
              }},
        WayIn{"removed row", [](kit::SortedTextList& l, const QStringList& s) {
                  l.RemoveRow(0);
                  return std::pair{l.Rows().join(u'|'), s.mid(1).join(u'|')};
              }},
        WayIn{"painted", [](kit::SortedTextList& l, const QStringList& s) {
                  // Drawn as a list given the lines in order draws them.
                  kit::TextList ordered;
                  ordered.resize(l.size());
                  ordered.SetRows(s);
                  const bool same = l.grab().toImage() == ordered.grab().toImage();
                  return std::pair{QString(same ? "same picture" : "another picture"), QString("same picture")};
              }},
        WayIn{"keyboard", [](kit::SortedTextList& l, const QStringList& s) {
                  l.show();
                  l.setFocus();
                  QApplication::processEvents();
                  QTest::keyClick(&l, Qt::Key_End);
                  return std::pair{l.text(l.currentRow()), s.last()};
              }},
        WayIn{"screen reader", [](kit::SortedTextList& l, const QStringList& s) {
                  QAccessibleInterface* list = QAccessible::queryAccessibleInterface(&l);
                  QAccessibleInterface* first = list ? list->child(0) : nullptr;
                  return std::pair{first ? first->text(QAccessible::Name) : QString(), s[0]};
              }}),
    [](const auto& info) { return testing_support::RowName(info.param.name); });

// A column parked outside its parent gets lines made later; scrolled into
// view it shows them in order, each row as wide as the widest line, and the
// lines were made once.
TEST(ParkedList, ComesIntoViewWithItsLinesLaidOutAndInOrder) {
    QWidget area;
    area.resize(300, 200);
    QLineEdit focused(&area);  // the focus is elsewhere, as on the menu
    kit::SortedTextList list(&area);
    list.setGeometry(400, 0, 200, 150);
    const QString widest = QStringLiteral("1Ⅰすずき　たろう　のぶなが");
    int made = 0;
    list.SetLines(3, [&](QStringList& lines, std::vector<int>& tags) {
        ++made;
        lines = {QStringLiteral("3あ"), widest, QStringLiteral("2い")};
        tags = {3, 1, 2};
    });
    area.show();
    QApplication::processEvents();
    EXPECT_EQ(list.count(), 3);
    EXPECT_EQ(made, 0);  // nothing shows it yet

    list.move(0, 0);
    QApplication::processEvents();
    EXPECT_EQ(list.indexAt(QPoint(2, 2)).row(), 0);  // laid out once in view
    (void)area.grab();
    EXPECT_GE(list.RowRect(0).width(), QFontMetrics(list.font()).horizontalAdvance(widest));
    EXPECT_EQ(list.Rows(), QStringList({widest, QStringLiteral("2い"), QStringLiteral("3あ")}));
    EXPECT_EQ(list.Tag(0), 1);
    EXPECT_EQ(made, 1);
}

// Keys reach a parked list that has the focus: it is laid out for them.
TEST(ParkedList, TakesKeysWhenFocused) {
    QWidget area;
    area.resize(300, 200);
    kit::SortedTextList list(&area);
    list.setGeometry(400, 0, 200, 150);
    area.show();
    list.setFocus();
    QStringList lines;
    for (int i = 0; i < 50; ++i) lines << QString::number(100 + i);
    list.SetLines(lines);
    QApplication::processEvents();
    QTest::keyClick(&list, Qt::Key_End);
    EXPECT_EQ(list.currentRow(), 49);
    EXPECT_FALSE(list.QListView::visualRect(list.currentIndex()).isEmpty());
}

// A list written on demand writes the rows it shows and the one its source
// names as the widest, whatever its length; a row read any way is the
// source's, with its tag; asked for all rows, it writes them all.
TEST(OnDemandList, WritesOnlyTheRowsItShows) {
    kit::SortedTextList list;
    list.resize(120, 200);  // narrower than the widest row, not than the others
    constexpr int kRows = 100000;
    constexpr qsizetype kWidest = 77;
    const auto line = [](qsizetype r) {
        return QStringLiteral("%1 行").arg(r, 6) + (r == kWidest ? QStringLiteral(" いちばん長い行です") : QString());
    };
    std::vector<int> tags(kRows);
    for (int r = 0; r < kRows; ++r) tags[std::size_t(r)] = r + 1;
    int written = 0, measured = 0;
    list.SetLinesInOrder(tags, {[&](qsizetype r) { return ++written, line(r); },
                                [&](common::CharAdvances&) { return ++measured, kWidest; }});
    list.show();
    QApplication::processEvents();
    (void)list.grab();
    EXPECT_LT(written, 100);  // the first screenful, laid out at its own widest
    // Right after the first paint, the widest of all the rows.
    QApplication::processEvents();
    EXPECT_EQ(measured, 1);
    EXPECT_GE(list.RowRect(0).width(), QFontMetrics(list.font()).horizontalAdvance(line(kWidest)));

    EXPECT_EQ(list.Tag(kRows - 1), kRows);
    EXPECT_EQ(list.RowOfTag(5000), 4999);
    list.setFocus();
    QTest::keyClick(&list, Qt::Key_End);
    EXPECT_EQ(list.currentRow(), kRows - 1);
    EXPECT_EQ(list.currentIndex().data().toString(), line(kRows - 1));
    QAccessibleInterface* reader = QAccessible::queryAccessibleInterface(&list);
    QAccessibleInterface* first = reader ? reader->child(0) : nullptr;
    EXPECT_EQ(first ? first->text(QAccessible::Name) : QString(), line(0));
    EXPECT_LT(written, 300);

    const QStringList all = list.Rows();
    ASSERT_EQ(all.size(), kRows);
    EXPECT_EQ(all[kWidest], line(kWidest));
    EXPECT_EQ(list.text(kRows - 1), line(kRows - 1));
}

// The rows' model names a row exactly where the base model would: every row
// of the one column at the top, nothing else (before and after the rows, any
// other column, below a row).
TEST(RowsModel, IndexesWhatTheBaseModelIndexes) {
    kit::SortedTextList list;
    list.SetLines({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")});
    auto* model = static_cast<QAbstractListModel*>(list.model());
    const QModelIndex row = model->index(1, 0);
    for (const QModelIndex& parent : {QModelIndex(), row})
        for (int r : {-1, 0, 2, 3})
            for (int c : {-1, 0, 1}) {
                const QModelIndex mine = model->index(r, c, parent);
                const QModelIndex base = model->QAbstractListModel::index(r, c, parent);
                EXPECT_EQ(mine, base) << r << "," << c << " below " << parent.row();
            }
}

// Rows look exactly as the style paints them: the list paints plain rows
// itself, and a list whose rows the style paints alone (the same row size)
// must be the same image, pixel for pixel, in every state a list is shown in.
struct LookCase {
    const char* name;
    std::function<void(kit::SortedTextList&)> set;
};

void PrintTo(const LookCase& c, std::ostream* os) { *os << c.name; }

// Sizes rows as the list's own delegate does; paints them as the style does.
class StylePainted final : public QStyledItemDelegate {
public:
    // Owned by the list, as the list's own delegate is.
    StylePainted(QAbstractItemDelegate* sized, QObject* list) : QStyledItemDelegate(list), sized_(sized) {}
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        return sized_->sizeHint(option, index);
    }

private:
    QAbstractItemDelegate* sized_;
};

class RowLook : public ::testing::TestWithParam<LookCase> {};

TEST_P(RowLook, IsTheStylesPixelForPixel) {
    QStringList lines = kLines;
    lines << QString() << QStringLiteral("  45秒 11/02Ⅱやまだ　　Ⅱ13 とても長い行で列より広い")
          << QStringLiteral("0 二行の\n行");
    auto shown = [&](bool styleAlone) {
        QWidget window;
        window.resize(260, 200);
        auto* list = new kit::SortedTextList(&window);
        list->setGeometry(10, 10, 200, 160);
        if (styleAlone) list->setItemDelegate(new StylePainted(list->itemDelegate(), list));
        list->SetLines(lines);
        GetParam().set(*list);
        window.show();
        QApplication::processEvents();
        return window.grab().toImage();
    };
    const QImage own = shown(false);
    const QImage style = shown(true);
    ASSERT_EQ(own.size(), style.size());
    EXPECT_TRUE(own == style);
}

INSTANTIATE_TEST_SUITE_P(
    States, RowLook,
    ::testing::Values(LookCase{"Plain", [](kit::SortedTextList&) {}},
                      LookCase{"CurrentAndFocused",
                               [](kit::SortedTextList& l) {
                                   l.setCurrentRow(2);
                                   l.setFocus();
                               }},
                      LookCase{"Disabled", [](kit::SortedTextList& l) { l.setEnabled(false); }},
                      LookCase{"OwnColours",
                               [](kit::SortedTextList& l) {
                                   QPalette palette = l.palette();
                                   palette.setColor(QPalette::Text, Qt::darkRed);
                                   palette.setColor(QPalette::WindowText, Qt::darkGreen);
                                   palette.setColor(QPalette::Base, Qt::yellow);
                                   l.setPalette(palette);
                               }},
                      LookCase{"LargerFont",
                               [](kit::SortedTextList& l) {
                                   QFont font = l.font();
                                   font.setPointSize(font.pointSize() + 5);
                                   l.setFont(font);
                               }},
                      LookCase{"ScrolledSideways",
                               [](kit::SortedTextList& l) {
                                   l.horizontalScrollBar()->setValue(l.horizontalScrollBar()->maximum() / 2);
                               }}),
    [](const auto& info) { return testing_support::RowName(info.param.name); });

}  // namespace
