// One value group of the main window's top strip: a flight's maximum and minimum, competitor
// and serial numbers, temperature and sampling. The window has two: the current flight
// ("Orlomat") and the comparison flight ("Plik").
#pragma once

#include "core/decode.h"

#include <QColor>
#include <QString>

#include <functional>

class QGroupBox;
class QLabel;
class QLineEdit;
class QWidget;

namespace orlomat {

class Prompter;
enum class Language;

class FlightReadout {
public:
    // The designed object names of the group and its controls.
    struct Names {
        const char *group, *maxLabel, *maxEdit, *maxUnit, *minLabel, *minEdit, *minUnit,
            *competitorLabel, *competitorEdit, *serialLabel, *serialEdit, *temperatureLabel,
            *temperatureEdit, *temperatureUnit, *samplingLabel, *samplingEdit;
    };
    // The designed geometry: the group's left and width, its title colour and three columns.
    struct Layout {
        int left, width;
        QColor titleColour;
        int maxLabelLeft, maxEditLeft, secondColumn, thirdColumn;
    };

    FlightReadout(QWidget* parent, const Names& names, const Layout& layout);

    // Competitor, serial, temperature (the field becomes editable) and sampling text.
    void showHeader(const HeaderInfo& info);
    // The six fields empty and the group's caption `generic`, as after a click on the flight's
    // curve.
    void clear(const QString& generic);
    // The group's caption: the flight's file name, or `generic` ("Orlomat", "Plik") when the
    // flight came from the altimeter (empty `fileName`). A language switch passes the new
    // generic caption with the file name kept.
    void showSource(const QString& fileName, const QString& generic);
    void applyGenericCaption(const QString& generic) { showSource(fileName_, generic); }
    QString fileName() const { return fileName_; }
    // Marks the maximum's field (its figure unchanged) with a warning colour and `warning` as
    // its tooltip; an empty warning takes the mark away.
    void markMaximum(const QString& warning);
    // The captions of the language in force, each label fitted to keep a gap to its right.
    void applyCaptions(const QString& competitor, const QString& serial, const QString& temperature,
                       const QString& sampling);

    // The current flight's group: its maximum in bold at `pixels` (smaller when a figure would
    // not fit) and its competitor field open for typing.
    void emphasise(int pixels);
    // Enter in the temperature field gives `entered` the degrees typed.
    void watchTemperature(Prompter& prompter, std::function<Language()> language,
                          std::function<void(float)> entered);
    void showMaximum(const QString& text);
    void showMinimum(const QString& text);
    // The caption `generic` while a download runs (the flight's file name kept for the print
    // title until the stream replaces the flight), and the figures blank once the stream comes.
    void showCaption(const QString& generic);
    void blankFigures();
    // The group's left edge (the window's layout).
    void placeAt(int left);

    // What the group shows, for the print title: the figures as the window gave them, the
    // competitor and temperature as typed.
    struct Shown {
        QString caption, competitor, serial, maximum, minimum, temperature, sampling;
    };
    Shown shown() const;

private:
    QGroupBox* group = nullptr;
    QLabel *maxLabel = nullptr, *minLabel = nullptr, *competitorLabel = nullptr,
           *serialLabel = nullptr, *temperatureLabel = nullptr, *samplingLabel = nullptr,
           *maxUnit = nullptr, *minUnit = nullptr, *temperatureUnit = nullptr;
    QLineEdit *maxEdit = nullptr, *minEdit = nullptr, *competitorEdit = nullptr,
              *serialEdit = nullptr, *temperatureEdit = nullptr, *samplingEdit = nullptr;
    QString fileName_;
    QString caption_; // the group's caption, unshortened
    QString serial_, maximum_, minimum_, sampling_;
    int maxPixels_ = 0;    // the emphasised maximum's size; 0: as the other fields
    int titlePixels_ = 16; // the designed caption font
};

} // namespace orlomat
