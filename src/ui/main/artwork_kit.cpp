#include "ui/main/artwork_kit.h"

#include "ui/logging.h"

#include <QGuiApplication>
#include <QResource>

#include <cerrno>
#include <cstring>
#include <sys/mman.h>
#include <unistd.h>

namespace artwork {

namespace {

// Below this many device pixels across, the 32-unit drawings switch to bold, simple strokes.
constexpr qreal kSmallPixels = 25.0;

} // namespace

qreal screenRatio() {
    const qreal ratio = qGuiApp ? qGuiApp->devicePixelRatio() : 1.0;
    return ratio < 1.0 ? 1.0 : ratio;
}

int screenRatioKey() {
    return qRound(screenRatio() * 100);
}

QSize devicePixels(QSize logical) {
    const qreal ratio = screenRatio();
    return {qRound(logical.width() * ratio), qRound(logical.height() * ratio)};
}

QPixmap screenPixmap(const QImage& image) {
    QPixmap pixmap = QPixmap::fromImage(image);
    pixmap.setDevicePixelRatio(screenRatio());
    return pixmap;
}

bool isSmall(qreal devicePixelsPerUnit, qreal designWidth) {
    return devicePixelsPerUnit * designWidth < kSmallPixels;
}

QFont artFont(int pixelSize, int weight) {
    QFont font;
    font.setFamilies({QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans"),
                      QStringLiteral("Arial")});
    font.setPixelSize(pixelSize);
    font.setWeight(QFont::Weight(weight));
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}

QPainterPath textPath(const QString& text, const QFont& font, const QRectF& box, bool left) {
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

QPen colourPen(const QColor& colour, qreal width, Qt::PenCapStyle cap) {
    return QPen(colour, width, Qt::SolidLine, cap, Qt::RoundJoin);
}

QPixmap cachedPixmap(std::map<int, QPixmap>& cache, const Drawing& drawing, QSize logical) {
    const int key = screenRatioKey();
    auto it = cache.find(key);
    if (it == cache.end())
        it =
            cache.emplace(key, screenPixmap(renderDrawing(drawing, logical, devicePixels(logical))))
                .first;
    return it->second;
}

QString renderedAheadPath(int ratioKey) {
    return QStringLiteral(":/zav-remote/ahead-%1.argb").arg(ratioKey);
}

QImage pictureAhead(const QString& name, int ratioKey) {
    const auto pixelsAt = [ratioKey](QSize logical) {
        return QSize(qRound(logical.width() * ratioKey / 100.0),
                     qRound(logical.height() * ratioKey / 100.0));
    };
    const QResource ahead(renderedAheadPath(ratioKey));
    if (!ahead.isValid() || ahead.compressionAlgorithm() != QResource::NoCompression)
        return {};
    // The file holds every picture in list order; it is only used when it has exactly their
    // size. The copy leaves the resource's memory alone and needs no alignment of it.
    qint64 offset = -1;
    qint64 total = 0;
    QSize size;
    for (const PictureAhead& each : picturesRenderedAhead()) {
        const QSize pixels = pixelsAt(each.logical);
        if (each.name == name) {
            offset = total;
            size = pixels;
        }
        total += qint64(pixels.width()) * pixels.height() * 4;
    }
    if (offset < 0 || ahead.size() != total)
        return {};
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return {};
    const uchar* from = ahead.data() + offset;
    std::memcpy(image.bits(), from, size_t(image.sizeInBytes()));
    // The executable's pages that held the pixels are given back (whole pages only): the copy
    // is what is shown, and a page is read again from the file should anything ask for it.
    const auto page = quintptr(::sysconf(_SC_PAGESIZE));
    const quintptr first = (quintptr(from) + page - 1) / page * page;
    const quintptr end = (quintptr(from) + quintptr(image.sizeInBytes())) / page * page;
    if (end > first && ::madvise(reinterpret_cast<void*>(first), end - first, MADV_DONTNEED) != 0)
        qCDebug(lcUi) << "the pages of a picture rendered ahead stay resident:" << errno;
    return image;
}

QPixmap pixmapOf(const PictureAhead& picture) {
    const QImage ahead = pictureAhead(picture.name, screenRatioKey());
    return screenPixmap(ahead.isNull() ? renderDrawing(picture.drawing, picture.logical,
                                                       devicePixels(picture.logical))
                                       : ahead);
}

QPixmap cachedPixmap(std::map<int, QPixmap>& cache, const PictureAhead& picture) {
    const int key = screenRatioKey();
    auto it = cache.find(key);
    if (it == cache.end())
        it = cache.emplace(key, pixmapOf(picture)).first;
    return it->second;
}

QIcon drawnIcon(Drawing drawing, QSize design, qreal opacity) {
    return QIcon(new DrawnIconEngine(std::move(drawing), design, opacity));
}

QIcon drawnIcon(const PictureAhead& picture) {
    return QIcon(new DrawnIconEngine(picture.drawing, picture.logical, 1.0, picture.name));
}

} // namespace artwork
