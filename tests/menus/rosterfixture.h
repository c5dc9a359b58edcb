#pragma once
// Writes a roster file "新名簿.txt" as the school's roster program does:
// Shift-JIS, text in quotes, numbers bare, CR LF.

#include "common/textfile.h"

#include <QString>

#include <vector>

namespace testing_support {

struct RosterLine {
    int number;
    int birthYear;
    QString name;
    int flag = 0;
};

inline QString RosterText(const std::vector<RosterLine>& lines) {
    common::ItemWriter w;
    for (const auto& l : lines)
        w.Number(static_cast<long long>(l.number))
            .Number(static_cast<long long>(l.birthYear))
            .Number(0LL)
            .Number(0LL)
            .Text(l.name)
            .Number(static_cast<long long>(l.flag))
            .Text(QString())
            .Text(QString())
            .EndLine();
    return w.Result();
}

inline bool WriteRoster(const QString& dataRoot, const std::vector<RosterLine>& lines) {
    return common::WriteShiftJisFile(dataRoot + QStringLiteral("新名簿.txt"), RosterText(lines));
}

}  // namespace testing_support
