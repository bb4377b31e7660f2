// The font dialog of the subtitle line: a font with its effects, one of sixteen text colours, the
// outline, shadow and band that keep it readable, and the second file's colour.
#pragma once

#include "player/subtitle_label.h"

#include <QColor>
#include <QDialog>
#include <QFont>

class QCheckBox;
class QComboBox;
class QFontDialog;
class QSpinBox;

class FontColorDialog : public QDialog {
    Q_OBJECT
public:
    FontColorDialog(const QFont& font, const QColor& color, QWidget* parent = nullptr);
    explicit FontColorDialog(const TextLook& look, QWidget* parent = nullptr);

    TextLook selectedLook() const;
    void setSelectedLook(const TextLook& look);

    QFont selectedFont() const;
    QColor selectedColor() const;
    void setSelectedFont(const QFont& font);
    // A colour outside the sixteen is added to the list.
    void setSelectedColor(const QColor& color);

private:
    void updateSample();

    QFontDialog* m_fonts = nullptr;
    QComboBox* m_colors = nullptr;
    QSpinBox* m_outlineWidth = nullptr;
    QComboBox* m_outlineColors = nullptr;
    QCheckBox* m_shadow = nullptr;
    QCheckBox* m_band = nullptr;
    QComboBox* m_secondColors = nullptr;
    SubtitleLabel* m_sample = nullptr; // in the chosen look
};
