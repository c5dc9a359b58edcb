#pragma once
// The order of every sorted list of the program: ascending text in Japanese
// locale collation, case-insensitive. Lists of thousands of lines are put in
// order with one sort over collator sort keys, never line by line.

#include <QCollator>
#include <QStringList>

#include <vector>

namespace common {

QCollator ListCollator();
// The indices of texts in ascending list order; equal texts keep their order.
std::vector<qsizetype> SortedOrder(const QStringList& texts);
// Sorts into that order.
void SortAscending(QStringList& texts);
// Where text goes into an ascending list so that it follows every equal text
// (an added line goes after the lines that compare equal to it).
qsizetype InsertPosition(const QStringList& sorted, const QString& text);

}  // namespace common
