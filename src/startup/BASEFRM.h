#pragma once
// The backdrop: covers the switch from one screen to the next.

#include "startup/screenhost.h"

class QLabel;

namespace startup {

class BASEFRM : public Screen {
    Q_OBJECT
public:
    BASEFRM();
    QLabel* Label1 = nullptr;  // "Just a moment, please."
};

}  // namespace startup
