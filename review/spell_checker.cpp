// Finding dictionaries for language codes and asking them about words.
#include "review/spell_checker.h"

#include <QDir>
#include <QFileInfo>
#include <array>

namespace {

// Codes of the translation languages that differ from the dictionaries' names, and the region a
// language's main dictionary carries where it is not the language's own letters.
struct CodeAlias {
    const char* code;
    const char* dictionary;
};
constexpr std::array<CodeAlias, 8> kAliases{{
    {"iw", "he"},
    {"jw", "jv"},
    {"no", "nb"},
    {"en", "en_US"},
    {"zh", "zh_CN"},
    {"sv", "sv_SE"},
    {"da", "da_DK"},
    {"el", "el_GR"},
}};

// So that no word list grows without bound over a long session of many films.
constexpr qsizetype kMostRemembered = 200000;

UserMessage spellingMessage(const QString& text) {
    return UserMessage{text, QStringLiteral("Spelling"), MessageIcon::Information};
}

std::optional<DictionaryFiles> filesNamed(const QString& name, const QStringList& folders) {
    for (const QString& folder : folders) {
        const QDir dir(folder);
        DictionaryFiles files{dir.filePath(name + QStringLiteral(".aff")),
                              dir.filePath(name + QStringLiteral(".dic"))};
        if (QFileInfo(files.aff).isFile() && QFileInfo(files.dic).isFile())
            return files;
    }
    return std::nullopt;
}

} // namespace

QStringList defaultDictionaryFolders() {
    return {QStringLiteral("/usr/share/hunspell"), QStringLiteral("/usr/share/myspell/dicts"),
            QStringLiteral("/usr/share/myspell")};
}

QStringList installedDictionaries(const QStringList& folders) {
    QStringList codes;
    for (const QString& folder : folders) {
        const QDir dir(folder);
        for (const QFileInfo& dic :
             dir.entryInfoList({QStringLiteral("*.dic")}, QDir::Files | QDir::Readable)) {
            const QString code = dic.completeBaseName();
            if (!codes.contains(code) && dir.exists(code + QStringLiteral(".aff")))
                codes.append(code);
        }
    }
    codes.sort();
    return codes;
}

std::optional<DictionaryFiles> findDictionary(const QString& languageCode, const QStringList& folders) {
    QString code = languageCode.trimmed();
    code.replace(u'-', u'_');
    QString language = code.section(u'_', 0, 0).toLower();
    QString region = code.section(u'_', 1).toUpper();
    if (language.isEmpty() || !std::all_of(code.begin(), code.end(), [](QChar c) {
            return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || c == u'_';
        }))
        return std::nullopt;
    QString mainName;
    for (const CodeAlias& alias : kAliases) {
        if (language != QLatin1String(alias.code))
            continue;
        const QString to = QLatin1String(alias.dictionary);
        if (to.contains(u'_'))
            mainName = to;
        else
            language = to;
    }
    QStringList names;
    if (!region.isEmpty())
        names.append(language + u'_' + region);
    names.append(language);
    if (!mainName.isEmpty())
        names.append(mainName);
    names.append(language + u'_' + language.toUpper());
    for (const QString& name : names)
        if (std::optional<DictionaryFiles> files = filesNamed(name, folders))
            return files;
    // Any other region of the language, the first by name.
    for (const QString& folder : folders) {
        const QStringList affs =
            QDir(folder).entryList({language + QStringLiteral("_*.aff")}, QDir::Files, QDir::Name);
        for (const QString& aff : affs)
            if (std::optional<DictionaryFiles> files = filesNamed(aff.chopped(4), {folder}))
                return files;
    }
    return std::nullopt;
}

SpellChecker::SpellChecker(QStringList folders, QString myWordsFile)
    : m_folders(std::move(folders)), m_myWords(std::move(myWordsFile)) {
    m_disabledReason = QStringLiteral("No spelling language is chosen.");
}

QVector<UserMessage> SpellChecker::setLanguages(const QStringList& codes) {
    QVector<UserMessage> messages;
    if (!m_myWordsLoaded) {
        m_myWordsLoaded = true;
        if (std::optional<UserMessage> problem = m_myWords.load())
            messages.append(*problem);
    }
    m_dictionaries.clear();
    m_codes.clear();
    m_known.clear();
    QStringList missing;
    for (const QString& code : codes) {
        if (code.trimmed().isEmpty() || m_codes.contains(code))
            continue;
        const std::optional<DictionaryFiles> files = findDictionary(code, m_folders);
        QString error;
        std::unique_ptr<HunspellDictionary> dictionary =
            files ? HunspellDictionary::open(files->aff, files->dic, &error) : nullptr;
        if (!dictionary) {
            missing.append(code);
            messages.append(spellingMessage(
                files
                    ? QStringLiteral("The spelling dictionary for \"%1\" cannot be used (%2); its words are "
                                     "not checked.")
                          .arg(code, error)
                    : QStringLiteral(
                          "No spelling dictionary for \"%1\" is installed; its words are not checked.")
                          .arg(code)));
            continue;
        }
        for (const QString& word : m_myWords.words())
            dictionary->add(word);
        m_codes.append(code);
        m_dictionaries.push_back(Open{code, std::move(dictionary)});
    }
    if (m_dictionaries.empty())
        m_disabledReason = missing.isEmpty()
                               ? QStringLiteral("No spelling language is chosen.")
                               : QStringLiteral("Spelling is not checked: no dictionary for %1.")
                                     .arg(missing.join(QStringLiteral(", ")));
    else
        m_disabledReason.clear();
    return messages;
}

QString SpellChecker::disabledReason() const {
    return m_disabledReason;
}

bool SpellChecker::isCorrect(QStringView word) const {
    if (m_dictionaries.empty() || word.isEmpty())
        return true;
    const QString key = word.toString();
    if (const auto it = m_known.constFind(key); it != m_known.constEnd())
        return it.value();
    bool correct = m_myWords.contains(word);
    for (const Open& open : m_dictionaries) {
        if (correct)
            break;
        correct = open.dictionary->spell(word);
    }
    if (m_known.size() >= kMostRemembered)
        m_known.clear();
    m_known.insert(key, correct);
    return correct;
}

QVector<TextSpan> SpellChecker::misspeltWords(const QString& cellText) const {
    QVector<TextSpan> wrong;
    if (!isEnabled())
        return wrong;
    const TextLayout layout = layoutText(cellText);
    for (const TextSpan& w : wordSpans(layout))
        if (!isCorrect(QStringView(layout.visible).mid(w.start, w.length)))
            wrong.append(layout.cellSpan(w));
    return wrong;
}

QStringList SpellChecker::suggestions(QStringView word, int most) const {
    QStringList all;
    for (const Open& open : m_dictionaries)
        for (const QString& s : open.dictionary->suggest(word))
            if (!all.contains(s))
                all.append(s);
    if (all.size() > most)
        all.resize(most);
    return all;
}

std::optional<UserMessage> SpellChecker::addToMyWords(const QString& word) {
    if (!m_myWordsLoaded) {
        m_myWordsLoaded = true;
        if (std::optional<UserMessage> problem = m_myWords.load())
            return problem;
    }
    if (std::optional<UserMessage> problem = m_myWords.add(word))
        return problem;
    for (Open& open : m_dictionaries)
        open.dictionary->add(word.trimmed());
    m_known.clear(); // the word's other spellings (capitalised, say) were remembered as wrong
    return std::nullopt;
}
