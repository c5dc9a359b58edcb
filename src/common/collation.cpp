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
    std::vector<QCollatorSortKey> keys;
    keys.reserve(std::size_t(texts.size()));
    for (const QString& t : texts) keys.push_back(collator.sortKey(t));
    std::vector<qsizetype> order(std::size_t(texts.size()));
    for (qsizetype i = 0; i < texts.size(); ++i) order[std::size_t(i)] = i;
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
