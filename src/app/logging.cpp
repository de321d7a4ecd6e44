#include "app/logging.h"

Q_LOGGING_CATEGORY(lcApp, "zav.app", QtWarningMsg)
Q_LOGGING_CATEGORY(lcControl, "zav.control", QtWarningMsg)
