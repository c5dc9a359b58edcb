#include "startup/soundbackend.h"

namespace startup {

int PlayWavToEnd(const QString&, QString& errorText) {
    errorText = QStringLiteral("sound back end not built yet");
    return 0;
}

}  // namespace startup
