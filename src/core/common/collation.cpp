#include "core/common/collation.h"

#include <unicode/ucol.h>
#include <unicode/uscript.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
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

// From this many lines sorted by their keys on, half of them are keyed and
// sorted on a second thread: a column of thousands of lines is sorted while
// the window waits to paint it.
constexpr qsizetype kSplitFrom = 1024;

// --- The numbers a line starts with ------------------------------------------
//
// Most sorted lines start with numbers: a rank, a time, points, a month and
// day, a record number. With digit runs compared as numbers and blanks passed
// over, two such lines are ordered by their first number where those differ:
// a run of digits weighs as the number it is, and digits come before every
// other mark. Where the first numbers are written alike and the text up
// to the next number is the same, the next numbers decide in the same way,
// since both lines so far gave the collator the same elements. Anything else
// (numbers written differently, different text between them, a line without
// numbers) is left to the collator. So most lines are put in order by
// comparing integers, and the order is the collator's all the same.

constexpr int kLeadingNumbers = 3;

struct LeadingNumbers {
    std::array<quint64, kLeadingNumbers> value{};
    std::array<int32_t, kLeadingNumbers> from{};  // where each number's digits start
    int count = 0;  // 0: the line does not start (after blanks) with a number read here
};

bool IsAsciiDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

// Whether the character at `at` is a decimal digit of any script: the
// collator reads a run of those as one number, so a run of ASCII digits
// next to one is not a number on its own.
bool IsDecimalDigitAt(QStringView text, qsizetype at) {
    if (at < 0 || at >= text.size()) return false;
    const QChar c = text[at];
    if (c.unicode() < 0x80) return IsAsciiDigit(c.unicode());
    if (c.isHighSurrogate() && at + 1 < text.size() && text[at + 1].isLowSurrogate())
        return QChar::isDigit(QChar::surrogateToUcs4(c, text[at + 1]));
    if (c.isLowSurrogate() && at > 0 && text[at - 1].isHighSurrogate())
        return QChar::isDigit(QChar::surrogateToUcs4(text[at - 1], c));
    return c.isDigit();
}

LeadingNumbers ReadLeadingNumbers(QStringView text) {
    // Up to 18 digits fit an integer with room to spare; a longer run is the
    // collator's to compare. Lines longer than an int's reach are too.
    constexpr qsizetype kMostDigits = 18;
    LeadingNumbers numbers;
    if (text.size() > std::numeric_limits<int32_t>::max()) return numbers;
    const char16_t* units = text.utf16();
    const qsizetype size = text.size();
    qsizetype at = 0;
    while (at < size && (units[at] == u' ' || units[at] == u'\u3000')) ++at;
    for (int k = 0; k < kLeadingNumbers; ++k) {
        if (k > 0) {
            // On to the next number; the text before it may not end in a
            // digit of another script.
            while (at < size && !IsAsciiDigit(units[at])) ++at;
            if (IsDecimalDigitAt(text, at - 1)) break;
        }
        if (at >= size || !IsAsciiDigit(units[at])) break;
        const qsizetype from = at;
        quint64 value = 0;
        while (at < size && IsAsciiDigit(units[at]) && at - from < kMostDigits)
            value = value * 10 + quint64(units[at++] - u'0');
        if (IsDecimalDigitAt(text, at)) break;
        numbers.value[size_t(k)] = value;
        numbers.from[size_t(k)] = int32_t(from);
        numbers.count = k + 1;
    }
    return numbers;
}

// Whether number k and the text after it, up to number k + 1, are the same
// in both lines.
bool SameUpToNext(QStringView a, const LeadingNumbers& x, QStringView b, const LeadingNumbers& y, int k) {
    const auto i = size_t(k);
    const qsizetype length = x.from[i + 1] - x.from[i];
    return y.from[i + 1] - y.from[i] == length &&
           std::memcmp(a.utf16() + x.from[i], b.utf16() + y.from[i], size_t(length) * sizeof(char16_t)) == 0;
}

// Below 0 or above 0 where the leading numbers put a before or after b; 0
// where they do not decide.
int ByLeadingNumbers(QStringView a, const LeadingNumbers& x, QStringView b, const LeadingNumbers& y) {
    const int count = std::min(x.count, y.count);
    for (int k = 0; k < count; ++k) {
        const auto i = size_t(k);
        if (x.value[i] != y.value[i]) return x.value[i] < y.value[i] ? -1 : 1;
        // The next numbers decide only after the same text: the same digits
        // and the same text between them.
        if (k + 1 == count || !SameUpToNext(a, x, b, y, k)) break;
    }
    return 0;
}

