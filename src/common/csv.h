#pragma once
// Comma-separated values as spreadsheet programs read them (RFC 4180): a
// field is quoted when it holds a comma, a double quote or a line end, and
// its double quotes are doubled; a row ends with CR LF.

#include <QString>
#include <QStringList>

namespace common {

QString CsvField(const QString& text);
// The fields joined by commas, ended with CR LF.
QString CsvRow(const QStringList& fields);

}  // namespace common
