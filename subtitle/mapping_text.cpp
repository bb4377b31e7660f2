// Builds the "Mapping Text" page's runs from the grid rows.
#include "subtitle/mapping_text.h"

#include <algorithm>
#include <cmath>

namespace {

const QString kParagraphEnd = QStringLiteral("\r\n");

// The cut comes first, so a long cell shows the same leading text whatever its "|" count.
QString mappingText(const QString& cell) {
    QString text = cell.size() > kMappingCellLimit ? cell.left(kMappingCellLimit) : cell;
    text.remove(u'|');
    return text;
}

} // namespace

QVector<MappingRun> buildMappingRuns(const EntryRows& rows) {
    QVector<MappingRun> runs;
    runs.reserve(qsizetype(rows.count()) * 2);
    for (const EntryRow& row : rows.all()) {
        runs.append(MappingRun{mappingText(row.original) + kParagraphEnd, kMappingOriginalColor});
        // Two empty paragraphs part one entry from the next.
        runs.append(MappingRun{mappingText(row.translated) + kParagraphEnd + kParagraphEnd + kParagraphEnd,
                               kMappingTranslatedColor});
    }
    return runs;
}

namespace {

double linear(std::uint32_t channel) {
    const double c = channel / 255.0;
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

double luminance(std::uint32_t rgb) {
    return 0.2126 * linear((rgb >> 16) & 0xFF) + 0.7152 * linear((rgb >> 8) & 0xFF) +
           0.0722 * linear(rgb & 0xFF);
}

std::uint32_t mix(std::uint32_t from, std::uint32_t to, double t) {
    std::uint32_t out = 0;
    for (int shift : {16, 8, 0}) {
        const double a = (from >> shift) & 0xFF;
        const double b = (to >> shift) & 0xFF;
        out |= std::uint32_t(std::lround(a + (b - a) * t)) << shift;
    }
    return out;
}

constexpr double kReadableContrast = 4.5;

} // namespace

double contrastRatio(std::uint32_t rgb, std::uint32_t otherRgb) {
    const double a = luminance(rgb);
    const double b = luminance(otherRgb);
    return (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05);
}

std::uint32_t readableOn(std::uint32_t rgb, std::uint32_t backgroundRgb) {
    if (contrastRatio(rgb, backgroundRgb) >= kReadableContrast)
        return rgb;
    const std::uint32_t target = luminance(backgroundRgb) > 0.18 ? 0x000000 : 0xFFFFFF;
    // The least move that reads: the contrast grows with the step towards black or white.
    double low = 0;
    double high = 1;
    for (int i = 0; i < 16; ++i) {
        const double t = (low + high) / 2;
        (contrastRatio(mix(rgb, target, t), backgroundRgb) >= kReadableContrast ? high : low) = t;
    }
    return mix(rgb, target, high);
}
