// All of the program's pictures are drawn here with QPainter. Every small picture is a vector
// drawing in its own design box (mostly 32 x 32 units); icons repaint it at whatever size and
// screen scale is asked, pixmaps are rendered at the screen's device pixel ratio.
//
// The common motif is a silver satellite dish facing up to the right. A state is told by a
// badge in the bottom right corner, and every badge differs in shape, not only in colour.
#include "ui/main/artwork.h"

#include "ui/main/artwork_engine.h"

#include <QGuiApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QRandomGenerator>
#include <QtMath>

#include <map>

namespace artwork {

namespace {

// ---------------------------------------------------------------- palette and helpers

const QColor kInk(14, 18, 26);
const QColor kSilverLight(246, 248, 252);
const QColor kSilver(196, 204, 216);
const QColor kSilverDark(118, 128, 144);
const QColor kGreen(34, 170, 56);
const QColor kRed(214, 32, 32);
const QColor kAmber(240, 160, 0);
const QColor kOrange(232, 112, 24);
const QColor kBlue(38, 104, 214);
const QColor kSlate(104, 120, 146);
const QColor kSignal(110, 210, 255);

// Below this many device pixels across, the 32-unit drawings switch to bold, simple strokes.
constexpr qreal kSmallPixels = 25.0;

bool isSmall(qreal devicePixelsPerUnit, qreal designWidth = 32.0) {
    return devicePixelsPerUnit * designWidth < kSmallPixels;
}

qreal screenRatio() {
    const qreal ratio = qGuiApp ? qGuiApp->devicePixelRatio() : 1.0;
    return ratio < 1.0 ? 1.0 : ratio;
}

QFont artFont(int pixelSize, int weight = QFont::Bold) {
    QFont font;
    font.setFamilies({QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans"),
                      QStringLiteral("Arial")});
    font.setPixelSize(pixelSize);
    font.setWeight(QFont::Weight(weight));
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}

// The outline of a text, its ink centred in `box` (or left-aligned when `left` is set).
QPainterPath textPath(const QString& text, const QFont& font, const QRectF& box,
                      bool left = false) {
    QPainterPath path;
    path.addText(0, 0, font, text);
    const QRectF ink = path.boundingRect();
    const qreal scale = qMin(1.0, qMin(box.width() / ink.width(), box.height() / ink.height()));
    QTransform t;
    const qreal x = left ? box.left() : box.center().x() - ink.width() * scale / 2;
    t.translate(x, box.center().y() - ink.height() * scale / 2);
    t.scale(scale, scale);
    t.translate(-ink.left(), -ink.top());
    return t.map(path);
}

QPen inkPen(qreal width) {
    return QPen(kInk, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

QPen colourPen(const QColor& colour, qreal width, Qt::PenCapStyle cap = Qt::RoundCap) {
    return QPen(colour, width, Qt::SolidLine, cap, Qt::RoundJoin);
}

QPixmap toPixmap(const Drawing& drawing, QSize logical) {
    const qreal ratio = screenRatio();
    const QSize pixels(qRound(logical.width() * ratio), qRound(logical.height() * ratio));
    QPixmap pixmap = QPixmap::fromImage(renderDrawing(drawing, logical, pixels));
    pixmap.setDevicePixelRatio(ratio);
    return pixmap;
}

// A pixmap rendered once per screen scale.
QPixmap cachedPixmap(std::map<int, QPixmap>& cache, const Drawing& drawing, QSize logical) {
    const int key = qRound(screenRatio() * 100);
    auto it = cache.find(key);
    if (it == cache.end())
        it = cache.emplace(key, toPixmap(drawing, logical)).first;
    return it->second;
}

QIcon drawnIcon(Drawing drawing, QSize design, qreal opacity = 1.0) {
    return QIcon(new DrawnIconEngine(std::move(drawing), design, opacity));
}

// ---------------------------------------------------------------- the dish

// Where the dish sits in its 32-unit box.
const QPointF kDishCentre(12.5, 16.0);
constexpr qreal kDishTurn = 40.0;
// The feed horn's position, which the signal arcs radiate from.
const QPointF kFeed(19.8, 7.9);

// The silver dish facing up to the right, on a short mast with a foot.
void paintDish(QPainter& p, bool small) {
    p.save();
    const qreal line = small ? 2.0 : 1.2;

    // Mast and foot.
    QLinearGradient metal(0, 20, 0, 31);
    metal.setColorAt(0, kSilver);
    metal.setColorAt(1, kSilverDark);
    p.setPen(inkPen(line));
    p.setBrush(metal);
    p.drawPolygon(QPolygonF({{7.4, 19.5}, {10.2, 19.5}, {10.6, 28.0}, {7.0, 28.0}}));
    QPainterPath foot;
    foot.moveTo(3.0, 31.0);
    foot.lineTo(5.2, 27.0);
    foot.lineTo(12.4, 27.0);
    foot.lineTo(14.6, 31.0);
    foot.closeSubpath();
    p.drawPath(foot);

    p.translate(kDishCentre);
    p.rotate(kDishTurn);

    // The back of the bowl.
    QPainterPath bowl;
    bowl.moveTo(-10.5, 0);
    bowl.cubicTo(-9.5, 9.0, 9.5, 9.0, 10.5, 0);
    bowl.closeSubpath();
    QLinearGradient back(0, 0, 0, 8);
    back.setColorAt(0, kSilver);
    back.setColorAt(1, kSilverDark);
    p.setBrush(back);
    p.setPen(inkPen(line));
    p.drawPath(bowl);

    // The face, lit from the upper left.
    QRadialGradient face(QPointF(-3.5, -1.0), 11.0);
    face.setColorAt(0, Qt::white);
    face.setColorAt(0.6, kSilverLight);
    face.setColorAt(1, kSilver);
    p.setBrush(face);
    p.drawEllipse(QPointF(0, 0), 10.5, 3.6);

    // Feed arm, struts and the feed horn.
    if (!small) {
        p.setPen(colourPen(kSilverDark, 0.8));
        p.drawLine(QPointF(-8.0, -1.5), QPointF(0, -10.0));
        p.drawLine(QPointF(8.0, -1.5), QPointF(0, -10.0));
    }
    p.setPen(inkPen(small ? 3.0 : 2.0));
    p.drawLine(QPointF(0, 0.5), QPointF(0, -10.0));
    p.setPen(colourPen(kSilverLight, small ? 1.2 : 0.8));
    p.drawLine(QPointF(0, 0.0), QPointF(0, -9.6));
    p.setPen(inkPen(line * 0.8));
    p.setBrush(QColor(60, 66, 78));
    p.drawRoundedRect(QRectF(-2.2, -13.6, 4.4, 4.2), 1.0, 1.0);
    p.restore();
}

// Signal arcs radiating up to the right from the feed horn.
void paintArcs(QPainter& p, const QColor& colour, bool small, bool dotted = false, int count = 2) {
    p.save();
    for (int i = 0; i < count; ++i) {
        const qreal r = 4.2 + i * 3.2;
        QPen pen = colourPen(colour, small ? 2.4 : 1.7);
        // Dots are lost at tray size; there the arcs stay solid.
        if (dotted && !small) {
            pen.setStyle(Qt::CustomDashLine);
            pen.setDashPattern({0.01, 1.4});
            pen.setWidthF(small ? 2.6 : 2.2);
        }
        // A dark halo keeps the arcs visible on a light panel as well as a dark one.
        QPen halo = pen;
        halo.setColor(QColor(0, 0, 0, 110));
        halo.setWidthF(pen.widthF() + 1.2);
        const QRectF box(kFeed.x() - r, kFeed.y() - r, 2 * r, 2 * r);
        p.setPen(halo);
        p.drawArc(box, 0 * 16, 78 * 16);
        p.setPen(pen);
        p.drawArc(box, 0 * 16, 78 * 16);
    }
    p.restore();
}

// ---------------------------------------------------------------- badges

// A round badge in the bottom right corner; the painter is left in a badge frame where the
// badge is a circle of radius 8 around the origin.
void beginBadge(QPainter& p, const QColor& fill, bool small) {
    const QPointF centre = small ? QPointF(22.5, 22.5) : QPointF(24.0, 24.0);
    const qreal radius = small ? 9.5 : 7.8;
    p.save();
    p.translate(centre);
    p.scale(radius / 8.0, radius / 8.0);
    QRadialGradient g(QPointF(-2.5, -3.0), 12.0);
    g.setColorAt(0, fill.lighter(145));
    g.setColorAt(1, fill.darker(110));
    p.setPen(inkPen(small ? 1.6 : 1.3));
    p.setBrush(g);
    p.drawEllipse(QPointF(0, 0), 8.0, 8.0);
}

void endBadge(QPainter& p) {
    p.restore();
}

void paintCheckBadge(QPainter& p, bool small) {
    beginBadge(p, kGreen, small);
    QPainterPath tick;
    tick.moveTo(-4.2, 0.2);
    tick.lineTo(-1.3, 3.3);
    tick.lineTo(4.3, -3.4);
    p.setPen(colourPen(Qt::white, small ? 3.0 : 2.5));
    p.setBrush(Qt::NoBrush);
    p.drawPath(tick);
    endBadge(p);
}

void paintCross(QPainter& p, qreal half) {
    p.drawLine(QPointF(-half, -half), QPointF(half, half));
    p.drawLine(QPointF(-half, half), QPointF(half, -half));
}

void paintRedXBadge(QPainter& p, bool small) {
    beginBadge(p, kRed, small);
    p.setPen(colourPen(Qt::white, small ? 3.0 : 2.5));
    paintCross(p, 3.4);
    endBadge(p);
}

void paintQuestionBadge(QPainter& p, bool small) {
    beginBadge(p, kSlate, small);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawPath(textPath(QStringLiteral("?"), artFont(24), QRectF(-5, -5.6, 10, 11.2)));
    endBadge(p);
}

// Two links of a chain pulled apart, with sparks at the break.
void paintBrokenLinkBadge(QPainter& p, bool small) {
    beginBadge(p, kOrange, small);
    p.rotate(-45);
    if (small) {
        // Too few pixels for links: a bold line with a gap in it.
        p.setPen(colourPen(Qt::white, 3.0, Qt::FlatCap));
        p.drawLine(QPointF(-7.2, 0), QPointF(-1.8, 0));
        p.drawLine(QPointF(1.8, 0), QPointF(7.2, 0));
        endBadge(p);
        return;
    }
    p.setPen(colourPen(Qt::white, 1.8));
    p.setBrush(Qt::NoBrush);
    for (int side : {-1, 1}) {
        QPainterPath half;
        half.moveTo(side * 1.6, -2.1);
        half.lineTo(side * 4.3, -2.1);
        half.arcTo(QRectF(side > 0 ? 2.2 : -6.4, -2.1, 4.2, 4.2), 90, side * -180);
        half.lineTo(side * 1.6, 2.1);
        p.drawPath(half);
    }
    p.setPen(colourPen(QColor(255, 240, 150), 1.0));
    p.drawLine(QPointF(0, -3.4), QPointF(0, -5.6));
    p.drawLine(QPointF(0, 3.4), QPointF(0, 5.6));
    endBadge(p);
}

// Two curved arrows chasing each other: the link is being dialled.
void paintDialBadge(QPainter& p, bool small) {
    beginBadge(p, kAmber, small);
    const qreal r = 4.3;
    p.setPen(colourPen(Qt::white, small ? 2.3 : 1.8, Qt::FlatCap));
    p.setBrush(Qt::NoBrush);
    const QRectF box(-r, -r, 2 * r, 2 * r);
    p.drawArc(box, 200 * 16, 110 * 16);
    p.drawArc(box, 20 * 16, 110 * 16);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    // Arrow heads at the ends of the arcs, pointing along the turn.
    for (int angle : {310, 130}) {
        p.save();
        p.rotate(-angle);
        p.translate(r, 0);
        const qreal h = small ? 3.0 : 2.6;
        p.drawPolygon(QPolygonF({{-h, 0.3}, {h, 0.3}, {0, -h * 1.1}}));
        p.restore();
    }
    endBadge(p);
}

// A green "running" triangle, drawn without a round badge so its outline differs.
void paintRunningMarker(QPainter& p, bool small) {
    p.save();
    const QPolygonF tri = small ? QPolygonF({{14.0, 12.5}, {31.0, 22.0}, {14.0, 31.5}})
                                : QPolygonF({{17.0, 16.0}, {31.0, 24.0}, {17.0, 32.0}});
    QLinearGradient g(0, tri[0].y(), 0, tri[2].y());
    g.setColorAt(0, kGreen.lighter(150));
    g.setColorAt(1, kGreen.darker(110));
    p.setPen(inkPen(small ? 1.8 : 1.4));
    p.setBrush(g);
    p.drawPolygon(tri);
    p.restore();
}

void paintEnvelope(QPainter& p, const QRectF& r, qreal line) {
    p.save();
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, Qt::white);
    g.setColorAt(1, QColor(226, 230, 238));
    p.setPen(inkPen(line));
    p.setBrush(g);
    p.drawRect(r);
    p.setBrush(Qt::NoBrush);
    QPainterPath flap;
    flap.moveTo(r.topLeft());
    flap.lineTo(r.center().x(), r.top() + r.height() * 0.58);
    flap.lineTo(r.topRight());
    p.drawPath(flap);
    p.restore();
}

void paintMessageMarker(QPainter& p, bool small) {
    const QRectF r = small ? QRectF(11.5, 16.0, 19.5, 14.0) : QRectF(15.0, 19.0, 16.0, 11.5);
    paintEnvelope(p, r, small ? 1.8 : 1.3);
}

// A grey cloud; `box` is the cloud's extent.
void paintCloud(QPainter& p, const QRectF& box, bool small) {
    QPainterPath cloud;
    cloud.setFillRule(Qt::WindingFill);
    // Designed in a 20 x 12 box.
    cloud.addEllipse(QPointF(6.0, 7.5), 4.2, 4.2);
    cloud.addEllipse(QPointF(10.8, 5.0), 5.0, 5.0);
    cloud.addEllipse(QPointF(15.2, 7.8), 3.9, 3.9);
    cloud.addRoundedRect(QRectF(1.0, 7.0, 18.5, 4.8), 2.4, 2.4);
    cloud = cloud.simplified();
    QTransform t;
    t.translate(box.left(), box.top());
    t.scale(box.width() / 20.0, box.height() / 12.0);
    cloud = t.map(cloud);
    QLinearGradient g(box.topLeft(), box.bottomLeft());
    g.setColorAt(0, QColor(250, 252, 255));
    g.setColorAt(1, QColor(160, 170, 186));
    p.save();
    p.setPen(inkPen(small ? 1.8 : 1.2));
    p.setBrush(g);
    p.drawPath(cloud);
    p.restore();
}

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

} // namespace

// ---------------------------------------------------------------- public functions

QPixmap statusPicture(StatusPicture which) {
    static std::map<int, QPixmap> cache[kStatusPictureCount];
    return cachedPixmap(cache[int(which)],
                        [which](QPainter& p, qreal unit) { paintStatus(p, which, unit); },
                        {32, 32});
}

QIcon trayPicture(TrayPicture which) {
    return drawnIcon(trayDrawing(which), trayDesignSize(which));
}

QIcon trayPictureDimmed(TrayPicture which) {
    return drawnIcon(trayDrawing(which), trayDesignSize(which), 0.35);
}

QIcon buttonIcon(Button which) {
    return drawnIcon([which](QPainter& p, qreal) { paintButton(p, which); }, {18, 16});
}

QIcon windowIcon() {
    return drawnIcon(paintWindowIcon, {32, 32});
}

QIcon sendMessageWindowIcon() {
    return drawnIcon(paintSendMessageIcon, {32, 32});
}

QIcon receivedMessagesWindowIcon() {
    return drawnIcon(paintReceivedMessagesIcon, {32, 32});
}

QPixmap smallLogo() {
    static std::map<int, QPixmap> cache;
    return cachedPixmap(cache,
                        [](QPainter& p, qreal) {
                            // "ZAV" in gold with a small signal arc after it.
                            const QPainterPath text =
                                textPath(QStringLiteral("ZAV"), artFont(10, QFont::Black),
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
                        {32, 9});
}

QPixmap splashPicture() {
    static std::map<int, QPixmap> cache;
    return cachedPixmap(cache, [](QPainter& p, qreal) { paintTitleArt(p, 470, 200, 22, false); },
                        {470, 200});
}

QPixmap aboutPicture() {
    static std::map<int, QPixmap> cache;
    return cachedPixmap(cache, [](QPainter& p, qreal) { paintTitleArt(p, 470, 230, 22, true); },
                        {470, 230});
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
