// The drawn pictures: their sizes, their sharpness on a doubled screen, and that the pictures
// which tell states apart really differ.
#include "ui/main/artwork.h"

#include <QGuiApplication>
#include <QImage>
#include <QTest>

#include <functional>

// The whole test runs on a screen scaled by two, as on a HiDPI monitor.
static void useDoubledScreen() {
    qputenv("QT_SCALE_FACTOR", "2");
}
Q_CONSTRUCTOR_FUNCTION(useDoubledScreen)

namespace {

QImage argb(const QPixmap& pixmap) {
    return pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
}

int visiblePixels(const QImage& image) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += qAlpha(image.pixel(x, y)) > 0 ? 1 : 0;
    return n;
}

// A picture blown up from half the pixels has every aligned 2 x 2 block of one colour.
bool hasFullResolutionDetail(const QImage& image) {
    int detailed = 0;
    for (int y = 0; y + 1 < image.height(); y += 2)
        for (int x = 0; x + 1 < image.width(); x += 2) {
            const QRgb c = image.pixel(x, y);
            if (image.pixel(x + 1, y) != c || image.pixel(x, y + 1) != c ||
                image.pixel(x + 1, y + 1) != c)
                ++detailed;
        }
    return detailed > 0;
}

// The share of pixels (0..1) that differ clearly between two images of one size.
double differingShare(const QImage& a, const QImage& b) {
    int differing = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            const int d = qAbs(qRed(p) - qRed(q)) + qAbs(qGreen(p) - qGreen(q)) +
                          qAbs(qBlue(p) - qBlue(q)) + qAbs(qAlpha(p) - qAlpha(q));
            differing += d > 60 ? 1 : 0;
        }
    return double(differing) / (a.width() * a.height());
}

struct NamedIcon {
    QByteArray name;
    QIcon icon;
    QSize design;
};

QList<NamedIcon> allIcons() {
    using namespace artwork;
    QList<NamedIcon> icons;
    for (int i = 0; i < kTrayPictureCount; ++i) {
        const auto which = TrayPicture(i);
        const QSize design =
            (which == TrayPicture::ServerRunning ||
             which == TrayPicture::Message || which == TrayPicture::Dialing)
                ? QSize(16, 16)
                : QSize(32, 32);
        icons.append({"tray " + QByteArray::number(i), trayPicture(which), design});
        icons.append({"dimmed tray " + QByteArray::number(i), trayPictureDimmed(which), design});
    }
    for (int i = 0; i <= int(Button::About); ++i)
        icons.append({"button " + QByteArray::number(i), buttonIcon(Button(i)), {18, 16}});
    for (int i = 0; i <= int(OptionsButton::Cancel); ++i)
        icons.append({"options button " + QByteArray::number(i),
                      optionsButtonIcon(OptionsButton(i)),
                      {32, 32}});
    icons.append({"window", windowIcon(), {32, 32}});
    icons.append({"send message window", sendMessageWindowIcon(), {32, 32}});
    icons.append({"received messages window", receivedMessagesWindowIcon(), {32, 32}});
    return icons;
}

} // namespace

