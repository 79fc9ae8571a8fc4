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

} // namespace orlomat
