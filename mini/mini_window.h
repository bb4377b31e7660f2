// mini's one window: a flash card with its four answers, and the whole list with a search.
// The rules live in StudySession and ScheduleFile; this class shows what they decide.
#pragma once

#include "mini/card_speaker.h"
#include "mini/schedule_file.h"
#include "mini/study_session.h"
#include "support/user_message.h"

#include <QWidget>
#include <functional>
#include <memory>
#include <optional>

class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QShortcut;
class QSortFilterProxyModel;
class QSpinBox;
class QStandardItemModel;
class QTabWidget;
class QTableView;

struct MiniSetup {
    int selector = kSentences;
    QString dataFolder;                   // the store's folder; the schedule is kept there too
    QString settingsFile;                 // the user's choices (new cards a day, reverse); empty: not kept
    StudyClock clock;                     // empty: the system's date
    std::unique_ptr<CardSpeaker> speaker; // empty: no engine, no "Read aloud"
    std::function<void(QWidget*, const UserMessage&)> showMessage; // empty: a message box
};

class MiniWindow : public QWidget {
    Q_OBJECT
public:
    explicit MiniWindow(MiniSetup setup, QWidget* parent = nullptr);
    ~MiniWindow() override;

    // Reads the store and the schedule and starts a session; problems are shown as messages.
    void load();

    int recordCount() const { return int(m_records.size()); }
    const StudySession* session() const { return m_session.get(); }
    bool isTurned() const { return m_turned; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createControls();
    QWidget* createStudyPage();
    QWidget* createListPage();
    void readSettings();
    void writeSettings() const;
    QDate today() const;

    void startSession();
    void turn();
    void answer(Answer answer);
    void speak();
    void showCard();
    void showFinished();
    void updateCount();
    void fillList();
    void showMessage(const UserMessage& message);

    MiniSetup m_setup;
    std::vector<DictionaryRecord> m_records;
    std::vector<StudyCard> m_cards;
    ScheduleFile m_schedule;
    std::unique_ptr<StudySession> m_session;
    bool m_turned = false;
    bool m_lastSaveFailed = false;
    bool m_loaded = false;

    QTabWidget* m_tabs = nullptr;
    QLabel* m_leftLabel = nullptr;
    QPushButton* m_reverseButton = nullptr;
    QSpinBox* m_newPerDay = nullptr;
    QFrame* m_card = nullptr;
    QLabel* m_front = nullptr;
    QFrame* m_rule = nullptr;
    QLabel* m_back = nullptr;
    QLabel* m_note = nullptr;
    QPushButton* m_turnButton = nullptr;
    QPushButton* m_speakButton = nullptr;
    QWidget* m_answers = nullptr;
    std::vector<std::pair<Answer, QPushButton*>> m_answerButtons;
    std::vector<QShortcut*> m_shortcuts;
    QLineEdit* m_search = nullptr;
    QStandardItemModel* m_listModel = nullptr;
    QSortFilterProxyModel* m_listFilter = nullptr;
    QTableView* m_list = nullptr;
};

// "today", "tomorrow", "in 6 days": how far off an answer puts the card.
QString intervalText(int days);
