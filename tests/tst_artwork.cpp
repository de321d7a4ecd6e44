// The drawn pictures, on a screen scaled by two as on a HiDPI monitor.
#include "ui/main/artwork.h"
#include "ui/main/artwork_kit.h"

#include <QGuiApplication>
#include <QImage>
#include <QTest>

static void useDoubledScreen() {
    qputenv("QT_SCALE_FACTOR", "2");
}
Q_CONSTRUCTOR_FUNCTION(useDoubledScreen)

using namespace artwork;

static QImage argb(const QPixmap& pixmap) {
    return pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
}

// Whether two pictures differ clearly in more than 3 % of their pixels.
static bool clearlyDifferent(const QImage& a, const QImage& b) {
    int differing = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            differing += qAbs(qRed(p) - qRed(q)) + qAbs(qGreen(p) - qGreen(q)) +
                             qAbs(qBlue(p) - qBlue(q)) + qAbs(qAlpha(p) - qAlpha(q)) >
                         60;
        }
    return differing * 33 > a.width() * a.height();
}

class TestArtwork : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QCOMPARE(qGuiApp->devicePixelRatio(), 2.0); }

    // The splash pictures built for the executable are the painted one; here none is installed.
    void builtSplashIsThePaintedOne() {
        for (int scale : {1, 2}) {
            const QImage built(QStringLiteral(ZAV_SPLASH_DIR "/splash-%1.png").arg(scale * 100));
            QCOMPARE(
                built.convertToFormat(QImage::Format_ARGB32),
                renderSplashArt(QSize(470, 200) * scale).convertToFormat(QImage::Format_ARGB32));
            QVERIFY(!QFile::exists(prerenderedSplashPath(scale * 100)));
        }
    }

    // Drawn with twice the pixels: one blown up from half of them would survive halving.
    void sharpOnADoubledScreen() {
        QList<QPixmap> pictures{smallLogo(), splashPicture(), aboutPicture(), sendButtonPicture(),
                                attributionPicture()};
        for (int i = 0; i < kStatusPictureCount; ++i)
            pictures << statusPicture(StatusPicture(i));
        for (int i = 0; i < kTrayPictureCount; ++i) {
            const auto which = TrayPicture(i);
            const bool small = which == TrayPicture::ServerRunning ||
                               which == TrayPicture::Message || which == TrayPicture::Dialing;
            const QSize design = small ? QSize(16, 16) : QSize(32, 32);
            pictures << trayPicture(which).pixmap(design, 2.0)
                     << trayPictureDimmed(which).pixmap(design, 2.0);
        }
        for (int i = 0; i <= int(Button::About); ++i)
            pictures << buttonIcon(Button(i)).pixmap(QSize(18, 16), 2.0);
        for (int i = 0; i <= int(OptionsButton::Cancel); ++i)
            pictures << optionsButtonIcon(OptionsButton(i)).pixmap(QSize(32, 32), 2.0);
        for (const QIcon& icon :
             {windowIcon(), sendMessageWindowIcon(), receivedMessagesWindowIcon()})
            pictures << icon.pixmap(QSize(32, 32), 2.0);
        for (int i = 0; i < pictures.size(); ++i) {
            const QImage image = argb(pictures[i]);
            QVERIFY2(pictures[i].devicePixelRatio() == 2.0 &&
                         image != image.scaled(image.size() / 2).scaled(image.size()),
                     qPrintable(QString::number(i)));
        }
    }

    // Status and tray pictures (at either size) differ, and from their dimmed blink.
    void statePicturesDifferFromEachOther() {
        QList<QList<QImage>> sets{{}};
        for (int i = 0; i < kStatusPictureCount; ++i)
            sets[0] << argb(statusPicture(StatusPicture(i)));
        for (int side : {16, 32}) {
            QList<QImage> tray;
            for (int i = 0; i < kTrayPictureCount; ++i) {
                tray << argb(trayPicture(TrayPicture(i)).pixmap(QSize(side, side), 1.0));
                sets << QList<QImage>{
                    tray.constLast(),
                    argb(trayPictureDimmed(TrayPicture(i)).pixmap(QSize(side, side), 1.0))};
            }
            sets << tray;
        }
        for (int s = 0; s < sets.size(); ++s)
            for (int a = 0; a < sets[s].size(); ++a)
                for (int b = a + 1; b < sets[s].size(); ++b)
                    QVERIFY2(clearlyDifferent(sets[s][a], sets[s][b]),
                             qPrintable(QString::asprintf("set %d: %d and %d", s, a, b)));
    }
};

QTEST_MAIN(TestArtwork)
#include "tst_artwork.moc"
