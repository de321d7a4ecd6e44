// The 8-bit code page of the wire and of the settings file: Windows-1252.
#pragma once

#include <QByteArray>
#include <QString>

// Characters that the code page lacks become '?'.
QByteArray toWindows1252(const QString& text);
QString fromWindows1252(const QByteArray& bytes);
