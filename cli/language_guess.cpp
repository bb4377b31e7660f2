// Script ranges first (a Cyrillic or a Hangul letter says much), then the words Latin-script
// languages use most, which few other languages share.
#include "cli/language_guess.h"

#include <QHash>
#include <QRegularExpression>
#include <algorithm>
#include <array>

namespace {

struct ScriptRange {
    char32_t first;
    char32_t last;
    const char* code;
};

// Kana before Han: Japanese writes both, Chinese only Han.
constexpr std::array kScripts{
    ScriptRange{0x3040, 0x30FF, "ja"}, ScriptRange{0xAC00, 0xD7AF, "ko"}, ScriptRange{0x1100, 0x11FF, "ko"},
    ScriptRange{0x4E00, 0x9FFF, "zh"}, ScriptRange{0x0400, 0x04FF, "ru"}, ScriptRange{0x0370, 0x03FF, "el"},
    ScriptRange{0x0590, 0x05FF, "he"}, ScriptRange{0x0600, 0x06FF, "ar"}, ScriptRange{0x0E00, 0x0E7F, "th"},
    ScriptRange{0x0900, 0x097F, "hi"},
};

struct WordList {
    const char* code;
    const char16_t* words; // space-separated, lower case
};

// Words frequent in one language and rare in the others of the table.
constexpr std::array kWords{
    WordList{"en",
             u"the and you i is to it that what of this my don't not have are was for we me your be with "
             "he she they there do know can it's i'm"},
    WordList{"fr",
             u"le la les et est je tu vous pas que qui une des du ce c'est il elle nous on mais avec pour "
             "suis j'ai dans moi"},
    WordList{"es", u"el los las y es que no un una por qué está yo tú usted pero con para lo se mi eso esto "
                   "estoy muy"},
    WordList{"de", u"der die das und ist ich du sie nicht ein eine zu mit was wir es ihr auf dem den sich "
                   "haben bin"},
    WordList{"it", u"il lo gli e è che non un una di per sono io tu lei ma con cosa questo mi ti ci siamo "
                   "perché"},
    WordList{"pt", u"o os as e é que não um uma do da em para com eu você ele ela isso está mas meu são"},
    WordList{"nl", u"de het een en is ik je jij niet dat wat van zijn we hij zij maar met voor er"},
    WordList{"pl", u"i w nie to jest się na że co jak ja ty tak ale mnie czy jestem dla był"},
    WordList{"sv", u"och det är att jag du inte en som på med har vad för han hon vi ni"},
    WordList{"tr", u"bir ve bu ne ben sen için değil mi var çok da de o ama nasıl evet"},
};

// Letters only Ukrainian (і ї є ґ) among the Cyrillic languages writes, or none of Russian's
// others (Serbian ђ ћ џ, Bulgarian has ъ in place of most of Russian's ы).
QString cyrillicLanguage(const QString& text) {
    for (QChar c : text) {
        const char16_t u = c.toLower().unicode();
        if (u == u'і' || u == u'ї' || u == u'є' || u == u'ґ')
            return QStringLiteral("uk");
        if (u == u'ђ' || u == u'ћ' || u == u'џ' || u == u'љ' || u == u'њ')
            return QStringLiteral("sr");
    }
    return QStringLiteral("ru");
}

const QHash<QString, QList<int>>& wordIndex() {
    static const QHash<QString, QList<int>> index = [] {
        QHash<QString, QList<int>> words;
        for (int k = 0; k < int(kWords.size()); ++k)
            for (const QString& w :
                 QString::fromUtf16(kWords[std::size_t(k)].words).split(u' ', Qt::SkipEmptyParts))
                words[w].append(k);
        return words;
    }();
    return index;
}

} // namespace

QString guessLanguage(const QString& text) {
    QHash<QString, int> scripts;
    int letters = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t c = text[i].unicode();
        if (text[i].isHighSurrogate() && i + 1 < text.size()) {
            c = QChar::surrogateToUcs4(text[i], text[i + 1]);
            ++i;
        }
        if (!QChar::isLetter(c))
            continue;
        ++letters;
        for (const ScriptRange& s : kScripts)
            if (c >= s.first && c <= s.last) {
                scripts[QString::fromLatin1(s.code)]++;
                break;
            }
    }
    if (letters == 0)
        return {};
    // A script of its own decides once it makes a fair part of the letters (a name in Latin
    // letters inside Russian text changes nothing). Japanese writes Han as well as kana.
    const int kana = scripts.value(QStringLiteral("ja"));
    if (kana > 0)
        scripts[QStringLiteral("ja")] += scripts.take(QStringLiteral("zh"));
    QString best;
    int bestCount = 0;
    for (auto it = scripts.cbegin(); it != scripts.cend(); ++it)
        if (it.value() > bestCount) {
            best = it.key();
            bestCount = it.value();
        }
    if (bestCount * 3 >= letters)
        return best == u"ru" ? cyrillicLanguage(text) : best;

    static const QRegularExpression kWord(QStringLiteral("[\\w']+"),
                                          QRegularExpression::UseUnicodePropertiesOption);
    std::array<int, kWords.size()> scores{};
    for (auto it = kWord.globalMatch(text.toLower()); it.hasNext();) {
        const QString word = it.next().captured().replace(u'’', u'\'');
        const auto found = wordIndex().constFind(word);
        if (found == wordIndex().cend())
            continue;
        // A word of several languages counts less for each.
        for (int k : *found)
            scores[std::size_t(k)] += 6 / int(found->size());
    }
    const auto top = std::max_element(scores.begin(), scores.end());
    if (*top == 0 || std::count(scores.begin(), scores.end(), *top) > 1)
        return {};
    return QString::fromLatin1(kWords[std::size_t(top - scores.begin())].code);
}

QList<LanguageShare> guessLanguages(const QStringList& texts) {
    QHash<QString, int> counts;
    int told = 0;
    for (const QString& text : texts) {
        for (const QString& line : text.split(u'\n')) {
            QString clean = line;
            clean.remove(u'|');
            const QString code = guessLanguage(clean);
            if (code.isEmpty())
                continue;
            ++told;
            counts[code]++;
        }
    }
    QList<LanguageShare> shares;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it) {
        const int percent = int((it.value() * 100 + told / 2) / told);
        if (it.value() * 10 >= told)
            shares.append({it.key(), percent});
    }
    std::sort(shares.begin(), shares.end(), [](const LanguageShare& a, const LanguageShare& b) {
        return a.percent != b.percent ? a.percent > b.percent : a.code < b.code;
    });
    return shares;
}
