// Ribbon images: the desktop icon theme's when it has one, else our own SVG drawing of it
// (app/ribbon/icons/<theme name>.svg), so that every large button shows a full-size image even on a
// desktop without an icon theme.
#include "app/ribbon/ribbon_icons.h"

#include <QApplication>
#include <QFile>
#include <QHash>
#include <QIconEngine>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>
#include <QSvgRenderer>

namespace {

QString drawingPath(const QString& name) {
    return QStringLiteral(":/ribbon/icons/%1.svg").arg(name);
}

// Renders the drawing at exactly the pixels asked for, so that a screen at twice the density gets
// twice the detail rather than a stretched picture. The disabled look is the style's, as for any
// other image.
class SvgIconEngine : public QIconEngine {
public:
    explicit SvgIconEngine(const QString& path) : m_path(path), m_renderer(path) {}

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State) override {
        const quint64 key = (quint64(size.width()) << 34) | (quint64(size.height()) << 4) | quint64(mode);
        if (const auto cached = m_cache.constFind(key); cached != m_cache.constEnd())
            return *cached;
        QPixmap pm(size);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        m_renderer.render(&p, QRectF(QPointF(), QSizeF(size)));
        p.end();
        if (mode == QIcon::Disabled && qobject_cast<QApplication*>(QCoreApplication::instance())) {
            QStyleOption option;
            option.palette = QApplication::palette();
            pm = QApplication::style()->generatedIconPixmap(mode, pm, &option);
        }
        m_cache.insert(key, pm);
        return pm;
    }

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override {
        const qreal ratio = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
        QPixmap pm = pixmap((QSizeF(rect.size()) * ratio).toSize(), mode, state);
        pm.setDevicePixelRatio(ratio);
        painter->drawPixmap(rect, pm);
    }

    QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override { return size; }
    QIconEngine* clone() const override { return new SvgIconEngine(m_path); }
    QString key() const override { return QStringLiteral("velmora-svg"); }
    bool isNull() override { return !m_renderer.isValid(); }

private:
    QString m_path;
    QSvgRenderer m_renderer;
    QHash<quint64, QPixmap> m_cache;
};

QIcon drawing(const QString& name) {
    const QString path = drawingPath(name);
    return QFile::exists(path) ? QIcon(new SvgIconEngine(path)) : QIcon();
}

} // namespace

QIcon commandIcon(const QString& themeName) {
    return QIcon::fromTheme(themeName, drawing(themeName));
}

bool hasOwnDrawing(const QString& themeName) {
    return !drawing(themeName).isNull();
}

QIcon applicationButtonIcon() {
    return drawing(QStringLiteral("velmora-application"));
}
