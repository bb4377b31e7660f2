// Language codes between the memory, which keeps velmora's own codes ("en", "iw", "zh-CN"), and the
// BCP 47 tags of exchange files ("en-US", "he", "zh-Hans").
#pragma once

#include "support/language_pair.h"

#include <QString>

// velmora's code for a BCP 47 tag: the language subtag in lower case, with the region dropped, the
// codes velmora spells its own way mapped to them (he → iw, jv → jw, fil → tl, nb/nn → no), and
// Chinese split into zh-CN and zh-TW by script or region. Empty for an empty or "*all*" tag.
QString languageFromTag(const QString& tag);
// The BCP 47 tag for one of velmora's codes.
QString tagFromLanguage(const QString& code);
// A code a unit can carry: not empty, not "auto" (the service's "Detect language").
bool isStorableLanguage(const QString& code);
