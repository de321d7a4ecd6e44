// The link's diagnostics, category "zav.link": silent unless switched on, e.g. with
// QT_LOGGING_RULES="zav.*.debug=true".
#pragma once

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcLink)
