#include "screens/startup/Firstfrm.h"

#include "core/common/platform.h"
#include "core/common/random.h"
#include "core/startup/configuration.h"
#include "screens/kit/flow.h"
#include "core/common/runstate.h"
#include "core/startup/runstate.h"

#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QTimer>

namespace startup {

Firstfrm::Firstfrm() {
    setObjectName(QStringLiteral("Firstfrm"));
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(250, 250, 246));
    setPalette(pal);

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry((kit::kWidth - 640) / 2, 56, 640, 480);
    Image1->setPixmap(SplashPicture());

    auto makeLabel = [this](const char* name, int y, int pointSize) {
        auto* label = new QLabel(this);
        label->setObjectName(QString::fromLatin1(name));
        label->setGeometry(0, y, kit::kWidth, 48);
        label->setAlignment(Qt::AlignCenter);
        QFont f = label->font();
        f.setPointSize(pointSize);
        label->setFont(f);
        return label;
    };
    Label1 = makeLabel("Label1", 570, 20);
    Label1->setText(QStringLiteral("Just a moment, please."));
    Label5 = makeLabel("Label5", 630, 18);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(100);
    Timer1->setSingleShot(true);
    connect(Timer1, &QTimer::timeout, this, [this] { Timer1_Timer(); });
}

void Firstfrm::Form_Load() {
    common::Platform& platform = common::platform();
    common::RunState& state = common::runState();

    // On view and painted before anything else happens.
    flow::RaiseScreen(this);
    common::DoEvents();
    // The random source seeded from the clock.
    common::Randomize(platform.SecondsSinceMidnight());
    // Today's season colour and the date in the Japanese era.
    const QDate today = platform.Now().date();
    state.SeasonColour = SeasonColourForMonth(today.month());
    Label5->setText(JapaneseEraDateText(today));
    // Painted with the date before the settings are read.
    repaint();
    common::DoEvents();
    // The development layout is told by the program folder.
    state.DevLayout = IsDevLayout(platform.ProgramFolder());
    // The timer goes on with the start-up sequence.
    Timer1->start();
}

void Firstfrm::Timer1_Timer() {
    Timer1->stop();
    QString error;
    if (!LoadConfiguration(error, flow::Caution)) flow::FatalError(error);
    flow::ShowNameScreen();
    flow::CloseScreen(this);
}

QPixmap Firstfrm::SplashPicture() {
    QPixmap picture(640, 480);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);

    // A morning sky over a green hill.
    QLinearGradient sky(0, 0, 0, 480);
    sky.setColorAt(0, QColor(120, 190, 245));
    sky.setColorAt(1, QColor(230, 245, 255));
    p.fillRect(picture.rect(), sky);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 226, 120));
    p.drawEllipse(QPointF(584, 62), 36, 36);
    p.setBrush(QColor(140, 200, 120));
    QPainterPath hill;
    hill.moveTo(0, 400);
    hill.cubicTo(160, 330, 420, 350, 640, 380);
    hill.lineTo(640, 480);
    hill.lineTo(0, 480);
    hill.closeSubpath();
    p.drawPath(hill);

    // Title.
    QFont title = p.font();
    title.setPixelSize(84);
    title.setBold(true);
    p.setFont(title);
    p.setPen(QColor(255, 255, 255));
    p.drawText(QRect(4, 44, 640, 120), Qt::AlignCenter, QStringLiteral("ローマ字"));
    p.setPen(QColor(30, 70, 140));
    p.drawText(QRect(0, 40, 640, 120), Qt::AlignCenter, QStringLiteral("ローマ字"));

    // A row of key caps: the kana on top, the romaji below.
    const struct { const char16_t* kana; const char* romaji; } keys[] = {
        {u"あ", "a"}, {u"か", "ka"}, {u"さ", "sa"}, {u"た", "ta"}, {u"な", "na"}};
    const int capW = 96, capH = 116, gap = 18;
    const int total = 5 * capW + 4 * gap;
    QFont kanaFont = p.font();
    kanaFont.setPixelSize(48);
    kanaFont.setBold(false);
    QFont romajiFont = kanaFont;
    romajiFont.setPixelSize(28);
    for (int i = 0; i < 5; ++i) {
        const QRectF cap((640 - total) / 2 + i * (capW + gap), 205, capW, capH);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0, 0, 0, 50));
        p.drawRoundedRect(cap.translated(4, 6), 14, 14);
        p.setBrush(QColor(255, 255, 255));
        p.setPen(QPen(QColor(90, 120, 170), 2));
        p.drawRoundedRect(cap, 14, 14);
        p.setFont(kanaFont);
        p.setPen(QColor(40, 40, 60));
        p.drawText(cap.adjusted(0, 8, 0, -capH / 2 + 8), Qt::AlignCenter,
                   QString::fromUtf16(keys[i].kana));
        p.setFont(romajiFont);
        p.setPen(QColor(220, 90, 40));
        p.drawText(cap.adjusted(0, capH / 2, 0, -8), Qt::AlignCenter,
                   QString::fromLatin1(keys[i].romaji));
    }

    QFont sub = p.font();
    sub.setPixelSize(30);
    p.setFont(sub);
    p.setPen(QColor(30, 80, 40));
    p.drawText(QRect(0, 390, 640, 60), Qt::AlignCenter, QStringLiteral("タイピング練習"));
    return picture;
}

}  // namespace startup
