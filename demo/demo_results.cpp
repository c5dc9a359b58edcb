#include "demoschool.h"

namespace demo {

bool LayOutResults(const QString&, const Options&, QString&) { return true; }

}  // namespace demo
