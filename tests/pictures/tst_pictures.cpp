#include "areas/areapictures.h"
#include "areas/pictureresources.h"

#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <QTest>

namespace {

struct Picture {
    const char* name;
    int width, height;
};

// The size at which each picture is shown on its area button.
constexpr Picture pictures[] = {
    {"acct", 40, 29}, {"bill", 48, 48}, {"case", 32, 32}, {"clcl", 32, 32},    {"coco", 45, 28},
    {"crcr", 32, 32}, {"ctct", 28, 27}, {"cust", 25, 30}, {"etav", 32, 32},    {"fawf", 30, 30},
    {"thdv", 40, 29}, {"thpr", 45, 31}, {"itsc", 32, 32}, {"itsp", 32, 32},    {"mcar", 37, 37},
    {"mesb", 37, 33}, {"obxp", 47, 30}, {"plan", 36, 40}, {"prov", 45, 34},    {"syst", 32, 32},
    {"temp", 40, 40}, {"txtx", 40, 40}, {"util", 45, 45}, {"default", 74, 63}, {"icon", 16, 16},
};

// The part of the picture that is drawn: the smallest rectangle holding every pixel that is not
// wholly transparent. A large picture keeps an empty margin, which its area button does not show.
QRect drawingRect(const QImage& image)
{
    QRect drawing;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) > 0)
                drawing |= QRect(x, y, 1, 1);
    return drawing;
}

// Share of the drawing's pixels that are not background.
double inkShare(const QImage& image, const QRect& drawing)
{
    int ink = 0;
    for (int y = drawing.top(); y <= drawing.bottom(); ++y)
        for (int x = drawing.left(); x <= drawing.right(); ++x)
            ink += qAlpha(image.pixel(x, y)) > 128;
    return double(ink) / (drawing.width() * drawing.height());
}

}  // namespace

class PicturesTest final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { volmira::registerPictureResources(); }

    void everyPictureRendersAtItsSizeAndShape_data()
    {
        QTest::addColumn<QString>("resource");
        QTest::addColumn<QSize>("size");
        for (const Picture& p : pictures)
            QTest::newRow(p.name) << QStringLiteral(":/pictures/%1.svg").arg(QLatin1String(p.name))
                                  << QSize(p.width, p.height);
    }

    void everyPictureRendersAtItsSizeAndShape()
    {
        QFETCH(QString, resource);
        QFETCH(QSize, size);
        QVERIFY2(QFile::exists(resource), qPrintable(resource));
        QSvgRenderer renderer(resource);
        QVERIFY(renderer.isValid());
        // Drawn for its own shape, so that it is not distorted when rendered at its size.
        const QRectF box = renderer.viewBoxF();
        QVERIFY(!box.isEmpty());
        QCOMPARE(qRound(box.width() * size.height()), qRound(box.height() * size.width()));

        QImage image(size, QImage::Format_ARGB32);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        renderer.render(&painter);
        painter.end();
        // A legible drawing spans a fair part of the picture and fills a fair part of its own box.
        const QRect drawing = drawingRect(image);
        QVERIFY(drawing.width() * 2 >= size.width() || drawing.height() * 2 >= size.height());
        const double share = inkShare(image, drawing);
        QVERIFY2(share > 0.2, qPrintable(QString::number(share)));
    }

    // Without its margin, each area's drawing fills a box of one size along its longer side.
    void everyAreaDrawingFillsItsPictureWithoutMargin()
    {
        for (const volmira::FunctionalArea& area : volmira::functionalAreas()) {
            QSvgRenderer renderer(volmira::areaDrawingSvg(area));
            QVERIFY2(renderer.isValid(), area.code);
            const QSize size = renderer.defaultSize().scaled(48, 48, Qt::KeepAspectRatio);
            QImage image(size, QImage::Format_ARGB32);
            image.fill(Qt::transparent);
            QPainter painter(&image);
            renderer.render(&painter);
            painter.end();
            const QSize drawn = drawingRect(image).size();
            QVERIFY2(std::abs(drawn.width() - size.width()) <= 2 && std::abs(drawn.height() - size.height()) <= 2,
                     qPrintable(QStringLiteral("%1: %2x%3 of %4x%5").arg(QLatin1String(area.code)).arg(drawn.width())
                                    .arg(drawn.height()).arg(size.width()).arg(size.height())));
        }
    }
};

QTEST_MAIN(PicturesTest)
#include "tst_pictures.moc"
