// Built only by the room tests, which expect it not to compile.
#include <QtWidgets/QWidget>

int widgetProbe() {
    return QWidget().width();
}
