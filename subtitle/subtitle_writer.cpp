// One writer for the five subtitle layouts and the three text exports, driven by a per-format table.
#include "subtitle/subtitle_writer.h"

#include "charset/code_page.h"
#include "subtitle/format_table.h"
#include "subtitle/text_file.h"
#include "subtitle/time_codes.h"
#include "subtitle/webvtt_format.h"
#include "support/log.h"
#include "support/program_folder.h"

#include <QDir>
#include <algorithm>
#include <cerrno>
#include <charconv>

namespace {

const QString kCrLf = QStringLiteral("\r\n");

// A WebVTT cue cannot hold a blank line (it would end the cue) nor "-->" (it would time a new
// one): blank lines go, and the arrow's ">" is written as its escape, which shows the same.
QString webVttCueText(const QString& fileText) {
    // Most cues are one line without an arrow: nothing to change.
    if (!fileText.contains(u'\r') && !fileText.contains(u"-->"))
        return fileText;
    // The lines of several, without the empty ones, in one pass.
    const bool severalLines = fileText.contains(kCrLf);
    QString out;
    out.reserve(fileText.size() + 8);
    bool first = true;
    for (qsizetype from = 0;;) {
        const qsizetype at = fileText.indexOf(kCrLf, from);
        const QStringView line = QStringView(fileText).sliced(from, (at < 0 ? fileText.size() : at) - from);
        if (!(severalLines && line.isEmpty())) {
            if (!first)
                out += kCrLf;
            out += line;
            first = false;
        }
        if (at < 0)
            break;
        from = at + 2;
    }
    if (out.contains(u"-->"))
        out.replace(QStringLiteral("-->"), QStringLiteral("--&gt;"));
    return out;
}

QString textForm(const QString& text, std::int32_t formatMode) {
    const QString out = fileTextOfEntry(text, formatMode);
    return formatMode == kWebVTT ? webVttCueText(out) : out;
}

// Lines the writer keeps in one string (the blocks before a cue, the lines before an event)
// are parted by line feeds; in the file every line ends in CR LF.
QString withCrLf(QString lines) {
    if (!lines.contains(u'\n'))
        return lines;
    return lines.replace(u'\n', kCrLf);
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
    const SubtitleFormatInfo& layout = formatInfo(doc.formatMode);
    const std::int32_t format = layout.id;
    const bool mix = kind == SaveKind::MixSubtitle;
    const QStringList& texts = kind == SaveKind::TranslatedSubtitle ? doc.translatedTexts : doc.originalTexts;
    // A translated entry is only written with its own time line, so the shorter list decides.
    const qsizetype count = kind == SaveKind::TranslatedSubtitle
                                ? std::min(doc.timeLines.size(), doc.translatedTexts.size())
                                : doc.originalTexts.size();

    QString out;
    // Room for the whole file at once: growing a string of a megabyte step by step costs more than
    // composing it.
    qsizetype room = layout.trailer.size() + 64;
    for (const QStringList* lines : {&doc.headerLines, &doc.trailerLines})
        for (const QString& line : *lines)
            room += line.size() + 2;
    for (qsizetype i = 0; i < count; ++i) {
        room += texts[i].size() + 48;
        if (i < doc.timeLines.size())
            room += doc.timeLines[i].size();
        if (mix && i < doc.translatedTexts.size())
            room += doc.translatedTexts[i].size();
    }
    out.reserve(room);
    if (layout.hasHeader) {
        // A WebVTT file is one only with its signature line first.
        if (format == kWebVTT && (doc.headerLines.isEmpty() || !isWebVttSignature(doc.headerLines.first())))
            out += QStringLiteral("WEBVTT") + kCrLf;
        for (const QString& line : doc.headerLines)
            out += line + kCrLf;
        out += layout.afterHeader;
    }
    for (qsizetype i = 0; i < count; ++i) {
        if (layout.numbered) {
            char number[24];
            const auto end = std::to_chars(number, number + sizeof number, i + 1).ptr;
            out += QLatin1StringView(number, end - number);
            out += kCrLf;
        }
        // An entry without a time line (an interrupted load) keeps its text under an empty time line
        // rather than borrowing another entry's timing.
        QString clearing;
        if (format != kSAMI && format != kWebVTT && format != kSubStation) {
            // Written as it is, without a copy of its own.
            if (i < doc.timeLines.size())
                out += doc.timeLines[i];
        } else {
            QString timeLine = elementOrEmpty(doc.timeLines, i);
            if (format == kSAMI) {
                const qsizetype cut = timeLine.indexOf(kSamiClearingSeparator);
                if (cut >= 0 &&
                    clearsBeforeNext(timeLine, elementOrEmpty(doc.timeLines, i + 1), i + 1 < count))
                    clearing = timeLine.mid(cut + 1);
                if (cut >= 0)
                    timeLine.truncate(cut);
            } else {
                timeLine = withCrLf(std::move(timeLine));
            }
            out += timeLine;
        }
        if (format == kWebVTT) {
            const QString text = textForm(texts[i], format);
            const QString translated =
                mix ? textForm(elementOrEmpty(doc.translatedTexts, i), format) : QString();
            const bool empty =
                text.isEmpty() && (!mix || (layout.beforeTranslated.isEmpty() && translated.isEmpty()));
            // A cue without text is its timing line alone.
            if (!empty) {
                out += layout.beforeText;
                out += text;
                if (mix) {
                    out += layout.beforeTranslated;
                    out += translated;
                }
            }
        } else {
            // The texts go straight into the file's text, without a string of their own per entry.
            out += layout.beforeText;
            appendFileTextOfEntry(out, texts[i], format);
            if (mix) {
                out += layout.beforeTranslated;
                appendFileTextOfEntry(out, elementOrEmpty(doc.translatedTexts, i), format);
            }
        }
        out += kCrLf;
        out += layout.entryGap;
        if (!clearing.isEmpty()) {
            out += clearing + kCrLf;
            out += layout.entryGap;
        }
    }
    for (const QString& line : doc.trailerLines)
        out += line + kCrLf;
    out += layout.trailer;
    return out;
}

QString composeText(const SubtitleDocument& doc, SaveKind kind) {
    // A text export is plain lines; the line-break codes of a format have no place in it.
    const std::int32_t form =
        formatInfo(doc.formatMode).textForm == TextForm::OwnBreak ? std::int32_t(kWebVTT) : doc.formatMode;
    // Sized once: the lines and their ends, and a few breaks more.
    auto sizeOf = [](const QStringList& texts) {
        qsizetype size = 0;
        for (const QString& text : texts)
            size += text.size() + kCrLf.size();
        return size;
    };
    auto line = [form](QString& out, const QString& text) {
        appendFileTextOfEntry(out, text, form);
        out += kCrLf;
    };
    QString out;
    if (kind == SaveKind::MixText) {
        out.reserve(sizeOf(doc.originalTexts) + sizeOf(doc.translatedTexts) +
                    doc.originalTexts.size() * kCrLf.size() + 64);
        for (qsizetype i = 0; i < doc.originalTexts.size(); ++i) {
            line(out, doc.originalTexts[i]);
            line(out, elementOrEmpty(doc.translatedTexts, i));
            out += kCrLf;
        }
        return out;
    }
    const QStringList& texts = kind == SaveKind::OriginalText ? doc.originalTexts : doc.translatedTexts;
    out.reserve(sizeOf(texts) + 64);
    for (const QString& text : texts)
        line(out, text);
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
    const SubtitleFormatInfo& format = formatInfo(formatMode);
    return {format.saveFilter.toString(), format.extension.toString()};
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
    // Text exports are UTF-16 whatever the format; a subtitle is written as its format wants it.
    const bool utf8 = !isTextExport(kind) && formatInfo(document.formatMode).encoding == FileEncoding::Utf8;
    if (utf8)
        flags &= ~std::uint32_t(CStdioFileEx::writeUtf16Flag);
    if (!file.Open(path, flags, &errorNumber)) {
        log_printf("cannot create %s: error %d\n", qUtf8Printable(path), errorNumber);
        if (openError)
            *openError = errorNumber;
        return {false, openFailure(errorNumber)};
    }
    if (utf8)
        file.SetCodePage(std::int32_t(kUtf8CodePage));
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

SaveResult writeDocument(SubtitleDocument& document, SaveKind kind, const QString& givenPath) {
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
    const QString suffix =
        QStringLiteral("translated.") + formatInfo(document.formatMode).extension.toString();
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
