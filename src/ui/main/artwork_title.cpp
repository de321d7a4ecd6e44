// The title art of the splash and About windows, and the two small product marks (the logo at
// the bottom of the main window, the attribution of the Options panel).
#include "ui/main/artwork.h"
#include "ui/main/artwork_kit.h"

#include <QLinearGradient>
#include <QRadialGradient>
#include <QRandomGenerator>

#include <map>

namespace artwork {

namespace {

// ---------------------------------------------------------------- title art

void paintStars(QPainter& p, const QRectF& area, const QRectF& keepClear, int count) {
    QRandomGenerator stars(2002);
    p.save();
    p.setPen(Qt::NoPen);
    for (int i = 0; i < count; ++i) {
        const QPointF at(area.left() + stars.bounded(area.width()),
                         area.top() + stars.bounded(area.height()));
        const qreal size = 0.4 + stars.bounded(1.0);
        const int alpha = 70 + stars.bounded(150);
        if (keepClear.contains(at))
            continue;
        p.setBrush(QColor(255, 255, 255, alpha));
        p.drawEllipse(at, size, size);
    }
    p.restore();
}

void paintSatellite(QPainter& p, QPointF centre, qreal scale) {
    p.save();
    p.translate(centre);
    p.rotate(-25);
    p.scale(scale, scale);
    p.setPen(QPen(QColor(20, 30, 50), 0.6));
    QLinearGradient panel(0, -4, 0, 4);
    panel.setColorAt(0, QColor(70, 120, 220));
    panel.setColorAt(1, QColor(20, 50, 130));
    p.setBrush(panel);
    p.drawRect(QRectF(-17, -3.5, 11, 7));
    p.drawRect(QRectF(6, -3.5, 11, 7));
    p.setPen(QPen(QColor(140, 170, 230, 160), 0.4));
    for (qreal x : {-13.3, -9.6, 9.7, 13.4})
        p.drawLine(QPointF(x, -3.5), QPointF(x, 3.5));
    p.setPen(QPen(QColor(20, 30, 50), 0.6));
    p.setBrush(QColor(220, 180, 70));
    p.drawRect(QRectF(-6, -5, 12, 10));
    p.setBrush(kSilverLight);
    p.drawEllipse(QPointF(0, 7.5), 3.2, 1.6);
    p.restore();
}

// The shared title art; `height` is the picture's height, the light band fills the bottom.
void paintTitleArt(QPainter& p, qreal width, qreal height, qreal bandHeight, bool about) {
    const qreal skyHeight = height - bandHeight;
    QLinearGradient sky(0, 0, 0, skyHeight);
    sky.setColorAt(0, QColor(8, 20, 52));
    sky.setColorAt(0.65, QColor(6, 10, 28));
    sky.setColorAt(1, QColor(2, 4, 12));
    p.fillRect(QRectF(0, 0, width, skyHeight), sky);

    QRadialGradient glow(QPointF(90, skyHeight * 0.55), 150);
    glow.setColorAt(0, QColor(40, 110, 200, 110));
    glow.setColorAt(1, QColor(40, 110, 200, 0));
    p.fillRect(QRectF(0, 0, width, skyHeight), glow);
    paintStars(p, QRectF(0, 0, width, skyHeight - 10), QRectF(170, 36, 290, 150), 130);

    paintSatellite(p, QPointF(width - 40, 28), 1.3);

    // The dish, large, with its signal reaching for the satellite.
    const qreal dishScale = (skyHeight - 26) / 32.0;
    p.save();
    p.translate(24, 20);
    p.scale(dishScale, dishScale);
    for (int i = 0; i < 4; ++i) {
        const qreal r = 4.2 + i * 3.0;
        QPen pen(QColor(110, 210, 255, 220 - i * 45), 1.1 - i * 0.12, Qt::SolidLine, Qt::RoundCap);
        p.setPen(pen);
        p.drawArc(QRectF(kFeed.x() - r, kFeed.y() - r, 2 * r, 2 * r), 0, 80 * 16);
    }
    paintDish(p, false);
    p.restore();

    // The ground line under the dish.
    QLinearGradient ground(0, 0, 170, 0);
    ground.setColorAt(0, QColor(110, 210, 255, 0));
    ground.setColorAt(0.5, QColor(110, 210, 255, 120));
    ground.setColorAt(1, QColor(110, 210, 255, 0));
    p.fillRect(QRectF(0, skyHeight - 7, 200, 1.2), ground);

    // Title.
    const qreal textLeft = 178;
    const qreal titleTop = about ? 42 : 40;
    QPainterPath zav = textPath(QStringLiteral("ZAV Remote"), artFont(42, QFont::Black),
                                QRectF(textLeft, titleTop, 270, 42), true);
    QPainterPath year = textPath(QStringLiteral("2002"), artFont(34, QFont::Bold),
                                 QRectF(textLeft, titleTop + 50, 120, 30), true);
    p.save();
    p.translate(2, 2);
    p.fillPath(zav, QColor(0, 0, 0, 150));
    p.fillPath(year, QColor(0, 0, 0, 150));
    p.restore();
    QLinearGradient titleFill(0, titleTop, 0, titleTop + 42);
    titleFill.setColorAt(0, Qt::white);
    titleFill.setColorAt(1, QColor(170, 205, 240));
    p.fillPath(zav, titleFill);
    QLinearGradient yearFill(0, titleTop + 50, 0, titleTop + 80);
    yearFill.setColorAt(0, QColor(255, 220, 110));
    yearFill.setColorAt(1, kAmber);
    p.fillPath(year, yearFill);
    const qreal yearRight = year.boundingRect().right();
    p.fillRect(QRectF(yearRight + 10, titleTop + 64, width - yearRight - 30, 1.6),
               QColor(240, 160, 0, 160));

    p.setPen(QColor(190, 210, 235));
    p.setFont(artFont(14, QFont::Normal));
    p.drawText(QRectF(textLeft, titleTop + 88, width - textLeft - 10, 20),
               Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Remote control client for ZAV Manager"));
    if (about) {
        p.setPen(QColor(140, 160, 190));
        p.setFont(artFont(12, QFont::Normal));
        p.drawText(QRectF(textLeft, titleTop + 110, width - textLeft - 10, 18),
                   Qt::AlignLeft | Qt::AlignVCenter,
                   QStringLiteral("Watch the link, dial and hang up from any PC"));
    }

    // The light band along the bottom, where the window writes the version in dark text.
    QLinearGradient band(0, skyHeight, 0, height);
    band.setColorAt(0, QColor(206, 216, 230));
    band.setColorAt(0.15, QColor(232, 238, 246));
    band.setColorAt(1, QColor(244, 247, 251));
    p.fillRect(QRectF(0, skyHeight, width, bandHeight), band);
    p.fillRect(QRectF(0, skyHeight, width, 1.5), QColor(240, 160, 0));
}

PictureAhead logoArt() {
    return {QStringLiteral("logo"),
            [](QPainter& p, qreal) {
                // "ZAV" in gold with a small signal arc after it.
                const QPainterPath text = textPath(QStringLiteral("ZAV"), artFont(10, QFont::Black),
                                                   QRectF(0.3, 0.5, 23.5, 8.0), true);
                QLinearGradient gold(0, 0.5, 0, 8.5);
                gold.setColorAt(0, QColor(255, 226, 120));
                gold.setColorAt(1, QColor(222, 132, 0));
                p.fillPath(text, gold);
                p.setBrush(Qt::NoBrush);
                p.setPen(colourPen(kSignal, 1.0));
                p.drawArc(QRectF(20.5, 2.5, 6.0, 6.0), -60 * 16, 120 * 16);
                p.drawArc(QRectF(21.5, 0.5, 10.0, 10.0), -55 * 16, 110 * 16);
            },
            {32, 9}};
}

PictureAhead splashArt() {
    return {QStringLiteral("splash"),
            [](QPainter& p, qreal) { paintTitleArt(p, 470, 200, 22, false); },
            {470, 200}};
}

} // namespace

std::vector<PictureAhead> picturesRenderedAhead() {
    std::vector<PictureAhead> pictures{splashArt(), logoArt()};
    for (int i = 0; i < kStatusPictureCount; ++i)
        pictures.push_back(statusArt(StatusPicture(i)));
    for (const Button which : {Button::Connect, Button::Disconnect, Button::Settings,
                               Button::WindowMode, Button::SendMessage, Button::About})
        pictures.push_back(buttonArt(which));
    pictures.push_back(windowIconArt());
    return pictures;
}

QPixmap smallLogo() {
    static std::map<int, QPixmap> cache;
    static const PictureAhead logo = logoArt();
    return cachedPixmap(cache, logo);
}

QPixmap splashPicture() {
    return pixmapOf(splashArt()); // not kept: the splash shows once a run
}

QPixmap aboutPicture() {
    static std::map<int, QPixmap> cache;
    return cachedPixmap(cache, [](QPainter& p, qreal) { paintTitleArt(p, 470, 230, 22, true); },
                        {470, 230});
}

QPixmap attributionPicture() {
    static std::map<int, QPixmap> cache;
    return cachedPixmap(cache,
                        [](QPainter& p, qreal) {
                            QLinearGradient g(0, 0, 60, 0);
                            g.setColorAt(0, QColor(20, 40, 80));
                            g.setColorAt(1, QColor(40, 90, 160));
                            p.setPen(Qt::NoPen);
                            p.setBrush(g);
                            p.drawRoundedRect(QRectF(0, 0, 60, 9), 2.0, 2.0);
                            // A tiny signal mark, then the text.
                            p.setBrush(kAmber);
                            p.drawEllipse(QPointF(3.6, 6.0), 1.3, 1.3);
                            p.setBrush(Qt::NoBrush);
                            p.setPen(colourPen(kSignal, 0.9));
                            p.drawArc(QRectF(0.6, 3.0, 6.0, 6.0), 0, 90 * 16);
                            p.drawArc(QRectF(-1.4, 1.0, 10.0, 10.0), 0, 90 * 16);
                            p.setPen(Qt::NoPen);
                            p.setBrush(Qt::white);
                            p.drawPath(textPath(QStringLiteral("ZAV 2002"), artFont(9, QFont::Bold),
                                                QRectF(12.0, 1.8, 45.0, 5.6), true));
                        },
                        {60, 9});
}

} // namespace artwork
