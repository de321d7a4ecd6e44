// The pictures on buttons and window title bars: the main window's six picture buttons, the
// windows' own icons, the Options panel's top buttons and the send button.
#include "ui/main/artwork.h"
#include "ui/main/artwork_kit.h"

#include <QLinearGradient>
#include <QtMath>

namespace artwork {

namespace {

// ---------------------------------------------------------------- main window buttons

void paintArrow(QPainter& p, QPointF tip, qreal length, qreal width, qreal angle,
                const QColor& colour) {
    // An arrow pointing along `angle` degrees (0 = right, 90 = down), tip at `tip`.
    p.save();
    p.translate(tip);
    p.rotate(angle);
    const qreal head = width * 1.9;
    const qreal headLength = qMin(length * 0.55, width * 1.8);
    QPolygonF arrow({{0, 0},
                     {-headLength, -head / 2},
                     {-headLength, -width / 2},
                     {-length, -width / 2},
                     {-length, width / 2},
                     {-headLength, width / 2},
                     {-headLength, head / 2}});
    QLinearGradient g(0, -head / 2, 0, head / 2);
    g.setColorAt(0, colour.lighter(150));
    g.setColorAt(1, colour.darker(105));
    p.setPen(inkPen(0.8));
    p.setBrush(g);
    p.drawPolygon(arrow);
    p.restore();
}

// A mains plug, prongs up, body centred at `centre`.
void paintPlug(QPainter& p, QPointF centre, bool prongsUp) {
    p.save();
    p.translate(centre);
    if (!prongsUp)
        p.rotate(180);
    p.setPen(inkPen(0.8));
    p.setBrush(kSilverLight);
    p.drawRect(QRectF(-2.4, -6.8, 1.4, 3.2));
    p.drawRect(QRectF(1.0, -6.8, 1.4, 3.2));
    QLinearGradient g(-4, 0, 4, 0);
    g.setColorAt(0, kSilverLight);
    g.setColorAt(1, kSilverDark);
    p.setBrush(g);
    p.drawRoundedRect(QRectF(-3.8, -3.8, 7.6, 6.0), 1.2, 1.2);
    p.setPen(colourPen(kSilver, 1.6));
    p.drawLine(QPointF(0, 2.4), QPointF(0, 7.5));
    p.restore();
}

void paintGear(QPainter& p, QPointF centre, qreal radius, int teeth) {
    QPainterPath gear;
    const qreal inner = radius * 0.74;
    for (int i = 0; i < teeth * 4; ++i) {
        const qreal a = (i - 0.5) * 2 * M_PI / (teeth * 4);
        const qreal r = (i % 4 < 2) ? radius : inner;
        const QPointF pt(centre.x() + r * qCos(a), centre.y() + r * qSin(a));
        if (i == 0)
            gear.moveTo(pt);
        else
            gear.lineTo(pt);
    }
    gear.closeSubpath();
    gear.addEllipse(centre, radius * 0.32, radius * 0.32);
    QLinearGradient g(centre - QPointF(radius, radius), centre + QPointF(radius, radius));
    g.setColorAt(0, kSilverLight);
    g.setColorAt(1, kSilverDark);
    p.save();
    p.setPen(inkPen(radius * 0.12));
    p.setBrush(g);
    p.drawPath(gear);
    p.restore();
}

void paintWindowFrame(QPainter& p, const QRectF& r, qreal line, const QColor& title) {
    p.save();
    p.setPen(inkPen(line));
    p.setBrush(QColor(236, 240, 246));
    p.drawRect(r);
    const qreal bar = qMax(2.0, r.height() * 0.24);
    QLinearGradient g(r.topLeft(), r.topRight());
    g.setColorAt(0, title);
    g.setColorAt(1, title.lighter(150));
    p.setBrush(g);
    p.drawRect(QRectF(r.left(), r.top(), r.width(), bar));
    p.restore();
}

void paintButton(QPainter& p, Button which) {
    switch (which) {
    case Button::Connect:
        paintPlug(p, QPointF(5.0, 9.0), true);
        paintArrow(p, QPointF(13.5, 0.5), 15.0, 3.6, -90, kGreen);
        break;
    case Button::Disconnect:
        paintPlug(p, QPointF(5.0, 7.0), false);
        paintArrow(p, QPointF(13.5, 15.5), 15.0, 3.6, 90, kRed);
        break;
    case Button::Settings:
        paintGear(p, QPointF(9.0, 8.0), 7.6, 8);
        break;
    case Button::WindowMode:
        paintWindowFrame(p, QRectF(0.6, 0.6, 12.5, 10.5), 1.0, kBlue);
        paintWindowFrame(p, QRectF(9.0, 8.0, 8.4, 7.4), 1.0, kAmber.darker(110));
        break;
    case Button::SendMessage:
        paintEnvelope(p, QRectF(0.6, 2.6, 12.5, 9.5), 1.0);
        paintArrow(p, QPointF(17.8, 11.0), 9.0, 3.0, 0, kGreen);
        break;
    case Button::About: {
        QRadialGradient g(QPointF(6.5, 5.0), 10.0);
        g.setColorAt(0, kBlue.lighter(160));
        g.setColorAt(1, kBlue.darker(110));
        p.setPen(inkPen(1.0));
        p.setBrush(g);
        p.drawEllipse(QPointF(9.0, 8.0), 7.4, 7.4);
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        p.drawEllipse(QPointF(9.0, 4.3), 1.35, 1.35);
        p.drawRoundedRect(QRectF(7.8, 6.6, 2.4, 6.6), 0.6, 0.6);
        break;
    }
    }
}

// ---------------------------------------------------------------- window icons

void paintWindowIcon(QPainter& p, qreal unit) {
    const bool small = isSmall(unit);
    paintDish(p, small);
    paintArcs(p, kSignal, small);
}

void paintPencil(QPainter& p, QPointF tip, qreal length, qreal angle) {
    p.save();
    p.translate(tip);
    p.rotate(angle);
    const qreal w = 2.2;
    p.setPen(inkPen(0.9));
    // Point, body and eraser, along +x from the tip.
    p.setBrush(QColor(240, 210, 160));
    p.drawPolygon(QPolygonF({{0, 0}, {4.0, -w}, {4.0, w}}));
    p.setBrush(QColor(250, 200, 40));
    p.drawRect(QRectF(4.0, -w, length - 7.0, 2 * w));
    p.setBrush(QColor(230, 110, 120));
    p.drawRoundedRect(QRectF(length - 3.0, -w, 3.0, 2 * w), 0.8, 0.8);
    p.setPen(Qt::NoPen);
    p.setBrush(kInk);
    p.drawPolygon(QPolygonF({{0, 0}, {1.4, -0.8}, {1.4, 0.8}}));
    p.restore();
}

void paintSendMessageIcon(QPainter& p, qreal unit) {
    const bool small = isSmall(unit);
    paintEnvelope(p, QRectF(1.5, 8.0, 22.0, 16.0), small ? 1.8 : 1.3);
    paintPencil(p, QPointF(16.0, 27.0), 19.0, -55);
}

void paintReceivedMessagesIcon(QPainter& p, qreal unit) {
    const bool small = isSmall(unit);
    const qreal line = small ? 1.8 : 1.2;
    // The inbox tray.
    QPainterPath tray;
    tray.moveTo(2.0, 19.0);
    tray.lineTo(9.5, 19.0);
    tray.lineTo(11.5, 23.0);
    tray.lineTo(20.5, 23.0);
    tray.lineTo(22.5, 19.0);
    tray.lineTo(30.0, 19.0);
    tray.lineTo(30.0, 30.0);
    tray.lineTo(2.0, 30.0);
    tray.closeSubpath();
    // A letter sinking into it.
    paintEnvelope(p, QRectF(8.0, 8.0, 16.0, 12.0), line);
    paintArrow(p, QPointF(16.0, 8.5), 8.5, 3.2, 90, kGreen);
    QLinearGradient g(0, 19, 0, 30);
    g.setColorAt(0, QColor(120, 170, 235));
    g.setColorAt(1, QColor(30, 80, 170));
    p.setPen(inkPen(line));
    p.setBrush(g);
    p.drawPath(tray);
}

// ---------------------------------------------------------------- options buttons

void paintOptions(QPainter& p, OptionsButton which, qreal unit) {
    const bool small = isSmall(unit);
    const qreal line = small ? 1.8 : 1.2;
    switch (which) {
    case OptionsButton::Comms: {
        // Two network plugs with traffic both ways.
        for (int side : {-1, 1}) {
            p.save();
            if (side > 0) {
                p.translate(32, 0);
                p.scale(-1, 1);
            }
            p.setPen(inkPen(line));
            p.setBrush(QColor(70, 150, 230));
            p.drawRoundedRect(QRectF(1.0, 20.0, 9.0, 8.0), 1.0, 1.0);
            p.setBrush(kSilverLight);
            p.drawRect(QRectF(10.0, 21.5, 3.5, 5.0));
            p.setPen(colourPen(QColor(236, 190, 60), 0.8, Qt::FlatCap));
            for (int i = 0; i < 3; ++i)
                p.drawLine(QPointF(10.8, 22.6 + i * 1.4), QPointF(13.2, 22.6 + i * 1.4));
            p.setPen(colourPen(kInk, 3.0));
            p.drawLine(QPointF(1.0, 24.0), QPointF(-1.0, 24.0));
            p.restore();
        }
        paintArrow(p, QPointF(30.0, 6.5), 24.0, 4.0, 0, kGreen);
        paintArrow(p, QPointF(2.0, 14.0), 24.0, 4.0, 180, kBlue);
        break;
    }
    case OptionsButton::Window:
        paintWindowFrame(p, QRectF(2.0, 4.0, 28.0, 24.0), line, kBlue);
        p.setPen(inkPen(0.9));
        p.setBrush(kRed);
        p.drawRect(QRectF(24.5, 5.3, 3.6, 3.2));
        p.setBrush(kSilverLight);
        p.drawRect(QRectF(20.0, 5.3, 3.6, 3.2));
        p.setPen(colourPen(kSilverDark, 1.4));
        for (int i = 0; i < 3; ++i)
            p.drawLine(QPointF(6.0, 14.0 + i * 4.0), QPointF(i == 2 ? 18.0 : 26.0, 14.0 + i * 4.0));
        break;
    case OptionsButton::Startup: {
        QRadialGradient g(QPointF(12.0, 11.0), 18.0);
        g.setColorAt(0, kGreen.lighter(170));
        g.setColorAt(1, kGreen.darker(115));
        p.setPen(inkPen(line));
        p.setBrush(g);
        p.drawEllipse(QPointF(16.0, 16.0), 14.5, 14.5);
        const QRectF ring(8.5, 8.5, 15.0, 15.0);
        p.setPen(colourPen(kInk, 5.0));
        p.drawArc(ring, 125 * 16, 290 * 16);
        p.drawLine(QPointF(16.0, 5.5), QPointF(16.0, 15.0));
        p.setPen(colourPen(Qt::white, 3.0));
        p.drawArc(ring, 125 * 16, 290 * 16);
        p.drawLine(QPointF(16.0, 5.5), QPointF(16.0, 15.0));
        break;
    }
    case OptionsButton::Other: {
        const qreal knobs[3] = {9.0, 21.0, 14.0};
        for (int i = 0; i < 3; ++i) {
            const qreal x = 7.0 + i * 9.0;
            p.setPen(colourPen(kInk, 3.4));
            p.drawLine(QPointF(x, 3.0), QPointF(x, 29.0));
            p.setPen(colourPen(kSilverDark, 1.6));
            p.drawLine(QPointF(x, 3.0), QPointF(x, 29.0));
            QLinearGradient g(x - 4, 0, x + 4, 0);
            g.setColorAt(0, QColor(255, 200, 80));
            g.setColorAt(1, kOrange);
            p.setPen(inkPen(line));
            p.setBrush(g);
            p.drawRoundedRect(QRectF(x - 4.0, knobs[i] - 2.5, 8.0, 5.0), 1.2, 1.2);
        }
        break;
    }
    case OptionsButton::Save: {
        QPainterPath body;
        body.moveTo(3.0, 3.0);
        body.lineTo(25.0, 3.0);
        body.lineTo(29.0, 7.0);
        body.lineTo(29.0, 29.0);
        body.lineTo(3.0, 29.0);
        body.closeSubpath();
        QLinearGradient g(3, 3, 29, 29);
        g.setColorAt(0, QColor(70, 110, 200));
        g.setColorAt(1, QColor(24, 44, 110));
        p.setPen(inkPen(line));
        p.setBrush(g);
        p.drawPath(body);
        // The metal shutter and the label.
        p.setBrush(kSilver);
        p.drawRect(QRectF(9.0, 3.0, 13.0, 8.5));
        p.setBrush(QColor(40, 50, 70));
        p.drawRect(QRectF(17.0, 4.5, 3.0, 5.5));
        p.setBrush(Qt::white);
        p.drawRoundedRect(QRectF(6.5, 15.5, 19.0, 13.5), 1.0, 1.0);
        p.setPen(colourPen(QColor(150, 160, 180), 1.0));
        p.drawLine(QPointF(9.0, 20.0), QPointF(23.0, 20.0));
        p.drawLine(QPointF(9.0, 24.0), QPointF(23.0, 24.0));
        break;
    }
    case OptionsButton::Cancel:
        p.save();
        p.translate(16.0, 16.0);
        p.setPen(colourPen(kInk, 9.0));
        paintCross(p, 10.0);
        p.setPen(colourPen(kRed, 6.0));
        paintCross(p, 10.0);
        p.setPen(colourPen(QColor(255, 120, 110), 1.6));
        p.drawLine(QPointF(-10.5, -9.5), QPointF(-2.0, -1.0));
        p.restore();
        break;
    }
}

} // namespace

PictureAhead buttonArt(Button which) {
    return {QStringLiteral("button-%1").arg(int(which)),
            [which](QPainter& p, qreal) { paintButton(p, which); },
            {18, 16}};
}

PictureAhead windowIconArt() {
    return {QStringLiteral("window-icon"), paintWindowIcon, {32, 32}};
}

QIcon buttonIcon(Button which) {
    return drawnIcon(buttonArt(which));
}

QIcon windowIcon() {
    return drawnIcon(windowIconArt());
}

QIcon sendMessageWindowIcon() {
    return drawnIcon(paintSendMessageIcon, {32, 32});
}

QIcon receivedMessagesWindowIcon() {
    return drawnIcon(paintReceivedMessagesIcon, {32, 32});
}

QIcon optionsButtonIcon(OptionsButton which) {
    return drawnIcon([which](QPainter& p, qreal unit) { paintOptions(p, which, unit); }, {32, 32});
}

QPixmap sendButtonPicture() {
    static std::map<int, QPixmap> cache;
    return cachedPixmap(
        cache,
        [](QPainter& p, qreal) {
            const QRectF face(0.5, 0.5, 37.0, 15.0);
            QLinearGradient g(0, 0, 0, 16);
            g.setColorAt(0, QColor(110, 170, 240));
            g.setColorAt(0.5, QColor(40, 100, 200));
            g.setColorAt(1, QColor(20, 60, 140));
            p.setPen(QPen(kInk, 1.0));
            p.setBrush(g);
            p.drawRoundedRect(face, 3.0, 3.0);
            p.setPen(Qt::NoPen);
            p.setBrush(Qt::white);
            p.drawPath(textPath(QStringLiteral("SEND"), artFont(10, QFont::Bold),
                                QRectF(4.0, 4.0, 22.0, 8.0), true));
            p.drawPolygon(QPolygonF({{27.5, 3.8}, {34.5, 8.0}, {27.5, 12.2}, {29.2, 8.0}}));
        },
        {38, 16});
}

} // namespace artwork
