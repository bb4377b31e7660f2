// The subtitle line: its text (and the second file's below it) drawn with their styles, an outline
// around the letters and, when chosen, a shadow and a dark band, so that it reads over any picture.
#pragma once

#include "player/styled_text.h"

#include <QColor>
#include <QFont>
#include <QLabel>
#include <QPainterPath>
#include <QRectF>
#include <vector>

struct TextLook {
    QFont font;
    QColor color{255, 0, 0};
    int outlineWidth = 2; // pixels around each letter; 0 for none
    QColor outlineColor{0, 0, 0};
    bool shadow = false;
    bool band = false; // a dark band behind each line
    QColor secondColor{255, 255, 0};

    friend bool operator==(const TextLook&, const TextLook&) = default;
};

inline constexpr int kMaxOutlineWidth = 8;

class SubtitleLabel : public QLabel {
    Q_OBJECT
public:
    explicit SubtitleLabel(const QString& text, QWidget* parent = nullptr);

    void setLook(const TextLook& look);
    const TextLook& look() const { return m_look; }
    void setSecondText(const QString& text);
    QString secondText() const { return m_secondText; }
    // The second file's text in proportion to the first.
    QFont secondFont() const;
    // Paints nothing while set, whatever the text.
    void setBlank(bool blank);
    bool isBlank() const { return m_blank; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    struct Piece {
        QPainterPath path;
        QColor color;
    };
    // Lays out a text's lines from `top`, centred; returns where the next text may begin.
    qreal layOut(const QList<StyledLine>& lines, const QFont& font, const QColor& color, qreal top);
    void prepare();

    TextLook m_look;
    QString m_secondText;
    // What was last laid out, and for which text and width.
    QString m_preparedText;
    QString m_preparedSecond;
    int m_preparedWidth = -1;
    bool m_dirty = true;
    bool m_blank = false;
    std::vector<Piece> m_pieces;
    std::vector<QRectF> m_bands;
};
