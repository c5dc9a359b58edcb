#pragma once
// A small school for the listing tests: four pupils of known grades in the
// roster tables, the school year fixed, the statistics cleared.

#include "menus/roster.h"
#include "results/statistics.h"

#include <QString>

#include <ostream>
#include <vector>

// Lines read as text in a failure message.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace testing_support {

inline constexpr int kSchoolYear = 2026;

struct SchoolPupil {
    int number;
    QString name;
    int grade;  // 1..6 elementary, 7..9 junior high
};

// Names as the roster file holds them (blank-padded to 20), in roster order.
inline void SetSchool(const std::vector<SchoolPupil>& pupils) {
    menus::Roster& r = menus::roster();
    r.Reset();
    r.SchoolYear = kSchoolYear;
    int n = 0;
    for (const auto& p : pupils) {
        r.PupilName[size_t(p.number)] = (p.name + QString(20, u' ')).left(20);
        r.PupilBirthYear[size_t(p.number)] = static_cast<std::int16_t>(kSchoolYear - 6 - p.grade);
        r.ShownPupils[size_t(++n)] = static_cast<std::int16_t>(p.number);
    }
    r.ShownPupilCount = n;
    results::stats().Reset();
}

}  // namespace testing_support
