// Creates the application, sets the Japanese font and shows the splash.
#include "startup/flow.h"
#include "startup/realplatform.h"
#include "startup/screenhost.h"

#include <QApplication>
#include <QFont>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    // Without an explicit JP face, Han characters may be drawn in their Chinese forms.
    QFont font(QStringLiteral("Noto Sans CJK JP"));
    font.setPointSize(12);
    QApplication::setFont(font);

    startup::RealPlatform platform;
    common::SetPlatform(&platform);
    startup::ScreenHost::instance().show();
    startup::ShowSplash();
    return app.exec();
}
