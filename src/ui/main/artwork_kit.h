// What the program's drawings share: the palette, the text and pen helpers, the ways a drawing
// becomes a pixmap or an icon, and the motif of the dish with its badges.
#pragma once

#include "ui/main/artwork.h"
#include "ui/main/artwork_engine.h"
#include "ui/main/indicators.h"

#include <QColor>
#include <QFont>
#include <QIcon>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QPixmap>
#include <QPointF>
#include <QRectF>

#include <map>
#include <vector>

namespace artwork {

// ---------------------------------------------------------------- palette

inline const QColor kInk(14, 18, 26);
inline const QColor kSilverLight(246, 248, 252);
inline const QColor kSilver(196, 204, 216);
inline const QColor kSilverDark(118, 128, 144);
inline const QColor kGreen(34, 170, 56);
inline const QColor kRed(214, 32, 32);
inline const QColor kAmber(240, 160, 0);
inline const QColor kOrange(232, 112, 24);
inline const QColor kBlue(38, 104, 214);
inline const QColor kSlate(104, 120, 146);
inline const QColor kSignal(110, 210, 255);

// ---------------------------------------------------------------- helpers

// Whether a drawing `designWidth` units wide, at this many device pixels a unit, is so small
// that it switches to bold, simple strokes.
bool isSmall(qreal devicePixelsPerUnit, qreal designWidth = 32.0);

QFont artFont(int pixelSize, int weight = QFont::Bold);

// The outline of a text, its ink centred in `box` (or left-aligned when `left` is set).
QPainterPath textPath(const QString& text, const QFont& font, const QRectF& box, bool left = false);

QPen inkPen(qreal width);
QPen colourPen(const QColor& colour, qreal width, Qt::PenCapStyle cap = Qt::RoundCap);

// The screen's device pixel ratio, at least 1, and the key of a pixmap cache for it.
qreal screenRatio();
int screenRatioKey();
// The device pixels of a picture of `logical` size at the screen's ratio.
QSize devicePixels(QSize logical);
// A pixmap of the image (rendered at devicePixels()) for the screen's ratio.
QPixmap screenPixmap(const QImage& image);

// A pixmap rendered once per screen scale into `cache`, at the screen's device pixel ratio.
QPixmap cachedPixmap(std::map<int, QPixmap>& cache, const Drawing& drawing, QSize logical);

// A picture of the start-up that the build renders ahead at the screen scales 1 and 2
// (zav-render-icons --ahead) into premultiplied ARGB pixels in the machine's byte order, which
// the executable carries as uncompressed resources: at those scales the program copies the
// pixels instead of painting (and, for the lettering, laying out text); at any other scale, or
// without the resources, it paints.
struct PictureAhead {
    QString name;
    Drawing drawing;
    QSize logical;
};
// The pictures rendered ahead: the splash picture, the small logo, the status pictures, the
// main window's button icons and the window icon.
std::vector<PictureAhead> picturesRenderedAhead();
// Where the executable carries the pixels of every picture rendered ahead, one after the other
// in list order, for a screen scale (100 or 200, in hundredths).
QString renderedAheadPath(int ratioKey);
// The pixels of the picture named `name` at a screen scale as the executable carries them, or
// a null image.
QImage pictureAhead(const QString& name, int ratioKey);
// A picture rendered ahead at the screen's scale: from its resource when the executable has one
// for that scale, painted otherwise. pixmapOf() makes it anew at each call; cachedPixmap()
// keeps it in `cache`, once per screen scale.
QPixmap pixmapOf(const PictureAhead& picture);
QPixmap cachedPixmap(std::map<int, QPixmap>& cache, const PictureAhead& picture);
PictureAhead statusArt(StatusPicture which);
PictureAhead buttonArt(Button which);
PictureAhead windowIconArt();

// An icon that repaints the drawing at whatever size and scale is asked.
QIcon drawnIcon(Drawing drawing, QSize design, qreal opacity = 1.0);
// An icon that is one of the pictures rendered ahead: at its design size at the scales 1 and 2
// it is taken from them.
QIcon drawnIcon(const PictureAhead& picture);

// ---------------------------------------------------------------- the dish and its badges

// The feed horn's position in the dish's 32-unit box, which the signal arcs radiate from.
inline const QPointF kFeed(19.8, 7.9);

// The silver dish facing up to the right, on a short mast with a foot.
void paintDish(QPainter& p, bool small);
// The signal arcs from the feed horn.
void paintArcs(QPainter& p, const QColor& colour, bool small, bool dotted = false, int count = 2);

void paintCross(QPainter& p, qreal half);
void paintCheckBadge(QPainter& p, bool small);
void paintRedXBadge(QPainter& p, bool small);
void paintQuestionBadge(QPainter& p, bool small);
void paintBrokenLinkBadge(QPainter& p, bool small);
void paintDialBadge(QPainter& p, bool small);
void paintRunningMarker(QPainter& p, bool small);
void paintMessageMarker(QPainter& p, bool small);
void paintEnvelope(QPainter& p, const QRectF& r, qreal line);
void paintCloud(QPainter& p, const QRectF& box, bool small);

// ---------------------------------------------------------------- title art

// The splash picture painted at once into an image of `pixels`.
QImage renderSplashArt(QSize pixels);

} // namespace artwork
