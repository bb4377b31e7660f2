// Subtitle tags and line joins kept away from a translation engine: each becomes a numbered
// placeholder the engines leave alone, and comes back where the placeholder comes back. A tag whose
// placeholder is lost or mangled goes to the start (an opening tag) or the end (anything else) of
// the line, and the line is marked for review, never dropped.
#pragma once

#include <QString>
#include <QStringList>

struct ShieldedLine {
    QString text;     // what the engine gets
    QStringList tags; // tags[k] is what placeholder k + 1 stands for
};

struct RestoredLine {
    QString text;
    // A placeholder was lost, mangled, repeated or moved out of order: the tags are all there,
    // but a person should look at where they landed.
    bool needsReview = false;
};

// "⟦1⟧": brackets no language uses, which engines pass through as punctuation.
QString tagPlaceholder(int number);

ShieldedLine shieldTags(const QString& line);
RestoredLine restoreTags(const QString& translated, const ShieldedLine& shielded);
