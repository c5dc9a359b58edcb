// Creates the application, sets the Japanese font and shows the splash.
#include "screens/kit/flow.h"
#include "shell/flow.h"
#include "shell/realplatform.h"
#include "shell/screenhost.h"

#include <QApplication>
#include <QFont>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    // Without an explicit JP face, Han characters may be drawn in their Chinese forms.
    QFont font(QStringLiteral("Noto Sans CJK JP"));
    font.setPointSize(12);
    QApplication::setFont(font);

    shell::RealPlatform platform;
    common::SetPlatform(&platform);
    shell::InstallScreenFlow();
    shell::ScreenHost::instance().show();
    flow::ShowSplash();
    return app.exec();
}
