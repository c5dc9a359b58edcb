#pragma once
// The order of every sorted list of the program (the name list, the level
// columns, the pupil picker, the records list): ascending text in Japanese
// collation, case-insensitive, read the way a teacher reads a ranking:
//
// - a run of digits compares as the number it is: rank 2 before rank 10, and
//   "9:05" before "10:05";
// - blanks are passed over, so a number right-aligned with blanks compares as
//   that number, and a line led by blanks as its first mark;
// - punctuation and symbols come after the digits: the "--" lines of pupils
//   without a record and the "　　×" lines of runs without a time follow the
//   ranked and timed lines;
// - the grade marks compare as the grades they stand for, ①…⑥ then Ⅰ…Ⅲ, so
//   that equal ranks go by grade, then name (the signed-in pupil's "●" after
//   the grades, pupils without a mark last).
//
// Lists of thousands of lines are put in order with one sort, never by
// placing line after line: by the numbers they start with where those
// decide, else by their sort keys.

#include <QString>
#include <QStringList>
#include <QStringView>

#include <string>
#include <vector>

struct UCollator;

namespace common {

// A line's sort key: keys compare (as unsigned bytes, std::string's own
// comparison) as their lines do.
using ListSortKey = std::string;

// One collator of the list order. Cheap to make; one per thread.
class ListCollator {
public:
    ListCollator();
    ~ListCollator();
    ListCollator(const ListCollator&) = delete;
    ListCollator& operator=(const ListCollator&) = delete;

    // Below 0, 0 or above 0 as a goes before, with or after b.
    int compare(QStringView a, QStringView b) const;
    ListSortKey sortKey(QStringView text) const;

private:
    UCollator* collator_ = nullptr;
};

// The indices of texts in ascending list order; equal texts keep their order.
std::vector<qsizetype> SortedOrder(const QStringList& texts);
// Sorts into that order.
void SortAscending(QStringList& texts);
// Where text goes into an ascending list so that it follows every equal text
// (an added line goes after the lines that compare equal to it).
qsizetype InsertPosition(const QStringList& sorted, const QString& text);

}  // namespace common
