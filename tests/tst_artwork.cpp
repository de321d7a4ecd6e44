// The splash pictures the build renders for the executable.
#include "ui/main/artwork.h"
#include "ui/main/artwork_kit.h"

#include <QImage>
#include <QTest>

class TestArtwork : public QObject {
    Q_OBJECT

private slots:
    // They are the painted picture at both scales; here none is installed, so it is painted.
    void builtSplashIsThePaintedOne() {
        for (int scale : {1, 2}) {
            const QImage built(QStringLiteral(ZAV_SPLASH_DIR "/splash-%1.png").arg(scale * 100));
            QCOMPARE(built.convertToFormat(QImage::Format_ARGB32),
                     artwork::renderSplashArt(QSize(470, 200) * scale)
                         .convertToFormat(QImage::Format_ARGB32));
            QVERIFY(!QFile::exists(artwork::prerenderedSplashPath(scale * 100)));
        }
    }
};

QTEST_MAIN(TestArtwork)
#include "tst_artwork.moc"
