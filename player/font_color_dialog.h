// The font dialog of the subtitle line: a font with its effects, and one of sixteen text colours.
#pragma once

#include <QColor>
#include <QDialog>
#include <QFont>

class QComboBox;
class QFontDialog;
class QLabel;

class FontColorDialog : public QDialog {
    Q_OBJECT
public:
    FontColorDialog(const QFont& font, const QColor& color, QWidget* parent = nullptr);

    QFont selectedFont() const;
    QColor selectedColor() const;
    void setSelectedFont(const QFont& font);
    // A colour outside the sixteen is added to the list.
    void setSelectedColor(const QColor& color);

private:
    void updateSample();

    QFontDialog* m_fonts = nullptr;
    QComboBox* m_colors = nullptr;
    QLabel* m_sample = nullptr; // in the chosen font, size and colour
};
