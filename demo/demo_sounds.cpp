// The demo school's sound folder: a copy of the default sounds that the
// package installs and romaji-admin init copies into a new school.

#include "demoschool.h"

#include "startup/newschool.h"

#include <QDir>

namespace demo {

bool LayOutSounds(const QString& root, const Options&, QString& errorText) {
    // The demo is laid out anew each time: the sounds of an earlier one go.
    QDir(root + QStringLiteral("/CAIdata/音フォルダ")).removeRecursively();
    QStringList made;
    return startup::CopyDefaultSounds(QStringLiteral(ROMAJI_DEFAULT_DATA), root + QStringLiteral("/CAIdata/"), made,
                                      errorText);
}

}  // namespace demo
