#include "demoschool.h"

namespace demo {

bool LayOutSounds(const QString& root, const Options&, QString& errorText) {
    // The demo is laid out anew each time: the sounds of an earlier one go.
    school::Builder school(school::InstallationFolders(root));
    school.DefaultSounds();
    errorText = school.Error();
    return school.Ok();
}

bool LayOutDemoSchool(const QString& root, const Options& options, QString& errorText) {
    return LayOutBase(root, options, errorText) && LayOutSounds(root, options, errorText) &&
           LayOutResults(root, options, errorText);
}

}  // namespace demo
