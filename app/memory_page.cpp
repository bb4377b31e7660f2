#include "app/memory_page.h"

#include <QLabel>
#include <QListWidget>
#include <QSettings>
#include <QShortcut>
#include <QVBoxLayout>
#include <algorithm>

int readMatchThreshold(const QString& settingsFile) {
    const QSettings settings(settingsFile, QSettings::IniFormat);
    bool ok = false;
    const int value = settings.value(QLatin1String(kMemoryThresholdKey)).toInt(&ok);
    if (!ok)
        return kDefaultMatchThreshold;
    return std::clamp(value, kLowestMatchThreshold, 100);
}

QString highlightedHtml(const QString& text, const QList<TextRange>& ranges) {
    QList<TextRange> sorted = ranges;
    std::sort(sorted.begin(), sorted.end(),
              [](const TextRange& a, const TextRange& b) { return a.start < b.start; });
    QString html;
    int at = 0;
    for (const TextRange& r : sorted) {
        const int start = std::clamp(r.start, at, int(text.size()));
        const int end = std::clamp(r.start + r.length, start, int(text.size()));
        html += text.mid(at, start - at).toHtmlEscaped();
        if (end > start)
            html += QStringLiteral("<span style=\"background-color:#ffd966\">") +
                    text.mid(start, end - start).toHtmlEscaped() + QStringLiteral("</span>");
        at = end;
    }
    html += text.mid(at).toHtmlEscaped();
    // Line breaks of the unit show as the grid's joiner.
    html.replace(QLatin1Char('\n'), QString());
    return html;
}

QString typedFromMemoryText(const QString& target) {
    QString typed = target;
    typed.replace(QStringLiteral("|\n"), QStringLiteral("|"));
    typed.replace(QLatin1Char('\n'), QLatin1Char('|'));
    return typed;
}

MemoryPage::MemoryPage(QWidget* window, QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("memoryPage"));
    auto* layout = new QVBoxLayout(this);
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("memoryStatus"));
    m_status->setWordWrap(true);
    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("memoryMatches"));
    m_list->setAccessibleName(QStringLiteral("Memory matches"));
    m_list->setAlternatingRowColors(true);
    layout->addWidget(m_status);
    layout->addWidget(m_list, 1);
    connect(m_list, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem* item) { choose(m_list->row(item)); });
    for (int i = 0; i < kMaxMatches; ++i) {
        auto* shortcut = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key(Qt::Key_1 + i)), window);
        shortcut->setContext(Qt::WindowShortcut);
        connect(shortcut, &QShortcut::activated, this, [this, i] { choose(i); });
    }
    showMatches(-1, {}, {});
}

void MemoryPage::showMatches(int row, const QString& original, const LanguagePair& languages) {
    m_row = row;
    m_original = original;
    m_languages = languages;
    m_matches.clear();
    m_list->clear();
    if (!m_store || m_store->access() == MemoryAccess::Closed) {
        m_status->setText(tr("The translation memory is not open."));
        return;
    }
    if (row < 0 || memoryKey(original).isEmpty()) {
        m_status->setText(tr("No row with text is focused."));
        return;
    }
    MatchOptions options;
    options.threshold = m_threshold;
    MemoryResult<QList<MemoryMatch>> found = m_store->approximateMatches(original, languages, options);
    if (found.message) {
        m_status->setText(found.message->text);
        return;
    }
    m_matches = std::move(found.value);
    if (m_matches.isEmpty())
        m_status->setText(tr("No match of %1 % or more.").arg(m_threshold));
    else if (m_matches.size() == 1)
        m_status->setText(tr("Double-click the match, or press Ctrl+1, to use it."));
    else
        m_status->setText(
            tr("Double-click a match, or press Ctrl+1 to Ctrl+%1, to use it.").arg(m_matches.size()));
    for (int i = 0; i < m_matches.size(); ++i) {
        const MemoryMatch& match = m_matches[i];
        auto* item = new QListWidgetItem(m_list);
        item->setToolTip(match.unit.origin);
        // Words of the row that the unit lacks have no place in its text: they are listed struck out.
        QStringList lacking;
        for (const TextRange& r : match.missing)
            lacking << m_original.mid(r.start, r.length).toHtmlEscaped();
        const QString lacks = lacking.isEmpty() ? QString()
                                                : QStringLiteral(" &nbsp; <s style=\"color:#a33\">%1</s>")
                                                      .arg(lacking.join(QLatin1Char(' ')));
        auto* label =
            new QLabel(QStringLiteral("<b>%1 %</b> &nbsp; <small>Ctrl+%2</small><br>%3%4<br><i>%5</i>")
                           .arg(match.score)
                           .arg(i + 1)
                           .arg(highlightedHtml(match.unit.source, match.differences), lacks,
                                match.unit.target.toHtmlEscaped().replace(QLatin1Char('\n'), QString())),
                       m_list);
        label->setTextFormat(Qt::RichText);
        label->setWordWrap(true);
        label->setMargin(4);
        // The list takes the clicks.
        label->setAttribute(Qt::WA_TransparentForMouseEvents);
        item->setSizeHint(label->sizeHint());
        m_list->setItemWidget(item, label);
    }
}

void MemoryPage::refresh() {
    showMatches(m_row, m_original, m_languages);
}

bool MemoryPage::choose(int index) {
    if (m_row < 0 || index < 0 || index >= m_matches.size())
        return false;
    emit matchChosen(m_row, typedFromMemoryText(m_matches[index].unit.target));
    return true;
}
