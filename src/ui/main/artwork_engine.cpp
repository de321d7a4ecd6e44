#include "ui/main/artwork_engine.h"

#include "ui/main/artwork_kit.h"

#include <QPainter>
#include <QPixmap>
#include <QtMath>

#include <utility>

namespace artwork {

QImage renderDrawing(const Drawing& drawing, QSizeF designSize, QSize pixels, qreal opacity) {
    QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    if (pixels.isEmpty() || designSize.isEmpty())
        return image;
    {
        QPainter p(&image);
        p.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing |
                         QPainter::SmoothPixmapTransform);
        const qreal scale =
            qMin(pixels.width() / designSize.width(), pixels.height() / designSize.height());
        p.translate((pixels.width() - designSize.width() * scale) / 2,
                    (pixels.height() - designSize.height() * scale) / 2);
        p.scale(scale, scale);
        drawing(p, scale);
    }
    if (opacity >= 1.0)
        return image;
    // Fade the finished picture, so that overlapping parts fade evenly.
    QImage faded(pixels, QImage::Format_ARGB32_Premultiplied);
    faded.fill(Qt::transparent);
    QPainter p(&faded);
    p.setOpacity(opacity);
    p.drawImage(0, 0, image);
    return faded;
}

DrawnIconEngine::DrawnIconEngine(Drawing drawing, QSize designSize, qreal opacity,
                                 QString aheadName)
    : m_drawing(std::move(drawing)), m_designSize(designSize), m_opacity(opacity),
      m_aheadName(std::move(aheadName)) {}

QImage DrawnIconEngine::renderedAhead(QSize pixels) const {
    if (m_aheadName.isEmpty() || m_opacity < 1.0)
        return {};
    for (const int scale : {1, 2}) {
        if (pixels == m_designSize * scale)
            return pictureAhead(m_aheadName, scale * 100);
    }
    return {};
}

QImage DrawnIconEngine::image(QSize pixels, QIcon::Mode mode) const {
    QImage img = renderedAhead(pixels);
    if (img.isNull())
        img = renderDrawing(m_drawing, m_designSize, pixels, m_opacity);
    if (mode != QIcon::Disabled)
        return img;
    // A disabled picture: grey and half transparent.
    for (int y = 0; y < img.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < img.width(); ++x) {
            const QRgb c = line[x];
            const int a = qAlpha(c) * 45 / 100;
            const int grey = qGray(c) * 45 / 100;
            line[x] = qRgba(grey, grey, grey, a);
        }
    }
    return img;
}

void DrawnIconEngine::paint(QPainter* painter, const QRect& rect, QIcon::Mode mode,
                            QIcon::State state) {
    Q_UNUSED(state)
    const qreal ratio = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
    const QSize logical = actualSize(rect.size(), mode, state);
    if (logical.isEmpty())
        return;
    QImage img = image((QSizeF(logical) * ratio).toSize(), mode);
    img.setDevicePixelRatio(ratio);
    const QPoint topLeft(rect.x() + (rect.width() - logical.width()) / 2,
                         rect.y() + (rect.height() - logical.height()) / 2);
    painter->drawImage(topLeft, img);
}

QPixmap DrawnIconEngine::pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) {
    const QSize pixels = actualSize(size, mode, state);
    if (pixels.isEmpty())
        return QPixmap();
    return QPixmap::fromImage(image(pixels, mode));
}

QPixmap DrawnIconEngine::scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state,
                                      qreal scale) {
    Q_UNUSED(scale)
    // `size` is already in device pixels.
    return pixmap(size, mode, state);
}

QSize DrawnIconEngine::actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) {
    Q_UNUSED(mode)
    Q_UNUSED(state)
    if (size.isEmpty() || m_designSize.isEmpty())
        return QSize();
    // A drawing scales freely; it only keeps its own proportions.
    return m_designSize.scaled(size, Qt::KeepAspectRatio);
}

QList<QSize> DrawnIconEngine::availableSizes(QIcon::Mode mode, QIcon::State state) {
    Q_UNUSED(mode)
    Q_UNUSED(state)
    return {m_designSize};
}

QIconEngine* DrawnIconEngine::clone() const {
    return new DrawnIconEngine(m_drawing, m_designSize, m_opacity, m_aheadName);
}

QString DrawnIconEngine::key() const {
    return QStringLiteral("zav-drawn");
}

bool DrawnIconEngine::isNull() {
    return !m_drawing || m_designSize.isEmpty();
}

} // namespace artwork
