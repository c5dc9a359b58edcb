#pragma once
// Runs the built romaji-admin as an administrator would.

#include "processrun.h"

namespace testing_support {

inline ProcessRun RunAdmin(const QStringList& arguments, const QString& program = QStringLiteral(ROMAJI_ADMIN)) {
    return RunProcess(program, arguments);
}

// With input on its standard input (a PIN, as a script gives it).
inline ProcessRun RunAdminWithInput(const QStringList& arguments, const QByteArray& input) {
    return RunProcess(QStringLiteral(ROMAJI_ADMIN), arguments, 60000, input);
}

}  // namespace testing_support
