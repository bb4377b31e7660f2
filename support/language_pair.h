// Two languages, from and to, in velmora's own codes ("en", "auto", "zh-TW", "iw"): what a
// translation engine is asked for and what a memory unit is kept under.
#pragma once

#include <QString>

struct LanguagePair {
    QString source;
    QString target;
    friend bool operator==(const LanguagePair&, const LanguagePair&) = default;
};
