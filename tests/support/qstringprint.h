#pragma once
// Texts read as text in a failure message (GoogleTest would print their bytes).

#include <QString>

#include <ostream>

inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }
