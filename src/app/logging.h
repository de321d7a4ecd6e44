// The client's diagnostics outside its windows: category "zav.app" (start-up steps, settings
// that could not be read or saved) and "zav.control" (the local channel to the running copy).
// Silent unless switched on, e.g. with QT_LOGGING_RULES="zav.*.debug=true".
#pragma once

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcApp)
Q_DECLARE_LOGGING_CATEGORY(lcControl)
