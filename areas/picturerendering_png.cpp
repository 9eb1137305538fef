#include "areas/areapictures.h"

#include <QFile>
#include <QFileInfo>

// Q_INIT_RESOURCE must be used outside any namespace.
static void registerRendered() { Q_INIT_RESOURCE(rendered); }

namespace volmira {

namespace {

// render-pictures writes each picture as NAME-WIDTHxHEIGHT.png and each area's drawing as
// drawing-CODE.svg into the resources under ":/rendered/".
void registerOnce()
{
    static const bool registered = (registerRendered(), true);
    Q_UNUSED(registered);
}

}  // namespace

QPixmap renderPicture(const QString& resource, const QSize& size)
{
    registerOnce();
    const QString name = QStringLiteral(":/rendered/%1-%2x%3.png")
                             .arg(QFileInfo(resource).completeBaseName())
                             .arg(size.width())
                             .arg(size.height());
    QPixmap picture;
    return QFile::exists(name) && picture.load(name) && picture.size() == size ? picture : QPixmap();
}

QByteArray areaDrawingSvg(const FunctionalArea& area)
{
    registerOnce();
    QFile file(QStringLiteral(":/rendered/drawing-%1.svg").arg(QLatin1String(area.code)));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace volmira
