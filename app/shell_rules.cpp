// Window-free rules of the shell.
#include "app/shell_rules.h"

#include "charset/charset_table.h"
#include "charset/code_page.h"
#include "subtitle/format_table.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

bool isTemporaryTranslatedName(const QString& fileName) {
    // The extensions the formats save with.
    static const QRegularExpression ours = [] {
        QStringList extensions;
        for (const SubtitleFormatInfo& format : formatTable())
            if (!extensions.contains(format.extension))
                extensions << format.extension.toString();
        return QRegularExpression(QStringLiteral("^[0-9]+translated\\.(%1)$").arg(extensions.join(u'|')));
    }();
    return ours.match(fileName).hasMatch();
}

int deleteTemporaryTranslatedFiles(const QString& folder) {
    if (folder.isEmpty())
        return 0;
    const QDir dir(folder);
    int deleted = 0;
    // Only plain files: a folder that happens to match is the user's, not a leftover of ours.
    const QStringList names = dir.entryList({QStringLiteral("*translated*")}, QDir::Files | QDir::System);
    for (const QString& name : names) {
        if (isTemporaryTranslatedName(name) && QFile::remove(dir.filePath(name)))
            ++deleted;
    }
    return deleted;
}

namespace {
// "Simplified Chinese(GB2312)" reads better in a sentence as "Simplified Chinese (GB2312)".
QString charsetNameInSentence(std::uint32_t codePage) {
    for (const CharsetEntry& entry : charsetTable())
        if (entry.codePage == codePage) {
            QString name = QString::fromUtf16(entry.displayName);
            const qsizetype open = name.indexOf(u'(');
            if (open > 0 && name[open - 1] != u' ')
                name.insert(open, u' ');
            return name;
        }
    return QStringLiteral("code page %1").arg(codePage);
}
} // namespace

QString encodingStatus(Side side, const EncodingGuess& guess) {
    const QString sideName =
        side == Side::Original ? QStringLiteral("Original") : QStringLiteral("Translated");
    switch (guess.source) {
    case EncodingGuess::Source::Ascii:
        return {};
    case EncodingGuess::Source::ByteOrderMark:
        return QStringLiteral("%1: read as Unicode by its byte-order mark").arg(sideName);
    default:
        return QStringLiteral(
                   "%1: read as %2 \u2014 change it in the character set box if the text looks wrong")
            .arg(sideName, charsetNameInSentence(guess.codePage));
    }
}

CharsetBoxView charsetBoxView(Side side, std::uint32_t codePage, const EncodingGuess& readAs) {
    CharsetBoxView view;
    if (readAs.source == EncodingGuess::Source::ByteOrderMark) {
        // The mark's code page is UTF-8's or 0 for the 16- and 32-bit forms, which subtitle files
        // only ever use as UTF-16.
        const bool utf8 = readAs.codePage == kUtf8CodePage;
        view.name = utf8 ? QStringLiteral("Unicode(UTF-8)") : QStringLiteral("Unicode(UTF-16)");
        view.redecodes = false;
        view.whyNot =
            QStringLiteral("The %1 was read as Unicode (%2) by its byte-order mark: its text is "
                           "exact, and no other character set can read it differently.")
                .arg(side == Side::Original ? QStringLiteral("original") : QStringLiteral("translation"),
                     utf8 ? QStringLiteral("UTF-8") : QStringLiteral("UTF-16"));
        return view;
    }
    for (const CharsetEntry& entry : charsetTable())
        if (entry.codePage == codePage) {
            view.name = QString::fromUtf16(entry.displayName);
            break;
        }
    return view;
}

CharsetBoxView CharsetBoxFollower::loaded(std::uint32_t codePage, const EncodingGuess& readAs) {
    m_readAs = readAs;
    m_start.reset();
    m_shown = codePage;
    return view(codePage);
}

void CharsetBoxFollower::noteStart(std::uint32_t codePage) {
    // Until the first pick or load the side's page cannot have moved: what the box shows is its
    // start selection, for this page.
    if (m_shown)
        return;
    m_shown = codePage;
    if (!m_readAs)
        m_start = codePage;
}

void CharsetBoxFollower::picking(std::uint32_t codePage) {
    noteStart(codePage);
}

std::optional<CharsetBoxView> CharsetBoxFollower::follow(std::uint32_t codePage) {
    if (!m_shown) {
        noteStart(codePage);
        return std::nullopt;
    }
    if (*m_shown == codePage)
        return std::nullopt;
    m_shown = codePage;
    return view(codePage);
}

