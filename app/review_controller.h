// The review of the open document for the window: the incremental checker that follows every change
// of the session, the spelling dictionaries, the user's preset, and where F8 stands in the findings.
// The grid, the Checks page and the Review commands read and drive it; it knows no widget.
#pragma once

#include "memory/glossary.h"
#include "review/incremental_checker.h"
#include "review/review_settings.h"
#include "review/spell_checker.h"

#include <QHash>
#include <QObject>
#include <QStringList>
#include <memory>
#include <optional>

class SubtitleSession;
class GlossaryTermList;

class ReviewController : public QObject {
    Q_OBJECT
public:
    // The settings file and the dictionary folders are the user's unless given.
    explicit ReviewController(const SubtitleSession& session, QObject* parent = nullptr,
                              ReviewSettings settings = ReviewSettings(),
                              QStringList dictionaryFolders = defaultDictionaryFolders());
    ~ReviewController() override;

    // The findings as far as the review has come: while a load's review runs, the rows checked so
    // far (what the grid paints). completeChecker() finishes the review first.
    const IncrementalChecker& checker() const { return m_checker; }
    const IncrementalChecker& completeChecker();
    const SpellChecker& speller() const { return m_speller; }
    const ReviewSettings& settings() const { return m_settings; }

    // Every row afresh (a load, Check All, new limits or words).
    void checkAll();
    // A load's review: every row afresh, in slices from the event loop once startChecking is called
    // (the window does when it has shown the rows), so that a long file does not hold up the first
    // frame nor the keys after it. Anything that needs every finding finishes it at once.
    void checkAllLater();
    void startChecking();
    bool isChecking() const { return m_checking; }
    // Only the rows the change names.
    void follow(const SessionChange& change);

    PresetId preset() const { return m_settings.preset(); }
    std::optional<UserMessage> setPreset(PresetId preset);

    // The languages spelling uses: the chosen ones, or the "To" language's while none is chosen.
    // Both return what the dictionaries had to say (a language without one).
    QVector<UserMessage> setToLanguage(const QString& code);
    QVector<UserMessage> setSpellingLanguages(const QStringList& codes);
    QStringList chosenSpellingLanguages() const { return m_settings.spellingLanguages(); }
    std::optional<UserMessage> addToMyWords(const QString& word);

    // The finding after (or before) the last one walked to, from the focused row when it moved
    // elsewhere since; nullopt when there is none.
    std::optional<Finding> nextProblem(int focusedRow);
    std::optional<Finding> previousProblem(int focusedRow);
    // Leads the window to a finding: its row, and its text where it has a span.
    void walkTo(const Finding& finding) { emit walkedTo(finding); }
    // Passes on what the user should read without being stopped (a missing dictionary).
    void tell(const UserMessage& message) { emit notice(message); }
    const QStringList& dictionaryFolders() const { return m_folders; }

    // The client's glossary (from the translation memory); every row is checked against it again.
    void setGlossary(QList<GlossaryTerm> terms);
    const QList<GlossaryTerm>& glossaryTerms() const;
    // The glossary's terms in an Original text, for the grid's underlines and tooltips. Painting
    // asks for every visible row, so what was found is kept by text until the glossary changes.
    QList<GlossaryHit> glossaryHits(const QString& original) const;
    // One line per term found in the text: "Glossary: Ministry → Ministère (client's term)".
    QStringList glossaryNotes(const QString& original) const;
    // A row's Original cell as the grid shows it.
    QString originalText(int row) const;

    bool showsCpsColumn() const { return m_showCps; }
    void setShowsCpsColumn(bool shown);
    // Over the chosen preset's limit.
    bool isTooFast(double charsPerSecond) const;

signals:
    // The findings of some rows (or all) changed.
    void findingsChanged();
    // A review begun by checkAllLater has checked every row (or was overtaken by a full check).
    void checkingDone();
    void cpsColumnShown(bool shown);
    // Spelling moved to other languages, or lost its dictionary.
    void spellingChanged();
    void walkedTo(const Finding& finding);
    void notice(const UserMessage& message);

private:
    void applyOptions();
    void checkSlice();
    void finishChecking();
    QVector<UserMessage> openDictionaries();
    std::optional<Finding> walk(int focusedRow, bool forward);

    const SubtitleSession& m_session;
    ReviewSettings m_settings;
    QStringList m_folders;
    SpellChecker m_speller;
    IncrementalChecker m_checker;
    QString m_toLanguage;
    QStringList m_openedFor;
    bool m_dictionariesOpened = false;
    FindingCursor m_cursor;
    bool m_showCps = false;
    bool m_checking = false;
    bool m_checkingStarted = false;
    bool m_sliceQueued = false;
    std::unique_ptr<GlossaryTermList> m_glossary;
    mutable QHash<QString, QList<GlossaryHit>> m_hitsByText;
};
