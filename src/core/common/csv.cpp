#include "core/common/csv.h"

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

QByteArray CsvFileBytes(const QString& text) { return QByteArray("\xEF\xBB\xBF") + text.toUtf8(); }

bool ReadCsv(const QString& text, std::vector<CsvRecord>& rows, int& faultLine) {
    rows.clear();
    const qsizetype n = text.size();
    qsizetype i = 0;
    int line = 1;
    // A line end: CR LF, LF or a lone CR. Moves past it and counts the line.
    const auto lineEndAt = [&](qsizetype& at) {
        if (at >= n || (text[at] != u'\r' && text[at] != u'\n')) return false;
        if (text[at] == u'\r' && at + 1 < n && text[at + 1] == u'\n') ++at;
        ++at;
        ++line;
        return true;
    };
    while (i < n) {
        CsvRecord row;
        row.Line = line;
        for (;;) {
            QString field;
            if (i < n && text[i] == u'"') {
                const int opened = line;
                ++i;
                for (;;) {
                    if (i >= n) {
                        faultLine = opened;
                        return false;
                    }
                    if (text[i] == u'"') {
                        if (i + 1 < n && text[i + 1] == u'"') {
                            field += u'"';
                            i += 2;
                            continue;
                        }
                        ++i;
                        break;
                    }
                    qsizetype at = i;
                    if (lineEndAt(at)) {
                        field += text.mid(i, at - i);
                        i = at;
                        continue;
                    }
                    field += text[i++];
                }
                if (i < n && text[i] != u',' && text[i] != u'\r' && text[i] != u'\n') {
                    faultLine = line;
                    return false;
                }
            } else {
                const qsizetype start = i;
                while (i < n && text[i] != u',' && text[i] != u'\r' && text[i] != u'\n') ++i;
                field = text.mid(start, i - start);
            }
            row.Fields << field;
            if (i < n && text[i] == u',') {
                ++i;
                continue;
            }
            lineEndAt(i);
            break;
        }
        rows.push_back(std::move(row));
    }
    return true;
}

}  // namespace common
