#include "ui/options/options.h"

#include "app/environment.h"
#include "app/savesettings.h"
#include "app/settings.h"
#include "ui/main/accessibility.h"
#include "ui/main/artwork.h"
#include "ui/main/design.h"
#include "ui/main/messagebox.h"
#include "ui/options/ipbox.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>
#include <QToolButton>

namespace {

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
        m_pressed = true;
    QLabel::mousePressEvent(e);
}

void ClickLabel::mouseReleaseEvent(QMouseEvent* e) {
    const bool click =
        m_pressed && e->button() == Qt::LeftButton && rect().contains(e->position().toPoint());
    if (e->button() == Qt::LeftButton)
        m_pressed = false;
    QLabel::mouseReleaseEvent(e);
    if (click)
        emit clicked();
}

OptionsPanel::OptionsPanel(QWidget* owner)
    : QWidget(owner, Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                         Qt::WindowTitleHint) {
    setAccessibleRole(this, QAccessible::Dialog);
    setObjectName(QStringLiteral("OptionsPanel"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("ZAV Remote 2002 Options Panel"));
    setWindowIcon(artwork::windowIcon());
    setFixedSize(kWidth, kHeight);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::black);
    setPalette(pal);

    buildControls();
}

void OptionsPanel::buildControls() {
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
        "QLabel#m_webLink { color: rgb(255, 255, 0); }"));

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
        pressWithEnter(b);
        return b;
    };
    using OB = artwork::OptionsButton;
    m_commsPageButton = topButton(OB::Comms, 0, "commsPageButton", "Comms");
    m_windowPageButton = topButton(OB::Window, 1, "windowPageButton", "Window");
    m_startupPageButton = topButton(OB::Startup, 2, "startupPageButton", "Startup");
    m_otherPageButton = topButton(OB::Other, 3, "otherPageButton", "Other");
    // The page buttons tell which page shows: the shown page's button is the checked one, as a
    // screen reader reads it (the look stays that of plain buttons).
    for (QToolButton* b :
         {m_commsPageButton, m_windowPageButton, m_startupPageButton, m_otherPageButton})
        b->setCheckable(true);
    m_saveButton = topButton(OB::Save, 4, "saveButton", "Save");
    m_cancelButton = topButton(OB::Cancel, 5, "cancelButton", "Cancel");

    auto page = [this](const char* name, const char* caption) {
        auto* f = new QGroupBox(QString::fromLatin1(caption), this);
        f->setObjectName(QString::fromLatin1(name));
        f->setGeometry(twips(120, 900, 4815, 2655));
        f->setFont(msSansSerifFont(8.25));
        f->setToolTip(QString::fromLatin1(caption));
        return f;
    };
    m_commsPage = page("commsPage", "Communication Options");
    m_windowPage = page("windowPage", "Window Options");
    m_startupPage = page("startupPage", "Startup Options");
    m_otherPage = page("otherPage", "Other Options");

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
    // A bare check box is named by the label beside it.
    auto nameByLabel = [](QCheckBox* box, QLabel* label) {
        box->setAccessibleName(label->text());
        label->setBuddy(box);
    };

    // Communication OptionsPanel: the two ports side by side, the help, then the server address.
    m_listenPortBox = textBox(m_commsPage, "listenPortBox", "2519", twips(240, 345, 735, 300));
    m_listenPortLabel = label(m_commsPage, QStringLiteral("Receive"), twips(1050, 360, 900, 255));
    m_transmitPortBox = textBox(m_commsPage, "transmitPortBox", "2509", twips(2040, 345, 735, 300));
    m_transmitPortLabel =
        label(m_commsPage, QStringLiteral("Transmit"), twips(2850, 360, 1200, 255));
    m_listenPortBox->setAccessibleName(QStringLiteral("Receive port"));
    m_listenPortLabel->setBuddy(m_listenPortBox);
    m_transmitPortBox->setAccessibleName(QStringLiteral("Transmit port"));
    m_transmitPortLabel->setBuddy(m_transmitPortBox);
    m_portsHelpLabel = label(m_commsPage,
                             QStringLiteral("Match the ports that are in use by ZAV Manager...\n"
                                            "eg if the ZAV Manager (Server) uses port 2509 to\n"
                                            "receive then ZAV Remote should transmit on port\n"
                                            "2509. (If you are unsure leave the settings alone!)"),
                             twips(240, 780, 4455, 900));
    m_portsHelpLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_serverAddressBox = new IpAddressBox(m_commsPage);
    m_serverAddressBox->setObjectName(QStringLiteral("serverAddressBox"));
    m_serverAddressBox->setGeometry(twips(240, 1920, 1860, 315));
    m_serverAddressBox->setFont(msSansSerifFont(8.25, true));
    m_serverAddressBox->setToolTip(
        QStringLiteral("Type the IP address of the ZAV Manager server in here"));
    m_serverAddressLabel = label(m_commsPage, QStringLiteral("IP Address of ZAV Manager"),
                                 twips(2220, 1950, 2400, 255));
    m_serverAddressBox->setAccessibleName(m_serverAddressLabel->text());

    // Window OptionsPanel.
    m_savePositionCheck = checkBox(m_windowPage, "savePositionCheck",
                                   "Tick the box to save the window position when exiting", 480);
    m_savePositionLabel =
        checkLabel(m_windowPage, "savePositionLabel",
                   "Save current position of the window when exiting", twips(615, 480, 4080, 255));
    nameByLabel(m_savePositionCheck, m_savePositionLabel);

    // Startup OptionsPanel.
    m_startMiniCheck =
        checkBox(m_startupPage, "startMiniCheck",
                 "Tick the box to always start the program in mini window mode", 480);
    m_startMiniLabel =
        checkLabel(m_startupPage, "startMiniLabel", "Always start the program in mini window mode",
                   twips(615, 480, 4080, 255));
    m_startTrayCheck =
        checkBox(m_startupPage, "startTrayCheck",
                 "Tick the box to always start the program in the System Tray area", 900);
    m_startTrayLabel =
        checkLabel(m_startupPage, "startTrayLabel", "Always start the program in the System Tray",
                   twips(615, 900, 4080, 255));
    nameByLabel(m_startMiniCheck, m_startMiniLabel);
    nameByLabel(m_startTrayCheck, m_startTrayLabel);

    // Other OptionsPanel.
    m_intervalLabel = label(m_otherPage,
                            QStringLiteral("Interval (in secs) between status update "
                                           "requests..."),
                            twips(240, 420, 4455, 255));
    m_intervalDefaultLabel =
        label(m_otherPage, QStringLiteral("the default value is every 5 seconds."),
              twips(240, 675, 4455, 255));
    m_intervalBox = textBox(m_otherPage, "intervalBox", "5", twips(240, 1080, 615, 300));
    m_intervalBox->setAccessibleName(QStringLiteral("Status update interval in seconds"));

    // Bottom strip: the web link and the attribution picture.
    m_webLink = new ClickLabel(QString::fromLatin1(MAKER_WEB_ADDRESS), this);
    m_webLink->setObjectName(QStringLiteral("webLink"));
    m_webLink->setTextFormat(Qt::PlainText);
    m_webLink->setFont(arialFont(8.25, false, true));
    m_webLink->setGeometry(twips(120, 3600, 2700, 255));
    m_webLink->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_webLink->setCursor(Qt::PointingHandCursor);
    m_webLink->setToolTip(QStringLiteral("Click here to visit the ZAV Manager 2002 WebSite"));
    m_attributionPicture = new QLabel(this);
    m_attributionPicture->setObjectName(QStringLiteral("attributionPicture"));
    m_attributionPicture->setGeometry(twips(4035, 3660, 900, 135));
    m_attributionPicture->setPixmap(artwork::attributionPicture());
    m_attributionPicture->setToolTip(
        QStringLiteral("ZAV Remote 2002, a remote control client for ZAV Manager"));
    m_attributionPicture->setAccessibleName(QStringLiteral("Attribution"));

    // Only the Comms page shows at first.
    showPage(m_commsPage);

    connect(m_commsPageButton, &QToolButton::clicked, this, &OptionsPanel::showCommsPage);
    connect(m_windowPageButton, &QToolButton::clicked, this, &OptionsPanel::showWindowPage);
    connect(m_startupPageButton, &QToolButton::clicked, this, &OptionsPanel::showStartupPage);
    connect(m_otherPageButton, &QToolButton::clicked, this, &OptionsPanel::showOtherPage);
    connect(m_saveButton, &QToolButton::clicked, this, &OptionsPanel::save);
    connect(m_cancelButton, &QToolButton::clicked, this, &OptionsPanel::cancel);
    connect(m_savePositionLabel, &ClickLabel::clicked, this, &OptionsPanel::toggleSavePosition);
    connect(m_startMiniLabel, &ClickLabel::clicked, this, &OptionsPanel::toggleStartMini);
    connect(m_startTrayLabel, &ClickLabel::clicked, this, &OptionsPanel::toggleStartTray);
    connect(m_webLink, &ClickLabel::clicked, this, &OptionsPanel::openWebLink);

    // Tab order: the top row first, then the entries page by page.
    QWidget* order[] = {m_commsPageButton,
                        m_windowPageButton,
                        m_startupPageButton,
                        m_otherPageButton,
                        m_saveButton,
                        m_cancelButton,
                        m_listenPortBox,
                        m_transmitPortBox,
                        m_serverAddressBox->part(0),
                        m_serverAddressBox->part(1),
                        m_serverAddressBox->part(2),
                        m_serverAddressBox->part(3),
                        m_savePositionCheck,
                        m_startMiniCheck,
                        m_startTrayCheck,
                        m_intervalBox};
    for (size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
    m_commsPageButton->setFocus();
}

