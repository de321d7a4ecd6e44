#include "ui/main/about.h"

#include "ui/main/accessibility.h"
#include "ui/main/artwork.h"
#include "ui/main/design.h"

#include <QKeyEvent>
#include <QPainter>
#include <QPushButton>

AboutWindow::AboutWindow(QWidget* parent) : QWidget(parent, kCloseOnlyWindow) {
    setAccessibleRole(this, QAccessible::Dialog);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("About ZAV Manager 2002"));
    setWindowIcon(artwork::windowIcon());
    setFixedSize(470, 230);
    m_version = addVersionLabel(this, 3230);
    m_version->setAccessibleDescription(QStringLiteral("Version"));
}

void AboutWindow::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.drawPixmap(0, 0, artwork::aboutPicture());
}

void AboutWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier)
        close();
    else
        QWidget::keyPressEvent(event);
}
