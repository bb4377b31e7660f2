// The file conversion dialog: two pickers, two encoding combos, OK converts on a worker thread.
#include "app/convert_code_schema.h"

#include "charset/convert_encodings.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

namespace {

constexpr int kProgressSteps = 1000;

// "All files (*.*)" of the Windows pickers; "*.*" would hide files without an extension here.
const QStringList kAllFiles{QStringLiteral("All files (*)")};

// The list in alphabetical order, as a sorted combo shows it whatever the order of insertion.
void fillSorted(QComboBox* combo) {
    QStringList names;
    for (const ConvertEncoding& row : convertEncodingTable())
        names << QString::fromUtf16(row.displayName);
    std::stable_sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        return a.compare(b, Qt::CaseInsensitive) < 0;
    });
    combo->addItems(names);
    combo->setCurrentIndex(combo->findText(QString::fromUtf16(kDefaultConvertEncodingName)));
}

} // namespace

int runConvertCodeSchema(DialogSeam& dialogs) {
    CConvertCodeSchema dialog(dialogs);
    return dialogs.runModal(dialog);
}

CConvertCodeSchema::CConvertCodeSchema(DialogSeam& dialogs, FileConverter convert, QWidget* parent)
    : QDialog(parent), m_dialogs(dialogs), m_convert(std::move(convert)) {
    setWindowTitle(QStringLiteral("Convert Code Schema"));
    setObjectName(QStringLiteral("convertCodeSchema"));

    m_sourceEdit = new QLineEdit(this);
    m_targetEdit = new QLineEdit(this);
    for (QLineEdit* edit : {m_sourceEdit, m_targetEdit}) {
        // Paths come from the pickers only.
        edit->setReadOnly(true);
        edit->setMinimumWidth(360);
    }
    m_sourceBrowse = new QPushButton(QStringLiteral("..."), this);
    m_targetBrowse = new QPushButton(QStringLiteral("..."), this);
    for (QPushButton* button : {m_sourceBrowse, m_targetBrowse}) {
        button->setAutoDefault(false);
        button->setFixedWidth(36);
    }
    m_sourceCombo = new QComboBox(this);
    m_targetCombo = new QComboBox(this);
    for (QComboBox* combo : {m_sourceCombo, m_targetCombo}) {
        fillSorted(combo);
        combo->setMaxVisibleItems(16);
    }
    m_progress = new QProgressBar(this);
    m_progress->setRange(0, kProgressSteps);
    m_progress->setTextVisible(true);
    m_progress->setFormat(QStringLiteral("Converting... %p%"));
    // Keeps its room when hidden, so that the window does not jump when it appears.
    QSizePolicy keepRoom = m_progress->sizePolicy();
    keepRoom.setRetainSizeWhenHidden(true);
    m_progress->setSizePolicy(keepRoom);
    m_progress->hide();

    m_sourceEdit->setObjectName(QStringLiteral("sourcePath"));
    m_targetEdit->setObjectName(QStringLiteral("targetPath"));
    m_sourceCombo->setObjectName(QStringLiteral("sourceCodeSchema"));
    m_targetCombo->setObjectName(QStringLiteral("targetCodeSchema"));

    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(10);
    // Each label names its field for a screen reader; "..." alone would say nothing.
    auto label = [this](const char* text, QWidget* buddy) {
        auto* l = new QLabel(QString::fromLatin1(text), this);
        l->setBuddy(buddy);
        return l;
    };
    m_sourceBrowse->setAccessibleName(QStringLiteral("Choose the source file"));
    m_targetBrowse->setAccessibleName(QStringLiteral("Choose the target file"));
    grid->addWidget(label("Source: ", m_sourceEdit), 0, 0);
    grid->addWidget(m_sourceEdit, 0, 1);
    grid->addWidget(m_sourceBrowse, 0, 2);
    grid->addWidget(label("Target: ", m_targetEdit), 1, 0);
    grid->addWidget(m_targetEdit, 1, 1);
    grid->addWidget(m_targetBrowse, 1, 2);
    grid->addWidget(label("Source Code Schema: ", m_sourceCombo), 2, 0);
    grid->addWidget(m_sourceCombo, 2, 1, 1, 2);
    grid->addWidget(label("Target Code Schema: ", m_targetCombo), 3, 0);
    grid->addWidget(m_targetCombo, 3, 1, 1, 2);
    grid->setColumnStretch(1, 1);

    m_ok = new QPushButton(QStringLiteral("OK"), this);
    m_cancel = new QPushButton(QStringLiteral("CANCEL"), this);
    m_ok->setDefault(true);
    m_cancel->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_progress, 1);
    buttons->addSpacing(12);
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(14, 14, 14, 12);
    layout->addLayout(grid);
    layout->addSpacing(6);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(m_sourceBrowse, &QPushButton::clicked, this, &CConvertCodeSchema::onBrowseSource);
    connect(m_targetBrowse, &QPushButton::clicked, this, &CConvertCodeSchema::onBrowseTarget);
    connect(m_ok, &QPushButton::clicked, this, &CConvertCodeSchema::onOk);
    connect(m_cancel, &QPushButton::clicked, this, &CConvertCodeSchema::reject);
}

