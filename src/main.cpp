#include "ui/main/desktop.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    return runDesktopClient(application);
}
