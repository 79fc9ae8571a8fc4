// Every text the program shows, in Polish and English. Language index: 0 Polish, 1 English.
// Texts are UTF-8 here; the widths of the message fields count bytes in the Windows-1250
// code page (one byte a character), the terminating zero included.
#pragma once

#include <cstddef>

namespace orlomat {

struct TextPair {
    const char* pl;
    const char* en;
    const char* get(int language) const { return language == 1 ? en : pl; }
};

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
    Count
};

const TextPair& CaptionPair(Caption c);
inline const char* Tr(Caption c, int language) {
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
    FilterFieldRange, // "%1" the field, "%2" to "%3" its range
    ManualNotFound,   // followed by the file looked for
    CannotPrint,      // followed by where it printed and why not
    NoPrinterChosen,  // why not: neither a printer nor a file
    PrinterRefused,   // why not: the printer did not take the page
    PageNotRendered,  // why not: the page could not be drawn
    IncompleteFlight,            // %1 bytes received of %2 announced
    IncompleteFlightSizeUnknown, // %1 bytes received, no size announced
    LineBusy,                    // the port never went quiet: another device is talking
    NoReply,
    NotRegularFile, // followed by the file name
    SuspectMaximum, // followed by the cleaned curve's maximum and " m"
    NotAFlight,     // followed by the reason
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
    Count
};

const TextPair& DialogPair(DialogText t);

// The filter settings dialog's captions.
enum class FilterText { PreCut, Prefilter, FinalCut, FinalFilter, Save, Default, Count };
const TextPair& FilterPair(FilterText t);
inline const char* Tr(FilterText t, int language) {
    return FilterPair(t).get(language);
}
inline const char* Tr(DialogText t, int language) {
    return DialogPair(t).get(language);
}

struct MessageField {
    std::size_t width;
    TextPair text;
};

const MessageField& MessageEntry(Message m);
inline const char* Tr(Message m, int language) {
    return MessageEntry(m).text.get(language);
}

} // namespace orlomat
