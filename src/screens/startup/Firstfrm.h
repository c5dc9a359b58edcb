#pragma once
// The splash screen: shown while the program starts, it seeds the random
// generator, picks the season colour, shows today's date in the Japanese
// calendar and, from a 100 ms one-shot timer, loads the configuration and
// opens the name screen.

#include "screens/kit/screen.h"

#include <QPixmap>

class QLabel;
class QTimer;

namespace startup {

class Firstfrm : public kit::Screen {
    Q_OBJECT
public:
    Firstfrm();
    // The start-up sequence (runs once per process).
    void Form_Load() override;

    // Our own splash artwork, 640 x 480.
    static QPixmap SplashPicture();

private:
    void Timer1_Timer();

    QLabel* Image1 = nullptr;  // 640 x 480 picture
    QLabel* Label1 = nullptr;  // "Just a moment, please."
    QLabel* Label5 = nullptr;  // today's date
    QTimer* Timer1 = nullptr;  // 100 ms, one shot
};

}  // namespace startup
