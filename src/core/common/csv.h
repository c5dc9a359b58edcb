#pragma once
// Comma-separated values as spreadsheet programs read and write them (RFC
// 4180): a field is quoted when it holds a comma, a double quote or a line
// end, and its double quotes are doubled; a row ends with CR LF.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <vector>

namespace common {

QString CsvField(const QString& text);
// The fields joined by commas, ended with CR LF.
QString CsvRow(const QStringList& fields);

// A CSV text as a file spreadsheet programs open directly: UTF-8 with a
// byte-order mark.
QByteArray CsvFileBytes(const QString& text);

// One row read from a CSV text, with the line it starts on (from 1).
struct CsvRecord {
    int Line = 0;
    QStringList Fields;
};
// Reads the rows of a CSV text: CR LF, LF or CR end a row; a quoted field may
// hold commas, line ends and doubled quotes. A line end after the last row is
// not a row of its own. False, with the line of the field, when a quoted
// field has no closing quote or text follows a closing quote.
bool ReadCsv(const QString& text, std::vector<CsvRecord>& rows, int& faultLine);

}  // namespace common
