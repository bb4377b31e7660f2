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
#include <memory>
#include <optional>

namespace {

QString drawingPath(const QString& name) {
    return QStringLiteral(":/ribbon/icons/%1.svg").arg(name);
}

// Renders the drawing at exactly the pixels asked for, so that a screen at twice the density gets
// twice the detail rather than a stretched picture. The disabled look is the style's, as for any
// other image.
class SvgIconEngine : public QIconEngine {
public:
    // The file is parsed when first drawn: most of the ribbon's images are on tabs not yet shown.
    explicit SvgIconEngine(const QString& path) : m_path(path) {}

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State) override {
        const quint64 key = (quint64(size.width()) << 34) | (quint64(size.height()) << 4) | quint64(mode);
        if (const auto cached = m_cache.constFind(key); cached != m_cache.constEnd())
            return *cached;
        QPixmap pm(size);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        renderer().render(&p, QRectF(QPointF(), QSizeF(size)));
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
    bool isNull() override { return !renderer().isValid(); }

private:
    QSvgRenderer& renderer() {
        if (!m_renderer)
            m_renderer = std::make_unique<QSvgRenderer>(m_path);
        return *m_renderer;
    }

    QString m_path;
    std::unique_ptr<QSvgRenderer> m_renderer;
    QHash<quint64, QPixmap> m_cache;
};

QIcon drawing(const QString& name) {
    const QString path = drawingPath(name);
    return QFile::exists(path) ? QIcon(new SvgIconEngine(path)) : QIcon();
}

// The theme's image or our drawing, settled when the icon is first shown or measured: a theme
// look-up and an SVG parse for each of the ribbon's images cost start-up more than drawing the few
// on the first tab. The choice is the one QIcon::fromTheme(name, drawing) would make.
class CommandIconEngine : public QIconEngine {
public:
    explicit CommandIconEngine(const QString& themeName) : m_name(themeName) {}

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return icon().pixmap(size, 1.0, mode, state);
    }
    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override {
        icon().paint(painter, rect, Qt::AlignCenter, mode, state);
    }
    QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return icon().actualSize(size, mode, state);
    }
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override {
        return icon().availableSizes(mode, state);
    }
    QString iconName() override { return m_name; }
    // Only made for names we have a drawing of, so never empty, and that needs no look-up.
    bool isNull() override { return false; }
    QIconEngine* clone() const override { return new CommandIconEngine(m_name); }
    QString key() const override { return QStringLiteral("velmora-command"); }

    // Device pixels asked for at a scale: the chosen icon picks its own best image for them.
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state, qreal scale) override {
        return icon().pixmap((QSizeF(size) / scale).toSize(), scale, mode, state);
    }
    void virtual_hook(int id, void* data) override {
        if (id == QIconEngine::ScaledPixmapHook) {
            auto* arg = static_cast<QIconEngine::ScaledPixmapArgument*>(data);
            arg->pixmap = scaledPixmap(arg->size, arg->mode, arg->state, arg->scale);
            return;
        }
        QIconEngine::virtual_hook(id, data);
    }

private:
    const QIcon& icon() {
        if (!m_icon)
            m_icon = QIcon::fromTheme(m_name, drawing(m_name));
        return *m_icon;
    }

    QString m_name;
    std::optional<QIcon> m_icon;
};

} // namespace

QIcon commandIcon(const QString& themeName) {
    if (!QFile::exists(drawingPath(themeName)))
        return QIcon::fromTheme(themeName);
    return QIcon(new CommandIconEngine(themeName));
}

bool hasOwnDrawing(const QString& themeName) {
    return !drawing(themeName).isNull();
}

QIcon applicationButtonIcon() {
    return drawing(QStringLiteral("velmora-application"));
}

QIcon programIcon() {
    return QIcon(new SvgIconEngine(QStringLiteral(":/velmora/velmora.svg")));
}