void OptionsPanel::load(const Settings& s) {
    m_listenPortBox->setText(QString::number(s.listenPort));
    m_transmitPortBox->setText(QString::number(s.transmitPort));
    m_savePositionCheck->setCheckState(s.saveWindowPosition ? Qt::Checked : Qt::Unchecked);
    if (!s.serverAddress.isEmpty())
        m_serverAddressBox->setAddress(s.serverAddress);
    m_startMiniCheck->setCheckState(s.startInMiniMode ? Qt::Checked : Qt::Unchecked);
    m_startTrayCheck->setCheckState(s.startInTray ? Qt::Checked : Qt::Unchecked);
    m_intervalBox->setText(s.pollIntervalSeconds == 0 ? QStringLiteral("5")
                                                      : QString::number(s.pollIntervalSeconds));
    if (s.listenPort == 0)
        m_listenPortBox->setText(QStringLiteral("2519"));
    if (s.transmitPort == 0)
        m_transmitPortBox->setText(QStringLiteral("2509"));
}

void OptionsPanel::showPage(QGroupBox* page) {
    const std::pair<QGroupBox*, QToolButton*> pages[] = {{m_commsPage, m_commsPageButton},
                                                         {m_windowPage, m_windowPageButton},
                                                         {m_startupPage, m_startupPageButton},
                                                         {m_otherPage, m_otherPageButton}};
    for (const auto& [frame, button] : pages) {
        frame->setVisible(frame == page);
        button->setChecked(frame == page);
    }
}

