// The editing dialogs.
#include "app/edit_dialogs.h"

#include "app/ribbon/ribbon_bar.h"
#include "app/shell_rules.h"
#include "subtitle/subtitle_format.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFontMetrics>
#include <QFormLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QTextCursor>
#include <QTextEdit>
#include <QVBoxLayout>

namespace {

// Desktops show a dialog's title with the program's name after it ("Set Delay — velmora") beside
// the title bar's buttons; a dialog as narrow as its controls would cut it off.
void makeRoomForTitle(QDialog* dialog) {
    QString shown = dialog->windowTitle();
    const QString program = QGuiApplication::applicationDisplayName();
    if (!program.isEmpty() && !shown.contains(program))
        shown += QStringLiteral(" \u2014 ") + program;
    QFont font = dialog->font();
    font.setBold(true);
    constexpr int kTitleBarButtons = 3 * 32 + 24;
    const int needed = QFontMetrics(font).horizontalAdvance(shown) + kTitleBarButtons;
    if (dialog->minimumWidth() < needed)
        dialog->setMinimumWidth(needed);
}

} // namespace

// ---------------------------------------------------------------- Set Delay

CSet_Delay::CSet_Delay(std::int32_t formatMode, QWidget* parent)
    : QDialog(parent), m_format(formatMode), m_sign(new QComboBox(this)), m_value(new TimeSpinEdit(this)),
      m_all(new QRadioButton(QStringLiteral("For all the subtitles "), this)),
      m_selected(new QRadioButton(QStringLiteral("For selected subtitles"), this)) {
    setWindowTitle(QStringLiteral("Set Delay"));
    setObjectName(QStringLiteral("setDelay"));
    m_sign->addItems({QStringLiteral("+"), QStringLiteral("-")});
    m_sign->setCurrentIndex(0);
    // Neither has a label beside it: a screen reader needs their names.
    m_sign->setAccessibleName(QStringLiteral("Delay direction"));
    m_sign->setAccessibleDescription(QStringLiteral("+ shows the subtitles later, - earlier"));
    m_value->setAccessibleName(QStringLiteral("Delay"));
    // Format 0 has never been loaded: it counts as SubRip.
    const std::int32_t maskFormat = formatMode == 0 ? kSubRip : formatMode;
    if (const std::optional<QString> mask = delayInputMask(maskFormat))
        m_value->setInputMask(*mask);
    m_value->setText(formatDelayValue(0, maskFormat));
    m_selected->setChecked(true);
    connect(m_value, &TimeSpinEdit::stepped, this, &CSet_Delay::step);

    auto* value = new QHBoxLayout;
    value->addWidget(m_sign);
    value->addWidget(m_value, 1);
    auto* scope = new QVBoxLayout;
    scope->addWidget(m_all);
    scope->addWidget(m_selected);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(value);
    layout->addLayout(scope);
    layout->addWidget(buttons);
    m_value->setFocus();
    makeRoomForTitle(this);
}

void CSet_Delay::step(int steps) {
    const std::int32_t value = stepDelayValue(readDelayValue(m_value->text(), m_format), steps);
    m_value->setText(formatDelayValue(value, m_format == 0 ? kSubRip : m_format));
}

void CSet_Delay::accept() {
    m_choice.value = std::max(readDelayValue(m_value->text(), m_format == 0 ? kSubRip : m_format), 0);
    m_choice.negative = m_sign->currentText() != QLatin1String("+");
    m_choice.selectedOnly = m_selected->isChecked();
    QDialog::accept();
}

// ---------------------------------------------------------------- Go to Line Number

CLine_Number::CLine_Number(ShowMessage showMessage, QWidget* parent)
    : QDialog(parent), m_showMessage(std::move(showMessage)), m_edit(new QLineEdit(this)),
      m_go(new QPushButton(QStringLiteral("Go!"), this)) {
    setWindowTitle(QStringLiteral("Go to Line Number"));
    setObjectName(QStringLiteral("lineNumber"));
    m_edit->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), m_edit));
    m_go->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    connect(m_go, &QPushButton::clicked, this, &CLine_Number::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* row = new QHBoxLayout;
    auto* label = new QLabel(QStringLiteral("Line Number: "), this);
    label->setBuddy(m_edit);
    row->addWidget(label);
    row->addWidget(m_edit, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_go);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addLayout(buttons);
    m_edit->setFocus();
    makeRoomForTitle(this);
}

void CLine_Number::accept() {
    const std::optional<int> number = lineNumberFromText(m_edit->text());
    if (!number) {
        if (m_showMessage)
            m_showMessage(errorMessage(kInvalidLineNumber));
        return;
    }
    m_number = *number;
    QDialog::accept();
}

// ---------------------------------------------------------------- Find and Replace

