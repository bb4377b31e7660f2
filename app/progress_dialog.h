// The modal progress dialog of a translation job: "Processing...", the bar, the line count,
// "OK" once the job is done and "CANCEL", which ends the job at once.
#pragma once

#include <QDialog>
#include <QTimer>

class QLabel;
class QProgressBar;
class QPushButton;
class TranslateJob;

class CProgress : public QDialog {
    Q_OBJECT
public:
    static constexpr int kTimerMs = 500;

    // fromMemory: lines of the job the memory filled before it started; the bar counts them done.
    CProgress(TranslateJob& job, int lineTotal, QWidget* owner, int fromMemory = 0);

    QLabel* statusText() const { return m_status; }
    QLabel* countText() const { return m_count; }
    // Says why the bar stands still while the network gives no answer; empty otherwise.
    QLabel* noteText() const { return m_note; }
    // Names the service when it is not the default one, so the user sees where the lines go.
    QLabel* serviceText() const { return m_service; }
    QProgressBar* bar() const { return m_bar; }
    QPushButton* okButton() const { return m_ok; }
    QPushButton* cancelButton() const { return m_cancel; }

    // What every timer tick does: "Done" and "OK" once the job is over, the bar and the count
    // ("40 from memory, 20 / 30 translated" when the memory filled some lines).
    void OnTimer();
    // "CANCEL", Escape and closing the window: the job is cancelled, the dialog closes at once.
    void reject() override;

private:
    QString countOf(int done) const;

    TranslateJob& m_job;
    int m_lineTotal;
    int m_fromMemory;
    QLabel* m_status = nullptr;
    QLabel* m_note = nullptr;
    QLabel* m_service = nullptr;
    QLabel* m_count = nullptr;
    QProgressBar* m_bar = nullptr;
    QPushButton* m_ok = nullptr;
    QPushButton* m_cancel = nullptr;
    QTimer m_timer;
};
