// Ribbon images: the desktop icon theme's when it has one, else a small flat set drawn here, so
// that every large button shows a full-size image even on a desktop without an icon theme.
#include "app/ribbon/ribbon_icons.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QtMath>
#include <functional>

namespace {

using Draw = void (*)(QPainter&);

const QColor kInk(0x3c, 0x46, 0x50);
const QColor kPaper(0xff, 0xff, 0xff);
const QColor kLine(0x9a, 0xa5, 0xb1);
const QColor kBlue(0x2f, 0x6f, 0xbd);
const QColor kLightBlue(0xcf, 0xe3, 0xf7);
const QColor kGreen(0x2e, 0x9a, 0x4a);
const QColor kRed(0xd0, 0x39, 0x2b);
const QColor kOrange(0xe0, 0x8a, 0x1e);
const QColor kFolder(0xf2, 0xb8, 0x4b);
const QColor kFolderBack(0xd9, 0x9a, 0x2b);

QPen inkPen(qreal width = 1.5, const QColor& color = kInk) {
    QPen pen(color, width);
    pen.setJoinStyle(Qt::RoundJoin);
    pen.setCapStyle(Qt::RoundCap);
    return pen;
}

// A sheet with its top-right corner folded over.
void page(QPainter& p, const QRectF& r, qreal fold = 6) {
    QPainterPath path;
    path.moveTo(r.topLeft());
    path.lineTo(r.right() - fold, r.top());
    path.lineTo(r.right(), r.top() + fold);
    path.lineTo(r.bottomRight());
    path.lineTo(r.bottomLeft());
    path.closeSubpath();
    p.setPen(inkPen());
    p.setBrush(kPaper);
    p.drawPath(path);
    QPainterPath corner;
    corner.moveTo(r.right() - fold, r.top());
    corner.lineTo(r.right() - fold, r.top() + fold);
    corner.lineTo(r.right(), r.top() + fold);
    p.setBrush(Qt::NoBrush);
    p.drawPath(corner);
}

// Text lines on a sheet, as subtitle lines.
void lines(QPainter& p, const QRectF& r, int count, qreal gap = 4, const QColor& color = kLine) {
    p.setPen(inkPen(2, color));
    for (int i = 0; i < count; ++i) {
        const qreal y = r.top() + i * gap;
        const qreal right = (i % 2) ? r.right() - 3 : r.right();
        p.drawLine(QPointF(r.left(), y), QPointF(right, y));
    }
}

void arrowHead(QPainter& p, const QPointF& tip, qreal angleDegrees, const QColor& color, qreal size = 5) {
    const qreal a = qDegreesToRadians(angleDegrees);
    const QPointF back(-std::cos(a) * size, -std::sin(a) * size);
    const QPointF side(-std::sin(a) * size * 0.75, std::cos(a) * size * 0.75);
    const QPointF points[] = {tip, tip + back + side, tip + back - side};
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    p.drawPolygon(points, 3);
}

void arrow(QPainter& p, const QPointF& from, const QPointF& to, const QColor& color, qreal width = 2.5) {
    const QPointF d = to - from;
    const qreal angle = qRadiansToDegrees(std::atan2(d.y(), d.x()));
    const qreal len = std::hypot(d.x(), d.y());
    const QPointF shaftEnd = from + d * ((len - 3) / len);
    p.setPen(inkPen(width, color));
    p.drawLine(from, shaftEnd);
    arrowHead(p, to, angle, color, 5.5);
}

// A round badge with a plus, a cross or nothing, at a corner of the image.
enum class Mark { Plus, Cross, None };
void badge(QPainter& p, const QPointF& centre, const QColor& color, Mark mark, qreal radius = 6.5) {
    p.setPen(inkPen(1.2, kPaper));
    p.setBrush(color);
    p.drawEllipse(centre, radius, radius);
    p.setPen(inkPen(2.2, kPaper));
    const qreal s = radius * 0.5;
    if (mark == Mark::Plus) {
        p.drawLine(centre - QPointF(s, 0), centre + QPointF(s, 0));
        p.drawLine(centre - QPointF(0, s), centre + QPointF(0, s));
    } else if (mark == Mark::Cross) {
        p.drawLine(centre - QPointF(s, s), centre + QPointF(s, s));
        p.drawLine(centre + QPointF(-s, s), centre + QPointF(s, -s));
    }
}

void glyph(QPainter& p, const QRectF& r, const QString& text, const QColor& color, qreal pixelSize) {
    QFont font = p.font();
    font.setBold(true);
    font.setPixelSize(qRound(pixelSize));
    p.setFont(font);
    p.setPen(color);
    p.drawText(r, Qt::AlignCenter, text);
}

void clockFace(QPainter& p, const QPointF& centre, qreal radius) {
    p.setPen(inkPen(1.8));
    p.setBrush(kPaper);
    p.drawEllipse(centre, radius, radius);
    p.setPen(inkPen(1.8));
    p.drawLine(centre, centre + QPointF(0, -radius * 0.62));
    p.drawLine(centre, centre + QPointF(radius * 0.5, radius * 0.2));
}

void folder(QPainter& p) {
    p.setPen(inkPen(1.3, kFolderBack.darker(130)));
    p.setBrush(kFolderBack);
    QPainterPath back;
    back.moveTo(2, 28);
    back.lineTo(2, 7);
    back.lineTo(11, 7);
    back.lineTo(13, 10);
    back.lineTo(28, 10);
    back.lineTo(28, 28);
    back.closeSubpath();
    p.drawPath(back);
    page(p, QRectF(7, 3, 17, 20), 5);
    lines(p, QRectF(10, 10, 11, 0), 2);
    p.setPen(inkPen(1.3, kFolderBack.darker(130)));
    p.setBrush(kFolder);
    const QPointF front[] = {{5, 15}, {31, 15}, {28, 29}, {2, 29}};
    p.drawPolygon(front, 4);
}

void speechBubble(QPainter& p, const QRectF& r, const QColor& color, bool tailLeft) {
    QPainterPath path;
    path.addRoundedRect(r, 3, 3);
    QPainterPath tail;
    if (tailLeft) {
        tail.moveTo(r.left() + 3, r.bottom() - 1);
        tail.lineTo(r.left() + 2, r.bottom() + 4);
        tail.lineTo(r.left() + 8, r.bottom() - 1);
    } else {
        tail.moveTo(r.right() - 3, r.bottom() - 1);
        tail.lineTo(r.right() - 2, r.bottom() + 4);
        tail.lineTo(r.right() - 8, r.bottom() - 1);
    }
    tail.closeSubpath();
    p.setPen(inkPen(1.2, color.darker(125)));
    p.setBrush(color);
    p.drawPath(path.united(tail));
}

void magnifier(QPainter& p, const QPointF& centre, qreal radius) {
    const QPointF handleStart = centre + QPointF(radius * 0.72, radius * 0.72);
    p.setPen(inkPen(5, kInk));
    p.drawLine(handleStart, handleStart + QPointF(radius * 0.75, radius * 0.75));
    p.setPen(inkPen(2.4, kInk));
    p.setBrush(kLightBlue);
    p.drawEllipse(centre, radius, radius);
}

// ---------------------------------------------------------------- the images

void drawLoadOriginal(QPainter& p) {
    folder(p);
}

void drawLoadTranslated(QPainter& p) {
    folder(p);
    speechBubble(p, QRectF(17, 15, 14, 11), kBlue, false);
    glyph(p, QRectF(17, 15, 14, 11), QStringLiteral("A"), kPaper, 9);
}

void drawSave(QPainter& p) {
    p.setPen(inkPen(1.4, kBlue.darker(140)));
    p.setBrush(kBlue);
    QPainterPath body;
    body.moveTo(3, 3);
    body.lineTo(25, 3);
    body.lineTo(29, 7);
    body.lineTo(29, 29);
    body.lineTo(3, 29);
    body.closeSubpath();
    p.drawPath(body);
    p.setPen(Qt::NoPen);
    p.setBrush(kPaper);
    p.drawRect(QRectF(8, 4, 15, 9));
    p.setBrush(kBlue.darker(130));
    p.drawRect(QRectF(18, 5.5, 3, 6));
    p.setBrush(kPaper);
    p.drawRoundedRect(QRectF(7, 17, 18, 10), 1.5, 1.5);
    lines(p, QRectF(10, 20, 12, 0), 2, 3.5);
}

void drawStartTranslate(QPainter& p) {
    speechBubble(p, QRectF(2, 3, 18, 15), kBlue, true);
    glyph(p, QRectF(2, 3, 18, 15), QStringLiteral("A"), kPaper, 12);
    speechBubble(p, QRectF(12, 12, 18, 15), kOrange, false);
    // A CJK sign reads best as "translation", but not every desktop has a font for it.
    QFont font = p.font();
    font.setPixelSize(12);
    const QString foreign =
        QFontMetricsF(font).inFontUcs4(0x6587) ? QStringLiteral("\u6587") : QStringLiteral("\u042F");
    glyph(p, QRectF(12, 12, 18, 15), foreign, kPaper, 12);
}

void drawHelpTopics(QPainter& p) {
    p.setPen(inkPen(1.4, kBlue.darker(140)));
    p.setBrush(kBlue);
    p.drawEllipse(QPointF(16, 16), 13.5, 13.5);
    glyph(p, QRectF(3, 3, 26, 26), QStringLiteral("?"), kPaper, 20);
}

void drawAbout(QPainter& p) {
    p.setPen(inkPen(1.4, kBlue.darker(140)));
    p.setBrush(kBlue);
    p.drawEllipse(QPointF(16, 16), 13.5, 13.5);
    glyph(p, QRectF(3, 3, 26, 26), QStringLiteral("i"), kPaper, 20);
}

void drawWebPage(QPainter& p) {
    const QPointF c(16, 16);
    p.setPen(inkPen(1.6, kBlue.darker(130)));
    p.setBrush(kLightBlue);
    p.drawEllipse(c, 13, 13);
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(c, 5.5, 13);
    p.drawLine(QPointF(3, 16), QPointF(29, 16));
    p.drawLine(QPointF(16, 3), QPointF(16, 29));
    p.drawLine(QPointF(5.5, 9.5), QPointF(26.5, 9.5));
    p.drawLine(QPointF(5.5, 22.5), QPointF(26.5, 22.5));
}

void drawExit(QPainter& p) {
    p.setPen(inkPen(1.8));
    p.setBrush(kPaper);
    p.drawRect(QRectF(4, 4, 14, 24));
    p.setBrush(kInk);
    p.drawEllipse(QPointF(14.5, 16), 1.2, 1.2);
    arrow(p, QPointF(14, 16), QPointF(30, 16), kRed, 3);
}

void drawRestoreOriginalTime(QPainter& p) {
    clockFace(p, QPointF(17, 17), 11);
    QPainterPath arc;
    arc.arcMoveTo(QRectF(2, 2, 30, 30), 200);
    arc.arcTo(QRectF(2, 2, 30, 30), 200, -110);
    p.setPen(inkPen(2.6, kGreen));
    p.setBrush(Qt::NoBrush);
    p.drawPath(arc);
    arrowHead(p, arc.pointAtPercent(0), 80, kGreen, 6);
}

void drawSetDelay(QPainter& p) {
    clockFace(p, QPointF(14, 14), 11.5);
    badge(p, QPointF(24, 24), kOrange, Mark::None, 7);
    p.setPen(inkPen(2, kPaper));
    p.drawLine(QPointF(20.5, 24), QPointF(26, 24));
    arrowHead(p, QPointF(28.5, 24), 0, kPaper, 4);
}

void drawCutLine(QPainter& p) {
    p.setPen(inkPen(2.4));
    p.drawLine(QPointF(11, 21), QPointF(22, 3));
    p.drawLine(QPointF(21, 21), QPointF(10, 3));
    p.setPen(inkPen(2.4, kRed));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(9, 25), 4.5, 4.5);
    p.drawEllipse(QPointF(23, 25), 4.5, 4.5);
    p.setBrush(kInk);
    p.setPen(Qt::NoPen);
    p.drawEllipse(QPointF(16, 13.5), 1.5, 1.5);
}