FindReplaceDialog::FindReplaceDialog(Kind kind, QWidget* parent)
    : QDialog(parent), m_kind(kind), m_find(new QLineEdit(this)),
      m_matchCase(new QCheckBox(QStringLiteral("Match &case"), this)),
      m_findNext(new QPushButton(QStringLiteral("&Find Next"), this)) {
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);
    setWindowTitle(kind == Kind::Find ? QStringLiteral("Find") : QStringLiteral("Replace"));
    setObjectName(kind == Kind::Find ? QStringLiteral("findDialog") : QStringLiteral("replaceDialog"));

    auto* fields = new QFormLayout;
    fields->addRow(QStringLiteral("Fi&nd what:"), m_find);
    if (kind == Kind::Replace) {
        m_replace = new QLineEdit(this);
        fields->addRow(QStringLiteral("Re&place with:"), m_replace);
    }
    auto* options = new QHBoxLayout;
    options->addWidget(m_matchCase, 0, Qt::AlignBottom);
    if (kind == Kind::Find) {
        // Replacing always searches downwards; only the find dialog offers a direction.
        auto* direction = new QGroupBox(QStringLiteral("Direction"), this);
        m_up = new QRadioButton(QStringLiteral("&Up"), direction);
        m_down = new QRadioButton(QStringLiteral("&Down"), direction);
        m_down->setChecked(true);
        auto* d = new QHBoxLayout(direction);
        d->addWidget(m_up);
        d->addWidget(m_down);
        options->addStretch(1);
        options->addWidget(direction);
    }
    auto* left = new QVBoxLayout;
    left->addLayout(fields);
    left->addLayout(options);
    left->addStretch(1);

    auto* buttons = new QVBoxLayout;
    m_findNext->setDefault(true);
    buttons->addWidget(m_findNext);
    connect(m_findNext, &QPushButton::clicked, this,
            [this] { report(FindReplaceRequest::Button::FindNext); });
    if (kind == Kind::Replace) {
        m_replaceButton = new QPushButton(QStringLiteral("&Replace"), this);
        m_replaceAll = new QPushButton(QStringLiteral("Replace &All"), this);
        buttons->addWidget(m_replaceButton);
        buttons->addWidget(m_replaceAll);
        connect(m_replaceButton, &QPushButton::clicked, this,
                [this] { report(FindReplaceRequest::Button::Replace); });
        connect(m_replaceAll, &QPushButton::clicked, this,
                [this] { report(FindReplaceRequest::Button::ReplaceAll); });
        connect(m_replace, &QLineEdit::textChanged, this, &FindReplaceDialog::updateButtons);
    }
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    buttons->addWidget(cancel);
    buttons->addStretch(1);

    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left, 1);
    layout->addLayout(buttons);
    connect(m_find, &QLineEdit::textChanged, this, &FindReplaceDialog::updateButtons);
    updateButtons();
    // The two texts first, as they stand, then the options and the buttons (the controls were
    // made in another order).
    QList<QWidget*> order = {m_find};
    if (m_replace)
        order.append(m_replace);
    order.append(m_matchCase);
    if (m_up)
        order.append({m_up, m_down});
    order.append(m_findNext);
    if (m_replaceButton)
        order.append({m_replaceButton, m_replaceAll});
    order.append(cancel);
    for (qsizetype i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);
    m_find->setFocus();
    makeRoomForTitle(this);
}

void FindReplaceDialog::offer(const QString& findText, const QString& replaceText) {
    m_find->setText(findText);
    m_find->selectAll();
    if (m_replace)
        m_replace->setText(replaceText);
}

QString selectedSearchText(const QWidget* widget) {
    QString text;
    if (const auto* line = qobject_cast<const QLineEdit*>(widget))
        text = line->selectedText();
    else if (const auto* edit = qobject_cast<const QTextEdit*>(widget))
        text = edit->textCursor().selectedText();
    else if (const auto* plain = qobject_cast<const QPlainTextEdit*>(widget))
        text = plain->textCursor().selectedText();
    // A text cursor marks line and paragraph breaks with their own separators.
    static const QString kBreaks = QStringLiteral("\n\r\u2028\u2029");
    for (QChar c : text)
        if (kBreaks.contains(c))
            return {};
    return text;
}

void FindReplaceDialog::updateButtons() {
    // The buttons would do nothing without a find text; replacing needs a replacement too.
    const bool hasFind = !m_find->text().isEmpty();
    m_findNext->setEnabled(hasFind);
    if (m_replaceButton) {
        const bool canReplace = hasFind && !m_replace->text().isEmpty();
        m_replaceButton->setEnabled(canReplace);
        m_replaceAll->setEnabled(canReplace);
    }
}

void FindReplaceDialog::report(FindReplaceRequest::Button button) {
    FindReplaceRequest request;
    request.button = button;
    request.findText = m_find->text();
    request.replaceText = m_replace ? m_replace->text() : QString();
    request.matchCase = m_matchCase->isChecked();
    request.down = m_up ? !m_up->isChecked() : true;
    emit findReplace(request);
}

void FindReplaceDialog::done(int result) {
    if (!m_closingReported) {
        m_closingReported = true;
        report(FindReplaceRequest::Button::Closing);
    }
    QDialog::done(result);
}
