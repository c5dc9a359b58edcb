#pragma once
// Finding the installation folders and reading the start-up files
// "パスデータ.txt" (one level above the program folder) and "共通データ.txt"
// (in the data root).

#include <QString>

namespace startup {

// Items 1 and 3 of "共通データ.txt", used by the roster code.
struct CommonSettings {
    int SchoolYearStartMonth = 4;
    int ListFlagTwo = 0;
    void Reset();
};

CommonSettings& commonSettings();

}  // namespace startup
