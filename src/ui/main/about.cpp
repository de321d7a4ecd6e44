#include "ui/main/about.h"

#include "ui/main/artwork.h"
#include "ui/main/design.h"
#include "ui/main/form1.h"
#include "ui/main/placement.h"

#include <QPainter>
#include <QPushButton>

AboutForm::AboutForm(QWidget* parent) : QWidget(parent, CLOSE_ONLY_WINDOW) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("About ZAV Manager 2002"));
    setWindowIcon(artwork::windowIcon());
    setFixedSize(470, 230);
    lblVERSION = addVersionLabel(this, 3230);
}

void AboutForm::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.drawPixmap(0, 0, artwork::aboutPicture());
}

void Form1::ABOUT_BUTTON_Click() {
    TAB_STOP_ZERO->setFocus();
    showSingleWindow(about_, [] { return new AboutForm; });
}
