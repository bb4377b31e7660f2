#include "subtitle/save_name.h"

#include <QDir>
#include <QFileInfo>

namespace {

bool isAsciiLower(QChar c) {
    return c >= u'a' && c <= u'z';
}

// "en", "fr", "pt-BR", "zh-TW": the language codes films' subtitles are named with. Longer
// marks ("sdh", "forced", "2019") are part of the name.
bool isLanguageCode(QStringView s) {
    if (s.size() != 2 && s.size() != 5)
        return false;
    if (!isAsciiLower(s[0]) || !isAsciiLower(s[1]))
        return false;
    return s.size() == 2 || (s[2] == u'-' && s[3].isUpper() && s[4].isUpper());
}

// The name without its extension and without a language code before it.
QString stemOf(const QFileInfo& file) {
    QString stem = file.completeBaseName();
    const qsizetype dot = stem.lastIndexOf(u'.');
    if (dot > 0 && isLanguageCode(QStringView(stem).sliced(dot + 1)))
        stem.truncate(dot);
    return stem;
}

QString inFolder(const QFileInfo& file, const QString& name) {
    return file.absoluteDir().filePath(name);
}

} // namespace

QString suggestedSaveName(SaveKind kind, const QString& originalFile, const QString& translatedFile,
                          const QString& languageCode, QStringView extension) {
    const bool mix = kind == SaveKind::MixSubtitle || kind == SaveKind::MixText;
    const bool translatedSide = kind == SaveKind::TranslatedSubtitle || kind == SaveKind::TranslatedText;
    const QString& own = translatedSide ? translatedFile : originalFile;
    const QString ext = u'.' + extension.toString();
    if (!own.isEmpty() && !mix) {
        const QFileInfo file(own);
        return inFolder(file, file.completeBaseName() + ext);
    }
    const QString& base = originalFile.isEmpty() ? translatedFile : originalFile;
    if (base.isEmpty())
        return {};
    const QFileInfo file(base);
    const QString mark = mix ? QStringLiteral("mix") : translatedSide ? languageCode : QString();
    if (mark.isEmpty())
        return inFolder(file, file.completeBaseName() + ext);
    return inFolder(file, stemOf(file) + u'.' + mark + ext);
}
