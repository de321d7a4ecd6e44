#include "ui/logging.h"

Q_LOGGING_CATEGORY(lcUi, "zav.ui", QtWarningMsg)
