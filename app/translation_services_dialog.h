// "Translation Services": each engine's address, key and model, and a Test button that translates
// "Hello" through the engine as the fields stand and shows the answer or the error.
#pragma once

#include "app/background_ask.h"
#include "translate/engine_settings.h"
#include "translate/translate_job.h"

#include <QDialog>
#include <QStringList>
#include <optional>
#include <vector>

class DialogSeam;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QStackedWidget;

class TranslationServicesDialog : public QDialog {
    Q_OBJECT
public:
    // `langPair` is the ribbon's; the test translates into its target. Without a factory the test
    // and the model list go through libcurl.
    TranslationServicesDialog(DialogSeam& dialogs, QByteArray langPair, QWidget* parent = nullptr,
                              TransportFactory transports = {});

    // The page of an engine, shown.
    void showEngine(EngineKind kind);
    // Writes the addresses and models to the user's settings and the keys that changed to the
    // keyring; done by OK.
    void save();

    // The current page's controls, for tests and screenshots.
    QLineEdit* addressEdit() const;
    QLineEdit* keyEdit() const;
    QComboBox* modelCombo() const;
    QPushButton* testButton() const;
    QPushButton* listModelsButton() const;
    QLabel* testResult() const;
    // While a test or the model list runs.
    bool busy() const;

signals:
    void testEnded();
    void modelsListed();

private:
    struct Page {
        EngineKind kind;
        QWidget* widget = nullptr;
        QLineEdit* address = nullptr;
        QLineEdit* key = nullptr;
        QComboBox* model = nullptr;
        QPushButton* listModels = nullptr;
        QPushButton* test = nullptr;
        QLabel* result = nullptr;
        QString storedKey;
    };

    Page makePage(EngineKind kind, QSettings& settings);
    const Page& current() const;
    // The engine as the page's fields stand.
    EngineSettings settingsOf(const Page& page) const;
    void runTest();
    void listModels();

    DialogSeam& m_dialogs;
    QByteArray m_langPair;
    TransportFactory m_transports;
    QListWidget* m_list;
    QStackedWidget* m_stack;
    std::vector<Page> m_pages;
    TranslateJob* m_job = nullptr;
    QLabel* m_testTarget = nullptr; // the label of the page whose test runs
    BackgroundAsk<std::variant<QStringList, QString>> m_models{this};
};
