#include "ui/main/form1.h"

#include "app/environment.h"
#include "link/socket/winsock.h"
#include "ui/main/artwork.h"
#include "ui/main/design.h"
#include "ui/main/statuslog.h"
#include "ui/main/tray/trayicon.h"

#include <QApplication>
#include <QCloseEvent>
#include <QListWidget>
#include <QMenu>
#include <QPainter>
#include <QPushButton>

static Form1* gMainForm = nullptr;

Form1* mainForm() {
    return gMainForm;
}

FilledRect::FilledRect(QWidget* parent) : QWidget(parent), fill_(LAMP_PALE_YELLOW) {}

void FilledRect::setFillColor(const QColor& c) {
    fill_ = c;
    update();
}

void FilledRect::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), fill_);
}

Form1::Form1(QWidget* parent) : QWidget(parent, CLOSE_ONLY_WINDOW) {
    gMainForm = this;
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("ZAV Remote 2002"));
    setWindowIcon(artwork::windowIcon());
    setFixedSize(CLIENT_WIDTH, NORMAL_HEIGHT);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::black);
    setPalette(pal);

    buildControls();

    REQUEST_STATUS_TIMER.setInterval(5000);
    connect(&REQUEST_STATUS_TIMER, &QTimer::timeout, this, &Form1::REQUEST_STATUS_TIMER_Timer);
    SOCKET_CLOSER_TIMER.setInterval(250);
    connect(&SOCKET_CLOSER_TIMER, &QTimer::timeout, this, &Form1::SOCKET_CLOSER_TIMER_Timer);
    SOCKET_CLOSER_TIMER.start();

    WS_TALKER = new Winsock(0, this);
    connect(WS_TALKER, &Winsock::ConnectEvent, this, [this](int) { WS_TALKER_Connect(); });
    connect(WS_TALKER, &Winsock::SendComplete, this, [this](int) { WS_TALKER_SendComplete(); });
    connect(WS_TALKER, &Winsock::Error, this,
            [this](int, int, const QString&) { WS_TALKER_Error(); });
    // Element 0, the listening socket, exists from the start; start-up adds the sessions.
    createListenerElement(0);

    TRAY_ICON = new TrayIcon(this);
    connect(TRAY_ICON, &TrayIcon::notification, this, [this](int) { TRAY_ICON_notification(); });
    buildTrayMenu();
}

Form1::~Form1() {
    if (gMainForm == this)
        gMainForm = nullptr;
}

QLabel* Form1::makeStatusImage(StatusImage which, int leftTwips, const char* toolTip) {
    auto* label = new QLabel(this);
    label->setGeometry(twips(leftTwips, 120, 480, 480));
    label->setPixmap(artwork::statusPicture(which));
    label->setToolTip(QString::fromLatin1(toolTip));
    label->hide();
    statusImages_[size_t(which)] = label;
    return label;
}