void drawCopyLine(QPainter& p) {
    page(p, QRectF(3, 2, 17, 21), 5);
    lines(p, QRectF(6, 9, 10, 0), 3);
    page(p, QRectF(12, 9, 17, 21), 5);
    lines(p, QRectF(15, 16, 10, 0), 3);
}

void drawPasteLine(QPainter& p) {
    p.setPen(inkPen(1.4, QColor(0x8a, 0x5a, 0x2b)));
    p.setBrush(QColor(0xc8, 0x8a, 0x4a));
    p.drawRoundedRect(QRectF(3, 4, 20, 25), 2, 2);
    p.setPen(inkPen(1.4));
    p.setBrush(QColor(0xb0, 0xb8, 0xc0));
    p.drawRoundedRect(QRectF(8, 2, 10, 5), 1.5, 1.5);
    page(p, QRectF(13, 11, 16, 19), 5);
    lines(p, QRectF(16, 18, 9, 0), 3);
}

void drawInsertSubtitle(QPainter& p) {
    page(p, QRectF(4, 2, 20, 26));
    lines(p, QRectF(8, 10, 12, 0), 4);
    badge(p, QPointF(24, 24), kGreen, Mark::Plus);
}

void drawInsertBefore(QPainter& p) {
    page(p, QRectF(8, 6, 20, 24));
    lines(p, QRectF(12, 14, 12, 0), 4);
    badge(p, QPointF(8, 8), kGreen, Mark::Plus);
}

