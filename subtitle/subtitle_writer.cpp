// One writer for the five subtitle layouts and the three text exports, driven by a per-format table.
#include "subtitle/subtitle_writer.h"

#include "subtitle/text_file.h"
#include "subtitle/time_codes.h"
#include "support/log.h"
#include "support/program_folder.h"

#include <QDir>
#include <algorithm>
#include <cerrno>

namespace {

const QString kCrLf = QStringLiteral("\r\n");

enum class TextForm {
    DropBars,     // "|" removed; the line feed of a joined entry stays as a bare LF
    Unchanged,    // MicroDVD keeps "|" as its own line separator
    BracketBreak, // "|" becomes "[br]" and the entry is flattened onto one line
};

// Everything in which the five subtitle layouts differ.
struct FormatLayout {
    QString filter;
    QString extension;
    TextForm textForm;
    bool writesHeader;
    QString afterHeader; // written once after the header lines
    bool numbered;
    QString beforeText;       // between the time line and the first text
    QString beforeTranslated; // between the original and the translated part of a mix entry
    QString entryGap;         // after the line end that closes an entry
    QString trailer;
};

const FormatLayout& layoutOf(std::int32_t formatMode) {
    static const FormatLayout kLayouts[] = {
        // SubRip
        {QStringLiteral("SubRip file(*.srt)||"), QStringLiteral("srt"), TextForm::DropBars, false, QString(),
         true, kCrLf, kCrLf, kCrLf, QString()},
        // MicroDVD: one line per entry, the text right after the time prefix
        {QStringLiteral("MicroDVD File(*.sub;*.txt)|*.sub;*.txt||"), QStringLiteral("sub"),
         TextForm::Unchanged, false, QString(), false, QString(), QStringLiteral("|"), QString(), QString()},
        // SAMI
        {QStringLiteral("Sami file(*.smi)||"), QStringLiteral("smi"), TextForm::DropBars, true, kCrLf, false,
         kCrLf, kCrLf, kCrLf, QStringLiteral("\r\n</BODY></SAMI>")},
        // SubViewer
        {QStringLiteral("SubViewer file(*.SUB)||"), QStringLiteral("SUB"), TextForm::DropBars, true,
         QString(), false, kCrLf, kCrLf, kCrLf, QString()},
        // SubViewer 2.0: original and translation share one line
        {QStringLiteral("SubViewer 2.0 file(*.SUB)||"), QStringLiteral("SUB"), TextForm::BracketBreak, true,
         QString(), false, kCrLf, QStringLiteral("[br]"), kCrLf, QString()},
    };
    // formatMode is always one of the five; anything else is treated as the starting format.
    const std::int32_t mode = isValidFormat(formatMode) ? formatMode : kSubRip;
    return kLayouts[mode - kSubRip];
}

// The lines of an entry's text. A joined entry breaks after its "|"; a line break typed or read
// in any form (CR LF, CR, LF) counts as well, so that no bare one reaches a file.
QStringList textLines(const QString& text) {
    QStringList lines;
    qsizetype from = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != u'\r' && text[i] != u'\n')
            continue;
        lines << text.mid(from, i - from);
        if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
            ++i;
        from = i + 1;
    }
    lines << text.mid(from);
    return lines;
}

QString textForm(const QString& text, TextForm form) {
    const QStringList lines = textLines(text);
    QString out;
    if (form == TextForm::DropBars) {
        // Every line of the file ends in CR LF, those inside an entry too.
        for (qsizetype i = 0; i < lines.size(); ++i) {
            if (i > 0)
                out += kCrLf;
            QString line = lines[i];
            out += line.remove(u'|');
        }
        return out;
    }
    // One line per entry: its lines are parted by "|" only, whether or not a "|" came with the break.
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (i > 0 && !out.endsWith(u'|'))
            out += u'|';
        out += lines[i];
    }
    if (form == TextForm::BracketBreak)
        out.replace(u'|', QStringLiteral("[br]"));
    return out;
}

