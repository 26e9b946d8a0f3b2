#pragma once
// The user-interface texts in English, Simplified Chinese and Traditional
// Chinese, and the choice of language. UI thread only.
//
// Adding a text: one PhraseId entry before Count, and one row in Phrases.cpp
// carrying that id and its three texts; the table is checked at compile time.

#include <QString>
#include <cstdint>

// The texts by what they say. The numbering is the table's row order.
enum class PhraseId : int {
    MenuLogin,
    MenuTesterConfiguration,
    MenuUpdateTester,
    MenuTesterLogin,
    MenuDeleteTester,
    MenuExitSystem,
    MenuParameters,
    MenuMaintainTestFile,
    MenuTestItems,
    MenuZarvoPort,
    MenuSaveAs,
    MenuDeviceManagement,
    MenuViewReport,
    MenuAbout,
    MenuLanguage,
    CurrentConfigLabel,
    NoConfigFile,
    ButtonSingle,
    ButtonTest,
    ButtonMultiple,
    ButtonTests,
    ButtonImport,
    ButtonConfig,
    HeaderTestName,
    HeaderTestParameter,
    HeaderStartTime,
    HeaderEndTime,
    HeaderResult,
    EditorTitle,
    HeaderTransmit,
    HeaderTotalTime,
    HeaderItemInterval,
    HeaderCompare,
    NotCompared, // "N/A"
    AddItem,
    EditItem,
    DeleteItem,
    SaveAs,
    Save,
    Return,
    UnsavedChanges,
    NewItemTitle,
    AddOk,
    UpdateOk,
    TransmitMessage,
    ResponseMessage,
    ItemDescription,
    ItemParameter,
    ItemInterval,
    ItemTotalTimes,
    TimesUnit,
    Cancel,
    ItemAdded,
    Caption, // of every message box
    IllegalTransmitStart,
    IllegalHex,
    InputAgain,
    IllegalItemInterval,
    IllegalTotalTime,
    IllegalComparisonStart,
    SelectItemToEdit,
    EditItemTitle,
    AskOverwriteConfig,
    SaveOk,
    SelectItemToDelete,
    AskDeleteItem,
    Deleted,
    Updated,
    FileExists,
    ConfigChangedTo,
    SettingsNotSaved,
    AskIgnoreChanges,
    PleaseWait,
    RunComplete,
    SelectItemToTest,
    FileMissing,
    SelectConfigAgain,
    PortSettingsTitle,
    SearchCan,
    PortLabel,
    SaveCanSetting,
    SearchAgain,
    PortError,
    SelectItemToMove,
    MoveUp,
    MoveDown,
    AskSaveChanges,
    HeaderRemarks,
    ButtonView,
    ButtonTrend,
    TrendPageConfig,
    TrendPageTrend,
    TrendPageDataView,
    TrendConfigTitle,
    TrendDescription,
    TrendParameter,
    TrendDataType,
    TrendDataRange,
    TrendCanId,
    TrendAdd,
    TrendView,
    TrendValue,
    MultipleSent,
    NextTime,
    IllegalNextTime,
    HeaderNextTime,
    NeedReturnId,
    ConfigFull,
    ForbiddenCharacters,
    ItemsLeftOut,   // %1 items of a file not loaded, %2 the most a configuration holds
    TrendTableFull, // %1 the most identifiers the trend table holds
    ChartPause,
    ChartResume,
    ChartResetView,
    MonitorCaption,
    MonitorPause,
    MonitorClear,
    MonitorCopy,
    MonitorSave,
    MonitorChronological,
    MonitorFixed,
    MonitorTimeAbsolute,
    MonitorTimeSincePrevious,
    MonitorTimeSinceStart,
    MonitorCapacity,
    MonitorIdFilter,
    MonitorBothDirections,
    MonitorTransmittedOnly,
    MonitorReceivedOnly,
    MonitorDataFilter,
    MonitorStatus, // %1 frames/s, %2 bus load %, %3 captured, %4 dropped, %5 lost, %6 port status
    MonitorPaused,
    MonitorBadRule, // %1 the rule that is not one
    MonitorSaveFilter,
    MonitorSaveFormat,
    MonitorSaveFailed, // %1 the file, %2 why
    MonitorCannotListen,
    MonitorHeaderTime,
    MonitorHeaderDirection,
    MonitorHeaderData,
    MonitorHeaderCount,
    MonitorHeaderCycle,
    MonitorHeaderCycleMin,
    MonitorHeaderCycleMax,
    ButtonBus,
    ButtonMonitor,
    ValuesTakenOtherwise, // heads the list of a file's values taken other than as written
    IdBeyondMode,         // %1 item number, %2 its description, %3 its identifier, %4 11 or 29 bits
    RunSummary,           // %1 items: %2 passed, %3 failed, %4 without expectation
    RunSummaryNotFinished,    // appended to RunSummary: %1 items not finished
    NotLoaded,                // %1 a configuration file that could not be loaded
    OverwritePartlyReadItems, // %1 file, %2 what was left out, %3 items shown
    OverwritePartlyReadTrend, // %1 TrendCAN.ini, %2 what was left out
    TrendSignal,              // the label of the trend window's signal list
    ChooseDatabase,           // the button that chooses the signal database (trend, monitor)
    MonitorHeaderName,        // the fixed view's column of message names
    MonitorSignalsHint,       // the chronological view's tool tip
    Count
};

inline constexpr int kPhraseCount = static_cast<int>(PhraseId::Count);

// The text of `id` in the current language; an empty text for an id outside the table.
const QString& Phrase(PhraseId id);

// Two texts on two lines, as buttons and some message boxes show them.
QString PhraseLines(PhraseId upper, PhraseId lower);

// 0 English, 1 Simplified Chinese, 2 Traditional Chinese: sets LanguageIndex
// and the table Phrase() reads. Other values are ignored.
void SetLanguage(int index);

// The port warning of the status indicators: "Search CAN devices again!" and
// the port status as "%s ( %d )" gives them, at most 100 characters.
QString SearchAgainText(uint32_t status);

// The language remembered in `folder`: "SC.SC" wins over "TC.TC"; else English.
int LanguageFromMarkers(const QString& folder);

// Leaves the marker file of `index` as the only one of the three in `folder`.
// Failures are not reported: the language still changes for this run.
void RememberLanguage(const QString& folder, int index);
