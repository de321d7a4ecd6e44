// The drawn pictures: sharp at their logical size on a doubled screen, and the pictures that
// tell states apart really differ.
#include "ui/main/artwork.h"
#include "ui/main/artwork_kit.h"

#include <QGuiApplication>
#include <QImage>
#include <QTest>

// The whole test runs on a screen scaled by two, as on a HiDPI monitor.
static void useDoubledScreen() {
    qputenv("QT_SCALE_FACTOR", "2");
}
Q_CONSTRUCTOR_FUNCTION(useDoubledScreen)

namespace {

using namespace artwork;

QImage argb(const QPixmap& pixmap) {
    return pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
}

// Every two pictures of the list differ clearly in more than 3 % of their pixels.
void expectAllDifferent(const QList<QImage>& images, const char* what) {
    for (int a = 0; a < images.size(); ++a)
        for (int b = a + 1; b < images.size(); ++b) {
            int differing = 0;
            for (int y = 0; y < images[a].height(); ++y)
                for (int x = 0; x < images[a].width(); ++x) {
                    const QRgb p = images[a].pixel(x, y), q = images[b].pixel(x, y);
                    const int d = qAbs(qRed(p) - qRed(q)) + qAbs(qGreen(p) - qGreen(q)) +
                                  qAbs(qBlue(p) - qBlue(q)) + qAbs(qAlpha(p) - qAlpha(q));
                    differing += d > 60 ? 1 : 0;
                }
            QVERIFY2(differing * 33 > images[a].width() * images[a].height(),
                     qPrintable(QStringLiteral("%1 %2 and %3").arg(what).arg(a).arg(b)));
        }
}

} // namespace

class TestArtwork : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QCOMPARE(qGuiApp->devicePixelRatio(), 2.0); }

    // The splash pictures the build renders for the executable are the picture the program
    // paints, at both scales; without them (as in this test) the splash is painted.
    void builtSplashIsThePaintedOne() {
        for (int scale : {1, 2}) {
            const QImage built(QStringLiteral(ZAV_SPLASH_DIR "/splash-%1.png").arg(scale * 100));
            QCOMPARE(
                built.convertToFormat(QImage::Format_ARGB32),
                renderSplashArt(QSize(470, 200) * scale).convertToFormat(QImage::Format_ARGB32));
            QVERIFY(!QFile::exists(prerenderedSplashPath(scale * 100)));
        }
    }

    // Pictures and icons (asked for at their design size) come drawn with twice the pixels.
    void sharpAtTheirLogicalSize_data() {
        QTest::addColumn<QPixmap>("pixmap");
        QTest::addColumn<QSize>("logical");
        for (int i = 0; i < kStatusPictureCount; ++i)
            QTest::addRow("status %d", i) << statusPicture(StatusPicture(i)) << QSize(32, 32);
        QTest::newRow("small logo") << smallLogo() << QSize(32, 9);
        QTest::newRow("splash") << splashPicture() << QSize(470, 200);
        QTest::newRow("about") << aboutPicture() << QSize(470, 230);
        QTest::newRow("send button") << sendButtonPicture() << QSize(38, 16);
        QTest::newRow("attribution") << attributionPicture() << QSize(60, 9);
        auto icon = [](const QByteArray& name, const QIcon& i, QSize design) {
            QTest::newRow(name.constData()) << i.pixmap(design, 2.0) << design;
        };
        for (int i = 0; i < kTrayPictureCount; ++i) {
            const auto which = TrayPicture(i);
            const bool small = which == TrayPicture::ServerRunning ||
                               which == TrayPicture::Message || which == TrayPicture::Dialing;
            const QSize design = small ? QSize(16, 16) : QSize(32, 32);
            icon("tray " + QByteArray::number(i), trayPicture(which), design);
            icon("dimmed tray " + QByteArray::number(i), trayPictureDimmed(which), design);
        }
        for (int i = 0; i <= int(Button::About); ++i)
            icon("button " + QByteArray::number(i), buttonIcon(Button(i)), {18, 16});
        for (int i = 0; i <= int(OptionsButton::Cancel); ++i)
            icon("options " + QByteArray::number(i), optionsButtonIcon(OptionsButton(i)), {32, 32});
        icon("window", windowIcon(), {32, 32});
        icon("send message window", sendMessageWindowIcon(), {32, 32});
        icon("received messages window", receivedMessagesWindowIcon(), {32, 32});
    }
    void sharpAtTheirLogicalSize() {
        QFETCH(QPixmap, pixmap);
        QFETCH(QSize, logical);
        QCOMPARE(pixmap.deviceIndependentSize(), QSizeF(logical));
        QCOMPARE(pixmap.size(), logical * 2);
        // A picture blown up from half the pixels (or an empty one) survives halving unchanged.
        const QImage image = argb(pixmap);
        QVERIFY(image != image.scaled(image.size() / 2).scaled(image.size()));
    }

    void statePicturesDifferFromEachOther() {
        QList<QImage> status;
        for (int i = 0; i < kStatusPictureCount; ++i)
            status.append(argb(statusPicture(StatusPicture(i))));
        expectAllDifferent(status, "status");
        // The tray pictures stay apart even at the smallest tray size; a blinking tray icon
        // shows its picture and the dimmed one in turn.
        for (int side : {16, 32}) {
            QList<QImage> tray;
            for (int i = 0; i < kTrayPictureCount; ++i) {
                tray.append(argb(trayPicture(TrayPicture(i)).pixmap(QSize(side, side), 1.0)));
                const QImage dimmed =
                    argb(trayPictureDimmed(TrayPicture(i)).pixmap(QSize(side, side), 1.0));
                expectAllDifferent({tray.constLast(), dimmed}, "tray and dimmed");
            }
            expectAllDifferent(tray, "tray");
        }
    }
};

QTEST_MAIN(TestArtwork)
#include "tst_artwork.moc"
