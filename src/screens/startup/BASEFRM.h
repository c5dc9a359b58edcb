#pragma once
// The backdrop: covers the switch from one screen to the next.

#include "screens/kit/screen.h"

class QLabel;

namespace startup {

class BASEFRM : public kit::Screen {
    Q_OBJECT
public:
    BASEFRM();

private:
    QLabel* Label1 = nullptr;  // "Just a moment, please."
};

}  // namespace startup
