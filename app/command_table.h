// Every command of velmora by its numeric id; labels, images and handlers are in the registry.
#pragma once

#include <QtGlobal>

enum class CommandId : quint16 {
    LoadOriginal = 32771,
    LoadTranslated = 32773,
    Save = 32808,
    SaveOriginalSubtitle = 32805,
    SaveTranslatedSubtitle = 32807,
    SaveMixSubtitle = 32810,
    SaveOriginalText = 32812,
    SaveTranslatedText = 32814,
    SaveMixText = 108,
    // Ours: the three subtitles in a format of the user's choice.
    SaveOriginalSubtitleAs = 32830,
    SaveTranslatedSubtitleAs = 32831,
    SaveMixSubtitleAs = 32832,
    StartTranslate = 32813,
    TranslateAll = 32776,
    TranslateSelected = 32778,
    TranslateFrom = 32818,
    ChangeOriginalCharset = 32819,
    ChangeTranslatedCharset = 109,
    TranslateTo = 33818,
    // Ours: the engine that translates, its settings, and a job over the rows not yet translated.
    TranslationEngine = 32833,
    TranslationServices = 32834,
    TranslateUntranslated = 32835,
    HelpTopics = 32797,
    About = 32802,
    WebPage = 42799,
    Exit = 32821,
    ShowTime = 111,
    HideTime = 112,
    RestoreOriginalTime = 114,
    SetDelay = 162,
    CutLine = 119,
    CopyLine = 120,
    PasteLine = 121,
    InsertSubtitle = 122,
    InsertBefore = 123,
    DeleteSelected = 124,
    CombineSubtitles = 125,
    Search = 115,
    FindNext = 116,
    Replace = 117,
    GoToLineNumber = 118,
    ViewDictionary = 32785,
    StudyDictionary = 32789,
    ConvertFileCodeSchema = 32792,
    PlaySubtitle = 32815,
    ViewVocabularyLibrary = 32783,
    MiniStudyVocabulary = 32787,
    // Shows the Toolbox pane again once closed; the pane's own identifier.
    Toolbox = 129,
    // Ours: the review of a translation.
    CheckAll = 32840,
    NextProblem = 32841,
    PreviousProblem = 32842,
    ReviewPreset = 32843,
    FixShortEntries = 32844,
    FixOverlaps = 32845,
    FixGaps = 32846,
    ShowCpsColumn = 32847,
    SpellingLanguage = 32848,
    // Ours: the translation memory's exchange files, and the client's glossary kept with it.
    ImportTmx = 32860,
    ExportTmx = 32861,
    ImportGlossary = 32862,
    ClearGlossary = 32863,
    // Ours: opens the application menu from the keyboard.
    ApplicationMenu = 32870,
    // Ours: the edit history.
    Undo = 57643,
    Redo = 57644,
};

// Group captions that come from the string table.
inline constexpr char kGroupFile[] = "File";               // 32799
inline constexpr char kGroupTranslation[] = "Translation"; // 136
inline constexpr char kGroupDictionary[] = "Dictionary";   // 138
inline constexpr char kGroupTools[] = "Tools";             // 139
inline constexpr char kGroupHelp[] = "Help";               // 140
inline constexpr char kGroupMemory[] = "Memory";
