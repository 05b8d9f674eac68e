// Writes a PNG of the whole X screen, in the screen's own pixels: lichtpult-grab FILE.png
// (the display is $DISPLAY).

#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FILE.png\n", argv[0]);
        return 2;
    }
    // The program under test may run scaled; the picture is not.
    qunsetenv("QT_SCALE_FACTOR");
    qputenv("QT_QPA_PLATFORM", "xcb");
    QGuiApplication application(argc, argv);
    const QPixmap shot = QGuiApplication::primaryScreen()->grabWindow(0);
    if (shot.isNull() || !shot.save(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "could not write %s\n", argv[1]);
        return 1;
    }
    std::printf("wrote %s (%dx%d)\n", argv[1], shot.width(), shot.height());
    return 0;
}
