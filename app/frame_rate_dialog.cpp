// The frame rate question of a MicroDVD conversion.
#include "app/frame_rate_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

FrameRateDialog::FrameRateDialog(std::optional<FrameRate> fileRate, QWidget* parent)
    : QDialog(parent), m_box(new QComboBox(this)), m_problem(new QLabel(this)) {
    setWindowTitle(QStringLiteral("Frame Rate"));
    setObjectName(QStringLiteral("frameRate"));
    // A rate not in the list can be typed.
    m_box->setEditable(true);
    // The question above is a sentence; a screen reader names the box more briefly.
    m_box->setAccessibleName(QStringLiteral("Frames per second"));
    if (fileRate)
        m_box->addItem(QStringLiteral("%1 (the file's own)").arg(fileRate->text()), fileRate->text());
    for (const FrameRate& rate : usualFrameRates())
        if (!fileRate || !(rate == *fileRate))
            m_box->addItem(rate.text(), rate.text());
    const int twentyFive = m_box->findData(QStringLiteral("25"));
    m_box->setCurrentIndex(fileRate ? 0 : std::max(twentyFive, 0));
    m_problem->setStyleSheet(QStringLiteral("color: #b00020"));
    m_problem->setTextFormat(Qt::PlainText);
    m_problem->hide();

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &FrameRateDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    auto* question =
        new QLabel(QStringLiteral("MicroDVD counts frames. At how many frames per second?"), this);
    question->setTextFormat(Qt::PlainText);
    layout->addWidget(question);
    layout->addWidget(m_box);
    layout->addWidget(m_problem);
    layout->addWidget(buttons);
}

void FrameRateDialog::accept() {
    // A listed rate carries its number; a typed one is read as typed.
    const int index = m_box->findText(m_box->currentText());
    const QString text = index >= 0 ? m_box->itemData(index).toString() : m_box->currentText();
    const std::optional<FrameRate> rate = FrameRate::fromText(text);
    if (!rate) {
        m_problem->setText(QStringLiteral("\"%1\" is not a frame rate: give a number such as 25 or 23.976.")
                               .arg(m_box->currentText()));
        m_problem->show();
        return;
    }
    m_rate = *rate;
    QDialog::accept();
}
