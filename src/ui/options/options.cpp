#include "ui/options/options.h"

#include "ui/main/placement.h"

#include "app/environment.h"
#include "app/msgbox.h"
#include "app/savesettings.h"
#include "app/settings.h"
#include "ui/main/artwork.h"
#include "ui/main/design.h"
#include "ui/main/form1.h"
#include "ui/options/ipbox.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QGroupBox>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>
#include <QToolButton>

namespace {

QPointer<Options> gPanel;

WebLinkOpener& webLinkOpener() {
    static WebLinkOpener opener;
    return opener;
}

// A check box whose click ticks or clears it; the greyed state is only ever set from code.
class OptionCheckBox : public QCheckBox {
public:
    using QCheckBox::QCheckBox;

protected:
    void nextCheckState() override {
        setCheckState(checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
    }
};

// A label's click on its check box: cleared becomes ticked, ticked becomes cleared, and a
// greyed box is left as it is.
void toggleFromLabel(QCheckBox* box) {
    if (!box)
        return;
    if (box->checkState() == Qt::Unchecked)
        box->setCheckState(Qt::Checked);
    else if (box->checkState() == Qt::Checked)
        box->setCheckState(Qt::Unchecked);
}

} // namespace

void setWebLinkOpener(WebLinkOpener opener) {
    webLinkOpener() = std::move(opener);
}

void ClickLabel::mousePressEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton)
        pressed_ = true;
    QLabel::mousePressEvent(e);
}

void ClickLabel::mouseReleaseEvent(QMouseEvent* e) {
    const bool click =
        pressed_ && e->button() == Qt::LeftButton && rect().contains(e->position().toPoint());
    if (e->button() == Qt::LeftButton)
        pressed_ = false;
    QLabel::mouseReleaseEvent(e);
    if (click)
        emit clicked();
}

Options::Options(QWidget* owner)
    : QWidget(owner, Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                         Qt::WindowTitleHint) {
    setObjectName(QStringLiteral("Options"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("ZAV Remote 2002 Options Panel"));
    setWindowIcon(artwork::windowIcon());
    setFixedSize(CLIENT_WIDTH, CLIENT_HEIGHT);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::black);
    setPalette(pal);

    buildControls();
}

Options::~Options() {
    if (gPanel == this)
        gPanel = nullptr;
}

