#include "common/collation.h"

#include <QLocale>

#include <algorithm>

namespace common {

QCollator ListCollator() {
    QCollator c(QLocale(QLocale::Japanese, QLocale::Japan));
    c.setCaseSensitivity(Qt::CaseInsensitive);
    return c;
}

std::vector<qsizetype> SortedOrder(const QStringList& texts) {
    const QCollator collator = ListCollator();
    std::vector<qsizetype> order(std::size_t(texts.size()));
    for (qsizetype i = 0; i < texts.size(); ++i) order[std::size_t(i)] = i;
    // Lines often come in order already (the records list numbers its lines
    // in file order). A comparison of neighbours stops at their first
    // difference, where a sort key covers the whole line: checking first
    // spares those lists every key.
    bool inOrder = true;
    for (qsizetype i = 1; i < texts.size() && inOrder; ++i)
        inOrder = collator.compare(texts[i - 1], texts[i]) <= 0;
    if (inOrder) return order;

    std::vector<QCollatorSortKey> keys;
    keys.reserve(std::size_t(texts.size()));
    for (const QString& t : texts) keys.push_back(collator.sortKey(t));
    std::stable_sort(order.begin(), order.end(), [&](qsizetype a, qsizetype b) {
        return keys[std::size_t(a)].compare(keys[std::size_t(b)]) < 0;
    });
    return order;
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
