#include "demoschool.h"

namespace demo {

bool LayOutDemoSchool(const QString& root, const Options& options, QString& errorText) {
    return LayOutBase(root, options, errorText) && LayOutSounds(root, options, errorText) &&
           LayOutResults(root, options, errorText);
}

}  // namespace demo