class TestArtwork : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QCOMPARE(qGuiApp->devicePixelRatio(), 2.0); }

    void pixmapsAreSharpAtTheirLogicalSize_data() {
        using namespace artwork;
        QTest::addColumn<QPixmap>("pixmap");
        QTest::addColumn<QSize>("logical");
        for (int i = 0; i < kStatusPictureCount; ++i)
            QTest::addRow("status %d", i) << statusPicture(StatusPicture(i)) << QSize(32, 32);
        QTest::newRow("small logo") << smallLogo() << QSize(32, 9);
        QTest::newRow("splash") << splashPicture() << QSize(470, 200);
        QTest::newRow("about") << aboutPicture() << QSize(470, 230);
        QTest::newRow("send button") << sendButtonPicture() << QSize(38, 16);
        QTest::newRow("attribution") << attributionPicture() << QSize(60, 9);
    }
    void pixmapsAreSharpAtTheirLogicalSize() {
        QFETCH(QPixmap, pixmap);
        QFETCH(QSize, logical);
        QVERIFY(!pixmap.isNull());
        QCOMPARE(pixmap.deviceIndependentSize(), QSizeF(logical));
        QCOMPARE(pixmap.devicePixelRatio(), 2.0);
        QCOMPARE(pixmap.size(), logical * 2);
        const QImage image = argb(pixmap);
        QVERIFY(visiblePixels(image) > image.width() * image.height() / 10);
        QVERIFY(hasFullResolutionDetail(image));
    }

    void iconsScaleFromTheirDesignSize_data() {
        QTest::addColumn<QIcon>("icon");
        QTest::addColumn<QSize>("design");
        for (const NamedIcon& i : allIcons())
            QTest::newRow(i.name.constData()) << i.icon << i.design;
    }
    void iconsScaleFromTheirDesignSize() {
        QFETCH(QIcon, icon);
        QFETCH(QSize, design);
        QVERIFY(!icon.isNull());
        QCOMPARE(icon.actualSize(design), design);

        const QPixmap single = icon.pixmap(design, 1.0);
        QCOMPARE(single.size(), design);
        QCOMPARE(single.deviceIndependentSize(), QSizeF(design));
        QVERIFY(visiblePixels(argb(single)) > 0);

        const QPixmap doubled = icon.pixmap(design, 2.0);
        QCOMPARE(doubled.size(), design * 2);
        QCOMPARE(doubled.devicePixelRatio(), 2.0);
        QCOMPARE(doubled.deviceIndependentSize(), QSizeF(design));
        QVERIFY(hasFullResolutionDetail(argb(doubled)));

        // Any tray or panel size is painted afresh, keeping the proportions.
        for (int side : {16, 22, 64}) {
            const QPixmap p = icon.pixmap(QSize(side, side), 1.0);
            QCOMPARE(qMax(p.width(), p.height()), side);
            QVERIFY(visiblePixels(argb(p)) > 0);
        }

        // Disabled, the picture is grey.
        const QImage disabled = argb(icon.pixmap(design, 1.0, QIcon::Disabled));
        for (int y = 0; y < disabled.height(); ++y)
            for (int x = 0; x < disabled.width(); ++x) {
                const QRgb c = disabled.pixel(x, y);
                QVERIFY(qAbs(qRed(c) - qGreen(c)) <= 1 && qAbs(qGreen(c) - qBlue(c)) <= 1);
            }
    }

    void statePicturesDifferFromEachOther() {
        using namespace artwork;
        QList<QImage> status;
        for (int i = 0; i < kStatusPictureCount; ++i)
            status.append(argb(statusPicture(StatusPicture(i))));
        for (int a = 0; a < status.size(); ++a)
            for (int b = a + 1; b < status.size(); ++b)
                QVERIFY2(differingShare(status[a], status[b]) > 0.03,
                         qPrintable(QStringLiteral("status %1 and %2").arg(a).arg(b)));

        // The tray pictures must stay apart even at the smallest tray size.
        for (int side : {16, 32}) {
            QList<QImage> tray;
            for (int i = 0; i < kTrayPictureCount; ++i)
                tray.append(argb(trayPicture(TrayPicture(i)).pixmap(QSize(side, side), 1.0)));
            for (int a = 0; a < tray.size(); ++a)
                for (int b = a + 1; b < tray.size(); ++b)
                    QVERIFY2(
                        differingShare(tray[a], tray[b]) > 0.03,
                        qPrintable(QStringLiteral("tray %1 and %2 at %3").arg(a).arg(b).arg(side)));
        }
    }

    void dimmedTrayPictureIsTheSamePictureFaded() {
        using namespace artwork;
        for (int i = 0; i < kTrayPictureCount; ++i) {
            const QImage full = argb(trayPicture(TrayPicture(i)).pixmap(QSize(32, 32), 1.0));
            const QImage dim = argb(trayPictureDimmed(TrayPicture(i)).pixmap(QSize(32, 32), 1.0));
            int strongest = 0;
            for (int y = 0; y < 32; ++y)
                for (int x = 0; x < 32; ++x) {
                    const int a = qAlpha(full.pixel(x, y)), d = qAlpha(dim.pixel(x, y));
                    if (a >= 8) // the faint edge of a stroke may fade away entirely
                        QVERIFY(d > 0);
                    QVERIFY(d <= a / 2 + 1);
                    strongest = qMax(strongest, d);
                }
            QVERIFY(strongest > 40);
        }
    }
};

QTEST_MAIN(TestArtwork)
#include "tst_artwork.moc"