CharsetBoxView CharsetBoxFollower::view(std::uint32_t codePage) const {
    if (m_start == codePage) {
        CharsetBoxView start;
        start.name = QString::fromUtf16(kDefaultCharsetName);
        return start;
    }
    return charsetBoxView(m_side, codePage, m_readAs.value_or(EncodingGuess{}));
}

QString formatName(std::int32_t formatMode) {
    return isValidFormat(formatMode) ? formatInfo(formatMode).name.toString() : QString();
}

UserMessage formatMismatchQuestion(std::int32_t chosen, std::int32_t looksLike) {
    return UserMessage{QStringLiteral("This file does not look like %1; it looks like %2.\n\nRead it as %3?")
                           .arg(formatFileName(chosen), formatFileName(looksLike), formatName(looksLike)),
                       QStringLiteral("velmora"), MessageIcon::Warning};
}

std::optional<QString> timingsInputMask(std::int32_t formatMode) {
    if (!isValidFormat(formatMode) || formatInfo(formatMode).inputMask.isEmpty())
        return std::nullopt;
    return formatInfo(formatMode).inputMask.toString();
}

std::optional<QString> delayInputMask(std::int32_t formatMode) {
    const SubtitleFormatInfo& format = formatInfo(formatMode);
    if (!isValidFormat(formatMode) || !format.clockTimes)
        return std::nullopt;
    return format.unit == TimeUnit::Centisecond ? QStringLiteral("99:99:99,99;0")
                                                : QStringLiteral("99:99:99,999;0");
}

std::optional<QString> TimingsMaskLatch::take(std::int32_t formatMode) {
    const bool rich = isValidFormat(formatMode) && formatInfo(formatMode).richTimeLines;
    const QString own = timingsInputMask(formatMode).value_or(QString());
    if (m_count == 0) {
        // MicroDVD and SAMI spend the latch too: the boxes then keep free text for the whole run.
        m_count = 1;
        m_first = m_current = own;
        return timingsInputMask(formatMode);
    }
    // The five first formats keep the first mask of the run. WebVTT and Advanced SubStation get
    // their own, or typing would write their times in a foreign shape.
    const QString wanted = rich ? own : m_first;
    if (wanted == m_current)
        return std::nullopt;
    m_current = wanted;
    return wanted;
}

TimingControlStates timingControlStates(int selectedRows, bool hasFocusedRow, const QString& focusedShow,
                                        std::int32_t formatMode) {
    TimingControlStates s;
    if (selectedRows == 1) {
        s.showEdit = true;
        s.hideEdit = formatInfo(formatMode).hasHideTime;
        s.restoreButton = true;
    }
    if (hasFocusedRow && focusedShow.isEmpty())
        s = TimingControlStates{};
    return s;
}

QString userGuidePath(const QString& programFolder) {
    return QDir::cleanPath(programFolder + QStringLiteral("../share/doc/velmora/README.md"));
}

UserMessage userGuideMissing(const QString& path) {
    return errorMessage(
        QStringLiteral("The user guide was not found.\n\nvelmora looked for it at:\n%1").arg(path));
}

UserMessage userGuideNotOpened(const QString& path) {
    return errorMessage(
        QStringLiteral("The user guide could not be opened: the desktop has no program to show it.\n\n"
                       "It is at:\n%1")
            .arg(path));
}

UserMessage programMissing(const QString& name, const QString& path) {
    return errorMessage(
        QStringLiteral("%1 was not found.\n\nvelmora looks for it beside itself, at:\n%2").arg(name, path));
}

UserMessage programNotStarted(const QString& name, const QString& path) {
    return errorMessage(QStringLiteral("%1 could not be started:\n%2").arg(name, path));
}

QStringList qtNameFilters(const QString& windowsFilter) {
    QStringList parts = windowsFilter.split(u'|');
    // The string ends in "||": drop the empty tail so that pairs line up.
    while (!parts.isEmpty() && parts.last().isEmpty())
        parts.removeLast();
    QStringList filters;
    for (qsizetype i = 0; i < parts.size(); i += 2) {
        const QString label = parts[i];
        QStringList patterns;
        if (i + 1 < parts.size())
            for (const QString& p : parts[i + 1].split(u';', Qt::SkipEmptyParts))
                patterns.append(p.trimmed());
        if (patterns.isEmpty())
            patterns.append(QStringLiteral("*"));
        filters.append(label + QStringLiteral(" (") + patterns.join(u' ') + u')');
    }
    return filters;
}
