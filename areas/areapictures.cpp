#include "areas/areapictures.h"

namespace volmira {

QPixmap areaPicture(const FunctionalArea& area)
{
    return renderPicture(QStringLiteral(":/pictures/%1.svg").arg(QLatin1String(area.code)), area.pictureSize);
}

QPixmap defaultAreaPicture() { return renderPicture(QStringLiteral(":/pictures/default.svg"), defaultPictureSize); }

QIcon programIcon()
{
    QIcon icon;
    for (int side : programIconSides) {
        const QPixmap picture = renderPicture(QStringLiteral(":/pictures/icon.svg"), QSize(side, side));
        if (!picture.isNull())
            icon.addPixmap(picture);
    }
    return icon;
}

}  // namespace volmira
