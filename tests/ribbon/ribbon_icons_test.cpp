// The ribbon's images and the window's, made when first shown: at any density, the drawing's own
// pixels at the size asked.
#include "app/ribbon/ribbon_icons.h"

#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>
#include <gtest/gtest.h>

namespace {

QImage rendered(const QString& path, QSize pixels) {
    QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    QSvgRenderer(path).render(&p, QRectF(QPointF(), QSizeF(pixels)));
    return image;
}

TEST(RibbonIcons, AnImageIsItsDrawingAtTheSizeAndDensityAsked) {
    // The names are our own, so that no desktop theme answers for them.
    const struct {
        const char* name;
        QSize logical;
        qreal ratio;
    } cases[] = {
        {"velmora-translation-services", {18, 18}, 1.25}, {"velmora-translation-services", {32, 32}, 1.25},
        {"velmora-translation-services", {32, 32}, 1.0},  {"velmora-glossary-import", {32, 32}, 2.0},
        {"velmora-glossary-import", {18, 18}, 1.0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.name << ' ' << c.logical.width() << " at " << c.ratio);
        const QString name = QString::fromLatin1(c.name);
        const QIcon icon = commandIcon(name);
        ASSERT_FALSE(icon.isNull());
        const QPixmap pixmap = icon.pixmap(c.logical, c.ratio);
        const QSize pixels = (QSizeF(c.logical) * c.ratio).toSize();
        ASSERT_EQ(pixmap.size(), pixels);
        EXPECT_EQ(pixmap.devicePixelRatio(), c.ratio);
        EXPECT_EQ(pixmap.toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied),
                  rendered(QStringLiteral(":/ribbon/icons/%1.svg").arg(name), pixels));
    }
}

TEST(RibbonIcons, TheProgramIconIsOurOwnDrawing) {
    const QIcon icon = programIcon();
    ASSERT_FALSE(icon.isNull());
    for (int side : {16, 64}) {
        const QImage image = icon.pixmap(QSize(side, side), 1.0).toImage();
        EXPECT_EQ(image.convertToFormat(QImage::Format_ARGB32_Premultiplied),
                  rendered(QStringLiteral(":/velmora/velmora.svg"), QSize(side, side)))
            << side;
    }
}

} // namespace
