#pragma once
// Runs the built romaji-admin as an administrator would.

#include "processrun.h"

namespace testing_support {

inline ProcessRun RunAdmin(const QStringList& arguments, const QString& program = QStringLiteral(ROMAJI_ADMIN)) {
    return RunProcess(program, arguments);
}

}  // namespace testing_support
