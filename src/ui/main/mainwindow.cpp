#include "ui/main/mainwindow.h"

#include "app/environment.h"
#include "ui/main/accessibility.h"
#include "ui/main/artwork.h"
#include "ui/main/design.h"
#include "ui/main/logview.h"
#include "ui/main/statuslog.h"

#include <QCloseEvent>
#include <QFocusEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPropertyAnimation>
#include <QPushButton>

namespace {
// What the lamp's colour tells, for those who cannot see it.
QString signalQualityName(const QColor& colour) {
    if (colour == kLampGreen)
        return QStringLiteral("Signal quality: good");
    if (colour == kLampRed)
        return QStringLiteral("Signal quality: no signal");
    return QStringLiteral("Signal quality: unknown");
}

// A picture button of the main window: dark, with a grey edge that turns yellow under the mouse
// and white with the focus. Painted here rather than by a style sheet, which each button would
// parse and polish on its own at start-up.
class PictureButton : public QPushButton {
public:
    using QPushButton::QPushButton;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        if (isDown()) {
            p.setBrush(QColor(0x15, 0x15, 0x15));
        } else {
            QLinearGradient face(0, 0, 0, height());
            face.setColorAt(0, QColor(0x4a, 0x4a, 0x4a));
            face.setColorAt(1, QColor(0x26, 0x26, 0x26));
            p.setBrush(face);
        }
        const QColor edge = hasFocus()     ? QColor(Qt::white)
                            : underMouse() ? QColor(0xc8, 0xc8, 0x00)
                                           : QColor(0x6a, 0x6a, 0x6a);
        p.setPen(QPen(edge, 1.0));
        p.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 2.0, 2.0);
        const QPixmap picture = icon().pixmap(iconSize(), devicePixelRatioF(),
                                              isEnabled() ? QIcon::Normal : QIcon::Disabled);
        const QSizeF shown = QSizeF(picture.size()) / picture.devicePixelRatio();
        p.drawPixmap(QPointF((width() - shown.width()) / 2, (height() - shown.height()) / 2),
                     picture);
    }
    void enterEvent(QEnterEvent* event) override {
        QPushButton::enterEvent(event);
        update();
    }
    void leaveEvent(QEvent* event) override {
        QPushButton::leaveEvent(event);
        update();
    }
};

} // namespace

Lamp::Lamp(QWidget* parent) : QWidget(parent), m_colour(kLampPaleYellow) {
    setAccessibleRole(this, QAccessible::StaticText);
    setAccessibleName(signalQualityName(m_colour));
}

void Lamp::setColour(const QColor& colour) {
    // Every status report sets the colour; screen readers hear of it only when it changes.
    if (colour == m_colour)
        return;
    m_colour = colour;
    renameForAssistiveTools(this, signalQualityName(colour));
    update();
}

void Lamp::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), m_colour);
}

MainWindow::MainWindow(QWidget* parent) : QWidget(parent, kCloseOnlyWindow) {
    installAccessibleInterfaces();
    setObjectName(QStringLiteral("mainWindow"));
    setWindowTitle(QStringLiteral("ZAV Remote 2002"));
    setWindowIcon(artwork::windowIcon());
    setFixedSize(kWidth, kNormalHeight);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::black);
    setPalette(pal);
    buildControls();
}

