#include "core/common/collation.h"

#include <unicode/ucol.h>
#include <unicode/uscript.h>

#include <algorithm>
#include <array>
#include <system_error>
#include <thread>

namespace common {

namespace {

// The grade marks of junior high school, Ⅰ Ⅱ Ⅲ, are the grades 7, 8 and 9:
// they compare as ⑦ ⑧ ⑨, right after ①…⑥. (As Roman numerals they would
// compare as the letters I, II and III, and "Ⅱ" + a name would come before
// "Ⅰ" + a name.) Other text is compared as it stands.
constexpr char16_t kFirstMark = u'Ⅰ';
constexpr char16_t kLastMark = u'Ⅲ';
constexpr char16_t kAsGrade = u'⑦';

bool IsJuniorHighMark(QChar c) { return c.unicode() >= kFirstMark && c.unicode() <= kLastMark; }

QStringView AsCompared(QStringView text, QString& buffer) {
    if (std::none_of(text.begin(), text.end(), IsJuniorHighMark)) return text;
    buffer = text.toString();
    for (QChar& c : buffer)
        if (IsJuniorHighMark(c)) c = QChar(char16_t(kAsGrade + (c.unicode() - kFirstMark)));
    return buffer;
}

const UChar* Units(QStringView text) { return reinterpret_cast<const UChar*>(text.utf16()); }

}  // namespace

ListCollator::ListCollator() {
    UErrorCode status = U_ZERO_ERROR;
    collator_ = ucol_open("ja", &status);
    // Case-insensitive, as a sorted list box of the Japanese platform orders.
    ucol_setAttribute(collator_, UCOL_NORMALIZATION_MODE, UCOL_ON, &status);
    ucol_setAttribute(collator_, UCOL_STRENGTH, UCOL_SECONDARY, &status);
    // Digit runs as numbers.
    ucol_setAttribute(collator_, UCOL_NUMERIC_COLLATION, UCOL_ON, &status);
    // Blanks passed over: the blanks only, punctuation and symbols count.
    ucol_setAttribute(collator_, UCOL_ALTERNATE_HANDLING, UCOL_SHIFTED, &status);
    ucol_setMaxVariable(collator_, UCOL_REORDER_CODE_SPACE, &status);
    // Digits before punctuation and symbols; the scripts follow in the
    // Japanese order (Latin, kana, kanji) as the locale gives it.
    std::array<int32_t, 16> codes{UCOL_REORDER_CODE_SPACE, UCOL_REORDER_CODE_DIGIT, UCOL_REORDER_CODE_PUNCTUATION,
                                  UCOL_REORDER_CODE_SYMBOL, UCOL_REORDER_CODE_CURRENCY};
    constexpr int32_t kGroups = 5;
    const int32_t scripts =
        ucol_getReorderCodes(collator_, codes.data() + kGroups, int32_t(codes.size()) - kGroups, &status);
    ucol_setReorderCodes(collator_, codes.data(), kGroups + scripts, &status);
    // Every one of these is a fixed choice on the system's own ICU data: a
    // failure is a broken installation, not a condition to carry on from.
    if (U_FAILURE(status))
        qFatal("The list order (ICU collation for Japanese) cannot be set up: %s", u_errorName(status));
}

ListCollator::~ListCollator() { ucol_close(collator_); }

int ListCollator::compare(QStringView a, QStringView b) const {
    QString bufferA, bufferB;
    const QStringView x = AsCompared(a, bufferA);
    const QStringView y = AsCompared(b, bufferB);
    return int(ucol_strcoll(collator_, Units(x), int32_t(x.size()), Units(y), int32_t(y.size())));
}

ListSortKey ListCollator::sortKey(QStringView text) const {
    QString buffer;
    const QStringView t = AsCompared(text, buffer);
    ListSortKey key(std::size_t(t.size()) * 4 + 16, '\0');
    for (;;) {
        const int32_t length = ucol_getSortKey(collator_, Units(t), int32_t(t.size()),
                                               reinterpret_cast<uint8_t*>(key.data()), int32_t(key.size()));
        if (length <= int32_t(key.size())) {
            key.resize(std::size_t(length));
            return key;
        }
        key.resize(std::size_t(length));
    }
}

namespace {

// From this many lines on, the sort keys of the second half are made on a
// second thread while this one makes the first half's: making the keys is
// most of the work, and a column of thousands of lines is sorted while the
// window waits to paint it.
constexpr qsizetype kSplitFrom = 1024;

// Sorts order[from, to) by the keys of those texts; keys[i - from] is the
// key of texts[i]. Equal keys keep their order.
std::vector<ListSortKey> SortRange(const QStringList& texts, std::vector<qsizetype>& order, qsizetype from,
                                   qsizetype to) {
    const ListCollator collator;
    std::vector<ListSortKey> keys;
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
        const ListCollator collator;
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
    std::vector<ListSortKey> upper;
    std::jthread second;  // joined however this function is left
    try {
        second = std::jthread([&] { upper = SortRange(texts, order, half, n); });
    } catch (const std::system_error&) {
        // No thread to be had: one thread sorts it all.
        SortRange(texts, order, 0, n);
        return order;
    }
    const std::vector<ListSortKey> lower = SortRange(texts, order, 0, half);
    second.join();
    auto key = [&](qsizetype i) -> const ListSortKey& {
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
    const ListCollator collator;
    auto it = std::upper_bound(sorted.begin(), sorted.end(), text, [&](const QString& a, const QString& b) {
        return collator.compare(a, b) < 0;
    });
    return qsizetype(it - sorted.begin());
}

}  // namespace common
