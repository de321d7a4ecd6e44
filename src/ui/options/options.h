// The Options panel, where the settings are edited and saved.
#pragma once

#include <QLabel>
#include <QUrl>
#include <QWidget>
#include <functional>

class QCheckBox;
class QGroupBox;
class QLineEdit;
class QToolButton;
class IpAddressBox;

// The maker's web page, shown and opened by the panel's web link.
inline constexpr char MAKER_WEB_ADDRESS[] = "http://www.zavremote.example/";

// Opens the web link. The desktop's browser by default; tests put a recorder in its place.
using WebLinkOpener = std::function<void(const QUrl&)>;
// Replaces the opener; an empty function brings back the desktop's.
void setWebLinkOpener(WebLinkOpener opener);

// A label that reports a click of the left mouse button (pressed and released on it).
class ClickLabel : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

private:
    bool pressed_ = false;
};

class Options : public QWidget {
    Q_OBJECT
public:
    // Client area in pixels: 5055 x 3885 twips.
    static constexpr int CLIENT_WIDTH = 337;
    static constexpr int CLIENT_HEIGHT = 259;

    // The panel as designed, centred on `owner` (the main window), not yet loaded or shown.
    explicit Options(QWidget* owner = nullptr);
    ~Options() override;

    // Fills the controls from `Settings`.
    void Form_Load();

    // Page buttons: show their own page only.
    void COMMS_OPTION_BUTTON_Click();
    void WINDOW_OPTION_BUTTON_Click();
    void STARTUP_OPTION_BUTTON_Click();
    void OTHER_OPTION_BUTTON_Click();
    // Takes the entries into `Settings`, writes the file and ends the program.
    void Save_Button_Click();
    // Discards the entries, resumes polling and brings the main window back.
    void Cancel_Button_Click();

    // The labels beside the check boxes toggle them (a greyed box stays greyed).
    void lbl_SAVE_WINDOW_POS_Click();
    void lbl_ALWAYS_START_IN_MINIMODE_Click();
    void lbl_ALWAYS_START_IN_SYSTRAY_Click();
    void QRTS_OZ_WEBLINK_Click();

    // The visible page, or null.
    QGroupBox* visiblePage() const;

    // Top row, in tab order.
    QToolButton* COMMS_OPTION_BUTTON;
    QToolButton* WINDOW_OPTION_BUTTON;
    QToolButton* STARTUP_OPTION_BUTTON;
    QToolButton* OTHER_OPTION_BUTTON;
    QToolButton* Save_Button;
    QToolButton* Cancel_Button;

    // Pages.
    QGroupBox* COMMS_FRAME;
    QGroupBox* WINDOW_FRAME;
    QGroupBox* STARTUP_FRAME;
    QGroupBox* OTHER_OPTIONS_FRAME;

    // Communication Options.
    QLineEdit* LISTEN_PORT_TEXT;
    QLabel* lblRECEIVE;
    QLineEdit* TRANSMIT_PORT_TEXT;
    QLabel* lblTRANSMIT;
    QLabel* lblPORTS_HELP;
    IpAddressBox* ZAV_SERVER_IP_TEXTBOX;
    QLabel* lblSERVER_IP;

    // Window Options.
    QCheckBox* SAVE_WINDOW_POS_CHECKBOX;
    ClickLabel* lbl_SAVE_WINDOW_POS;

    // Startup Options.
    QCheckBox* STARTUP_IN_MINIMODE_CHECKBOX;
    ClickLabel* lbl_ALWAYS_START_IN_MINIMODE;
    QCheckBox* STARTUP_IN_SYSTRAY_CHECKBOX;
    ClickLabel* lbl_ALWAYS_START_IN_SYSTRAY;

    // Other Options.
    QLineEdit* STATUS_UPDATE_INTERVAL_TEXTBOX;
    QLabel* lblINTERVAL;
    QLabel* lblINTERVAL_DEFAULT;

    // Bottom strip.
    ClickLabel* QRTS_OZ_WEBLINK;
    QLabel* ATTRIBUTION_IMAGE;

protected:
    // The window manager's close request is refused: the panel is left through Save or Cancel.
    void closeEvent(QCloseEvent* e) override;

private:
    void buildControls();
    void showPage(QGroupBox* page);
    // Closes and destroys the panel.
    void leave();

    bool leaving_ = false;
};

// The open panel, or null.
Options* optionsPanel();
// Shows the panel, not modal; when none is open, one is first created from its design and
// loaded from the settings.
void showOptionsPanel();
