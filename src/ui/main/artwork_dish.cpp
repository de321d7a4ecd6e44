// The common motif is a silver satellite dish facing up to the right. A state is told by a
// badge in the bottom right corner, and every badge differs in shape, not only in colour.
#include "ui/main/artwork_kit.h"

#include <QLinearGradient>
#include <QRadialGradient>
#include <QtMath>

namespace artwork {

// ---------------------------------------------------------------- the dish

namespace {

// Where the dish sits in its 32-unit box.
const QPointF kDishCentre(12.5, 16.0);
constexpr qreal kDishTurn = 40.0;

} // namespace

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
void paintArcs(QPainter& p, const QColor& colour, bool small, bool dotted, int count) {
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

} // namespace artwork
