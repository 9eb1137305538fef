// render-pictures FOLDER: draws every picture the window shows, at each size it shows it, into FOLDER as
// PNG, with each area's drawing for the exported site as SVG and the program's icon as volmira.ico, and
// lists them in FOLDER/rendered.qrc under ":/rendered/". The build for a platform whose Qt has no SVG
// module (Windows) takes its pictures from there (areas/picturerendering_png.cpp).

#include "areas/areapictures.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>

#include <cstdio>
#include <vector>

namespace {

QString folder;
QStringList written;

bool write(const QString& name, const QByteArray& bytes)
{
    QFile file(folder + QLatin1Char('/') + name);
    if (bytes.isEmpty() || !file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.flush()) {
        std::fprintf(stderr, "render-pictures: cannot write '%s'\n", qPrintable(file.fileName()));
        return false;
    }
    written << name;
    return true;
}

QByteArray png(const QImage& image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (image.isNull() || !image.save(&buffer, "PNG"))
        return QByteArray();
    return bytes;
}

bool writePicture(const QString& name, const QPixmap& picture)
{
    return write(QStringLiteral("%1-%2x%3.png").arg(name).arg(picture.width()).arg(picture.height()),
                 png(picture.toImage()));
}

void appendLittleEndian(QByteArray& bytes, quint32 value, int size)
{
    for (int i = 0; i < size; ++i)
        bytes += char((value >> (8 * i)) & 0xFF);
}

// An icon file with one PNG image per size, as Windows reads them since Vista.
QByteArray iconFile(const QList<int>& sides)
{
    std::vector<QByteArray> images;
    for (int side : sides) {
        images.push_back(png(volmira::renderPicture(QStringLiteral(":/pictures/icon.svg"), QSize(side, side)).toImage()));
        if (images.back().isEmpty())
            return QByteArray();
    }
    QByteArray bytes;
    appendLittleEndian(bytes, 0, 2);
    appendLittleEndian(bytes, 1, 2);  // an icon
    appendLittleEndian(bytes, quint32(sides.size()), 2);
    quint32 offset = quint32(6 + 16 * sides.size());
    for (std::size_t i = 0; i < images.size(); ++i) {
        const int side = sides[qsizetype(i)];
        appendLittleEndian(bytes, side >= 256 ? 0 : quint32(side), 1);  // 0 stands for 256
        appendLittleEndian(bytes, side >= 256 ? 0 : quint32(side), 1);
        appendLittleEndian(bytes, 0, 2);  // no palette
        appendLittleEndian(bytes, 1, 2);  // planes
        appendLittleEndian(bytes, 32, 2);  // bits per pixel
        appendLittleEndian(bytes, quint32(images[i].size()), 4);
        appendLittleEndian(bytes, offset, 4);
        offset += quint32(images[i].size());
    }
    for (const QByteArray& image : images)
        bytes += image;
    return bytes;
}

}  // namespace

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "Usage: render-pictures FOLDER\n");
        return 2;
    }
    folder = QString::fromLocal8Bit(argv[1]);
    if (!QDir().mkpath(folder)) {
        std::fprintf(stderr, "render-pictures: cannot create '%s'\n", argv[1]);
        return 1;
    }
    bool ok = true;
    for (const volmira::FunctionalArea& area : volmira::functionalAreas()) {
        const QString code = QString::fromLatin1(area.code);
        ok = writePicture(code, volmira::areaPicture(area)) && ok;
        ok = write(QStringLiteral("drawing-%1.svg").arg(code), volmira::areaDrawingSvg(area)) && ok;
    }
    ok = writePicture(QStringLiteral("default"), volmira::defaultAreaPicture()) && ok;
    for (int side : volmira::programIconSides)
        ok = writePicture(QStringLiteral("icon"),
                          volmira::renderPicture(QStringLiteral(":/pictures/icon.svg"), QSize(side, side)))
             && ok;
    QByteArray qrc = "<!DOCTYPE RCC>\n<RCC version=\"1.0\">\n  <qresource prefix=\"/rendered\">\n";
    for (const QString& name : written)
        qrc += "    <file>" + name.toUtf8() + "</file>\n";
    qrc += "  </qresource>\n</RCC>\n";
    ok = write(QStringLiteral("rendered.qrc"), qrc) && ok;
    ok = write(QStringLiteral("volmira.ico"), iconFile({16, 24, 32, 48, 64, 256})) && ok;
    return ok ? 0 : 1;
}