// Puts lines[from, to) in order by their numbers, number k on: every one of
// them has a number k, after the same text. Runs of lines that their
// numbers leave equal are added to `undecided`.
void OrderRunByNumbers(std::vector<qsizetype>& lines, std::size_t from, std::size_t to, int k, const QStringList& texts,
                    const std::vector<LeadingNumbers>& numbers,
                    std::vector<std::pair<std::size_t, std::size_t>>& undecided) {
    const auto i = size_t(k);
    auto number = [&](qsizetype line) { return numbers[size_t(line)].value[i]; };
    std::stable_sort(lines.begin() + qsizetype(from), lines.begin() + qsizetype(to),
                     [&](qsizetype a, qsizetype b) { return number(a) < number(b); });
    for (std::size_t runFrom = from, runTo = from; runFrom < to; runFrom = runTo) {
        for (runTo = runFrom + 1; runTo < to && number(lines[runTo]) == number(lines[runFrom]);) ++runTo;
        if (runTo - runFrom == 1) continue;
        // The run goes on to the next numbers if each of its lines has one
        // after the same text (the same digits, the same text between).
        const LeadingNumbers& first = numbers[size_t(lines[runFrom])];
        const QStringView firstText = texts[lines[runFrom]];
        const bool goesOn = std::all_of(lines.begin() + qsizetype(runFrom), lines.begin() + qsizetype(runTo),
                                        [&](qsizetype line) {
                                            const LeadingNumbers& x = numbers[size_t(line)];
                                            return x.count > k + 1 && SameUpToNext(firstText, first, texts[line], x, k);
                                        });
        if (goesOn) OrderRunByNumbers(lines, runFrom, runTo, k + 1, texts, numbers, undecided);
        else undecided.emplace_back(runFrom, runTo);
    }
}

using LineIt = std::vector<qsizetype>::iterator;

// Sorts [first, last) by the keys of those lines, made into keys[line].
// Equal keys keep their order.
void SortByKeysOn(LineIt first, LineIt last, const QStringList& texts, const ListCollator& collator,
                  std::vector<ListSortKey>& keys) {
    for (LineIt it = first; it != last; ++it) keys[size_t(*it)] = collator.sortKey(texts[*it]);
    std::stable_sort(first, last, [&](qsizetype a, qsizetype b) { return keys[size_t(a)] < keys[size_t(b)]; });
}

// Puts the lines [first, last) in order by their keys; lines of equal keys
// keep their order. Making the keys is most of the work: from kSplitFrom
// lines on, the second half is keyed and sorted on a second thread (each
// thread writes the keys of its own lines), and the halves merged.
void SortByKeys(LineIt first, LineIt last, const QStringList& texts, const ListCollator& collator,
                std::vector<ListSortKey>& keys) {
    const qsizetype n = last - first;
    if (n < 2) return;
    if (n < kSplitFrom || std::thread::hardware_concurrency() < 2) {
        SortByKeysOn(first, last, texts, collator, keys);
        return;
    }
    const LineIt half = first + n / 2;
    std::jthread second;  // joined however this function is left
    try {
        second = std::jthread([&] { SortByKeysOn(half, last, texts, ListCollator(), keys); });
    } catch (const std::system_error&) {
        // No thread to be had: this one does it all.
        SortByKeysOn(first, last, texts, collator, keys);
        return;
    }
    SortByKeysOn(first, half, texts, collator, keys);
    second.join();
    // A line of the first half goes before an equal one of the second.
    const std::vector<qsizetype> halves(first, last);
    std::merge(halves.begin(), halves.begin() + n / 2, halves.begin() + n / 2, halves.end(), first,
               [&](qsizetype a, qsizetype b) { return keys[size_t(a)] < keys[size_t(b)]; });
}

// Lines led by a number, in the order their numbers give as far as those
// decide, with the runs they leave undecided; and the lines not led by one.
struct ByNumbers {
    std::vector<qsizetype> Led, Others;
    std::vector<std::pair<std::size_t, std::size_t>> Undecided;  // in Led
    qsizetype UndecidedLines() const {
        qsizetype lines = 0;
        for (const auto& [from, to] : Undecided) lines += qsizetype(to - from);
        return lines;
    }
};

