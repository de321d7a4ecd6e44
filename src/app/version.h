#pragma once

#include <QString>

// "v" + major + "." + minor + revision, e.g. "v1.00" for 1.0.0 and "v1.23" for 1.2.3.
QString versionText(int major, int minor, int revision);

// The program's own version text.
QString versionText();
