// Writes every picture of the skin as PNG into the folder given on the
// command line (the build's "skin" target points it at skin/strips).
#include "skin/generator/SkinGenerator.h"

#include <QDir>
#include <QGuiApplication>
#include <cstdio>
#include <exception>

int main(int argc, char** argv) {
    // Always offscreen: the fonts must come out the same with or without a display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: vx_skin_generator OUTPUT_FOLDER\n");
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    if (!folder.mkpath(".")) {
        std::fprintf(stderr, "vx_skin_generator: cannot create %s\n", argv[1]);
        return 1;
    }
    try {
        for (const VxSkinPaint::TSkinPicture& picture : VxSkinPaint::GenerateSkin()) {
            const QString path = folder.filePath(picture.Name + ".png");
            if (!picture.Image.save(path, "PNG")) {
                std::fprintf(stderr, "vx_skin_generator: cannot write %s\n", qPrintable(path));
                return 1;
            }
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "vx_skin_generator: %s\n", e.what());
        return 1;
    }
    return 0;
}
