#pragma once
// The roster as a spreadsheet's CSV file: the import that writes 新名簿.txt
// from one, and the export that writes it back.
//
// Columns, named in a header row in any order (the Japanese names are those
// the export writes; the English ones are accepted too):
//   番号 (number), 名前 (name), 生まれ年度 (birth year), 表示区分 (listing
//   flag): required;
//   予備の数1, 予備の数2, 予備の文字1, 予備の文字2: the roster's four other
//   fields, which the program keeps but never reads; 0 or empty when absent.

#include "core/menus/roster.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <vector>

namespace menus {

// The outcome of reading a CSV file for the roster.
struct RosterImport {
    QString Encoding;      // how the file was read: "UTF-8（BOM 付き）", "UTF-8", "Shift-JIS"
    QStringList Errors;    // each names its line; with any, nothing may be written
    QStringList Warnings;  // worth a word, but the roster is written
    QByteArray RosterBytes;  // the new 新名簿.txt (Shift-JIS, CR LF), when there are no errors
    std::vector<PupilEntry> Entries;  // as the program reads RosterBytes
    bool Ok() const { return Errors.isEmpty(); }
};

// Reads the bytes of a CSV file (UTF-8 with or without a byte-order mark, or
// Shift-JIS) and makes the roster of its rows. Every row is checked as the
// program reads the roster: a number 1 … 5000 that no other row has, a name
// that Shift-JIS can hold and the roster can write (no double quote, no line
// end, at most 20 characters, which is all the program keeps), a four-digit
// birth year, and 16-bit numbers in the other numeric columns; the roster
// made is then read back with the program's own reader and must give exactly
// the rows. Empty rows are passed over.
RosterImport RosterFromCsv(const QByteArray& csv);

// The roster's entries as a CSV file (UTF-8 with a byte-order mark, CR LF),
// with the header row of all eight columns; names and texts without the
// blanks that pad them to 20 characters. RosterFromCsv of it gives the same
// entries.
QByteArray RosterCsv(const std::vector<PupilEntry>& entries);

}  // namespace menus
