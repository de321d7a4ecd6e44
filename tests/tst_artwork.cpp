// The pictures the build renders ahead for the executable.
#include "ui/main/artwork_kit.h"

#include <QImage>
#include <QTest>

using namespace artwork;

class TestArtwork : public QObject {
    Q_OBJECT

private slots:
    // As the program takes them from its resources, they are the pictures it paints, at both
    // scales.
    void picturesRenderedAheadAreThePaintedOnes() {
        for (const int scale : {1, 2}) {
            for (const PictureAhead& picture : picturesRenderedAhead()) {
                const QImage ahead = pictureAhead(picture.name, scale * 100);
                QVERIFY2(!ahead.isNull(), qPrintable(picture.name));
                QCOMPARE(ahead,
                         renderDrawing(picture.drawing, picture.logical, picture.logical * scale));
            }
        }
    }
};

QTEST_MAIN(TestArtwork)
#include "tst_artwork.moc"
