// Window captions as the window system holds them, on a real X display: each reads exactly as
// designed, with nothing added by the toolkit.
#include "testsupport.h"

#include <cstdlib>
#include <xcb/xcb.h>

namespace {

// The caption a window manager shows: the window's _NET_WM_NAME.
QString netWmName(QWidget* window) {
    auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11 || !window)
        return QStringLiteral("<no X window>");
    xcb_connection_t* c = x11->connection();
    auto atom = [c](const char* name) {
        auto* r =
            xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, uint16_t(qstrlen(name)), name), nullptr);
        const xcb_atom_t a = r ? r->atom : xcb_atom_t(XCB_ATOM_NONE);
        free(r);
        return a;
    };
    auto* reply =
        xcb_get_property_reply(c,
                               xcb_get_property(c, 0, xcb_window_t(window->winId()),
                                                atom("_NET_WM_NAME"), atom("UTF8_STRING"), 0, 1024),
                               nullptr);
    if (!reply)
        return QString();
    const QString name = QString::fromUtf8(static_cast<const char*>(xcb_get_property_value(reply)),
                                           xcb_get_property_value_length(reply));
    free(reply);
    return name;
}

} // namespace

class TestCaptions : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            QSKIP("Needs an X display (run through xvfb-run)");
        nameApplication(*qApp);
    }

    void captionsReadAsDesigned() {
        TestEnvironment t;
        TestClient client;
        Desktop& d = client.desktop;
        client.window().show();
        SplashWindow splash; // no title bar; the caption names it in the desktop's lists
        splash.show();
        d.openAbout();
        d.openOptions();
        d.openSendMessage();
        d.showReceivedMessage(QStringLiteral("Hello"), QStringLiteral("127.0.0.1"));
        const QList<std::pair<QWidget*, const char*>> windows{
            {&client.window(), "ZAV Remote 2002"},
            {&splash, "ZAV Remote 2002"},
            {d.aboutWindow(), "About ZAV Manager 2002"},
            {d.optionsPanel(), "ZAV Remote 2002 Options Panel"},
            {d.sendMessageWindow(), "Send a Message to the Server..."},
            {d.receivedMessagesWindow(), "Messages Received..."}};
        for (const auto& [window, caption] : windows)
            QCOMPARE(netWmName(window), QString::fromLatin1(caption));

        // A real box: read while it waits for the user, then closed.
        setMessageBoxHook(nullptr);
        QString shown;
        QTimer::singleShot(0, qApp, [&shown] {
            QWidget* box = QApplication::activeModalWidget();
            shown = netWmName(box);
            if (box)
                box->close();
        });
        showMessageBox(&client.window(), MsgIcon::Information, QStringLiteral("INI File Error..."),
                       QStringLiteral("text"));
        QCOMPARE(shown, QStringLiteral("INI File Error..."));
    }
};

QTEST_MAIN(TestCaptions)
#include "tst_captions.moc"
