// The OptionsPanel panel, where the settings are edited and saved.
#pragma once

#include "app/savesettings.h"

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
    bool m_pressed = false;
};

class OptionsPanel : public QWidget {
    Q_OBJECT
public:
    // Client area in pixels: 5055 x 3885 twips.
    static constexpr int kWidth = 337;
    static constexpr int kHeight = 259;

    // The panel as designed, centred on `owner` (the main window), not yet loaded or shown.
    // Takes the entries and writes them; gives the outcome (and any refusal was told).
    using SaveFunction = std::function<SaveOutcome(SettingsEntries&, QWidget*)>;

    explicit OptionsPanel(QWidget* owner = nullptr);

    // Fills the controls from the settings.
    void load(const Settings& settings);
    void setSaveFunction(SaveFunction save) { m_save = std::move(save); }

    // Page buttons: show their own page only.
    void showCommsPage();
    void showWindowPage();
    void showStartupPage();
    void showOtherPage();
    // Takes the entries and writes the file; once written the program ends (saved()).
    void save();
    // Discards the entries (cancelled()).
    void cancel();

    // The labels beside the check boxes toggle them (a greyed box stays greyed).
    void toggleSavePosition();
    void toggleStartMini();
    void toggleStartTray();
    void openWebLink();

    // The visible page, or null.
    QGroupBox* visiblePage() const;

    // Top row, in tab order.
    QToolButton* m_commsPageButton;
    QToolButton* m_windowPageButton;
    QToolButton* m_startupPageButton;
    QToolButton* m_otherPageButton;
    QToolButton* m_saveButton;
    QToolButton* m_cancelButton;

    // Pages.
    QGroupBox* m_commsPage;
    QGroupBox* m_windowPage;
    QGroupBox* m_startupPage;
    QGroupBox* m_otherPage;

    // Communication OptionsPanel.
    QLineEdit* m_listenPortBox;
    QLabel* m_listenPortLabel;
    QLineEdit* m_transmitPortBox;
    QLabel* m_transmitPortLabel;
    QLabel* m_portsHelpLabel;
    IpAddressBox* m_serverAddressBox;
    QLabel* m_serverAddressLabel;

    // Window OptionsPanel.
    QCheckBox* m_savePositionCheck;
    ClickLabel* m_savePositionLabel;

    // Startup OptionsPanel.
    QCheckBox* m_startMiniCheck;
    ClickLabel* m_startMiniLabel;
    QCheckBox* m_startTrayCheck;
    ClickLabel* m_startTrayLabel;

    // Other OptionsPanel.
    QLineEdit* m_intervalBox;
    QLabel* m_intervalLabel;
    QLabel* m_intervalDefaultLabel;

    // Bottom strip.
    ClickLabel* m_webLink;
    QLabel* m_attributionPicture;

signals:
    void saved();
    void cancelled();

protected:
    // The window manager's close request is Cancel; the program's own close() without Save or
    // Cancel is refused.
    void closeEvent(QCloseEvent* e) override;
    // Escape is Cancel.
    void keyPressEvent(QKeyEvent* e) override;

private:
    void buildControls();
    void showPage(QGroupBox* page);
    // Closes and destroys the panel.
    void leave();

    bool m_leaving = false;
    SaveFunction m_save;
};
