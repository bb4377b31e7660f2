// A font picker with a colour list, as the subtitle's look needs both in one place.
#include "player/font_color_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFontDialog>
#include <QFontMetrics>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPixmap>
#include <QSpinBox>
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

QComboBox* colorBox(QWidget* parent, const QString& name) {
    auto* box = new QComboBox(parent);
    box->setObjectName(name);
    for (const NamedColor& c : kColors)
        box->addItem(swatch(QColor(c.rgb)), QObject::tr(c.name), QColor(c.rgb));
    return box;
}

// A colour outside the sixteen is added to the box.
void selectColor(QComboBox* box, const QColor& color) {
    int index = box->findData(color);
    if (index < 0) {
        box->addItem(swatch(color), color.name(), color);
        index = box->count() - 1;
    }
    box->setCurrentIndex(index);
}

TextLook lookOf(const QFont& font, const QColor& color) {
    TextLook look;
    look.font = font;
    look.color = color;
    return look;
}

} // namespace

FontColorDialog::FontColorDialog(const QFont& font, const QColor& color, QWidget* parent)
    : FontColorDialog(lookOf(font, color), parent) {}

FontColorDialog::FontColorDialog(const TextLook& look, QWidget* parent) : QDialog(parent) {
    const QFont& font = look.font;
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
    // The chooser's fields and lists carry no names of their own for screen readers.
    const QStringList parts = {tr("Font"), tr("Font style"), tr("Size")};
    qsizetype edits = 0;
    for (QLineEdit* edit : m_fonts->findChildren<QLineEdit*>())
        if (!edit->isHidden() && edit->accessibleName().isEmpty() && edits < parts.size())
            edit->setAccessibleName(parts[edits++]);
    qsizetype lists = 0;
    for (QListView* list : m_fonts->findChildren<QListView*>())
        if (list->accessibleName().isEmpty() && lists < parts.size())
            list->setAccessibleName(tr("%1 list").arg(parts[lists++]));

    m_sample = new SubtitleLabel(QStringLiteral("AaBbYyZz"), this);
    m_sample->setObjectName(QStringLiteral("fontSample"));
    m_sample->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    // A mid grey, on which both light and dark letters need their outline.
    m_sample->setAutoFillBackground(true);
    QPalette samplePalette = m_sample->palette();
    samplePalette.setColor(QPalette::Window, QColor(128, 128, 128));
    m_sample->setPalette(samplePalette);
    connect(m_fonts, &QFontDialog::currentFontChanged, this, &FontColorDialog::updateSample);

    m_colors = colorBox(this, QStringLiteral("textColor"));
    m_outlineWidth = new QSpinBox(this);
    m_outlineWidth->setObjectName(QStringLiteral("outlineWidth"));
    m_outlineWidth->setRange(0, kMaxOutlineWidth);
    m_outlineWidth->setSuffix(tr(" px"));
    m_outlineColors = colorBox(this, QStringLiteral("outlineColor"));
    m_shadow = new QCheckBox(tr("S&hadow"), this);
    m_shadow->setObjectName(QStringLiteral("shadow"));
    m_band = new QCheckBox(tr("&Background band"), this);
    m_band->setObjectName(QStringLiteral("band"));
    m_secondColors = colorBox(this, QStringLiteral("secondColor"));
    setSelectedLook(look);
    for (QComboBox* box : {m_colors, m_outlineColors, m_secondColors})
        connect(box, &QComboBox::currentIndexChanged, this, &FontColorDialog::updateSample);
    connect(m_outlineWidth, &QSpinBox::valueChanged, this, &FontColorDialog::updateSample);
    connect(m_shadow, &QCheckBox::toggled, this, &FontColorDialog::updateSample);
    connect(m_band, &QCheckBox::toggled, this, &FontColorDialog::updateSample);

    // Each box is named by its label, for the keyboard (Alt and the letter) and for screen readers.
    auto labelled = [this](const QString& text, QWidget* field, const QString& name) {
        auto* label = new QLabel(text, this);
        label->setBuddy(field);
        field->setAccessibleName(name);
        return label;
    };
    auto* colorRow = new QHBoxLayout;
    colorRow->addWidget(labelled(tr("&Color:"), m_colors, tr("Text colour")));
    colorRow->addWidget(m_colors);
    colorRow->addSpacing(12);
    colorRow->addWidget(labelled(tr("&Outline:"), m_outlineWidth, tr("Outline width")));
    colorRow->addWidget(m_outlineWidth);
    colorRow->addWidget(m_outlineColors);
    m_outlineColors->setAccessibleName(tr("Outline colour"));
    colorRow->addSpacing(12);
    colorRow->addWidget(m_shadow);
    colorRow->addWidget(m_band);
    colorRow->addSpacing(12);
    colorRow->addWidget(labelled(tr("Second &file:"), m_secondColors, tr("Second file colour")));
    colorRow->addWidget(m_secondColors);
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
    if (!m_secondColors)
        return; // still being built
    const TextLook look = selectedLook();
    m_sample->setLook(look);
    // Tall enough for the letters at the chosen size, up to a bound that keeps the dialog on a
    // screen; the subtitle line itself has room for two lines.
    m_sample->setFixedHeight(std::min(kMaxSampleHeight, QFontMetrics(look.font).height() +
                                                            2 * (kSampleMargin + look.outlineWidth)));
}

TextLook FontColorDialog::selectedLook() const {
    TextLook look;
    look.font = selectedFont();
    look.color = selectedColor();
    look.outlineWidth = m_outlineWidth->value();
    look.outlineColor = m_outlineColors->currentData().value<QColor>();
    look.shadow = m_shadow->isChecked();
    look.band = m_band->isChecked();
    look.secondColor = m_secondColors->currentData().value<QColor>();
    return look;
}

void FontColorDialog::setSelectedLook(const TextLook& look) {
    m_fonts->setCurrentFont(look.font);
    selectColor(m_colors, look.color);
    m_outlineWidth->setValue(look.outlineWidth);
    selectColor(m_outlineColors, look.outlineColor);
    m_shadow->setChecked(look.shadow);
    m_band->setChecked(look.band);
    selectColor(m_secondColors, look.secondColor);
    updateSample();
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
    selectColor(m_colors, color);
}
