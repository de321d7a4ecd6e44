// The windows' diagnostics, category "zav.ui": the desktop's tray, waits on the window system.
// Silent unless switched on, e.g. with QT_LOGGING_RULES="zav.*.debug=true".
#pragma once

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcUi)