void Form1::buildControls() {
    using SI = StatusImage;
    No_Status_Image =
        makeStatusImage(SI::No_Status_Image, 240, "Status currently unknown... please wait");
    No_Server_Image =
        makeStatusImage(SI::No_Server_Image, 240, "Server not found - status is unavailable");
    No_ZAV_Card_Image = makeStatusImage(
        SI::No_ZAV_Card_Image, 225, "The server reports no ZAV card... status is not available");
    No_Signal_Image = makeStatusImage(SI::No_Signal_Image, 240, "No Satellite signal is present");
    Connected_Image = makeStatusImage(SI::Connected_Image, 240, "ZAV is connected to the Internet");
    Disconnected_Image =
        makeStatusImage(SI::Disconnected_Image, 240, "ZAV is not connected to the Internet");
    Dialing_Image = makeStatusImage(SI::Dialing_Image, 240, "ZAV Manager (server) is dialing now");

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
    ZAV_Stat_Label = textLabel(QStringLiteral("OFFLINE"), twips(720, 120, 1575, 375),
                               msSansSerifFont(13.5, true), QColor(255, 255, 0), Qt::AlignLeft);
    SIGNAL_QUALITY_LED = new FilledRect(this);
    SIGNAL_QUALITY_LED->setGeometry(twips(840, 480, 375, 135));
    Label3 = textLabel(QStringLiteral("Signal Quality"), twips(1230, 465, 975, 255),
                       arialFont(6.75), QColor(255, 255, 0), Qt::AlignLeft);

    auto button = [this](artwork::Button art, int left, const char* toolTip) {
        auto* b = new QPushButton(this);
        b->setGeometry(twips(left, 720, 375, 375));
        b->setIcon(artwork::buttonIcon(art));
        b->setIconSize(QSize(18, 16));
        b->setToolTip(QString::fromLatin1(toolTip));
        b->setAutoDefault(false);
        b->setStyleSheet(QStringLiteral(
            "QPushButton { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #4a4a4a,"
            " stop:1 #262626); border: 1px solid #6a6a6a; border-radius: 2px; padding: 0; }"
            "QPushButton:hover { border-color: #c8c800; }"
            "QPushButton:pressed { background: #151515; }"));
        return b;
    };
    CONNECT_BUTTON = button(artwork::Button::Connect, 120,
                            "Tells ZAV Manager (the server) to dial the Internet connection");
    DISCONNECT_BUTTON = button(artwork::Button::Disconnect, 480,
                               "Tells ZAV Manager (the server) to hang-up the Internet connection");
    SETTINGS_BUTTON = button(artwork::Button::Settings, 840, "Display the settings panel");
    WINDOW_MODE_BUTTON =
        button(artwork::Button::WindowMode, 1200, "Changes between normal and mini-window mode");
    SEND_MESSAGE_BUTTON = button(artwork::Button::SendMessage, 1560,
                                 "Sends a text message to ZAV Manager (the server)");
    ABOUT_BUTTON = button(artwork::Button::About, 1920, "About ZAV Manager 2002");

    STATUS_LIST = new QListWidget(this);
    STATUS_LIST->setGeometry(twips(120, 1200, 2175, 2700));
    STATUS_LIST->setFont(verdanaFont(5.25, true));
    STATUS_LIST->setToolTip(QStringLiteral("This list contains Status Messages"));
    STATUS_LIST->setSelectionMode(QAbstractItemView::NoSelection);
    STATUS_LIST->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    STATUS_LIST->setFrameShape(QFrame::Box);
    STATUS_LIST->setTextElideMode(Qt::ElideNone);
    STATUS_LIST->setStyleSheet(
        QStringLiteral(
            "QListWidget { background: black; color: white; border: 1px solid #5a5a5a; }") +
        darkScrollBarStyle());
    STATUS_LIST->installEventFilter(this);
    STATUS_LIST->viewport()->installEventFilter(this);

    LAST_CONNECT_ISP_TIME_LABEL =
        textLabel(QStringLiteral("na"), twips(1080, 3930, 1170, 255), arialFont(6.75),
                  QColor(0xC0, 0xC0, 0x00), Qt::AlignRight);
    LAST_CONNECT_ISP_TIME_LABEL->setToolTip(QStringLiteral(
        "Displays the time that ZAV Manager (the server) last connected to the Internet"));

    SMALL_ZAV_LOGO = new QLabel(this);
    SMALL_ZAV_LOGO->setGeometry(twips(120, 3960, 480, 135));
    SMALL_ZAV_LOGO->setPixmap(artwork::smallLogo());

    // The picture holders lie beside the client area; they only carry the tray pictures.
    static const int holderPlace[TRAY_PICTURE_COUNT][3] = {
        {2640, 120, 495},  {2640, 720, 495}, {2640, 1320, 495}, {2640, 1920, 495},
        {2640, 2520, 495}, {3240, 120, 375}, {3240, 600, 375},  {3720, 120, 375},
    };
    for (int i = 0; i < TRAY_PICTURE_COUNT; ++i) {
        const auto which = TrayPicture(i);
        trayIcons_[size_t(i)] = artwork::trayPicture(which);
        trayIconsDimmed_[size_t(i)] = artwork::trayPictureDimmed(which);
        auto* holder = new QLabel(this);
        const int side = holderPlace[i][2];
        holder->setGeometry(twips(holderPlace[i][0], holderPlace[i][1], side, side));
        holder->setPixmap(trayIcons_[size_t(i)].pixmap(side / TWIPS_PER_PIXEL));
        pictureHolders[size_t(i)] = holder;
    }

    TAB_STOP_ZERO = new QPushButton(QStringLiteral("Tab 0"), this);
    TAB_STOP_ZERO->setGeometry(twips(3360, 2640, 615, 375));
    TAB_STOP_ZERO->setAutoDefault(false);
    STATUS_REQUEST_BUTTON = new QPushButton(QStringLiteral("Status Request"), this);
    STATUS_REQUEST_BUTTON->setGeometry(twips(240, 4200, 1935, 375));
    STATUS_REQUEST_BUTTON->setAutoDefault(false);

    connect(CONNECT_BUTTON, &QPushButton::clicked, this, &Form1::CONNECT_BUTTON_Click);
    connect(DISCONNECT_BUTTON, &QPushButton::clicked, this, &Form1::DISCONNECT_BUTTON_Click);
    connect(SETTINGS_BUTTON, &QPushButton::clicked, this, &Form1::SETTINGS_BUTTON_Click);
    connect(WINDOW_MODE_BUTTON, &QPushButton::clicked, this, &Form1::WINDOW_MODE_BUTTON_Click);
    connect(SEND_MESSAGE_BUTTON, &QPushButton::clicked, this, &Form1::SEND_MESSAGE_BUTTON_Click);
    connect(ABOUT_BUTTON, &QPushButton::clicked, this, &Form1::ABOUT_BUTTON_Click);
    connect(STATUS_REQUEST_BUTTON, &QPushButton::clicked, this,
            &Form1::STATUS_REQUEST_BUTTON_Click);

    // Tab order of the design: the sink first.
    QWidget* order[] = {TAB_STOP_ZERO,      STATUS_LIST,       STATUS_REQUEST_BUTTON,
                        CONNECT_BUTTON,     DISCONNECT_BUTTON, SETTINGS_BUTTON,
                        WINDOW_MODE_BUTTON, ABOUT_BUTTON,      SEND_MESSAGE_BUTTON};
    for (size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
    TAB_STOP_ZERO->setFocus();
}

void Form1::buildTrayMenu() {
    trayMenu = new QMenu(this);
    auto add = [this](const QString& text, auto slot) {
        QAction* a = trayMenu->addAction(text);
        connect(a, &QAction::triggered, this, slot);
        return a;
    };
    add(tr("Show / Hide"), [this] { TRAY_ICON_notification(); });
    add(tr("Normal / Mini window"), [this] { WINDOW_MODE_BUTTON_Click(); });
    trayMenu->addSeparator();
    add(tr("Connect"), [this] { CONNECT_BUTTON_Click(); });
    add(tr("Disconnect"), [this] { DISCONNECT_BUTTON_Click(); });
    add(tr("Send a message..."), [this] { SEND_MESSAGE_BUTTON_Click(); });
    trayMenu->addSeparator();
    add(tr("Options..."), [this] { SETTINGS_BUTTON_Click(); });
    add(tr("About..."), [this] { ABOUT_BUTTON_Click(); });
    trayMenu->addSeparator();
    add(tr("Quit"), [this] { requestShutdown(); });
    TRAY_ICON->setContextMenu(trayMenu);
}

bool Form1::eventFilter(QObject* watched, QEvent* event) {
    // The log never keeps the focus: it goes back to the sink at once.
    if ((watched == STATUS_LIST || watched == STATUS_LIST->viewport()) &&
        event->type() == QEvent::FocusIn)
        TAB_STOP_ZERO->setFocus();
    return QWidget::eventFilter(watched, event);
}

void Form1::addLogEntry(const QStringList& messageLines) {
    TRIM_STATUS_LIST(STATUS_LIST, qint16(2 + messageLines.size()));
    insertLogEntry(STATUS_LIST, currentDateTime().time(), messageLines);
}

void Form1::setTray(TrayPicture picture, const QString& toolTip, bool alert) {
    TRAY_ICON->setIcon(trayIcons_[size_t(picture)], trayIconsDimmed_[size_t(picture)]);
    TRAY_ICON->setToolTip(toolTip);
    TRAY_ICON->setAlert(alert);
}

void Form1::showOnlyStatusImage(StatusImage image) {
    static const StatusImage order[] = {
        StatusImage::Dialing_Image,   StatusImage::No_ZAV_Card_Image,  StatusImage::No_Signal_Image,
        StatusImage::Connected_Image, StatusImage::Disconnected_Image, StatusImage::No_Status_Image,
        StatusImage::No_Server_Image};
    for (StatusImage s : order)
        statusImages_[size_t(s)]->setVisible(s == image);
}

StatusImage Form1::visibleStatusImage() const {
    for (int i = 0; i < STATUS_IMAGE_COUNT; ++i)
        if (!statusImages_[size_t(i)]->isHidden())
            return StatusImage(i);
    return StatusImage(-1);
}

void Form1::requestShutdown() {
    close();
}

void Form1::closeEvent(QCloseEvent* event) {
    if (closing_) {
        event->ignore();
        return;
    }
    closing_ = true;
    if (!shutdownDone_)
        Form_Unload();
    event->ignore();
    fadeOut();
}
