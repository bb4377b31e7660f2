// A font picker with a colour list, as the subtitle's look needs both in one place.
#include "player/font_color_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFontDialog>
#include <QFontMetrics>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QVBoxLayout>
#include <algorithm>

namespace {

struct NamedColor {
    const char* name;
    QRgb rgb;
};

// The sixteen colours users know from the classic font dialog.
constexpr NamedColor kColors[] = {
    {"Black", 0x000000},  {"Maroon", 0x800000},  {"Green", 0x008000}, {"Olive", 0x808000},
    {"Navy", 0x000080},   {"Purple", 0x800080},  {"Teal", 0x008080},  {"Gray", 0x808080},
    {"Silver", 0xC0C0C0}, {"Red", 0xFF0000},     {"Lime", 0x00FF00},  {"Yellow", 0xFFFF00},
    {"Blue", 0x0000FF},   {"Fuchsia", 0xFF00FF}, {"Aqua", 0x00FFFF},  {"White", 0xFFFFFF},
};

constexpr int kSampleMargin = 8;
constexpr int kMaxSampleHeight = 240;

QIcon swatch(const QColor& color) {
    QPixmap pixmap(24, 12);
    pixmap.fill(color);
    return QIcon(pixmap);
}

} // namespace

FontColorDialog::FontColorDialog(const QFont& font, const QColor& color, QWidget* parent) : QDialog(parent) {
    setWindowTitle(tr("Font"));

    m_fonts = new QFontDialog(this);
    m_fonts->setOptions(QFontDialog::NoButtons | QFontDialog::DontUseNativeDialog);
    m_fonts->setWindowFlags(Qt::Widget);
    m_fonts->setCurrentFont(font);
    // The embedded chooser is a dialog of its own: Escape or Enter inside it would close only it
    // and leave the colour list alone for every later press of "Font". Its answer is ours.
    connect(m_fonts, &QDialog::finished, this, [this](int result) {
        m_fonts->setVisible(true);
        done(result);
    });

    // The chooser's own sample knows no colour and is cut at large sizes: ours takes its place,
    // in its box when there is one.
    QBoxLayout* sampleBox = nullptr;
    for (QLineEdit* edit : m_fonts->findChildren<QLineEdit*>()) {
        auto* box = qobject_cast<QGroupBox*>(edit->parentWidget());
        if (box && qobject_cast<QBoxLayout*>(box->layout())) {
            edit->hide();
            sampleBox = static_cast<QBoxLayout*>(box->layout());
        }
    }
    m_sample = new QLabel(QStringLiteral("AaBbYyZz"), this);
    m_sample->setObjectName(QStringLiteral("fontSample"));
    m_sample->setAlignment(Qt::AlignCenter);
    m_sample->setFrameShape(QFrame::StyledPanel);
    m_sample->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    connect(m_fonts, &QFontDialog::currentFontChanged, this, &FontColorDialog::updateSample);

    m_colors = new QComboBox(this);
    for (const NamedColor& c : kColors)
        m_colors->addItem(swatch(QColor(c.rgb)), tr(c.name), QColor(c.rgb));
    connect(m_colors, &QComboBox::currentIndexChanged, this, &FontColorDialog::updateSample);
    setSelectedColor(color);

    auto* colorRow = new QHBoxLayout;
    auto* colorLabel = new QLabel(tr("&Color:"), this);
    colorLabel->setBuddy(m_colors);
    colorRow->addWidget(colorLabel);
    colorRow->addWidget(m_colors);
    colorRow->addStretch(1);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_fonts);
    layout->addLayout(colorRow);
    if (sampleBox)
        sampleBox->addWidget(m_sample);
    else
        layout->addWidget(m_sample);
    layout->addWidget(buttons);
    updateSample();
}

void FontColorDialog::updateSample() {
    const QFont font = selectedFont();
    m_sample->setFont(font);
    QPalette palette = m_sample->palette();
    palette.setColor(QPalette::WindowText, selectedColor());
    m_sample->setPalette(palette);
    // Tall enough for the letters at the chosen size, up to a bound that keeps the dialog on a
    // screen; the subtitle line itself has room for two lines.
    m_sample->setFixedHeight(std::min(kMaxSampleHeight, QFontMetrics(font).height() + 2 * kSampleMargin));
}

QFont FontColorDialog::selectedFont() const {
    return m_fonts->currentFont();
}

QColor FontColorDialog::selectedColor() const {
    return m_colors->currentData().value<QColor>();
}

void FontColorDialog::setSelectedFont(const QFont& font) {
    m_fonts->setCurrentFont(font);
    updateSample();
}

void FontColorDialog::setSelectedColor(const QColor& color) {
    int index = m_colors->findData(color);
    if (index < 0) {
        m_colors->addItem(swatch(color), color.name(), color);
        index = m_colors->count() - 1;
    }
    m_colors->setCurrentIndex(index);
}