void MainWindow::buildControls() {
    const struct {
        StatusPicture which;
        int left;
        const char* toolTip;
        const char* accessibleName;
    } pictures[] = {
        {StatusPicture::NoStatus, 240, "Status currently unknown... please wait", "Status unknown"},
        {StatusPicture::NoServer, 240, "Server not found - status is unavailable",
         "Server not found"},
        {StatusPicture::NoCard, 225, "The server reports no ZAV card... status is not available",
         "No ZAV card"},
        {StatusPicture::NoSignal, 240, "No Satellite signal is present", "No satellite signal"},
        {StatusPicture::Connected, 240, "ZAV is connected to the Internet",
         "Connected to the Internet"},
        {StatusPicture::Disconnected, 240, "ZAV is not connected to the Internet",
         "Not connected to the Internet"},
        {StatusPicture::Dialing, 240, "ZAV Manager (server) is dialing now", "Server dialing"},
    };
    for (const auto& p : pictures) {
        auto* label = new QLabel(this);
        label->setGeometry(twips(p.left, 120, 480, 480));
        label->setToolTip(QString::fromLatin1(p.toolTip));
        label->setAccessibleName(QString::fromLatin1(p.accessibleName));
        label->hide();
        m_pictures[size_t(p.which)] = label;
    }

    auto textLabel = [this](const QString& text, const QRect& geometry, const QFont& font,
                            const QColor& colour, Qt::Alignment align) {
        auto* label = new QLabel(text, this);
        label->setTextFormat(Qt::PlainText);
        label->setGeometry(geometry);
        label->setFont(font);
        label->setAlignment(align | Qt::AlignTop);
        QPalette p = label->palette();
        p.setColor(QPalette::WindowText, colour);
        label->setPalette(p);
        return label;
    };
    m_statusWord = textLabel(QStringLiteral("OFFLINE"), twips(720, 120, 1575, 375),
                             msSansSerifFont(13.5, true), QColor(255, 255, 0), Qt::AlignLeft);
    m_statusWord->setObjectName(QStringLiteral("statusWord"));
    m_statusWord->setAccessibleDescription(QStringLiteral("Status of the link"));
    m_lamp = new Lamp(this);
    m_lamp->setObjectName(QStringLiteral("signalLamp"));
    m_lamp->setGeometry(twips(840, 480, 375, 135));
    textLabel(QStringLiteral("Signal Quality"), twips(1230, 465, 975, 255), arialFont(6.75),
              QColor(255, 255, 0), Qt::AlignLeft);

    auto button = [this](artwork::Button art, const char* name, int left, const char* toolTip,
                         const char* accessibleName) {
        auto* b = new PictureButton(this);
        b->setObjectName(QLatin1String(name));
        b->setGeometry(twips(left, 720, 375, 375));
        b->setIcon(artwork::buttonIcon(art));
        b->setIconSize(QSize(18, 16));
        b->setToolTip(QString::fromLatin1(toolTip));
        b->setAccessibleName(QString::fromLatin1(accessibleName));
        b->setAutoDefault(false);
        pressWithEnter(b);
        return b;
    };
    QPushButton* connectButton =
        button(artwork::Button::Connect, "connectButton", 120,
               "Tells ZAV Manager (the server) to dial the Internet connection", "Connect");
    QPushButton* disconnectButton =
        button(artwork::Button::Disconnect, "disconnectButton", 480,
               "Tells ZAV Manager (the server) to hang-up the Internet connection", "Disconnect");
    QPushButton* settingsButton = button(artwork::Button::Settings, "settingsButton", 840,
                                         "Display the settings panel", "Options");
    QPushButton* modeButton =
        button(artwork::Button::WindowMode, "modeButton", 1200,
               "Changes between normal and mini-window mode", "Normal or mini window");
    QPushButton* sendButton =
        button(artwork::Button::SendMessage, "sendMessageButton", 1560,
               "Sends a text message to ZAV Manager (the server)", "Send a message");
    QPushButton* aboutButton =
        button(artwork::Button::About, "aboutButton", 1920, "About ZAV Manager 2002", "About");

    m_log = new LogView(this);
    m_log->setObjectName(QStringLiteral("statusLog"));
    m_log->setGeometry(twips(120, 1200, 2175, 2700));
    m_log->setFont(verdanaFont(5.25, true));
    m_log->setToolTip(QStringLiteral("This list contains Status Messages"));
    m_log->setAccessibleName(QStringLiteral("Status log"));
    m_log->setFrameShape(QFrame::Box);
    m_log->setStyleSheet(
        QStringLiteral("LogView { background: black; color: white; border: 1px solid #5a5a5a; }"
                       "LogView:focus { border-color: #ffffff; }") +
        darkScrollBarStyle());
    m_log->installEventFilter(this);
    m_log->viewport()->installEventFilter(this);

    m_lastConnect = textLabel(kNoConnectTimeYet, twips(1080, 3930, 1170, 255), arialFont(6.75),
                              QColor(0xC0, 0xC0, 0x00), Qt::AlignRight);
    m_lastConnect->setObjectName(QStringLiteral("lastConnectTime"));
    m_lastConnect->setToolTip(QStringLiteral(
        "Displays the time that ZAV Manager (the server) last connected to the Internet"));

    auto* logo = new QLabel(this);
    logo->setGeometry(twips(120, 3960, 480, 135));
    logo->setPixmap(artwork::smallLogo());
    logo->setAccessibleName(QStringLiteral("ZAV logo"));

    // Beyond the client area: the focus sink, and the status request the polling also makes.
    // Both are helpers: out of the Tab chain and out of sight of screen readers.
    m_focusSink = new HelperButton(QStringLiteral("Tab 0"), this);
    m_focusSink->setObjectName(QStringLiteral("focusSink"));
    m_focusSink->setGeometry(twips(3360, 2640, 615, 375));
    auto* statusButton = new HelperButton(QStringLiteral("Status Request"), this);
    statusButton->setObjectName(QStringLiteral("statusRequestButton"));
    statusButton->setGeometry(twips(240, 4200, 1935, 375));

    // The buttons give the focus back to the sink first.
    auto forward = [this](QPushButton* b, void (MainWindow::*request)()) {
        connect(b, &QPushButton::clicked, this, [this, request] {
            parkFocus();
            emit(this->*request)();
        });
    };
    forward(connectButton, &MainWindow::connectRequested);
    forward(disconnectButton, &MainWindow::disconnectRequested);
    forward(settingsButton, &MainWindow::settingsRequested);
    forward(sendButton, &MainWindow::sendMessageRequested);
    forward(aboutButton, &MainWindow::aboutRequested);
    connect(modeButton, &QPushButton::clicked, this, [this] {
        parkFocus();
        toggleMode();
    });
    connect(statusButton, &QPushButton::clicked, this, &MainWindow::statusRequested);

    // The Tab key leaves the sink for the log and the buttons, in their designed order.
    QWidget* order[] = {m_focusSink,    m_log,      connectButton, disconnectButton,
                        settingsButton, modeButton, aboutButton,   sendButton};
    for (size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
    parkFocus();
}

void MainWindow::parkFocus() {
    m_focusSink->setFocus();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    // A click does not leave the focus in the log: it goes back to the sink at once. The log
    // keeps the focus that the Tab key brought it, so that it can be scrolled from the keyboard.
    if ((watched == m_log || watched == m_log->viewport()) && event->type() == QEvent::FocusIn) {
        switch (static_cast<QFocusEvent*>(event)->reason()) {
        case Qt::TabFocusReason:
        case Qt::BacktabFocusReason:
        case Qt::ActiveWindowFocusReason:
        case Qt::PopupFocusReason:
            break;
        default:
            parkFocus();
        }
    }
    return QWidget::eventFilter(watched, event);
}

void MainWindow::setPictureVisible(StatusPicture which, bool visible) {
    QLabel* label = m_pictures[size_t(which)];
    // Each picture is drawn the first time it is shown.
    if (visible && label->pixmap().isNull())
        label->setPixmap(artwork::statusPicture(which));
    label->setVisible(visible);
}

void MainWindow::showLinkState(LinkState state) {
    const LinkLook& look = linkLook(state);
    for (int i = 0; i < kStatusPictureCount; ++i)
        setPictureVisible(StatusPicture(i), StatusPicture(i) == look.picture);
    m_statusWord->setText(linkStateWord(state));
    if (!look.lastConnect.isEmpty())
        m_lastConnect->setText(look.lastConnect);
    m_lamp->setColour(look.lamp);
}

void MainWindow::showStartupState(StartupState state) {
    switch (state) {
    case StartupState::SettingsMissing: {
        m_statusWord->setText(kSettingsErrorWord);
        m_pictures[size_t(StatusPicture::NoServer)]->setToolTip(
            QStringLiteral("ZAV Remote 2002... please check settings"));
        m_pictures[size_t(StatusPicture::NoServer)]->setAccessibleName(
            QStringLiteral("Settings need checking"));
        setPictureVisible(StatusPicture::NoServer, true);
        break;
    }
    case StartupState::WaitingForStatus:
        m_statusWord->setText(kWaitingWord);
        setPictureVisible(StatusPicture::NoStatus, true);
        break;
    default:
        break; // the others concern only the tray
    }
}

void MainWindow::setLastConnectTime(const QString& time) {
    m_lastConnect->setText(time);
}

StatusPicture MainWindow::visiblePicture() const {
    for (int i = 0; i < kStatusPictureCount; ++i)
        if (!m_pictures[size_t(i)]->isHidden())
            return StatusPicture(i);
    return StatusPicture(-1);
}

QString MainWindow::statusWord() const {
    return m_statusWord->text();
}

QColor MainWindow::lampColour() const {
    return m_lamp->colour();
}

QString MainWindow::lastConnectTime() const {
    return m_lastConnect->text();
}

void MainWindow::addLogEntry(const QStringList& lines) {
    m_log->addEntry(logEntryLines(currentDateTime().time(), lines));
}

QStringList MainWindow::logLines() const {
    return m_log->lines();
}

bool MainWindow::isMiniMode() const {
    return height() == kMiniHeight;
}

void MainWindow::setMiniMode(bool mini) {
    setFixedSize(kWidth, mini ? kMiniHeight : kNormalHeight);
    // Below the mini window's edge the log cannot be seen, so the Tab key passes it by.
    m_log->setFocusPolicy(mini ? Qt::NoFocus : Qt::StrongFocus);
    if (mini && m_log->hasFocus())
        parkFocus();
}

void MainWindow::toggleMode() {
    if (height() == kNormalHeight)
        setMiniMode(true);
    else if (height() == kMiniHeight)
        setMiniMode(false);
}

bool MainWindow::platformFadesWindows() {
    static const QStringList fading{QStringLiteral("xcb"), QStringLiteral("windows"),
                                    QStringLiteral("cocoa")};
    return fading.contains(QGuiApplication::platformName());
}

void MainWindow::fadeOut(int milliseconds, std::function<void()> done) {
    auto finish = [this, done] {
        hide();
        if (done)
            done();
    };
    // The fade needs a window system that can make a window translucent; elsewhere (Wayland,
    // for one) the window just goes.
    if (!isVisible() || milliseconds <= 0 || !platformFadesWindows()) {
        finish();
        return;
    }
    auto* fade = new QPropertyAnimation(this, "windowOpacity", this);
    fade->setDuration(milliseconds);
    fade->setStartValue(1.0);
    fade->setEndValue(0.0);
    connect(fade, &QPropertyAnimation::finished, this, finish);
    fade->start(QAbstractAnimation::DeleteWhenStopped);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // Closing is the program's shutdown, which decides when the window goes.
    event->ignore();
    emit closeRequested();
}