QGroupBox* OptionsPanel::visiblePage() const {
    for (QGroupBox* f : {m_commsPage, m_windowPage, m_startupPage, m_otherPage})
        if (!f->isHidden())
            return f;
    return nullptr;
}

void OptionsPanel::showCommsPage() {
    showPage(m_commsPage);
}
void OptionsPanel::showWindowPage() {
    showPage(m_windowPage);
}
void OptionsPanel::showStartupPage() {
    showPage(m_startupPage);
}
void OptionsPanel::showOtherPage() {
    showPage(m_otherPage);
}

void OptionsPanel::toggleSavePosition() {
    toggleFromLabel(m_savePositionCheck);
}
void OptionsPanel::toggleStartMini() {
    toggleFromLabel(m_startMiniCheck);
}
void OptionsPanel::toggleStartTray() {
    toggleFromLabel(m_startTrayCheck);
}

void OptionsPanel::openWebLink() {
    const QUrl url(QString::fromLatin1(MAKER_WEB_ADDRESS));
    // Whatever the launch gives back is of no interest; the panel stays open.
    if (webLinkOpener())
        webLinkOpener()(url);
    else
        QDesktopServices::openUrl(url);
}

void OptionsPanel::save() {
    SettingsEntries entries;
    entries.listenPort = m_listenPortBox->text();
    entries.transmitPort = m_transmitPortBox->text();
    entries.saveWindowPos = m_savePositionCheck->checkState() != Qt::Unchecked;
    entries.interval = m_intervalBox->text();
    entries.serverIp = m_serverAddressBox->address();
    entries.startupInMiniMode = m_startMiniCheck->checkState() != Qt::Unchecked;
    entries.startupInSysTray = m_startTrayCheck->checkState() != Qt::Unchecked;

    const QString typedInterval = entries.interval;
    const SaveOutcome outcome = m_save ? m_save(entries, this) : SaveOutcome::Incomplete;
    // An interval out of range shows the value that was taken.
    if (entries.interval != typedInterval)
        m_intervalBox->setText(entries.interval);
    if (outcome != SaveOutcome::Written)
        return;

    showMessageBox(this, MsgIcon::Information, QStringLiteral("Settings Saved..."),
                   QStringLiteral("ZAV Remote 2002 settings saved, now exiting."));
    leave();
    emit saved();
}

void OptionsPanel::cancel() {
    leave();
    emit cancelled();
}

void OptionsPanel::leave() {
    m_leaving = true;
    close();
}

void OptionsPanel::closeEvent(QCloseEvent* e) {
    if (m_leaving) {
        QWidget::closeEvent(e);
        return;
    }
    // Only the window manager's request comes as a spontaneous event: it is Cancel. Anything
    // else (the program's own close(), the end of the program) leaves the panel where it is.
    if (!e->spontaneous()) {
        e->ignore();
        return;
    }
    m_leaving = true;
    e->accept();
    emit cancelled();
}

void OptionsPanel::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Escape && e->modifiers() == Qt::NoModifier)
        cancel();
    else
        QWidget::keyPressEvent(e);
}
