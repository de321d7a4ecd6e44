#include "app/version.h"

QString versionText(int major, int minor, int revision) {
    return QStringLiteral("v%1.%2%3").arg(major).arg(minor).arg(revision);
}

QString versionText() {
    return versionText(ZAV_VERSION_MAJOR, ZAV_VERSION_MINOR, ZAV_VERSION_PATCH);
}
