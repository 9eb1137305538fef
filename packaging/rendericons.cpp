// render-icons PICTURE.svg NAME FOLDER SIZE...: draws the program's picture into FOLDER/SIZExSIZE/apps/NAME.png
// for each size, the hicolor theme's layout, so the menu's icons are the window's own picture.

#include <QDir>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <cstdio>

int main(int argc, char* argv[])
{
    if (argc < 5) {
        std::fprintf(stderr, "Usage: render-icons PICTURE.svg NAME FOLDER SIZE...\n");
        return 2;
    }
    QSvgRenderer renderer(QString::fromLocal8Bit(argv[1]));
    if (!renderer.isValid()) {
        std::fprintf(stderr, "render-icons: cannot read the picture '%s'\n", argv[1]);
        return 1;
    }
    for (int i = 4; i < argc; ++i) {
        const int side = QString::fromLatin1(argv[i]).toInt();
        if (side <= 0 || side > 1024) {
            std::fprintf(stderr, "render-icons: not a size: '%s'\n", argv[i]);
            return 2;
        }
        QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        renderer.render(&painter);
        painter.end();
        const QString folder = QStringLiteral("%1/%2x%2/apps").arg(QString::fromLocal8Bit(argv[3])).arg(side);
        const QString file = QStringLiteral("%1/%2.png").arg(folder, QString::fromLocal8Bit(argv[2]));
        if (!QDir().mkpath(folder) || !image.save(file, "PNG")) {
            std::fprintf(stderr, "render-icons: cannot write '%s'\n", qPrintable(file));
            return 1;
        }
    }
    return 0;
}
