// Placeholders for tags and line joins, and putting the tags back.
#include "translate/tag_shield.h"

#include <QList>
#include <QRegularExpression>
#include <optional>
#include <utility>

namespace {
constexpr QChar kOpen = QChar(0x27E6);  // ⟦
constexpr QChar kClose = QChar(0x27E7); // ⟧

// The length of the tag at `at`, or 0: italic, bold and underline tags, font tags, MicroDVD's
// "{y:i}" codes, ASS override blocks, and the joins of an entry's lines ("|" with or without its
// line feed). A scan by hand: a regular expression per line costs more than the rest of a batch.
qsizetype tagAt(QStringView text, qsizetype at) {
    const QStringView rest = text.mid(at);
    const QChar c = rest[0];
    if (c == u'|')
        return rest.size() > 1 && rest[1] == u'\n' ? 2 : 1;
    if (c == u'<') {
        const bool closing = rest.size() > 1 && rest[1] == u'/';
        const QStringView name = rest.mid(closing ? 2 : 1);
        if (name.size() >= 2 && QStringView(u"ibuIBU").contains(name[0]) && name[1] == u'>')
            return (closing ? 2 : 1) + 2;
        if (name.startsWith(QStringView(u"font"), Qt::CaseInsensitive)) {
            const qsizetype close = rest.indexOf(u'>');
            const qsizetype nextOpen = rest.indexOf(u'<', 1);
            const QChar after = name.size() > 4 ? name[4] : QChar();
            if (close > 0 && (nextOpen < 0 || close < nextOpen) && (after == u'>' || after.isSpace()) &&
                (!closing || after == u'>'))
                return close + 1;
        }
        return 0;
    }
    if (c == u'{' && rest.size() > 2 &&
        (rest[1] == u'\\' || (rest[1].isLetter() && rest[1].unicode() < 0x80 && rest[2] == u':'))) {
        const qsizetype close = rest.indexOf(u'}');
        const qsizetype nextOpen = rest.indexOf(u'{', 1);
        if (close > 0 && (nextOpen < 0 || close < nextOpen))
            return close + 1;
    }
    return 0;
}

bool mayHoldTags(QStringView text) {
    for (QChar c : text)
        if (c == u'<' || c == u'{' || c == u'|')
            return true;
    return false;
}

// A placeholder at `at` (an opening bracket, spaces allowed inside): its number and length.
std::optional<std::pair<int, qsizetype>> placeholderAt(QStringView text, qsizetype at) {
    qsizetype i = at + 1;
    while (i < text.size() && text[i] == u' ')
        ++i;
    const qsizetype digits = i;
    int number = 0;
    while (i < text.size() && text[i].isDigit() && text[i].unicode() < 0x80 && i - digits < 4)
        number = number * 10 + (text[i++].unicode() - u'0');
    if (i == digits)
        return std::nullopt;
    while (i < text.size() && text[i] == u' ')
        ++i;
    if (i >= text.size() || text[i] != kClose)
        return std::nullopt;
    return std::pair{number, i + 1 - at};
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
    if (!mayHoldTags(line)) {
        shielded.text = line;
        return shielded;
    }
    qsizetype from = 0;
    for (qsizetype i = 0; i < line.size();) {
        const qsizetype length = tagAt(line, i);
        if (length == 0) {
            ++i;
            continue;
        }
        shielded.text += QStringView(line).mid(from, i - from);
        const QString tag = line.mid(i, length);
        shielded.tags.append(tag);
        const QString placeholder = tagPlaceholder(int(shielded.tags.size()));
        // A join stands between words: spaces keep the engine from gluing them together.
        shielded.text += isJoin(tag) ? u' ' + placeholder + u' ' : placeholder;
        i += length;
        from = i;
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
    for (qsizetype at = translated.indexOf(kOpen); at >= 0; at = translated.indexOf(kOpen, at + 1)) {
        const std::optional<std::pair<int, qsizetype>> found = placeholderAt(translated, at);
        if (!found || at < from)
            continue;
        const auto [number, length] = *found;
        QString before = translated.mid(from, at - from);
        from = at + length;
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
