#include "common/collation.h"

#include <QLocale>

#include <algorithm>
#include <system_error>
#include <thread>

namespace common {

QCollator ListCollator() {
    QCollator c(QLocale(QLocale::Japanese, QLocale::Japan));
    c.setCaseSensitivity(Qt::CaseInsensitive);
    return c;
}

namespace {

// From this many lines on, the sort keys of the second half are made on a
// second thread while this one makes the first half's: making the keys is
// most of the work, and a column of thousands of lines is sorted while the
// window waits to paint it.
constexpr qsizetype kSplitFrom = 1024;

// Sorts order[from, to) by the keys of those texts; keys[i - from] is the
// key of texts[i]. Equal keys keep their order.
std::vector<QCollatorSortKey> SortRange(const QStringList& texts, std::vector<qsizetype>& order, qsizetype from,
                                        qsizetype to) {
    const QCollator collator = ListCollator();
    std::vector<QCollatorSortKey> keys;
    keys.reserve(std::size_t(to - from));
    for (qsizetype i = from; i < to; ++i) keys.push_back(collator.sortKey(texts[i]));
    std::stable_sort(order.begin() + from, order.begin() + to, [&](qsizetype a, qsizetype b) {
        return keys[std::size_t(a - from)].compare(keys[std::size_t(b - from)]) < 0;
    });
    return keys;
}

}  // namespace

std::vector<qsizetype> SortedOrder(const QStringList& texts) {
    const qsizetype n = texts.size();
    std::vector<qsizetype> order(static_cast<std::size_t>(n));
    for (qsizetype i = 0; i < n; ++i) order[std::size_t(i)] = i;
    // Lines often come in order already (the records list numbers its lines
    // in file order). A comparison of neighbours stops at their first
    // difference, where a sort key covers the whole line: checking first
    // spares those lists every key.
    {
        const QCollator collator = ListCollator();
        bool inOrder = true;
        for (qsizetype i = 1; i < n && inOrder; ++i) inOrder = collator.compare(texts[i - 1], texts[i]) <= 0;
        if (inOrder) return order;
    }

    if (n < kSplitFrom || std::thread::hardware_concurrency() < 2) {
        SortRange(texts, order, 0, n);
        return order;
    }
    // Two halves sorted side by side, then merged; a line of the first half
    // goes before an equal one of the second, so equal lines keep their order.
    const qsizetype half = n / 2;
    std::vector<QCollatorSortKey> upper;
    std::jthread second;  // joined however this function is left
    try {
        second = std::jthread([&] { upper = SortRange(texts, order, half, n); });
    } catch (const std::system_error&) {
        // No thread to be had: one thread sorts it all.
        SortRange(texts, order, 0, n);
        return order;
    }
    const std::vector<QCollatorSortKey> lower = SortRange(texts, order, 0, half);
    second.join();
    auto key = [&](qsizetype i) -> const QCollatorSortKey& {
        return i < half ? lower[std::size_t(i)] : upper[std::size_t(i - half)];
    };
    std::vector<qsizetype> merged(static_cast<std::size_t>(n));
    std::merge(order.begin(), order.begin() + half, order.begin() + half, order.end(), merged.begin(),
               [&](qsizetype a, qsizetype b) { return key(a).compare(key(b)) < 0; });
    return merged;
}

void SortAscending(QStringList& texts) {
    QStringList sorted;
    sorted.reserve(texts.size());
    for (qsizetype i : SortedOrder(texts)) sorted << texts[i];
    texts = std::move(sorted);
}

qsizetype InsertPosition(const QStringList& sorted, const QString& text) {
    const QCollator collator = ListCollator();
    auto it = std::upper_bound(sorted.begin(), sorted.end(), text, [&](const QString& a, const QString& b) {
        return collator.compare(a, b) < 0;
    });
    return qsizetype(it - sorted.begin());
}

}  // namespace common
