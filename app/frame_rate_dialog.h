// Asks which frame rate MicroDVD's frame numbers count at, when a save converts to or from them.
#pragma once

#include "subtitle/time_code.h"

#include <QDialog>
#include <optional>

class QComboBox;
class QLabel;

class FrameRateDialog : public QDialog {
    Q_OBJECT
public:
    // The file's own rate, if it names one, comes first and is chosen; else 25.
    explicit FrameRateDialog(std::optional<FrameRate> fileRate, QWidget* parent = nullptr);
    FrameRate rate() const { return m_rate; }
    QComboBox* rateBox() const { return m_box; }

    void accept() override;

private:
    QComboBox* m_box;
    QLabel* m_problem;
    FrameRate m_rate;
};
