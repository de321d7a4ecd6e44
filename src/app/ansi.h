// The 8-bit code page of the wire and of the settings file: Windows-1252.
#pragma once

#include <QByteArray>
#include <QString>

// Characters that the code page lacks become '?'.
QByteArray toAnsi(const QString& text);
QString fromAnsi(const QByteArray& bytes);