void drawDeleteSelected(QPainter& p) {
    page(p, QRectF(4, 2, 20, 26));
    lines(p, QRectF(8, 10, 12, 0), 4);
    badge(p, QPointF(24, 24), kRed, Mark::Cross);
}

void drawCombineSubtitles(QPainter& p) {
    auto strip = [&](const QRectF& r) {
        p.setPen(inkPen(1.4));
        p.setBrush(kPaper);
        p.drawRoundedRect(r, 1.5, 1.5);
    };
    strip(QRectF(2, 3, 11, 9));
    lines(p, QRectF(4.5, 7.5, 6, 0), 1);
    strip(QRectF(2, 20, 11, 9));
    lines(p, QRectF(4.5, 24.5, 6, 0), 1);
    strip(QRectF(19, 9, 11, 14));
    lines(p, QRectF(21.5, 13.5, 6, 0), 2, 5);
    arrow(p, QPointF(13, 9), QPointF(19, 14), kBlue, 2);
    arrow(p, QPointF(13, 23), QPointF(19, 18), kBlue, 2);
}

void drawSearch(QPainter& p) {
    magnifier(p, QPointF(13, 13), 9);
}

void drawFindNext(QPainter& p) {
    magnifier(p, QPointF(11, 11), 8);
    arrow(p, QPointF(26, 10), QPointF(26, 30), kGreen, 3);
}

