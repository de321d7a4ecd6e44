// Window captions as the window system holds them, on a real X display: each reads exactly as
// designed, with nothing added by the toolkit.
#include "testsupport.h"

#include "ui/main/about.h"
#include "ui/main/splashwindow.h"
#include "ui/messages/receivedmessages.h"
#include "ui/messages/sendmessage.h"
#include "ui/options/options.h"

#include <QApplication>
#include <QGuiApplication>
#include <QTimer>
#include <QtTest>

#include <cstdlib>
#include <cstring>
#include <xcb/xcb.h>

namespace {

xcb_atom_t internAtom(xcb_connection_t* c, const char* name) {
    xcb_intern_atom_reply_t* reply =
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, uint16_t(strlen(name)), name), nullptr);
    const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    free(reply);
    return atom;
}

// The caption a window manager shows: the window's _NET_WM_NAME.
QString netWmName(QWidget* window) {
    auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11 || !window)
        return QStringLiteral("<no X window>");
    xcb_connection_t* c = x11->connection();
    const auto id = xcb_window_t(window->winId());
    xcb_get_property_reply_t* reply =
        xcb_get_property_reply(c,
                               xcb_get_property(c, 0, id, internAtom(c, "_NET_WM_NAME"),
                                                internAtom(c, "UTF8_STRING"), 0, 1024),
                               nullptr);
    QString name;
    if (reply) {
        name = QString::fromUtf8(static_cast<const char*>(xcb_get_property_value(reply)),
                                 xcb_get_property_value_length(reply));
        free(reply);
    }
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

    void captionsReadAsDesigned_data() {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("caption");
        const char* rows[][2] = {
            {"main", "ZAV Remote 2002"},
            {"splash", "ZAV Remote 2002"}, // no title bar; names it in the desktop's lists
            {"about", "About ZAV Manager 2002"},
            {"options", "ZAV Remote 2002 Options Panel"},
            {"send", "Send a Message to the Server..."},
            {"received", "Messages Received..."},
            {"box", "INI File Error..."},
        };
        for (const auto& row : rows)
            QTest::newRow(row[0]) << QString::fromLatin1(row[0]) << QString::fromLatin1(row[1]);
    }
    void captionsReadAsDesigned() {
        QFETCH(QString, window);
        QFETCH(QString, caption);
        TestEnvironment t;
        TestClient client;
        Desktop& d = client.desktop;
        MainWindow& f = client.window();
        f.show();
        QString shown;
        if (window == QLatin1String("main")) {
            shown = netWmName(&f);
        } else if (window == QLatin1String("splash")) {
            auto* splash = new SplashWindow;
            splash->show();
            shown = netWmName(splash);
        } else if (window == QLatin1String("about")) {
            d.openAbout();
            shown = netWmName(d.aboutWindow());
        } else if (window == QLatin1String("options")) {
            d.openOptions();
            shown = netWmName(d.optionsPanel());
        } else if (window == QLatin1String("send")) {
            d.openSendMessage();
            shown = netWmName(d.sendMessageWindow());
        } else if (window == QLatin1String("received")) {
            d.showReceivedMessage(QStringLiteral("Hello"), QStringLiteral("127.0.0.1"));
            shown = netWmName(d.receivedMessagesWindow());
        } else {
            // A real box: read while it waits for the user, then closed.
            setMessageBoxHook(nullptr);
            QTimer::singleShot(0, qApp, [&shown] {
                QWidget* box = QApplication::activeModalWidget();
                shown = netWmName(box);
                if (box)
                    box->close();
            });
            showMessageBox(&f, MsgIcon::Information, caption, QStringLiteral("text"));
        }
        QCOMPARE(shown, caption);
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w != &f && w->isVisible())
                w->deleteLater();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
};

QTEST_MAIN(TestCaptions)
#include "tst_captions.moc"
