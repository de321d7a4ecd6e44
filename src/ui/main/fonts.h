// Fonts of the windows' design, with close stand-ins for desktops that lack them.
#pragma once

#include <QFont>
#include <QRect>

QFont msSansSerifFont(qreal pointSize, bool bold = false);
QFont arialFont(qreal pointSize, bool bold = false, bool underline = false);
QFont verdanaFont(qreal pointSize, bool bold = false);

// A rectangle given in twips, in pixels (15 twips a pixel).
QRect twips(int left, int top, int width, int height);
