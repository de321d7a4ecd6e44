// zav-render-icons: writes the program's icon, drawn by its own artwork code, as PNG files laid
// out like an icon theme: OUTPUT_DIR/<size>x<size>/apps/zav-remote.png; with --ahead, the
// pictures of the start-up at the scales 1 and 2, each scale's pixels in one file
// (OUTPUT_DIR/ahead-100.argb, ahead-200.argb), which the executable carries so that its start-up
// need not paint them. Runs at build time without a display.
#include "ui/main/artwork.h"
#include "ui/main/artwork_kit.h"

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QSaveFile>

#include <cstdio>

namespace {

// The icon at exactly `size` x `size` pixels.
QImage renderIcon(int size) {
    return artwork::windowIcon().pixmap(QSize(size, size), 1.0).toImage();
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 3) {
        std::fprintf(stderr, "usage: zav-render-icons OUTPUT_DIR SIZE... | --ahead OUTPUT_DIR\n");
        return 2;
    }
    if (args.size() == 3 && args.at(1) == QLatin1String("--ahead")) {
        const QDir out(args.at(2));
        for (const int scale : {1, 2}) {
            QByteArray pixels;
            for (const artwork::PictureAhead& picture : artwork::picturesRenderedAhead()) {
                const QImage image = artwork::renderDrawing(picture.drawing, picture.logical,
                                                            picture.logical * scale);
                pixels.append(reinterpret_cast<const char*>(image.constBits()),
                              image.sizeInBytes());
            }
            QSaveFile file(out.filePath(QStringLiteral("ahead-%1.argb").arg(scale * 100)));
            if (!out.mkpath(QStringLiteral(".")) || !file.open(QIODevice::WriteOnly) ||
                file.write(pixels) != pixels.size() || !file.commit()) {
                std::fprintf(stderr, "zav-render-icons: cannot write %s\n",
                             file.fileName().toLocal8Bit().constData());
                return 1;
            }
        }
        return 0;
    }
    const QDir out(args.at(1));
    for (qsizetype i = 2; i < args.size(); ++i) {
        bool ok = false;
        const int size = args.at(i).toInt(&ok);
        if (!ok || size < 8 || size > 1024) {
            std::fprintf(stderr, "zav-render-icons: '%s' is no icon size\n",
                         args.at(i).toLocal8Bit().constData());
            return 2;
        }
        const QString folder = QStringLiteral("%1x%1/apps").arg(size);
        const QString file = out.filePath(folder + QStringLiteral("/zav-remote.png"));
        const QImage image = renderIcon(size);
        if (image.size() != QSize(size, size) || !out.mkpath(folder) || !image.save(file, "PNG")) {
            std::fprintf(stderr, "zav-render-icons: cannot write %s\n",
                         file.toLocal8Bit().constData());
            return 1;
        }
    }
    return 0;
}
