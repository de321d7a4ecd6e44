// An icon engine that paints one of the program's drawings at whatever size is asked for.
#pragma once

#include <QIconEngine>
#include <QImage>
#include <QSize>
#include <QString>

#include <functional>

namespace artwork {

// Paints a drawing into its own design box (0, 0) .. designSize. The painter is already scaled;
// devicePixelsPerUnit tells how many real pixels one design unit covers, so that a drawing can
// use bolder, simpler strokes when it is rendered tiny.
using Drawing = std::function<void(QPainter& painter, qreal devicePixelsPerUnit)>;

// Renders a drawing into an image of exactly `pixels`, keeping the design's aspect ratio and
// centring it. `opacity` fades the finished picture as a whole.
QImage renderDrawing(const Drawing& drawing, QSizeF designSize, QSize pixels, qreal opacity = 1.0);

class DrawnIconEngine : public QIconEngine {
public:
    // `aheadName` names the icon among the pictures rendered ahead (artwork_kit.h), if it is one.
    DrawnIconEngine(Drawing drawing, QSize designSize, qreal opacity = 1.0,
                    QString aheadName = QString());

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override;
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override;
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state,
                         qreal scale) override;
    QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override;
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override;
    QIconEngine* clone() const override;
    QString key() const override;
    bool isNull() override;

private:
    QImage image(QSize pixels, QIcon::Mode mode) const;
    QImage renderedAhead(QSize pixels) const;

    Drawing m_drawing;
    QSize m_designSize;
    qreal m_opacity;
    QString m_aheadName;
};

} // namespace artwork
