// Helpers for the windows' design: fonts with close stand-ins for desktops that lack them,
// twips, the common window frame and the version label.
#pragma once

#include <QFont>
#include <QRect>
#include <QString>
#include <Qt>

QFont msSansSerifFont(qreal pointSize, bool bold = false);
QFont arialFont(qreal pointSize, bool bold = false, bool underline = false);
QFont verdanaFont(qreal pointSize, bool bold = false);

// A rectangle given in twips, in pixels (15 twips a pixel).
QRect twips(int left, int top, int width, int height);

// A fixed window with a title and a close button only.
inline constexpr Qt::WindowFlags kCloseOnlyWindow =
    Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint;

class QLabel;
class QWidget;
// The right-aligned version label in the bottom corner of the splash and About pictures.
QLabel* addVersionLabel(QWidget* parent, int topTwips);

// A slim dark vertical scroll bar for the black text areas.
QString darkScrollBarStyle();