bool isDecimalNumber(QStringView text) {
    text = text.trimmed();
    return !text.isEmpty() &&
           std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

// A SAMI entry's clearing sync is written where it ends the entry before the next one begins;
// at or after the next show time that entry's own sync replaces it anyway.
bool clearsBeforeNext(const QString& timeLine, const QString& nextTimeLine, bool hasNext) {
    const QString hide = SplitTimeLine(timeLine, kSAMI).hide;
    const QString nextShow = SplitTimeLine(nextTimeLine, kSAMI).show;
    if (!hasNext || !isDecimalNumber(hide) || !isDecimalNumber(nextShow))
        return true;
    return decimalValue(hide) < decimalValue(nextShow);
}

bool isTextExport(SaveKind kind) {
    return kind == SaveKind::OriginalText || kind == SaveKind::TranslatedText || kind == SaveKind::MixText;
}

// The whole file content, BOM aside. Lists may differ in length; a missing element reads as empty.
QString composeSubtitle(const SubtitleDocument& doc, SaveKind kind) {
    const FormatLayout& layout = layoutOf(doc.formatMode);
    const bool mix = kind == SaveKind::MixSubtitle;
    const QStringList& texts = kind == SaveKind::TranslatedSubtitle ? doc.translatedTexts : doc.originalTexts;
    // A translated entry is only written with its own time line, so the shorter list decides.
    const qsizetype count = kind == SaveKind::TranslatedSubtitle
                                ? std::min(doc.timeLines.size(), doc.translatedTexts.size())
                                : doc.originalTexts.size();

    QString out;
    if (layout.writesHeader) {
        for (const QString& line : doc.headerLines)
            out += line + kCrLf;
        out += layout.afterHeader;
    }
    for (qsizetype i = 0; i < count; ++i) {
        if (layout.numbered)
            out += QString::number(i + 1) + kCrLf;
        // An entry without a time line (an interrupted load) keeps its text under an empty time line
        // rather than borrowing another entry's timing.
        QString timeLine = elementOrEmpty(doc.timeLines, i);
        QString clearing;
        if (doc.formatMode == kSAMI) {
            const qsizetype cut = timeLine.indexOf(kSamiClearingSeparator);
            if (cut >= 0 && clearsBeforeNext(timeLine, elementOrEmpty(doc.timeLines, i + 1), i + 1 < count))
                clearing = timeLine.mid(cut + 1);
            if (cut >= 0)
                timeLine.truncate(cut);
        }
        out += timeLine;
        out += layout.beforeText;
        out += textForm(texts[i], layout.textForm);
        if (mix) {
            out += layout.beforeTranslated;
            out += textForm(elementOrEmpty(doc.translatedTexts, i), layout.textForm);
        }
        out += kCrLf;
        out += layout.entryGap;
        if (!clearing.isEmpty())
            out += clearing + kCrLf + layout.entryGap;
    }
    out += layout.trailer;
    return out;
}

QString composeText(const SubtitleDocument& doc, SaveKind kind) {
    const TextForm form = layoutOf(doc.formatMode).textForm;
    QString out;
    if (kind == SaveKind::MixText) {
        for (qsizetype i = 0; i < doc.originalTexts.size(); ++i) {
            out += textForm(doc.originalTexts[i], form) + kCrLf;
            out += textForm(elementOrEmpty(doc.translatedTexts, i), form) + kCrLf;
            out += kCrLf;
        }
        return out;
    }
    const QStringList& texts = kind == SaveKind::OriginalText ? doc.originalTexts : doc.translatedTexts;
    for (const QString& text : texts)
        out += textForm(text, form) + kCrLf;
    return out;
}

UserMessage openFailure(int errorNumber) {
    return UserMessage{QString::number(errorNumber), QStringLiteral("velmora"), MessageIcon::Error};
}

UserMessage writeFailure(const QString& path) {
    return UserMessage{
        QStringLiteral("The file could not be written: %1").arg(QDir::toNativeSeparators(path)),
        QStringLiteral("velmora"), MessageIcon::Error};
}

} // namespace

SaveDialogSpec saveDialogSpec(SaveKind kind, std::int32_t formatMode) {
    if (isTextExport(kind))
        return {QStringLiteral("txt file(*.txt)|*.txt|All files (*.*)|*.*||"), QStringLiteral("txt")};
    const FormatLayout& layout = layoutOf(formatMode);
    return {layout.filter, layout.extension};
}

bool hasSomethingToSave(const SubtitleDocument& document, SaveKind kind) {
    switch (kind) {
    case SaveKind::TranslatedSubtitle:
    case SaveKind::TranslatedText:
        return !document.translatedTexts.isEmpty();
    case SaveKind::OriginalSubtitle:
    case SaveKind::MixSubtitle:
    case SaveKind::OriginalText:
    case SaveKind::MixText:
        return !document.originalTexts.isEmpty();
    }
    return false;
}

namespace {

SaveResult writeDocument(SubtitleDocument& document, SaveKind kind, const QString& path, std::uint32_t flags,
                         int* openError = nullptr) {
    CStdioFileEx file;
    int errorNumber = 0;
    if (!file.Open(path, flags, &errorNumber)) {
        log_printf("cannot create %s: error %d\n", qUtf8Printable(path), errorNumber);
        if (openError)
            *openError = errorNumber;
        return {false, openFailure(errorNumber)};
    }
    if (kind == SaveKind::TranslatedSubtitle)
        document.translatedTimeLines = document.timeLines;

    const QString content =
        isTextExport(kind) ? composeText(document, kind) : composeSubtitle(document, kind);
    const bool wrote = file.WriteString(content);
    // Close puts the new file in place only when everything reached the disk; a failed write leaves
    // the old file as it was.
    if (!file.Close() || !wrote) {
        log_printf("cannot write %s\n", qUtf8Printable(path));
        return {false, writeFailure(path)};
    }
    return {true, std::nullopt};
}

// Names tried past the first when one is taken, each a second later.
constexpr int kTemporaryNameTries = 100;

} // namespace

SaveResult SaveDocument(SubtitleDocument& document, SaveKind kind, const QString& givenPath) {
    if (!hasSomethingToSave(document, kind))
        return {};
    return writeDocument(document, kind, resolveInProgramFolder(givenPath), CStdioFileEx::kSaveFlags);
}

std::optional<QString> WriteTemporaryTranslatedSubtitle(SubtitleDocument& document, const QString& folder,
                                                        qint64 secondsSince1970, SaveResult* result) {
    if (result)
        *result = {};
    if (document.translatedTexts.isEmpty())
        return std::nullopt;
    QString prefix = folder;
    if (!prefix.isEmpty() && !prefix.endsWith(u'/'))
        prefix += u'/';
    const QString suffix = QStringLiteral("translated.") + layoutOf(document.formatMode).extension;
    // The file is always made new: a name already taken, by an earlier file or by a link planted
    // there, is left alone and the next second's name is tried.
    QString path;
    SaveResult saved;
    for (int n = 0; n < kTemporaryNameTries; ++n) {
        path = resolveInProgramFolder(prefix + QString::number(secondsSince1970 + n) + suffix);
        int openError = 0;
        saved = writeDocument(document, SaveKind::TranslatedSubtitle, path,
                              CStdioFileEx::kSaveFlags | CStdioFileEx::createNew, &openError);
        if (openError != EEXIST)
            break;
    }
    if (result)
        *result = saved;
    return path;
}
