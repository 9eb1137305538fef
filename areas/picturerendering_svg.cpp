#include "areas/areapictures.h"

#include "areas/pictureresources.h"

#include <QFile>
#include <QImage>
#include <QPainter>
#include <QRegularExpression>
#include <QSvgRenderer>

namespace volmira {

QPixmap renderPicture(const QString& resource, const QSize& size)
{
    static const bool picturesRegistered = (registerPictureResources(), true);
    Q_UNUSED(picturesRegistered);
    if (!QFile::exists(resource))
        return QPixmap();
    QSvgRenderer renderer(resource);
    if (!renderer.isValid())
        return QPixmap();
    QPixmap picture(size);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    renderer.render(&painter);
    return picture;
}

QByteArray areaDrawingSvg(const FunctionalArea& area)
{
    static const bool picturesRegistered = (registerPictureResources(), true);
    Q_UNUSED(picturesRegistered);
    QFile file(QStringLiteral(":/pictures/%1.svg").arg(QLatin1String(area.code)));
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    const QByteArray svg = file.readAll();
    QSvgRenderer renderer(svg);
    const QRectF box = renderer.viewBoxF();
    if (!renderer.isValid() || box.isEmpty())
        return svg;
    // The drawing's extent, found where a rendering of the whole view box is not transparent.
    constexpr int side = 512;
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        renderer.render(&painter, QRectF(0, 0, side, side));
    }
    QRect drawn;
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x)
            if (qAlpha(image.pixel(x, y)) > 0)
                drawn |= QRect(x, y, 1, 1);
    if (drawn.isEmpty())
        return svg;
    const QRectF drawing(box.x() + drawn.x() * box.width() / side, box.y() + drawn.y() * box.height() / side,
                         drawn.width() * box.width() / side, drawn.height() * box.height() / side);
    // The root element's size and view box become the drawing's, so the picture keeps the drawing's shape.
    QString text = QString::fromUtf8(svg);
    const QRegularExpressionMatch root = QRegularExpression(QStringLiteral("<svg[^>]*>")).match(text);
    if (!root.hasMatch())
        return svg;
    const auto number = [](qreal value) { return QString::number(value, 'f', 3); };
    QString element = root.captured();
    element.replace(QRegularExpression(QStringLiteral("\\bviewBox=\"[^\"]*\"")),
                    QStringLiteral("viewBox=\"%1 %2 %3 %4\"")
                        .arg(number(drawing.x()), number(drawing.y()), number(drawing.width()), number(drawing.height())));
    element.replace(QRegularExpression(QStringLiteral("\\bwidth=\"[^\"]*\"")),
                    QStringLiteral("width=\"%1\"").arg(number(drawing.width())));
    element.replace(QRegularExpression(QStringLiteral("\\bheight=\"[^\"]*\"")),
                    QStringLiteral("height=\"%1\"").arg(number(drawing.height())));
    text.replace(root.capturedStart(), root.capturedLength(), element);
    return text.toUtf8();
}

}  // namespace volmira
