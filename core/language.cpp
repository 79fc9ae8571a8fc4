#include "core/language.h"

#include <array>

namespace orlomat {

namespace {

constexpr std::array<TextPair, static_cast<std::size_t>(Caption::Count)> kCaptions = {{
    {"Zerowanie", "Clear"},
    {"Odczyt Orlomatu", "Read Altimeter"},
    {"Wysokosc", "Altitude"},
    {"Zapisz", "Save"},
    {"Dysk - Zapis/Odczyt", "Disc - Save/Load"},
    {"Zapisz", "Save"},
    {"Odczyt", "Load"},
    {"Ustawienia", "Setup"},
    {"     Czekaj", "      Wait"},
    {"Nr.Zawodnika", "Competitor No."},
    {"Nr.Seryjny", "Serial No."},
    {"Porównanie", "Compare   "},
    {"Wykresy", "Charts"},
    {"Przyspieszenie", "Acceleration  "},
    {"Orlomat", "Altimeter"},
    {"Orlomat BMP    Ver. 2016.4", "Orlomat BMP    Ver. 2016.4"},
    {"Pomiary", "Sampling"},
    {"Temperatura", "Temperature"},
    {"Plik", "File"},
    {"Ustaw Drukarke", "Printer Setup"},
    {"Drukuj", "Print"},
    {"Zapisz Obraz", "Save Picture"},
    {"Export do Excel", "Export to Excel"},
    {"Odczyt z: ", "Read from:"},
    {"Przerwij", "Cancel"},
}};

constexpr std::array<MessageField, static_cast<std::size_t>(Message::Count)> kMessages = {{
    {30, {"Zerowanie. Czy napewno?", "Reset. Sure?"}},
    {20, {"ZEROWANIE", "Reset"}},
    {30, {"Błąd komunikacji z portem: ", "Communication Error: "}},
    {30, {"Błąd komunikacji", "Communication Error"}},
    {30, {"Orlomat - problem", "Altimeter - error"}},
    {30, {"Orlomat wyzerowany", "Reset - OK"}},
    {30, {"Błąd Zerowania", "Reset - Error"}},
    {10, {"Zerowanie", "Reset"}},
    {15, {"Brak danych", "No data"}},
    {50,
     {"Brak nowego pomiaru - odczyt poprzedniego pomiaru",
      "No new measurement-the reading of the previous"}},
    {25, {"Plik istnieje. Zapisać?", "File exists. Save?"}},
    {15, {"Orlomat-Zapis", "Altimeter-Save"}},
    {25, {"Zła wartośc temperatury", "Wrong temperature"}},
    {15, {"Błąd zapisu", "Setup failed"}},
    {15, {"Ustawienia", "Setup"}},
    {40, {"Plik nie zawiera zapisu lotu", "The file holds no flight record"}},
    {40, {"Nie można otworzyć pliku ", "Cannot open the file "}},
    {40, {"Nie można zapisać pliku ", "Cannot save the file "}},
    {20, {"Za duza wartosc", "Too large value"}},
    {30, {"Pole nie może być puste", "Field can not be empty"}},
    {20, {"Ustawienia OK", "Setup OK"}},
    {30, {" nie jest liczbą całkowitą", " is not a whole number"}},
    {60,
     {"Nazwa portu jest za długa (najwyżej 7 znaków)",
      "The port name is too long (7 characters at most)"}},
    {60,
     {"Nazwa portu jest za krótka (co najmniej 4 znaki)",
      "The port name is too short (4 characters at least)"}},
    {60, {"%1: podaj liczbę całkowitą od %2 do %3", "%1: enter a whole number from %2 to %3"}},
    {40, {"Nie znaleziono podręcznika: ", "The manual was not found: "}},
    {40, {"Nie można wydrukować: ", "Cannot print: "}},
    {40, {"nie wybrano drukarki ani pliku", "no printer or file was chosen"}},
    {40, {"drukarka nie przyjęła strony", "the printer did not take the page"}},
    {40, {"nie udało się przygotować strony", "the page could not be drawn"}},
    {100,
     {"Lot niekompletny: odebrano %1 B z %2 B. Zapisz go, jeśli chcesz go zachować.",
      "Incomplete flight: %1 of %2 bytes received. Save it to keep it."}},
    {100,
     {"Lot niekompletny: odebrano %1 B (rozmiar nieznany). Zapisz go, jeśli chcesz go zachować.",
      "Incomplete flight: %1 bytes received (size unknown). Save it to keep it."}},
    {70,
     {"Port nie milknie: to chyba nie wysokościomierz",
      "The port never goes quiet: not an altimeter?"}},
    {30, {"Brak odpowiedzi", "No reply"}},
    {40, {"To nie jest zwykły plik: ", "Not a regular file: "}},
    {60, {"Krótki skok ciśnienia? Po filtrze: ", "Short pressure spike? Filtered: "}},
    {60, {"To nie wygląda na zapis lotu: ", "This does not look like a flight record: "}},
}};

constexpr std::array<TextPair, static_cast<std::size_t>(FilterText::Count)> kFilterTexts = {{
    {"Obciecie wstepne[cm]", "Pre-cut [cm]"},
    {"Filtr wstepny [4-20]", "Prefilter [4-20]"},
    {"Obciecie dokladne [cm]", "Final cut [cm]"},
    {"Filtr dokladny [4 - 30]", "Final Filter [6-30]"},
    {"Zapisz", "Save"},
    {"Domyslne", "Default"},
}};

constexpr std::array<TextPair, static_cast<std::size_t>(DialogText::Count)> kDialogTexts = {{
    {"Wybierz Port", "Select Port"},
    {"Wysokosc Startu Pomiaru", "Setup Heigh Trigger"},
    {"Temperatura", "Temperature"},
    {"Ustawienia", "Setup"},
    {"Zerowanie ręczne", "Manual reset"},
    {"Czas Opoznienia", "Delay"},
    {"Wersja programu", "Software version"},
    {"[sek]", "[sec]"},
    {"Tak", "Yes"},
    {"Nie", "No"},
}};

constexpr std::array<TextPair, static_cast<std::size_t>(Phrase::Count)> kPhrases = {{
    {"Użycie:\n", "Usage:\n"},
    {"Każde polecenie przyjmuje też --lang pl|en.\n\n",
     "Every command also takes --lang pl|en.\n\n"},
    {"\nKody wyjścia: 0 sukces, 1 błąd, 2 złe użycie, 3 lot niekompletny (zachowany).\n",
     "\nExit codes: 0 success, 1 failure, 2 usage error, 3 incomplete flight (kept).\n"},
    {"nieznane polecenie: ", "unknown command: "},
    {"nieznana opcja: ", "unknown option: "},
    {"brak wartości opcji ", "missing value for option "},
    {"brak nazwy pliku", "missing file name"},
    {"brak opcji ", "missing option "},
    {"zbędny argument: ", "unexpected argument: "},
    {"zła wartość opcji ", "bad value for option "},
    {" (dozwolone od %1 do %2)", " (allowed from %1 to %2)"},
    {" (orlomat --help)", " (orlomat --help)"},
    {"download: -o PLIK albo --dir KATALOG [--watch] (orlomat --help)",
     "download: -o FILE or --dir DIR [--watch] (orlomat --help)"},
    {"zapis ustawień wymaga --level --sampling --manual-zero --competitor --delay (orlomat "
     "--help)",
     "writing the settings needs all of --level --sampling --manual-zero --competitor --delay "
     "(orlomat --help)"},
    {"nie można odczytać pliku ", "cannot read file "},
    {"nie można zapisać pliku ", "cannot write file "},
    {"nie można zapisać ", "cannot write "},
    {"nie można zapisać pliku ", "cannot save the file "},
    {"plik nie zawiera zapisu lotu (krótszy niż 32-bajtowy nagłówek): ",
     "the file holds no flight record (shorter than the 32-byte header): "},
    {"to nie zapis lotu: ", "not a flight record: "},
    {"plik wyjściowy jest plikiem wejściowym: ", "the output file is the input file: "},
    {"plik wyjściowy jest jednym z plików wejściowych: ", "the output is one of the input files: "},
    {"nie można odczytać pliku ustawień ", "cannot read settings file "},
    {"nie ma takiego pliku ani katalogu: ", "no such file or folder: "},
    {"brak plików do raportu w ", "no files to report in "},
    {"WYJŚCIE musi kończyć się na .html albo .csv", "OUT must end in .html or .csv"},
    {"WYJŚCIE musi kończyć się na .bmp, .png lub .pdf", "OUT must end in .bmp, .png or .pdf"},
    {"wartości filtra poza zakresem: obcięcia od 0, szerokości od 1 do 100",
     "filter values out of range: cuts from 0, widths from 1 to 100"},
    {"download: --dir: nie ma takiego katalogu: ", "download: --dir: no such folder: "},
    {"download: --dir: brak prawa zapisu w katalogu: ",
     "download: --dir: the folder is not writable: "},
    {"czekam na wysokościomierz na %1 (Ctrl+C kończy)",
     "waiting for an altimeter on %1 (Ctrl+C ends)"},
    {"przerwano", "stopped"},
    {"lot niekompletny: odebrano %1 B; zapisany jako ",
     "incomplete flight: %1 bytes received; kept as "},
    {" (istniejący plik pozostał bez zmian)", " (the existing file was left as it was)"},
    {"wysokościomierz nie przyjął ", "the altimeter did not take "},
    {"nie wysłano: ", "not sent: "},
    {"ustawienia domyślne niepotwierdzone: ", "default setup not acknowledged: "},
    {"potwierdzone", "acknowledged"},
    {"odmowa", "refused"},
    {"brak odpowiedzi", "no reply"},
    {"zła odpowiedź", "wrong reply"},
    {"port nie milknie", "the port never went quiet"},
    {"port nie otwiera się", "the port does not open"},
    {"niekompletny", "incomplete"},
    {"przerwane", "cancelled"},
    {"krótszy niż 32-bajtowy nagłówek", "shorter than the 32-byte header"},
    {"dłuższy niż 33000 bajtów zapisu", "longer than the 33000 bytes of a record"},
    {"to plik tekstowy", "a text file"},
    {"współczynniki kalibracji 0 lub 0xFFFF", "calibration words 0 or 0xFFFF"},
    {"nieznany kod częstotliwości pomiarów", "an unknown sampling code"},
    {"wysokości poza ±12 km", "altitudes beyond ±12 km"},
    {"temperatury, jakich czujnik nie podaje", "temperatures no sensor gives"},
    {"nie wystartował", "never launched"},
    {"w powietrzu do końca zapisu", "aloft until the record ends"},
    {"zapis urwany", "record cut off"},
    {"Wyniki lotów", "Flight results"},
    {"Lotów z podejrzanym maksimum (krótki skok ciśnienia, zaznaczone): ",
     "Flights with a suspect maximum (a short pressure spike, marked): "},
    {"wykres", "chart"},
    {"Pliki, które nie są lotami", "Files that are not flights"},
    {"brak", "none"},
    {"  UWAGA: krótki skok ciśnienia?", "  WARNING: a short pressure spike?"},
    {"Zawodnik", "Competitor"},
    {"Nr seryjny", "Serial"},
    {"Maksimum", "Maximum"},
    {"Maks. po filtrze", "Max filtered"},
    {"Czas maksimum", "Time of maximum"},
    {"Start", "Launch"},
    {"Lądowanie", "Landing"},
    {"Czas lotu", "Duration"},
    {"Wznoszenie", "Climb"},
    {"Maks. wznoszenie", "Max climb"},
    {"Maks. opadanie", "Max sink"},
}};

} // namespace

const TextPair& CaptionPair(Caption c) {
    return kCaptions[static_cast<std::size_t>(c)];
}

const MessageField& MessageEntry(Message m) {
    return kMessages[static_cast<std::size_t>(m)];
}

const TextPair& DialogPair(DialogText t) {
    return kDialogTexts[static_cast<std::size_t>(t)];
}

const TextPair& FilterPair(FilterText t) {
    return kFilterTexts[static_cast<std::size_t>(t)];
}

const TextPair& PhrasePair(Phrase p) {
    return kPhrases[static_cast<std::size_t>(p)];
}

} // namespace orlomat