CConvertCodeSchema::~CConvertCodeSchema() {
    // The worker posts to this dialog: it must be gone before the dialog is.
    stopWorker();
}

void CConvertCodeSchema::onBrowseSource() {
    if (isConverting())
        return;
    const QString path = m_dialogs.getOpenFileName(this, kAllFiles).path;
    if (path.isEmpty())
        return;
    m_sourcePath = path;
    m_sourceEdit->setText(path);
}

void CConvertCodeSchema::onBrowseTarget() {
    if (isConverting())
        return;
    const QString path = m_dialogs.getSaveFileName(this, kAllFiles, QString(), QString());
    if (path.isEmpty())
        return;
    m_targetPath = path;
    m_targetEdit->setText(path);
}

void CConvertCodeSchema::onOk() {
    if (isConverting())
        return;
    if (m_sourcePath.isEmpty()) {
        tell(errorMessage(QStringLiteral("you must select a source file!")));
        return;
    }
    if (m_targetPath.isEmpty()) {
        tell(errorMessage(QStringLiteral("you must select a target file!")));
        return;
    }
    startConversion({m_sourcePath, m_targetPath, convertEncodingKey(m_sourceCombo->currentText()),
                     convertEncodingKey(m_targetCombo->currentText())});
}

void CConvertCodeSchema::startConversion(const FileConversionRequest& request) {
    const std::uint64_t generation = ++m_generation;
    setBusy(true);
    m_progress->setValue(0);
    QTimer::singleShot(m_progressDelay, this, [this, generation] {
        if (generation == m_generation && isConverting())
            m_progress->show();
    });
    FileConverter convert = m_convert;
    if (!convert)
        convert = [](const FileConversionRequest& r, std::stop_token stop,
                     const ConversionProgress& progress) { return convertFile(r, stop, progress); };
    // Only the worker's own copies cross the thread; what it learns comes back through the hop,
    // each event with the generation it belongs to.
    m_worker = std::jthread([this, request, generation, convert](std::stop_token stop) {
        const ConversionProgress progress = [this, generation, stop](qint64 done, qint64 total) {
            if (stop.stop_requested())
                return;
            m_hop->post([this, generation, done, total] { applyProgress(generation, done, total); });
        };
        FileConversionResult result = convert(request, stop, progress);
        m_hop->post([this, generation, result = std::move(result)] { applyResult(generation, result); });
    });
}

void CConvertCodeSchema::applyProgress(std::uint64_t generation, qint64 done, qint64 total) {
    if (generation != m_generation || total <= 0)
        return;
    m_progress->setValue(int(std::clamp<qint64>(done * kProgressSteps / total, 0, kProgressSteps)));
}

void CConvertCodeSchema::applyResult(std::uint64_t generation, const FileConversionResult& result) {
    if (generation != m_generation)
        return;
    // The result is the worker's last act: the join is immediate.
    stopWorker();
    setBusy(false);
    switch (result.status) {
    case FileConversionResult::Status::Done:
        tell(UserMessage{QStringLiteral("The convert is done!"), QStringLiteral("OK"),
                         MessageIcon::Information});
        break;
    case FileConversionResult::Status::Failed:
        tell(result.message.value_or(errorMessage(QStringLiteral("The file could not be converted."))));
        break;
    case FileConversionResult::Status::Cancelled:
        break;
    }
    emit conversionFinished(result.status);
}

void CConvertCodeSchema::reject() {
    if (isConverting()) {
        ++m_generation;
        stopWorker();
        setBusy(false);
    }
    QDialog::reject();
}

void CConvertCodeSchema::stopWorker() {
    if (!m_worker.joinable())
        return;
    m_worker.request_stop();
    m_worker.join();
    m_worker = std::jthread();
}

void CConvertCodeSchema::setBusy(bool busy) {
    for (QWidget* w :
         std::initializer_list<QWidget*>{m_ok, m_sourceBrowse, m_targetBrowse, m_sourceCombo, m_targetCombo})
        w->setEnabled(!busy);
    if (!busy)
        m_progress->hide();
}

void CConvertCodeSchema::tell(const UserMessage& message) {
    m_dialogs.showMessage(this, message);
}
