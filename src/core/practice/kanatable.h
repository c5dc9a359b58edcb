#pragma once
// The kana-romaji table, the romaji chart shown by the chooser and the help
// panel, and the saved romanization mode.

#include <QString>
#include <QStringList>

#include <array>

namespace practice {

// One entry: kana and spellings exactly as their fixed-width fields hold them
// (padded); trim before comparing or showing.
struct KanaEntry {
    int Entry = 0;
    QString Kana;
    QString Kunrei;
    QString Hepburn;
};

inline constexpr int kEntryCount = 106;

// Entries 1..106 by number; slot 0 stays empty.
struct KanaTable {
    std::array<KanaEntry, kEntryCount + 1> Entries{};
    int Count = 0;
    const KanaEntry& operator[](int i) const { return Entries.at(i); }
    void Reset() { *this = KanaTable{}; }
};

KanaTable& kanaTable();

// The three fixed-width strings: 2 characters of kana, 3 of each spelling per entry.
QString KanaString();
QString KunreiString();
QString HepburnString();

// Entry i (1..106) cut out of the three strings.
KanaEntry EntryFromStrings(int i);
// Fills kanaTable() from the three strings.
void FillKanaTable();

// The chart line of entry i.
QString TableLine(int i);
// The whole chart: every entry line with its separator and blank lines.
QStringList ChartLines();

// Texts shared by the chooser and the help panel.
QString HepburnNote();  // "( )はヘボン式"
QString BothSystemsCaption();  // "ヘボン式 ＆ 訓令式"
QString NnNote();  // the note on ん
// Name of a romanization mode, as the practice screen shows it.
QString ModeName(int mode);

// "ローマ字形式.txt" in the program's own folder.
QString ModeFilePath();
// Reads the mode file into RunState::RomanizationMode. A missing or unreadable
// file, or one holding anything but 0, 1 or 2, gives mode 0 (both spellings):
// the practice must start all the same. True when the file held a valid mode.
bool LoadRomanizationMode();
// The chooser's option with this index (1..3) was picked: sets the mode to
// index - 1 and rewrites the mode file. False with errorText when the file
// could not be written (the mode is in force for this program run anyway).
bool SaveRomanizationMode(int optionIndex, QString* errorText = nullptr);

}  // namespace practice
