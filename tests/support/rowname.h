#pragma once
// Names of the rows of table-driven tests, so that ctest and a failure show
// "RunLimitReached" rather than an index or the bytes of the row.

#include <cctype>
#include <string>
#include <string_view>

namespace testing_support {

// Words joined as one name: "run limit reached" -> "RunLimitReached"; every
// character gtest does not take in a name ends a word and is dropped.
inline std::string RowName(std::string_view words) {
    std::string name;
    bool wordStart = true;
    for (const char c : words) {
        if (!std::isalnum(static_cast<unsigned char>(c))) {
            wordStart = true;
            continue;
        }
        name += wordStart ? static_cast<char>(std::toupper(static_cast<unsigned char>(c))) : c;
        wordStart = false;
    }
    return name;
}

}  // namespace testing_support
