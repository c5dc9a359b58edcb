#include "common/csv.h"

namespace common {

QString CsvField(const QString& text) {
    const bool quoted = text.contains(u',') || text.contains(u'"') || text.contains(u'\r') ||
                        text.contains(u'\n');
    if (!quoted) return text;
    QString out = text;
    out.replace(QStringLiteral("\""), QStringLiteral("\"\""));
    return u'"' + out + u'"';
}

QString CsvRow(const QStringList& fields) {
    QString row;
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i > 0) row += u',';
        row += CsvField(fields[i]);
    }
    return row + QStringLiteral("\r\n");
}

}  // namespace common
