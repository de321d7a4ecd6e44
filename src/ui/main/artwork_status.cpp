// The main window's status pictures and the tray pictures: the dish with a badge for each
// state, and the two pictures that show the hardware instead (the card, the server's PC).
#include "ui/main/artwork.h"
#include "ui/main/artwork_kit.h"

#include <QLinearGradient>

namespace artwork {

namespace {

// ---------------------------------------------------------------- status pictures

void paintCard(QPainter& p) {
    p.save();
    // The mounting bracket.
    p.setPen(inkPen(1.0));
    p.setBrush(kSilver);
    p.drawRect(QRectF(1.5, 4.0, 3.0, 21.0));
    // The board.
    QLinearGradient board(0, 6, 0, 22);
    board.setColorAt(0, QColor(40, 150, 80));
    board.setColorAt(1, QColor(18, 96, 48));
    p.setBrush(board);
    p.drawRoundedRect(QRectF(4.5, 6.0, 23.5, 15.5), 1.2, 1.2);
    // Edge connector.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(236, 190, 60));
    for (int i = 0; i < 7; ++i)
        p.drawRect(QRectF(8.5 + i * 2.3, 21.5, 1.4, 3.0));
    // The tuner can and a chip.
    p.setPen(inkPen(0.9));
    p.setBrush(kSilver);
    p.drawRect(QRectF(6.5, 8.5, 8.0, 9.0));
    p.setBrush(QColor(30, 32, 36));
    p.drawRect(QRectF(17.0, 9.5, 6.5, 6.5));
    p.setPen(colourPen(QColor(236, 190, 60), 0.6, Qt::FlatCap));
    for (int i = 0; i < 4; ++i) {
        const qreal y = 10.4 + i * 1.55;
        p.drawLine(QPointF(16.0, y), QPointF(17.0, y));
        p.drawLine(QPointF(23.5, y), QPointF(24.5, y));
    }
    // The aerial socket on the bracket.
    p.setPen(inkPen(0.9));
    p.setBrush(QColor(236, 190, 60));
    p.drawEllipse(QPointF(3.0, 12.0), 1.6, 1.6);
    p.restore();
}

void paintComputer(QPainter& p) {
    p.save();
    QLinearGradient body(4, 0, 20, 0);
    body.setColorAt(0, kSilverLight);
    body.setColorAt(1, kSilverDark);
    p.setPen(inkPen(1.2));
    p.setBrush(body);
    p.drawRoundedRect(QRectF(5.0, 1.5, 15.0, 28.5), 1.5, 1.5);
    // Drive bays.
    p.setBrush(QColor(70, 76, 88));
    p.drawRect(QRectF(7.5, 5.0, 10.0, 2.8));
    p.drawRect(QRectF(7.5, 9.3, 10.0, 2.8));
    p.setPen(colourPen(kInk, 0.9));
    p.drawLine(QPointF(9.5, 15.5), QPointF(15.5, 15.5));
    // Power button and lamp.
    p.setPen(inkPen(0.8));
    p.setBrush(kSilver);
    p.drawEllipse(QPointF(12.5, 23.0), 1.9, 1.9);
    p.setBrush(QColor(80, 220, 90));
    p.drawEllipse(QPointF(8.5, 27.0), 0.9, 0.9);
    p.restore();
}

void paintStatus(QPainter& p, StatusPicture which, qreal unit) {
    const bool small = isSmall(unit);
    switch (which) {
    case StatusPicture::Dialing:
        paintDish(p, small);
        paintArcs(p, kAmber, small, true);
        paintDialBadge(p, small);
        break;
    case StatusPicture::NoCard:
        paintCard(p);
        paintRedXBadge(p, small);
        break;
    case StatusPicture::NoSignal: {
        paintDish(p, small);
        paintArcs(p, kSilverDark, small);
        // The waves are struck through.
        p.setPen(colourPen(kInk, 3.6));
        p.drawLine(QPointF(21.0, 1.0), QPointF(30.5, 12.0));
        p.setPen(colourPen(kRed, 2.0));
        p.drawLine(QPointF(21.0, 1.0), QPointF(30.5, 12.0));
        paintCloud(p, QRectF(14.0, 19.0, 18.0, 11.5), small);
        break;
    }
    case StatusPicture::Connected:
        paintDish(p, small);
        paintArcs(p, kSignal, small);
        paintCheckBadge(p, small);
        break;
    case StatusPicture::Disconnected:
        paintDish(p, small);
        paintBrokenLinkBadge(p, small);
        break;
    case StatusPicture::NoStatus:
        paintDish(p, small);
        paintQuestionBadge(p, small);
        break;
    case StatusPicture::NoServer:
        paintComputer(p);
        paintRedXBadge(p, small);
        break;
    }
}

// ---------------------------------------------------------------- tray pictures

void paintTray(QPainter& p, TrayPicture which, qreal unit) {
    const bool small = isSmall(unit);
    paintDish(p, small);
    switch (which) {
    case TrayPicture::Plain:
        paintArcs(p, kSignal, small);
        break;
    case TrayPicture::Connected:
        paintArcs(p, kSignal, small);
        paintCheckBadge(p, small);
        break;
    case TrayPicture::Disconnected:
        paintBrokenLinkBadge(p, small);
        break;
    case TrayPicture::RedX:
        paintRedXBadge(p, small);
        break;
    case TrayPicture::Cloud:
        paintCloud(p, small ? QRectF(10.0, 15.0, 22.0, 15.5) : QRectF(13.0, 18.0, 19.0, 12.5),
                   small);
        break;
    case TrayPicture::ServerRunning:
        paintRunningMarker(p, small);
        break;
    case TrayPicture::Message:
        paintMessageMarker(p, small);
        break;
    case TrayPicture::Dialing:
        paintArcs(p, kAmber, small, true);
        paintDialBadge(p, small);
        break;
    }
}

QSize trayDesignSize(TrayPicture which) {
    switch (which) {
    case TrayPicture::ServerRunning:
    case TrayPicture::Message:
    case TrayPicture::Dialing:
        return {16, 16};
    default:
        return {32, 32};
    }
}

// A tray drawing is always laid out in a 32-unit box; a 16-unit design is the same drawing
// at half scale.
Drawing trayDrawing(TrayPicture which) {
    const qreal designUnits = trayDesignSize(which).width();
    return [which, designUnits](QPainter& p, qreal unit) {
        const qreal toBox = designUnits / 32.0;
        p.scale(toBox, toBox);
        paintTray(p, which, unit * toBox);
    };
}

} // namespace

PictureAhead statusArt(StatusPicture which) {
    return {QStringLiteral("status-%1").arg(int(which)),
            [which](QPainter& p, qreal unit) { paintStatus(p, which, unit); },
            {32, 32}};
}

QPixmap statusPicture(StatusPicture which) {
    static std::map<int, QPixmap> cache[kStatusPictureCount];
    return cachedPixmap(cache[int(which)], statusArt(which));
}

QIcon trayPicture(TrayPicture which) {
    return drawnIcon(trayDrawing(which), trayDesignSize(which));
}

QIcon trayPictureDimmed(TrayPicture which) {
    return drawnIcon(trayDrawing(which), trayDesignSize(which), 0.35);
}

} // namespace artwork