void drawReplace(QPainter& p) {
    p.setPen(inkPen(1.4));
    p.setBrush(kPaper);
    p.drawRoundedRect(QRectF(2, 2, 14, 14), 2, 2);
    glyph(p, QRectF(2, 2, 14, 14), QStringLiteral("a"), kInk, 12);
    p.setPen(inkPen(1.4, kBlue.darker(130)));
    p.setBrush(kBlue);
    p.drawRoundedRect(QRectF(16, 16, 14, 14), 2, 2);
    glyph(p, QRectF(16, 16, 14, 14), QStringLiteral("b"), kPaper, 12);
    QPainterPath bend;
    bend.moveTo(19, 4);
    bend.quadTo(28, 4, 27, 12);
    p.setPen(inkPen(2.2, kGreen));
    p.setBrush(Qt::NoBrush);
    p.drawPath(bend);
    arrowHead(p, QPointF(27, 14), 90, kGreen, 5);
}

void drawGoToLineNumber(QPainter& p) {
    page(p, QRectF(9, 2, 20, 28));
    lines(p, QRectF(13, 8, 12, 0), 2, 4);
    lines(p, QRectF(13, 24, 12, 0), 1, 4);
    p.setPen(inkPen(2.4, kBlue));
    p.drawLine(QPointF(13, 17), QPointF(25, 17));
    arrow(p, QPointF(1, 17), QPointF(11, 17), kBlue, 3);
}

