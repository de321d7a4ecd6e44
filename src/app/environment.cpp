#include "app/environment.h"

#include <QCoreApplication>

Environment& env() {
    static Environment e;
    return e;
}

QDateTime currentDateTime() {
    const Environment& e = env();
    return e.now ? e.now() : QDateTime::currentDateTime();
}

QString programDirectory() {
    const Environment& e = env();
    if (!e.programDir.isEmpty())
        return e.programDir;
    return QCoreApplication::applicationDirPath();
}
