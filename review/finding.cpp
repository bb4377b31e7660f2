// Names of the kinds of finding, and where each side lives in the grid.
#include "review/finding.h"

#include "subtitle/entry_rows.h"

#include <array>

namespace {

constexpr std::array<const char16_t*, kCheckKindCount> kKindNames{
    u"Reading speed",
    u"Line length",
    u"Line count",
    u"Short duration",
    u"Long duration",
    u"Short gap",
    u"Overlap",
    u"Empty translation",
    u"Same as original",
    u"Missing number",
    u"Unbalanced tag",
    u"Missing tag",
    u"Leading or trailing space",
    u"Doubled space",
    u"Doubled word",
    u"Spelling",
    u"Glossary term",
};

} // namespace

QString checkKindName(CheckKind kind) {
    const int i = int(kind);
    return i >= 0 && i < kCheckKindCount ? QString::fromUtf16(kKindNames[i]) : QString();
}

int findingColumn(FindingSide side) {
    switch (side) {
    case FindingSide::Times:
        return kColumnShow;
    case FindingSide::Original:
        return kColumnOriginal;
    case FindingSide::Translated:
        break;
    }
    return kColumnTranslated;
}