ByNumbers OrderByNumbers(const QStringList& texts, const std::vector<LeadingNumbers>& numbers) {
    ByNumbers order;
    for (qsizetype i = 0; i < texts.size(); ++i) (numbers[size_t(i)].count > 0 ? order.Led : order.Others).push_back(i);
    if (!order.Led.empty()) OrderRunByNumbers(order.Led, 0, order.Led.size(), 0, texts, numbers, order.Undecided);
    return order;
}

// Whether the lines' numbers decide the order of most of them, as they do
// in a list of runs (a time, a month, a day). A ranking's lines mostly share
// one rank (the pupils without points): its lines are keyed at once, without
// reading their numbers first. A sample spread over the list tells.
bool NumbersDecideMost(const QStringList& texts) {
    constexpr qsizetype kSample = 64;
    QStringList sample;
    const qsizetype step = std::max<qsizetype>(1, texts.size() / kSample);
    for (qsizetype i = 0; i < texts.size() && sample.size() < kSample; i += step) sample << texts[i];
    std::vector<LeadingNumbers> numbers;
    numbers.reserve(std::size_t(sample.size()));
    for (const QString& text : sample) numbers.push_back(ReadLeadingNumbers(text));
    const ByNumbers order = OrderByNumbers(sample, numbers);
    return (qsizetype(order.Others.size()) + order.UndecidedLines()) * 2 < sample.size();
}

// Whether the lines are in order already, as they often come (the records
// list numbers its lines in file order). Neighbours are compared by their
// numbers where those decide (none are given when none were read), or else
// whole: the collator stops at their first difference.
bool InOrder(const QStringList& texts, const std::vector<LeadingNumbers>& numbers, const ListCollator& collator) {
    for (qsizetype i = 1; i < texts.size(); ++i) {
        const int c = numbers.empty()
                          ? 0
                          : ByLeadingNumbers(texts[i - 1], numbers[size_t(i - 1)], texts[i], numbers[size_t(i)]);
        if (c > 0 || (c == 0 && collator.compare(texts[i - 1], texts[i]) > 0)) return false;
    }
    return true;
}

}  // namespace

std::vector<qsizetype> SortedOrder(const QStringList& texts) {
    const qsizetype n = texts.size();
    std::vector<qsizetype> asGiven(static_cast<std::size_t>(n));
    for (qsizetype i = 0; i < n; ++i) asGiven[std::size_t(i)] = i;
    const ListCollator collator;
    // Where numbers decide little, none is read: every line is keyed.
    if (!NumbersDecideMost(texts)) {
        if (InOrder(texts, {}, collator)) return asGiven;
        std::vector<ListSortKey> keys(asGiven.size());
        SortByKeys(asGiven.begin(), asGiven.end(), texts, collator, keys);
        return asGiven;
    }
    std::vector<LeadingNumbers> numbers;
    numbers.reserve(asGiven.size());
    for (const QString& text : texts) numbers.push_back(ReadLeadingNumbers(text));
    if (InOrder(texts, numbers, collator)) return asGiven;
    // A line's key, once made, at the line's index.
    std::vector<ListSortKey> keys(asGiven.size());

    // Lines led by a number are put in order by their numbers as far as
    // those decide; the rest, and the lines not led by a number, by keys.
    ByNumbers order = OrderByNumbers(texts, numbers);
    std::vector<qsizetype>& led = order.Led;
    std::vector<qsizetype>& others = order.Others;
    for (const auto& [from, to] : order.Undecided)
        SortByKeys(led.begin() + qsizetype(from), led.begin() + qsizetype(to), texts, collator, keys);
    SortByKeys(others.begin(), others.end(), texts, collator, keys);

    // The two together; equal lines keep their order. Lines not led by a
    // number mostly follow every numbered one ("--", "　　×").
    if (others.empty()) return led;
    if (led.empty()) return others;
    if (collator.compare(texts[led.back()], texts[others.front()]) < 0) {
        led.insert(led.end(), others.begin(), others.end());
        return led;
    }
    std::vector<qsizetype> merged(asGiven.size());
    std::merge(led.begin(), led.end(), others.begin(), others.end(), merged.begin(), [&](qsizetype a, qsizetype b) {
        const int c = collator.compare(texts[a], texts[b]);
        return c != 0 ? c < 0 : a < b;
    });
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
