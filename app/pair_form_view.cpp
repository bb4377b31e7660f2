// The form shared by the dictionary and the vocabulary panes.
#include "app/pair_form_view.h"

#include "dictionary/dictionary_rules.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

PairFormView::PairFormView(const QString& originalCaption, const QString& translatedCaption,
                           const QString& buttonText, QWidget* parent)
    : QWidget(parent), m_original(new QLineEdit(this)), m_translated(new QLineEdit(this)),
      m_add(new QPushButton(buttonText, this)) {
    QFont arial(QStringLiteral("Arial"));
    arial.setPointSize(8);
    arial.setStyleHint(QFont::SansSerif);
    setFont(arial);
    m_original->setObjectName(QStringLiteral("originalEdit"));
    m_translated->setObjectName(QStringLiteral("translatedEdit"));
    m_add->setObjectName(QStringLiteral("addButton"));

    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(6, 4, 6, 4);
    layout->setHorizontalSpacing(8);
    auto* originalLabel = new QLabel(originalCaption, this);
    auto* translatedLabel = new QLabel(translatedCaption, this);
    // The labels name the fields for a screen reader.
    originalLabel->setBuddy(m_original);
    translatedLabel->setBuddy(m_translated);
    layout->addWidget(originalLabel, 0, 0);
    layout->addWidget(m_original, 0, 1);
    layout->addWidget(translatedLabel, 1, 0);
    layout->addWidget(m_translated, 1, 1);
    layout->addWidget(m_add, 0, 2, 2, 1, Qt::AlignVCenter);
    layout->setColumnStretch(1, 1);
    layout->setRowStretch(2, 1);

    connect(m_add, &QPushButton::clicked, this, [this] { OnAdd(); });
}

void PairFormView::setTexts(const QString& original, const QString& translated) {
    m_original->setText(original);
    m_translated->setText(translated);
}

bool PairFormView::OnAdd() {
    const std::optional<DictionaryRecord> record =
        dictionaryPairFromPane(m_original->text(), m_translated->text());
    if (!record)
        return false;
    if (!m_append || !m_append(*record)) {
        emit storeFailed();
        return false;
    }
    m_original->clear();
    m_translated->clear();
    return true;
}
