// Placeholders for tags and line joins, and putting the tags back.
#include "translate/tag_shield.h"

#include <QList>
#include <QRegularExpression>

namespace {
constexpr QChar kOpen = QChar(0x27E6);  // ⟦
constexpr QChar kClose = QChar(0x27E7); // ⟧

// Italic, bold and underline tags, font tags, MicroDVD's "{y:i}" codes, ASS override blocks, and
// the joins of an entry's lines ("|" with or without its line feed).
const QRegularExpression& tagPattern() {
    static const QRegularExpression pattern(
        QStringLiteral(R"(</?[ibu]>|<font\b[^<>]*>|</font>|\{[A-Za-z]:[^{}]*\}|\{\\[^{}]*\}|\|\n?)"),
        QRegularExpression::CaseInsensitiveOption);
    return pattern;
}

// What engines make of a placeholder and still mean it: spaces inside the brackets.
const QRegularExpression& placeholderPattern() {
    static const QRegularExpression pattern(QStringLiteral("\u27E6\\s*(\\d{1,4})\\s*\u27E7"));
    return pattern;
}

bool isJoin(const QString& tag) {
    return tag.startsWith(u'|');
}

bool isOpening(const QString& tag) {
    return tag.startsWith(u'{') || (tag.startsWith(u'<') && !tag.startsWith(QStringLiteral("</")));
}
} // namespace

QString tagPlaceholder(int number) {
    return kOpen + QString::number(number) + kClose;
}

ShieldedLine shieldTags(const QString& line) {
    ShieldedLine shielded;
    qsizetype from = 0;
    QRegularExpressionMatchIterator it = tagPattern().globalMatch(line);
    while (it.hasNext()) {
        const QRegularExpressionMatch match = it.next();
        shielded.text += QStringView(line).mid(from, match.capturedStart() - from);
        shielded.tags.append(match.captured());
        const QString placeholder = tagPlaceholder(int(shielded.tags.size()));
        // A join stands between words: spaces keep the engine from gluing them together.
        shielded.text += isJoin(match.captured()) ? u' ' + placeholder + u' ' : placeholder;
        from = match.capturedEnd();
    }
    shielded.text += QStringView(line).mid(from);
    return shielded;
}

RestoredLine restoreTags(const QString& translated, const ShieldedLine& shielded) {
    RestoredLine restored;
    if (shielded.tags.isEmpty()) {
        restored.text = translated;
        return restored;
    }
    QList<bool> placed(shielded.tags.size(), false);
    int lastPlaced = 0;
    QString text;
    qsizetype from = 0;
    QRegularExpressionMatchIterator it = placeholderPattern().globalMatch(translated);
    while (it.hasNext()) {
        const QRegularExpressionMatch match = it.next();
        QString before = translated.mid(from, match.capturedStart() - from);
        from = match.capturedEnd();
        const int number = match.captured(1).toInt();
        if (number < 1 || number > shielded.tags.size() || placed[number - 1]) {
            // One the line never had, or a repeat: the tag is where its first copy is.
            text += before;
            restored.needsReview = true;
            continue;
        }
        const QString& tag = shielded.tags[number - 1];
        if (isJoin(tag)) {
            while (before.endsWith(u' '))
                before.chop(1);
            while (from < translated.size() && translated[from] == u' ')
                ++from;
        }
        text += before + tag;
        placed[number - 1] = true;
        if (number < lastPlaced)
            restored.needsReview = true;
        lastPlaced = number;
    }
    text += QStringView(translated).mid(from);
    // What is left of a mangled placeholder is no part of the translation.
    if (text.contains(kOpen) || text.contains(kClose)) {
        static const QRegularExpression broken(QStringLiteral("\u27E6\\s*\\d*\\s*\u27E7?|\\d*\\s*\u27E7"));
        text.remove(broken);
        restored.needsReview = true;
    }
    QString start;
    QString end;
    for (qsizetype k = 0; k < shielded.tags.size(); ++k) {
        if (placed[k])
            continue;
        restored.needsReview = true;
        if (isOpening(shielded.tags[k]))
            start += shielded.tags[k];
        else
            end += shielded.tags[k];
    }
    restored.text = start + text + end;
    return restored;
}