void drawViewDictionary(QPainter& p) {
    const QColor cover(0x9b, 0x2c, 0x2c);
    p.setPen(inkPen(1.4, cover.darker(140)));
    p.setBrush(kPaper);
    p.drawRoundedRect(QRectF(6, 4, 22, 26), 2, 2);
    p.setBrush(cover);
    p.drawRoundedRect(QRectF(4, 2, 22, 25), 2, 2);
    p.setPen(Qt::NoPen);
    p.setBrush(kPaper);
    p.drawRect(QRectF(9, 7, 12, 8));
    glyph(p, QRectF(9, 7, 12, 8), QStringLiteral("Aa"), cover, 7);
}

// A window whose left part is a docked pane.
void drawToolbox(QPainter& p) {
    p.setPen(inkPen(1.4, kInk));
    p.setBrush(kPaper);
    p.drawRoundedRect(QRectF(3, 5, 26, 22), 2, 2);
    p.setPen(Qt::NoPen);
    p.setBrush(kBlue);
    p.drawRect(QRectF(4, 6, 24, 4));
    p.setBrush(kLightBlue);
    p.drawRect(QRectF(5, 12, 9, 13));
    lines(p, QRectF(17, 14, 9, 0), 3);
}

void drawStudyDictionary(QPainter& p) {
    const QColor cover(0x2c, 0x7a, 0x7b);
    QPainterPath left;
    left.moveTo(16, 9);
    left.quadTo(10, 5, 2, 7);
    left.lineTo(2, 27);
    left.quadTo(10, 25, 16, 29);
    left.closeSubpath();
    QPainterPath right;
    right.moveTo(16, 9);
    right.quadTo(22, 5, 30, 7);
    right.lineTo(30, 27);
    right.quadTo(22, 25, 16, 29);
    right.closeSubpath();
    p.setPen(inkPen(1.5, cover.darker(130)));
    p.setBrush(kPaper);
    p.drawPath(left);
    p.drawPath(right);
    p.setPen(inkPen(1.5, kLine));
    for (qreal y : {13.0, 17.0, 21.0}) {
        p.drawLine(QPointF(5, y), QPointF(13, y + 1));
        p.drawLine(QPointF(19, y + 1), QPointF(27, y));
    }
    p.setPen(inkPen(1.5, cover.darker(130)));
    p.drawLine(QPointF(16, 9), QPointF(16, 29));
}

void drawConvertFileCodeSchema(QPainter& p) {
    page(p, QRectF(3, 2, 18, 24), 5);
    lines(p, QRectF(6, 9, 11, 0), 3);
    badge(p, QPointF(23, 23), kOrange, Mark::None, 8);
    p.setPen(inkPen(1.8, kPaper));
    p.setBrush(Qt::NoBrush);
    QPainterPath top;
    top.arcMoveTo(QRectF(18.5, 18.5, 9, 9), 160);
    top.arcTo(QRectF(18.5, 18.5, 9, 9), 160, -130);
    p.drawPath(top);
    QPainterPath bottom;
    bottom.arcMoveTo(QRectF(18.5, 18.5, 9, 9), 340);
    bottom.arcTo(QRectF(18.5, 18.5, 9, 9), 340, -130);
    p.drawPath(bottom);
    arrowHead(p, top.pointAtPercent(1), 100, kPaper, 3.5);
    arrowHead(p, bottom.pointAtPercent(1), 280, kPaper, 3.5);
}

