// Diagnostics of the server link: connections, refusals, displacements and time-outs. Silent by
// default; QT_LOGGING_RULES="zav.link.debug=true" switches them on.
#pragma once

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcLink)
