// The subtitle line's painting: the letters become outlines, so that the outline can be stroked
// around them before they are filled.
#include "player/subtitle_label.h"

#include <QFontMetricsF>
#include <QGlyphRun>
#include <QHash>
#include <QPainter>
#include <QRawFont>
#include <QTextLayout>
#include <algorithm>

namespace {

constexpr qreal kSideMargin = 8;
constexpr qreal kBandPadding = 6;
const QColor kShadowColor(0, 0, 0, 170);
const QColor kBandColor(0, 0, 0, 170);
// The second file's letters in proportion to the first's.
constexpr qreal kSecondScale = 0.8;
constexpr qreal kSecondGap = 4;

QTextCharFormat formatOf(const TextStyle& style) {
    QTextCharFormat format;
    if (style.italic)
        format.setFontItalic(true);
    if (style.bold)
        format.setFontWeight(QFont::Bold);
    if (style.underline)
        format.setFontUnderline(true);
    return format;
}

// The outlines of the glyphs lately drawn: reading one from its font runs the font's hinting
// program each time, the most costly part of showing a line. Painting is on one thread only.
class GlyphCache {
public:
    QPainterPath path(const QRawFont& font, quint32 glyph) {
        const Key key{font.familyName(), font.styleName(),  font.pixelSize(),
                      font.weight(),     int(font.style()), glyph};
        if (const auto found = m_paths.constFind(key); found != m_paths.constEnd())
            return *found;
        // Bounded: a few screens of text in a few fonts.
        if (m_paths.size() >= kMaxGlyphs)
            m_paths.clear();
        return *m_paths.insert(key, font.pathForGlyph(glyph));
    }

private:
    static constexpr qsizetype kMaxGlyphs = 4096;
    struct Key {
        QString family;
        QString style;
        qreal pixelSize;
        int weight;
        int slant;
        quint32 glyph;
        friend bool operator==(const Key&, const Key&) = default;
        friend size_t qHash(const Key& k, size_t seed) {
            return qHashMulti(seed, k.family, k.style, k.pixelSize, k.weight, k.slant, k.glyph);
        }
    };
    QHash<Key, QPainterPath> m_paths;
};

GlyphCache& glyphCache() {
    static GlyphCache cache;
    return cache;
}

void addGlyphs(QPainterPath& path, const QGlyphRun& run) {
    const QRawFont font = run.rawFont();
    const QList<quint32> glyphs = run.glyphIndexes();
    const QList<QPointF> positions = run.positions();
    for (qsizetype i = 0; i < glyphs.size() && i < positions.size(); ++i)
        path.addPath(glyphCache().path(font, glyphs[i]).translated(positions[i]));
    if (run.underline() && !positions.isEmpty()) {
        const QRectF box = run.boundingRect();
        const qreal thickness = std::max<qreal>(1, font.lineThickness());
        path.addRect(
            QRectF(box.left(), positions.front().y() + font.underlinePosition(), box.width(), thickness));
    }
}

} // namespace

SubtitleLabel::SubtitleLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {
    m_look.font = font();
}

void SubtitleLabel::setLook(const TextLook& look) {
    m_look = look;
    setFont(look.font);
    // The text colour is also the palette's, for whatever reads it from there.
    QPalette p = palette();
    p.setColor(QPalette::WindowText, look.color);
    setPalette(p);
    m_dirty = true;
    update();
}

void SubtitleLabel::setSecondText(const QString& text) {
    if (text == m_secondText)
        return;
    m_secondText = text;
    update();
}

QFont SubtitleLabel::secondFont() const {
    QFont f = m_look.font;
    if (f.pixelSize() > 0)
        f.setPixelSize(std::max(1, qRound(f.pixelSize() * kSecondScale)));
    else
        f.setPointSizeF(std::max<qreal>(1, f.pointSizeF() * kSecondScale));
    return f;
}

qreal SubtitleLabel::layOut(const QList<StyledLine>& lines, const QFont& font, const QColor& color,
                            qreal top) {
    const qreal width = std::max<qreal>(1, this->width() - 2 * kSideMargin);
    for (const StyledLine& line : lines) {
        if (line.isEmpty()) {
            top += QFontMetricsF(font).lineSpacing();
            continue;
        }
        QString plain;
        QList<QTextLayout::FormatRange> ranges;
        for (const StyledRun& run : line) {
            ranges.append({int(plain.size()), int(run.text.size()), formatOf(run.style)});
            plain += run.text;
        }
        QTextLayout layout(plain, font);
        layout.setFormats(ranges);
        QTextOption option(Qt::AlignHCenter);
        option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        layout.setTextOption(option);
        layout.beginLayout();
        for (QTextLine row = layout.createLine(); row.isValid(); row = layout.createLine()) {
            row.setLineWidth(width);
            row.setPosition(QPointF(kSideMargin, top));
            top += row.height();
            if (m_look.band)
                m_bands.push_back(row.naturalTextRect().adjusted(-kBandPadding, 0, kBandPadding, 0));
        }
        layout.endLayout();
        for (qsizetype r = 0; r < line.size(); ++r) {
            Piece piece{QPainterPath(), line[r].style.color ? QColor::fromRgb(*line[r].style.color) : color};
            piece.path.setFillRule(Qt::WindingFill);
            for (const QGlyphRun& run : layout.glyphRuns(ranges[r].start, ranges[r].length))
                addGlyphs(piece.path, run);
            m_pieces.push_back(std::move(piece));
        }
    }
    return top;
}

void SubtitleLabel::prepare() {
    if (!m_dirty && m_preparedText == text() && m_preparedSecond == m_secondText &&
        m_preparedWidth == width())
        return;
    m_pieces.clear();
    m_bands.clear();
    // Room above the first line for the outline and the band.
    const qreal top = m_look.band ? kBandPadding : m_look.outlineWidth;
    const qreal next = layOut(parseStyledText(text()), m_look.font, m_look.color, top);
    if (!m_secondText.isEmpty())
        layOut(parseStyledText(m_secondText), secondFont(), m_look.secondColor, next + kSecondGap);
    m_preparedText = text();
    m_preparedSecond = m_secondText;
    m_preparedWidth = width();
    m_dirty = false;
}

void SubtitleLabel::setBlank(bool blank) {
    if (blank == m_blank)
        return;
    m_blank = blank;
    update();
}

void SubtitleLabel::paintEvent(QPaintEvent*) {
    if (m_blank)
        return;
    prepare();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    for (const QRectF& band : m_bands)
        painter.fillRect(band, kBandColor);
    const qreal outline = m_look.outlineWidth;
    if (m_look.shadow) {
        const qreal offset = std::max<qreal>(2, outline + 1);
        painter.save();
        painter.translate(offset, offset);
        const QPen pen(kShadowColor, 2 * outline, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
        for (const Piece& piece : m_pieces) {
            if (outline > 0)
                painter.strokePath(piece.path, pen);
            painter.fillPath(piece.path, kShadowColor);
        }
        painter.restore();
    }
    // Every outline before any letter: a wide outline must not cover the letters beside it.
    if (outline > 0) {
        const QPen pen(m_look.outlineColor, 2 * outline, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
        for (const Piece& piece : m_pieces)
            painter.strokePath(piece.path, pen);
    }
    for (const Piece& piece : m_pieces)
        painter.fillPath(piece.path, piece.color);
}
