// The "Convert Code Schema" dialog: converts whole files from one encoding to another, one after
// the other, and stays open. The conversion runs on a worker thread so that a large file does not
// freeze the window.
#pragma once

#include "charset/file_conversion.h"
#include "support/thread_hop.h"
#include "support/user_message.h"
#include "ui/dialog_seam.h"

#include <QDialog>
#include <chrono>
#include <cstdint>
#include <functional>
#include <thread>

class QComboBox;
class QLineEdit;
class QProgressBar;
class QPushButton;

// The conversion itself, called on the worker thread.
using FileConverter = std::function<FileConversionResult(const FileConversionRequest&, std::stop_token,
                                                         const ConversionProgress&)>;

// "Convert File Code Schema": the dialog without a parent window, run modally through the seam.
int runConvertCodeSchema(DialogSeam& dialogs);

class CConvertCodeSchema : public QDialog {
    Q_OBJECT
public:
    // The pickers and messages go through dialogs; without a converter, convertFile converts.
    explicit CConvertCodeSchema(DialogSeam& dialogs, FileConverter convert = {}, QWidget* parent = nullptr);
    ~CConvertCodeSchema() override;

    QComboBox* sourceCombo() const { return m_sourceCombo; }
    QComboBox* targetCombo() const { return m_targetCombo; }
    QLineEdit* sourceEdit() const { return m_sourceEdit; }
    QLineEdit* targetEdit() const { return m_targetEdit; }
    QPushButton* sourceBrowseButton() const { return m_sourceBrowse; }
    QPushButton* targetBrowseButton() const { return m_targetBrowse; }
    QPushButton* okButton() const { return m_ok; }
    QPushButton* cancelButton() const { return m_cancel; }
    QProgressBar* progressBar() const { return m_progress; }

    QString sourcePath() const { return m_sourcePath; }
    QString targetPath() const { return m_targetPath; }
    bool isConverting() const { return m_worker.joinable(); }
    // How long a conversion runs before the progress bar shows.
    void setProgressDelay(std::chrono::milliseconds delay) { m_progressDelay = delay; }

public slots:
    void onBrowseSource();
    void onBrowseTarget();
    void onOk();
    // CANCEL and Escape: a running conversion stops and its target keeps what it had.
    void reject() override;

signals:
    // A conversion started by OK has ended and its message, if any, was shown.
    void conversionFinished(FileConversionResult::Status status);

private:
    void startConversion(const FileConversionRequest& request);
    void applyProgress(std::uint64_t generation, qint64 done, qint64 total);
    void applyResult(std::uint64_t generation, const FileConversionResult& result);
    void stopWorker();
    void setBusy(bool busy);
    void tell(const UserMessage& message);

    DialogSeam& m_dialogs;
    FileConverter m_convert;
    QString m_sourcePath;
    QString m_targetPath;
    std::chrono::milliseconds m_progressDelay{400};

    QComboBox* m_sourceCombo = nullptr; // 1019
    QComboBox* m_targetCombo = nullptr; // 1020
    QLineEdit* m_sourceEdit = nullptr;  // 1015
    QLineEdit* m_targetEdit = nullptr;  // 1017
    QPushButton* m_sourceBrowse = nullptr;
    QPushButton* m_targetBrowse = nullptr;
    QPushButton* m_ok = nullptr;
    QPushButton* m_cancel = nullptr;
    QProgressBar* m_progress = nullptr;

    // Changed and read on the dialog's thread only; events of an older conversion are dropped.
    std::uint64_t m_generation = 0;
    // The worker's events reach the dialog's thread through it; a child, so it outlives the worker,
    // which the destructor joins first.
    ThreadHop* m_hop = new ThreadHop(this);
    std::jthread m_worker;
};
