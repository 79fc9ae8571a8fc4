// The catalogue of the texts the program shows, in Polish and English. Texts are UTF-8 here;
// the widths of the message fields count bytes in the Windows-1250 code page (one byte a
// character), the terminating zero included.
#pragma once

#include <cstddef>
#include <cstdint>

namespace orlomat {

// The window starts in Polish, the command line in English.
enum class Language { Polish, English };

// The settings record keeps the language as 0 Polish, 1 English; any other value reads Polish.
constexpr Language LanguageOfRecord(std::int32_t stored) {
    return stored == 1 ? Language::English : Language::Polish;
}
constexpr std::int32_t RecordValue(Language language) {
    return language == Language::English ? 1 : 0;
}

struct TextPair {
    const char* pl;
    const char* en;
    constexpr const char* get(Language language) const {
        return language == Language::English ? en : pl;
    }
};

// The chart's title, both languages in one line. The window opens with it indented by 12
// blanks; after a print or a picture it comes back with the print title's indent of 8 (the
// "        Max: " line), as the program has always shown it, so both stay.
constexpr const char* kChartTitle = "            Wysokosc / Altitude";
constexpr const char* kChartTitleAfterPrint = "        Wysokosc / Altitude";

// The caption table: one row per caption pair.
enum class Caption {
    Clear,
    ReadAltimeter,
    Altitude,
    SaveSettings, // the device settings dialog's save button
    DiscSaveLoad,
    Save,
    Load,
    Setup,
    Wait,
    CompetitorNo,
    SerialNo,
    Compare,
    Charts,
    Acceleration,
    Altimeter,
    WindowCaption,
    Sampling,
    Temperature,
    File,
    PrinterSetup,
    Print,
    SavePicture,
    ExportToExcel,
    ReadFrom,
    StopDownload, // the button beside the download's progress
    // The flight archive and the download station (menu Setup).
    FlightArchive,
    DownloadStation,
    Count
};

const TextPair& CaptionPair(Caption c);
inline const char* Tr(Caption c, Language language) {
    return CaptionPair(c).get(language);
}

// Message texts and message-box captions.
enum class Message {
    ResetSure,
    ResetCaption,
    PortError, // followed by the port name
    CommunicationError,
    ErrorCaption,
    ResetOk,
    ResetError,
    ResetCaptionShort,
    NoData,
    NoNewMeasurement,
    FileExists,
    SaveCaption,
    WrongTemperature,
    SetupFailed,
    SetupCaption,
    // The program's own messages for faults the tables have no text for.
    NoFlightRecord,
    CannotOpenFile, // followed by the file name and the system's reason
    CannotSaveFile, // followed by the file name and the system's reason
    // The device settings dialog.
    TooLarge,
    FieldEmpty,
    SetupOk,
    NotWholeNumber, // preceded by the quoted text
    PortNameTooLong,
    PortNameTooShort,
    FilterFieldRange,            // "%1" the field, "%2" to "%3" its range
    ManualNotFound,              // followed by the file looked for
    CannotPrint,                 // followed by where it printed and why not
    NoPrinterChosen,             // why not: neither a printer nor a file
    PrinterRefused,              // why not: the printer did not take the page
    PageNotRendered,             // why not: the page could not be drawn
    IncompleteFlight,            // %1 bytes received of %2 announced
    IncompleteFlightSizeUnknown, // %1 bytes received, no size announced
    LineBusy,                    // the port never went quiet: another device is talking
    NoReply,
    NotRegularFile, // followed by the file name
    SuspectMaximum, // followed by the maximum without transients and " m"
    NotAFlight,     // followed by the reason
    // The flight archive and the download station: the window's archive line and station line.
    ArchiveKept,                  // followed by the file name
    ArchiveDuplicate,             // followed by the file that already holds the flight
    ArchiveFailed,                // %1 the folder, %2 the system's reason
    ArchiveNotLogged,             // %1 the file name, %2 the system's reason
    StationWaiting,               // %1 the port
    StationWaitingAuto,           // the port "auto"
    StationKept,                  // %1 competitor, %2 maximum, %3 file name
    StationAlreadyKept,           // %1 competitor, %2 maximum, %3 the file that holds it
    StationNotKept,               // %1 competitor, %2 maximum
    StationIncomplete,            // %1 bytes received of %2 announced
    StationIncompleteSizeUnknown, // %1 bytes received
    ArchiveKeptElsewhere,         // %1 the archive, %2 the system's reason, %3 the file kept
    StationKeptElsewhere,         // %1 competitor, %2 maximum, %3 the file kept
    StationStoppedUnkept,         // %1 competitor
    StationArchiveUnusable,       // %1 the archive, %2 the system's reason
    StationReading,               // %1 the port
    WindowOptionUnknown,          // followed by the option
    DownloadStopped,              // stopped before the altimeter sent its flight
    DownloadStalled,              // %1 seconds without a byte
    StationSuspectMaximum,        // %1 the maximum, %2 the cleaned curve's (the line adds " m")
    Count
};

// The device settings dialog's own captions.
enum class DialogText {
    SelectPort,
    TriggerHeight,
    Temperature,
    Setup,
    ManualReset,
    Delay,
    SoftwareVersion,
    Seconds,
    Yes,
    No,
    AutomaticPort, // the port item that finds the altimeter
    Count
};

const TextPair& DialogPair(DialogText t);

// The filter settings dialog's captions.
enum class FilterText { PreCut, Prefilter, FinalCut, FinalFilter, Save, Default, Count };
const TextPair& FilterPair(FilterText t);
inline const char* Tr(FilterText t, Language language) {
    return FilterPair(t).get(language);
}
inline const char* Tr(DialogText t, Language language) {
    return DialogPair(t).get(language);
}

struct MessageField {
    std::size_t width;
    TextPair text;
};

const MessageField& MessageEntry(Message m);
inline const char* Tr(Message m, Language language) {
    return MessageEntry(m).text.get(language);
}

// The command line's messages, and the phrases both programs build messages from.
enum class Phrase {
    // The command line's help and usage errors.
    UsageHeading,
    LanguageOption,
    ExitCodes,
    UnknownCommand,
    UnknownOption,
    MissingValue,
    MissingFile,
    MissingOption,
    ExtraArgument,
    BadValue,
    OutOfRange,
    Hint,
    DownloadUsage,
    SettingsWriteUsage,
    // Files and what they hold.
    CannotRead,
    CannotWrite,
    CannotWriteShort,
    CannotSave,
    NoRecord,
    NotAFlight,
    SameFile,
    OwnInput,
    NoSettings,
    NotSettings,
    NoSuchPath,
    NoFiles,
    ReportKind,
    PlotKind,
    BadFilter,
    // The command line's device commands and how an exchange ended.
    NoFolder,
    FolderReadOnly,
    WaitingForAltimeter,
    Stopped,
    IncompleteFlightKept,
    KeptBeside,
    KeptInstead,
    NotTaken,
    NotSent,
    SetupSteps,
    Acknowledged,
    Refused,
    NoReply,
    WrongReply,
    LineBusy,
    PortFailed,
    Incomplete,
    Cancelled,
    // Why a file is no flight record (lower case, after NotAFlight or Message::NotAFlight).
    FaultNoHeader,
    FaultTooLong,
    FaultText,
    FaultCalibration,
    FaultSamplingCode,
    FaultAltitude,
    FaultTemperature,
    // Why a flight has no landing.
    NeverLaunched,
    AloftToTheEnd,
    RecordCutOff,
    StartedAloft, // why a flight has no launch
    // The contest figures' lines (stats --human) and the report page.
    ResultsTitle,
    SuspectFlights,
    ChartColumn,
    NotFlights,
    NoFigure,
    SpikeWarning,
    Competitor,
    Serial,
    Maximum,
    MaxFiltered,
    MaxClean,
    LandingAltitude,
    TimeOfMax,
    Launch,
    Landing,
    Duration,
    Climb,
    MaxClimb,
    MaxSink,
    // Contest day: the download log, the expected list, finding the port.
    NoSamplesLanding,
    DamagedLogLine,
    OutputIsFlight,
    BadExpected,
    NotAFolder,
    NoLog,
    FileUnchanged,
    FileChanged,
    FileMissing,
    FileNotLogged,
    AllFilesKept,
    FilesTampered,
    MissingCompetitors,
    NotOnList,
    OutputIsPort,
    PortsPresent,
    NoPortsPresent,
    AutoChose,
    AutoNone,
    CannotLog,
    // The flights list window.
    FlightsListTitle,
    FlightsFolderButton,
    FlightsRefresh,
    FlightsExpectedButton,
    FlightsResultsPage,
    FlightsCompetitorFilter,
    FlightsDateTime,
    FlightsRemarks,
    FlightsMissing,
    // The flights list and the report: logged files that are gone, damaged log lines, and
    // where the results page went.
    LoggedFileMissing,
    LogLinesDamaged,          // followed by the line numbers
    FlightsFolderNotWritable, // followed by the folder
    BrowserNotOpened,
    ResultsPageWrittenTo, // followed by the page's path
    // The download log's chain, verify's findings, outputs never written, command help.
    LogUnreadable, // followed by the reason
    LogEmpty,
    LogHeadShort,     // %1 short head, %2 lines, %3 time of the last line
    LogHeadNoChain,   // the same, for a log kept before the chain
    LogChainBrokenAt, // %1 line
    VerifyLogSummary, // %1 lines, %2 the chain's state
    ChainIntact,
    ChainNone,
    ChainBroken,
    ChainFrom,  // %1 the first linked line
    VerifyHead, // %1 line, %2 time, %3 short head, %4 full digest
    ProblemsHeading,
    ProblemDamagedLine, // %1 line
    NoteCutLine,        // %1 line
    ProblemBrokenLink,  // %1 line
    FileNotAFile,
    FileLoggedTwice,
    FileUnreadable,
    LogLines,     // followed by line numbers
    HeadAtEnd,    // %1 head, %2 line
    HeadFollowed, // %1 head, %2 line, %3 files
    HeadNotFound, // %1 head
    BadHead,
    OutputLogged,
    OutputIsLog,
    OutputIsLink,
    OutputNoFolder,
    OutputFolderReadOnly,
    LogNotAFile,
    HelpOptions,
    HelpValue,
    HelpCommon,
    HelpRequired,
    AutoPassedOver, // followed by the port
    AutoNoUsb,
    // The window: incomplete downloads in the flights list, the file dialogs' titles, where a
    // printout went.
    PartialDownloadOrder, // %1 of %2 cut-off downloads of a competitor, by their time
    OpenFlightTitle,
    CompareFlightTitle,
    SaveFlightTitle,
    ExportTitle,
    PictureTitle,
    ExpectedListTitle,
    PrintedToPdf, // followed by the file's path
    Count
};
const TextPair& PhrasePair(Phrase p);
inline const char* Tr(Phrase p, Language language) {
    return PhrasePair(p).get(language);
}

// The headings of the results table's columns (the flights list, the results page), in the
// order of its columns.
enum class ResultsHeading {
    File,
    Competitor,
    Serial,
    Sampling,
    Max,
    MaxFiltered,
    MaxClean,
    Suspect,
    TimeOfMax,
    Launch,
    NoLaunch,
    Landing,
    NoLanding,
    LandingAltitude,
    Duration,
    Climb,
    MaxClimb,
    MaxSink,
    MaxClimbRaw,
    MaxSinkRaw,
    Date,
    Verified,
    Entry,
    Error,
    Count
};
const TextPair& ResultsHeadingPair(ResultsHeading h);
inline const char* Tr(ResultsHeading h, Language language) {
    return ResultsHeadingPair(h).get(language);
}

// A rule applied to the results table: the headings of its columns (kRuleColumns' order),
// its flags, the flights list's choice of the rule and its value.
enum class RankingText {
    Place,
    AltitudeAtMax,
    ReachedMax,
    FlyoffDuration,
    SignatureFound,
    StartHeight,
    Penalty,
    Apogee,
    PrecisionScore,
    TraceDuration,
    Difference,
    BeyondUncertainty,
    State,
    Yes,
    No,
    RuleCaption,
    RuleNone,
    RuleF1Flyoff,
    RuleF5j,
    RuleApogee,
    RulePrecision,
    RuleTimekeeper,
    MaxTimeField,
    MotorStopField,
    TargetField,
    TimeField,
    BadRuleValue, // followed by the text typed
    Count
};
const TextPair& RankingPair(RankingText t);
inline const char* Tr(RankingText t, Language language) {
    return RankingPair(t).get(language);
}

// The rules' readings (orlomat reading --human, and the window later): line labels, states and
// why a reading was refused.
enum class ReadingText {
    Rule,
    Reference,
    SamplingInterval,
    LaunchFromStart,
    MaxTime,
    AltitudeAtMaxTime,
    Rounded,
    NotAirborneThen,
    LastAirborne,
    MaxReached,
    MaxNotReached,
    DurationFromTrace,
    Signature, // %1 found, %2 asked
    SignatureMatches,
    SignatureDiffers,
    MotorStop,
    FromLaunch,
    FromRecordStart,
    MotorRun,
    WindowEnd,
    StartHeight,
    StartHeightAt,
    Penalty, // followed by the points
    Points,
    Apogee,
    ApogeeAt,
    NoData,
    TransientPassedOver,
    HighestSample,
    Target,
    PrecisionScore,
    TimekeeperTime,
    TraceDuration,
    Difference,
    Uncertainty,
    BeyondUncertainty,
    WithinUncertainty,
    // Why no reading: after "orlomat: ".
    RefusedNoSamples,
    RefusedNoLaunch,  // followed by the reason
    RefusedNoLanding, // followed by the reason
    RefusedInvalid,
    RefusedStopBeforeLaunch,
    RefusedRunTooLong, // %1 the run, %2 the longest
    RefusedStopAfterEnd,
    RefusedWindowPastEnd,
    // The command's own usage errors.
    UnknownRule,     // followed by the rules known
    OptionNotOfRule, // %1 the option, %2 the rule
    // The heads of the spreadsheet export in the local dialect.
    TimeColumn,
    AltitudeColumn,
    // The window: the Charts menu's Rule submenu (its title is Rule), the dialog's fields and
    // its checks, the reading's name and hint, the export's local dialect.
    MenuNone,
    MenuF1Flyoff,
    MenuF5j,
    MenuApogee,
    MenuTimekeeper,
    FieldMaxTime,
    FieldSignature,
    FieldMotorStop,
    FieldTarget,
    FieldTimekeeper,
    NeedPositiveNumber,
    NeedMotorStop,
    NeedSignature,
    ReadingName,
    ClickSetsMotorStop,
    LocalSpreadsheet,
    Count
};
const TextPair& ReadingPair(ReadingText t);
inline const char* Tr(ReadingText t, Language language) {
    return ReadingPair(t).get(language);
}

} // namespace orlomat
