#pragma once
// The results file as a table for spreadsheet programs: one row per record,
// with the pupil's name and grade label from the roster, the level's name and
// the points of the run as the listings compute them.

#include "core/menus/roster.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QDate>
#include <QString>
#include <QStringList>

#include <array>
#include <vector>

namespace views {

// What an export needs of the school besides the criteria table (the points
// use the one loaded).
struct ExportSchool {
    std::vector<menus::PupilEntry> Roster;  // file order; a later entry of a number wins
    int SchoolYear = 0;                     // for the grade labels
    std::array<QString, 36> LevelNames{};
};

// Records dated From .. To, both included; a null date leaves that end open.
struct DateRange {
    QDate From;
    QDate To;
    bool Contains(double recordDate) const;
};

// The header row's column names.
const QStringList& ExportColumns();

// The CSV text of the whole records of `resultsBytes` (a partial tail is no
// record): UTF-8 with a byte-order mark, RFC 4180 quoting, CR LF line ends,
// the header row first, records in file order. Date YYYY-MM-DD and time
// HH:MM:SS (empty when the stored value cannot be a date or a time of day),
// result empty for a time-out (99999), classroom code without its padding.
// `rows` receives the number of records written.
QByteArray ResultsCsv(QByteArrayView resultsBytes, const ExportSchool& school, const DateRange& range,
                      long long* rows = nullptr);

}  // namespace views
