// A subtitle's text as the eye should see it: the markup that subtitle files carry (HTML-like tags
// of SubRip, SAMI and WebVTT, the override blocks of ASS, the control codes of MicroDVD) turned
// into runs of styled text, never shown as literal tags.
#pragma once

#include <QList>
#include <QString>
#include <QStringView>
#include <cstdint>
#include <optional>

struct TextStyle {
    bool italic = false;
    bool bold = false;
    bool underline = false;
    std::optional<std::uint32_t> color; // 0xRRGGBB; none: the colour the user chose

    friend bool operator==(const TextStyle&, const TextStyle&) = default;
};

struct StyledRun {
    QString text;
    TextStyle style;

    friend bool operator==(const StyledRun&, const StyledRun&) = default;
};

// One line of a subtitle: its runs, neighbours never of the same style. Empty for a blank line.
using StyledLine = QList<StyledRun>;

// The lines of a text, without the blank lines before the first and after the last.
QList<StyledLine> parseStyledText(QStringView text);

// The text of the lines without their styles, one line feed between lines.
QString plainText(const QList<StyledLine>& lines);