void drawPlaySubtitle(QPainter& p) {
    p.setPen(inkPen(1.4, kInk));
    p.setBrush(QColor(0x2d, 0x37, 0x48));
    p.drawRoundedRect(QRectF(2, 4, 28, 22), 2.5, 2.5);
    const QPointF play[] = {{13, 8.5}, {13, 18.5}, {21, 13.5}};
    p.setPen(Qt::NoPen);
    p.setBrush(kGreen.lighter(125));
    p.drawPolygon(play, 3);
    p.setPen(inkPen(2, QColor(0xf6, 0xe0, 0x5e)));
    p.drawLine(QPointF(8, 22), QPointF(24, 22));
    p.setPen(inkPen(2, kInk));
    p.drawLine(QPointF(11, 29), QPointF(21, 29));
}

// A curved arrow over the top, turning left (undo) or right (redo).
void drawHistoryArrow(QPainter& p, bool forward) {
    QPainterPath arc;
    const QRectF circle(6, 7, 20, 20);
    arc.arcMoveTo(circle, forward ? 200 : -20);
    arc.arcTo(circle, forward ? 200 : -20, forward ? -190 : 190);
    p.setPen(inkPen(3, kBlue));
    p.setBrush(Qt::NoBrush);
    p.drawPath(arc);
    arrowHead(p, arc.pointAtPercent(1), forward ? 100 : 80, kBlue, 6.5);
}

void drawUndo(QPainter& p) {
    drawHistoryArrow(p, false);
}

void drawRedo(QPainter& p) {
    drawHistoryArrow(p, true);
}

struct IconSource {
    const char* themeName;
    Draw draw;
};

// Our drawings for the theme names the commands ask for, used when the desktop theme lacks one.
constexpr IconSource kIcons[] = {
    {"document-open", drawLoadOriginal},
    {"document-import", drawLoadTranslated},
    {"document-save", drawSave},
    {"preferences-desktop-locale", drawStartTranslate},
    {"help-contents", drawHelpTopics},
    {"help-about", drawAbout},
    {"internet-web-browser", drawWebPage},
    {"application-exit", drawExit},
    {"document-revert", drawRestoreOriginalTime},
    {"appointment-new", drawSetDelay},
    {"edit-cut", drawCutLine},
    {"edit-copy", drawCopyLine},
    {"edit-paste", drawPasteLine},
    {"list-add", drawInsertSubtitle},
    {"go-top", drawInsertBefore},
    {"edit-delete", drawDeleteSelected},
    {"format-join-node", drawCombineSubtitles},
    {"edit-find", drawSearch},
    {"go-down-search", drawFindNext},
    {"edit-find-replace", drawReplace},
    {"go-jump", drawGoToLineNumber},
    {"accessories-dictionary", drawViewDictionary},
    {"applications-education", drawStudyDictionary},
    {"view-sidetree", drawToolbox},
    {"view-refresh", drawConvertFileCodeSchema},
    {"media-playback-start", drawPlaySubtitle},
    {"edit-undo", drawUndo},
    {"edit-redo", drawRedo},
};

// The images are drawn on a 32-unit square and rendered at the sizes menus, buttons and
// high-density screens ask for; disabled looks are derived by the style from these.
QIcon drawnIcon(Draw draw) {
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64}) {
        QPixmap pm(size, size);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        p.setRenderHint(QPainter::TextAntialiasing);
        p.scale(size / 32.0, size / 32.0);
        draw(p);
        p.end();
        icon.addPixmap(pm);
    }
    return icon;
}

void drawApplicationButton(QPainter& p) {
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x2b, 0x57, 0x9a));
    p.drawRoundedRect(QRectF(1, 1, 30, 30), 7, 7);
    p.setBrush(kPaper);
    p.drawRoundedRect(QRectF(6, 7, 20, 6), 2, 2);
    p.setBrush(QColor(0xf6, 0xe0, 0x5e));
    p.drawRoundedRect(QRectF(6, 17, 20, 3), 1.5, 1.5);
    p.drawRoundedRect(QRectF(9, 23, 14, 3), 1.5, 1.5);
}

} // namespace

QIcon commandIcon(const QString& themeName) {
    for (const IconSource& source : kIcons)
        if (themeName == QLatin1String(source.themeName))
            return QIcon::fromTheme(themeName, drawnIcon(source.draw));
    return QIcon::fromTheme(themeName);
}

QIcon applicationButtonIcon() {
    return drawnIcon(drawApplicationButton);
}