void Options::buildControls() {
    setStyleSheet(QStringLiteral(
        "QToolButton { color: white; background: qlineargradient(x1:0, y1:0, x2:0, y2:1,"
        " stop:0 #4a4a4a, stop:1 #1e1e1e); border: 1px solid #6a6a6a; border-radius: 2px;"
        " padding: 1px 0 0 0; }"
        "QToolButton:hover { border-color: #c8c800; }"
        "QToolButton:focus { border-color: #e0e0e0; }"
        "QToolButton:pressed { background: #101010; }"
        "QGroupBox { color: white; background: black; border: 1px solid #8a8a8a;"
        " margin-top: 6px; padding-top: 4px; }"
        "QGroupBox::title { subcontrol-origin: margin; subcontrol-position: top left;"
        " left: 6px; padding: 0 2px; color: white; }"
        "QLabel { color: white; background: transparent; }"
        "QLabel#QRTS_OZ_WEBLINK { color: rgb(255, 255, 0); }"));

    auto topButton = [this](artwork::OptionsButton art, int index, const char* name,
                            const char* caption) {
        auto* b = new QToolButton(this);
        b->setObjectName(QString::fromLatin1(name));
        b->setGeometry(twips(index * 840, 0, 855, 855));
        b->setIcon(artwork::optionsButtonIcon(art));
        b->setIconSize(QSize(32, 32));
        b->setText(QString::fromLatin1(caption));
        b->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        b->setFont(msSansSerifFont(8.25));
        b->setFocusPolicy(Qt::StrongFocus);
        return b;
    };
    using OB = artwork::OptionsButton;
    COMMS_OPTION_BUTTON = topButton(OB::Comms, 0, "COMMS_OPTION_BUTTON", "Comms");
    WINDOW_OPTION_BUTTON = topButton(OB::Window, 1, "WINDOW_OPTION_BUTTON", "Window");
    STARTUP_OPTION_BUTTON = topButton(OB::Startup, 2, "STARTUP_OPTION_BUTTON", "Startup");
    OTHER_OPTION_BUTTON = topButton(OB::Other, 3, "OTHER_OPTION_BUTTON", "Other");
    Save_Button = topButton(OB::Save, 4, "Save_Button", "Save");
    Cancel_Button = topButton(OB::Cancel, 5, "Cancel_Button", "Cancel");

    auto page = [this](const char* name, const char* caption) {
        auto* f = new QGroupBox(QString::fromLatin1(caption), this);
        f->setObjectName(QString::fromLatin1(name));
        f->setGeometry(twips(120, 900, 4815, 2655));
        f->setFont(msSansSerifFont(8.25));
        f->setToolTip(QString::fromLatin1(caption));
        return f;
    };
    COMMS_FRAME = page("COMMS_FRAME", "Communication Options");
    WINDOW_FRAME = page("WINDOW_FRAME", "Window Options");
    STARTUP_FRAME = page("STARTUP_FRAME", "Startup Options");
    OTHER_OPTIONS_FRAME = page("OTHER_OPTIONS_FRAME", "Other Options");

    auto label = [](QWidget* parent, const QString& text, const QRect& geometry) {
        auto* l = new QLabel(text, parent);
        l->setTextFormat(Qt::PlainText);
        l->setGeometry(geometry);
        l->setFont(arialFont(8.25));
        l->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        return l;
    };
    auto textBox = [](QWidget* parent, const char* name, const char* text, const QRect& geometry) {
        auto* t = new QLineEdit(QString::fromLatin1(text), parent);
        t->setObjectName(QString::fromLatin1(name));
        t->setGeometry(geometry);
        t->setFont(msSansSerifFont(8.25));
        return t;
    };
    auto checkLabel = [](QWidget* parent, const char* name, const char* text,
                         const QRect& geometry) {
        auto* l = new ClickLabel(QString::fromLatin1(text), parent);
        l->setObjectName(QString::fromLatin1(name));
        l->setTextFormat(Qt::PlainText);
        l->setGeometry(geometry);
        l->setFont(arialFont(8.25));
        l->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        return l;
    };
    auto checkBox = [](QWidget* parent, const char* name, const char* toolTip, int topTwips) {
        auto* c = new OptionCheckBox(parent);
        c->setObjectName(QString::fromLatin1(name));
        c->setTristate(true); // the greyed state exists, but only code sets it
        c->setGeometry(twips(240, topTwips, 255, 255));
        c->setToolTip(QString::fromLatin1(toolTip));
        return c;
    };

    // Communication Options: the two ports side by side, the help, then the server address.
    LISTEN_PORT_TEXT = textBox(COMMS_FRAME, "LISTEN_PORT_TEXT", "2519", twips(240, 345, 735, 300));
    lblRECEIVE = label(COMMS_FRAME, QStringLiteral("Receive"), twips(1050, 360, 900, 255));
    TRANSMIT_PORT_TEXT =
        textBox(COMMS_FRAME, "TRANSMIT_PORT_TEXT", "2509", twips(2040, 345, 735, 300));
    lblTRANSMIT = label(COMMS_FRAME, QStringLiteral("Transmit"), twips(2850, 360, 1200, 255));
    lblPORTS_HELP = label(COMMS_FRAME,
                          QStringLiteral("Match the ports that are in use by ZAV Manager...\n"
                                         "eg if the ZAV Manager (Server) uses port 2509 to\n"
                                         "receive then ZAV Remote should transmit on port\n"
                                         "2509. (If you are unsure leave the settings alone!)"),
                          twips(240, 780, 4455, 900));
    lblPORTS_HELP->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    ZAV_SERVER_IP_TEXTBOX = new IpAddressBox(COMMS_FRAME);
    ZAV_SERVER_IP_TEXTBOX->setObjectName(QStringLiteral("ZAV_SERVER_IP_TEXTBOX"));
    ZAV_SERVER_IP_TEXTBOX->setGeometry(twips(240, 1920, 1860, 315));
    ZAV_SERVER_IP_TEXTBOX->setFont(msSansSerifFont(8.25, true));
    ZAV_SERVER_IP_TEXTBOX->setToolTip(
        QStringLiteral("Type the IP address of the ZAV Manager server in here"));
    lblSERVER_IP = label(COMMS_FRAME, QStringLiteral("IP Address of ZAV Manager"),
                         twips(2220, 1950, 2400, 255));

    // Window Options.
    SAVE_WINDOW_POS_CHECKBOX =
        checkBox(WINDOW_FRAME, "SAVE_WINDOW_POS_CHECKBOX",
                 "Tick the box to save the window position when exiting", 480);
    lbl_SAVE_WINDOW_POS =
        checkLabel(WINDOW_FRAME, "lbl_SAVE_WINDOW_POS",
                   "Save current position of the window when exiting", twips(615, 480, 4080, 255));

    // Startup Options.
    STARTUP_IN_MINIMODE_CHECKBOX =
        checkBox(STARTUP_FRAME, "STARTUP_IN_MINIMODE_CHECKBOX",
                 "Tick the box to always start the program in mini window mode", 480);
    lbl_ALWAYS_START_IN_MINIMODE =
        checkLabel(STARTUP_FRAME, "lbl_ALWAYS_START_IN_MINIMODE",
                   "Always start the program in mini window mode", twips(615, 480, 4080, 255));
    STARTUP_IN_SYSTRAY_CHECKBOX =
        checkBox(STARTUP_FRAME, "STARTUP_IN_SYSTRAY_CHECKBOX",
                 "Tick the box to always start the program in the System Tray area", 900);
    lbl_ALWAYS_START_IN_SYSTRAY =
        checkLabel(STARTUP_FRAME, "lbl_ALWAYS_START_IN_SYSTRAY",
                   "Always start the program in the System Tray", twips(615, 900, 4080, 255));

    // Other Options.
    lblINTERVAL = label(OTHER_OPTIONS_FRAME,
                        QStringLiteral("Interval (in secs) between status update "
                                       "requests..."),
                        twips(240, 420, 4455, 255));
    lblINTERVAL_DEFAULT =
        label(OTHER_OPTIONS_FRAME, QStringLiteral("the default value is every 5 seconds."),
              twips(240, 675, 4455, 255));
    STATUS_UPDATE_INTERVAL_TEXTBOX = textBox(OTHER_OPTIONS_FRAME, "STATUS_UPDATE_INTERVAL_TEXTBOX",
                                             "5", twips(240, 1080, 615, 300));

    // Bottom strip: the web link and the attribution picture.
    QRTS_OZ_WEBLINK = new ClickLabel(QString::fromLatin1(MAKER_WEB_ADDRESS), this);
    QRTS_OZ_WEBLINK->setObjectName(QStringLiteral("QRTS_OZ_WEBLINK"));
    QRTS_OZ_WEBLINK->setTextFormat(Qt::PlainText);
    QRTS_OZ_WEBLINK->setFont(arialFont(8.25, false, true));
    QRTS_OZ_WEBLINK->setGeometry(twips(120, 3600, 2700, 255));
    QRTS_OZ_WEBLINK->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    QRTS_OZ_WEBLINK->setCursor(Qt::PointingHandCursor);
    QRTS_OZ_WEBLINK->setToolTip(QStringLiteral("Click here to visit the ZAV Manager 2002 WebSite"));
    ATTRIBUTION_IMAGE = new QLabel(this);
    ATTRIBUTION_IMAGE->setObjectName(QStringLiteral("ATTRIBUTION_IMAGE"));
    ATTRIBUTION_IMAGE->setGeometry(twips(4035, 3660, 900, 135));
    ATTRIBUTION_IMAGE->setPixmap(artwork::attributionPicture());
    ATTRIBUTION_IMAGE->setToolTip(
        QStringLiteral("ZAV Remote 2002, a remote control client for ZAV Manager"));

    // Only the Comms page shows at first.
    WINDOW_FRAME->hide();
    STARTUP_FRAME->hide();
    OTHER_OPTIONS_FRAME->hide();

    connect(COMMS_OPTION_BUTTON, &QToolButton::clicked, this, &Options::COMMS_OPTION_BUTTON_Click);
    connect(WINDOW_OPTION_BUTTON, &QToolButton::clicked, this,
            &Options::WINDOW_OPTION_BUTTON_Click);
    connect(STARTUP_OPTION_BUTTON, &QToolButton::clicked, this,
            &Options::STARTUP_OPTION_BUTTON_Click);
    connect(OTHER_OPTION_BUTTON, &QToolButton::clicked, this, &Options::OTHER_OPTION_BUTTON_Click);
    connect(Save_Button, &QToolButton::clicked, this, &Options::Save_Button_Click);
    connect(Cancel_Button, &QToolButton::clicked, this, &Options::Cancel_Button_Click);
    connect(lbl_SAVE_WINDOW_POS, &ClickLabel::clicked, this, &Options::lbl_SAVE_WINDOW_POS_Click);
    connect(lbl_ALWAYS_START_IN_MINIMODE, &ClickLabel::clicked, this,
            &Options::lbl_ALWAYS_START_IN_MINIMODE_Click);
    connect(lbl_ALWAYS_START_IN_SYSTRAY, &ClickLabel::clicked, this,
            &Options::lbl_ALWAYS_START_IN_SYSTRAY_Click);
    connect(QRTS_OZ_WEBLINK, &ClickLabel::clicked, this, &Options::QRTS_OZ_WEBLINK_Click);

    // Tab order: the top row first, then the entries page by page.
    QWidget* order[] = {COMMS_OPTION_BUTTON,
                        WINDOW_OPTION_BUTTON,
                        STARTUP_OPTION_BUTTON,
                        OTHER_OPTION_BUTTON,
                        Save_Button,
                        Cancel_Button,
                        LISTEN_PORT_TEXT,
                        TRANSMIT_PORT_TEXT,
                        ZAV_SERVER_IP_TEXTBOX->part(0),
                        ZAV_SERVER_IP_TEXTBOX->part(1),
                        ZAV_SERVER_IP_TEXTBOX->part(2),
                        ZAV_SERVER_IP_TEXTBOX->part(3),
                        SAVE_WINDOW_POS_CHECKBOX,
                        STARTUP_IN_MINIMODE_CHECKBOX,
                        STARTUP_IN_SYSTRAY_CHECKBOX,
                        STATUS_UPDATE_INTERVAL_TEXTBOX};
    for (size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
    COMMS_OPTION_BUTTON->setFocus();
}

void Options::Form_Load() {
    const SettingsRecord& s = Settings;
    LISTEN_PORT_TEXT->setText(QString::number(s.LISTEN_PORT));
    TRANSMIT_PORT_TEXT->setText(QString::number(s.TRANSMIT_PORT));
    SAVE_WINDOW_POS_CHECKBOX->setCheckState(s.SAVE_WINDOW_POS ? Qt::Checked : Qt::Unchecked);
    if (!s.SERVER_IP.isEmpty())
        ZAV_SERVER_IP_TEXTBOX->setAddress(s.SERVER_IP);
    STARTUP_IN_MINIMODE_CHECKBOX->setCheckState(s.STARTUP_IN_MINIMODE ? Qt::Checked
                                                                      : Qt::Unchecked);
    STARTUP_IN_SYSTRAY_CHECKBOX->setCheckState(s.STARTUP_IN_SYSTRAY ? Qt::Checked : Qt::Unchecked);
    STATUS_UPDATE_INTERVAL_TEXTBOX->setText(s.STATUS_UPDATE_INTERVAL == 0
                                                ? QStringLiteral("5")
                                                : QString::number(s.STATUS_UPDATE_INTERVAL));
    if (s.LISTEN_PORT == 0)
        LISTEN_PORT_TEXT->setText(QStringLiteral("2519"));
    if (s.TRANSMIT_PORT == 0)
        TRANSMIT_PORT_TEXT->setText(QStringLiteral("2509"));
}

void Options::showPage(QGroupBox* page) {
    for (QGroupBox* f : {COMMS_FRAME, WINDOW_FRAME, STARTUP_FRAME, OTHER_OPTIONS_FRAME})
        f->setVisible(f == page);
}

QGroupBox* Options::visiblePage() const {
    for (QGroupBox* f : {COMMS_FRAME, WINDOW_FRAME, STARTUP_FRAME, OTHER_OPTIONS_FRAME})
        if (!f->isHidden())
            return f;
    return nullptr;
}

void Options::COMMS_OPTION_BUTTON_Click() {
    showPage(COMMS_FRAME);
}
void Options::WINDOW_OPTION_BUTTON_Click() {
    showPage(WINDOW_FRAME);
}
void Options::STARTUP_OPTION_BUTTON_Click() {
    showPage(STARTUP_FRAME);
}
void Options::OTHER_OPTION_BUTTON_Click() {
    showPage(OTHER_OPTIONS_FRAME);
}

void Options::lbl_SAVE_WINDOW_POS_Click() {
    toggleFromLabel(SAVE_WINDOW_POS_CHECKBOX);
}
void Options::lbl_ALWAYS_START_IN_MINIMODE_Click() {
    toggleFromLabel(STARTUP_IN_MINIMODE_CHECKBOX);
}
void Options::lbl_ALWAYS_START_IN_SYSTRAY_Click() {
    toggleFromLabel(STARTUP_IN_SYSTRAY_CHECKBOX);
}

void Options::QRTS_OZ_WEBLINK_Click() {
    const QUrl url(QString::fromLatin1(MAKER_WEB_ADDRESS));
    // Whatever the launch gives back is of no interest; the panel stays open.
    if (webLinkOpener())
        webLinkOpener()(url);
    else
        QDesktopServices::openUrl(url);
}

void Options::Save_Button_Click() {
    SettingsEntries entries;
    entries.listenPort = LISTEN_PORT_TEXT->text();
    entries.transmitPort = TRANSMIT_PORT_TEXT->text();
    entries.saveWindowPos = SAVE_WINDOW_POS_CHECKBOX->checkState() != Qt::Unchecked;
    entries.interval = STATUS_UPDATE_INTERVAL_TEXTBOX->text();
    entries.serverIp = ZAV_SERVER_IP_TEXTBOX->address();
    entries.startupInMiniMode = STARTUP_IN_MINIMODE_CHECKBOX->checkState() != Qt::Unchecked;
    entries.startupInSysTray = STARTUP_IN_SYSTRAY_CHECKBOX->checkState() != Qt::Unchecked;

    const QString typedInterval = entries.interval;
    const SaveOutcome outcome = SAVE_SETTINGS(entries, Settings, settingsFilePath(), this);
    // An interval out of range shows the value that was taken.
    if (entries.interval != typedInterval)
        STATUS_UPDATE_INTERVAL_TEXTBOX->setText(entries.interval);
    if (outcome != SaveOutcome::Written)
        return;

    showMessageBox(this, MsgIcon::Information, QStringLiteral("Settings Saved..."),
                   QStringLiteral("ZAV Remote 2002 settings saved, now exiting."));
    leave();
    // The program ends here, without the main window's shutdown steps: the file just written
    // is the one the next start reads.
    if (env().endProgram)
        env().endProgram(0);
}

void Options::Cancel_Button_Click() {
    if (Form1* form = mainForm()) {
        // Polling resumes; the first request comes one full interval from now.
        form->REQUEST_STATUS_TIMER.start();
        form->show();
    }
    leave();
}

void Options::leave() {
    leaving_ = true;
    if (gPanel == this)
        gPanel = nullptr;
    close();
}

void Options::closeEvent(QCloseEvent* e) {
    if (!leaving_) {
        e->ignore();
        return;
    }
    QWidget::closeEvent(e);
}

Options* optionsPanel() {
    return gPanel;
}

void showOptionsPanel() {
    showSingleWindow(gPanel, [] {
        auto* panel = new Options(mainForm());
        panel->Form_Load();
        return panel;
    });
}

void Form1::SETTINGS_BUTTON_Click() {
    // Each step is taken whatever became of the one before.
    TAB_STOP_ZERO->setFocus();
    REQUEST_STATUS_TIMER.stop();
    hide();
    showOptionsPanel();
}
