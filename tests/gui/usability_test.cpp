// What a person meets beyond the flights: the window from the keyboard, the manual's
// whereabouts, the filter dialog's refusals, message boxes and the information dialog.
#include "tests/support/window_controls.h"
#include "tests/support/window_fixture.h"
#include "tools/synth/flight_synth.h"
#include "ui/filter_dialog.h"
#include "ui/info_dialog.h"
#include "ui/main_window.h"
#include "ui/manual_lookup.h"
#include "ui/prompter.h"
#include "ui/session.h"
#include "ui/widgets.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace orlomat {
namespace {

using namespace test; // the window's controls by their designed names

// --- Where the manual lies ------------------------------------------------------------------

void Touch(const QString& path) {
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
}

TEST(ManualLookup, EachLayoutFindsItsManualAndTheLikeliestWins) {
    struct Case {
        const char* name;  // the fault it catches
        QStringList files; // under the test folder
        const char* program;
        const char* cacheSource; // a CMakeCache.txt in the program's parent naming this
        const char *source, *install, *working;
        int language;
        const char* expected; // empty: none found
    };
    const Case cases[] = {
        {"build tree (scripts/run.sh): build/release/app finds the sources' docs/",
         {"src/docs/Orl_HELPP.html"},
         "src/build/release/app",
         "src",
         "",
         "",
         "",
         0,
         "src/docs/Orl_HELPP.html"},
        {"build folder outside the sources: the cache names them",
         {"src/docs/Orl_HELPA.html"},
         "out/app",
         "src",
         "",
         "",
         "",
         1,
         "src/docs/Orl_HELPA.html"},
        {"the sources it was built from, the build tree gone",
         {"moved/docs/Orl_HELPP.html"},
         "elsewhere/bin",
         "",
         "moved",
         "",
         "",
         0,
         "moved/docs/Orl_HELPP.html"},
        {"a plain build inside the sources (build/app)",
         {"tree/docs/Orl_HELPP.html"},
         "tree/build/app",
         "",
         "",
         "",
         "",
         0,
         "tree/docs/Orl_HELPP.html"},
        {"installed: <prefix>/bin beside <prefix>/share/doc/orlomatbmp",
         {"usr/share/doc/orlomatbmp/Orl_HELPA.html"},
         "usr/bin",
         "",
         "",
         "",
         "",
         1,
         "usr/share/doc/orlomatbmp/Orl_HELPA.html"},
        {"installed under the configured prefix, the program moved",
         {"opt/share/doc/orlomatbmp/Orl_HELPP.html"},
         "portable",
         "",
         "",
         "opt/share/doc/orlomatbmp",
         "",
         0,
         "opt/share/doc/orlomatbmp/Orl_HELPP.html"},
        {"copied beside the program",
         {"portable/Orl_HELPP.chm"},
         "portable",
         "",
         "",
         "",
         "",
         0,
         "portable/Orl_HELPP.chm"},
        {"in the folder it was started from",
         {"wd/Orl_HELPP.html"},
         "portable",
         "",
         "",
         "",
         "wd",
         0,
         "wd/Orl_HELPP.html"},
        {"the build tree before an old installed copy",
         {"src/docs/Orl_HELPP.html", "src/build/release/share/doc/orlomatbmp/Orl_HELPP.html",
          "src/build/release/app/Orl_HELPP.html"},
         "src/build/release/app",
         "src",
         "",
         "",
         "",
         0,
         "src/docs/Orl_HELPP.html"},
        {"installed before a stray copy in the working folder",
         {"usr/share/doc/orlomatbmp/Orl_HELPP.html", "wd/Orl_HELPP.html"},
         "usr/bin",
         "",
         "",
         "",
         "wd",
         0,
         "usr/share/doc/orlomatbmp/Orl_HELPP.html"},
        {"installed on Windows: docs\\ beside the program, a working folder elsewhere",
         {"Program Files/OrlomatBMP/docs/Orl_HELPA.html", "wd/Orl_HELPA.html"},
         "Program Files/OrlomatBMP",
         "",
         "",
         "",
         "wd",
         1,
         "Program Files/OrlomatBMP/docs/Orl_HELPA.html"},
        {"the other language's manual is not taken",
         {"portable/Orl_HELPA.html"},
         "portable",
         "",
         "",
         "",
         "",
         0,
         ""},
        {"nothing anywhere", {}, "usr/bin", "", "", "", "", 0, ""},
    };
    for (const Case& c : cases) {
        QTemporaryDir dir;
        const auto at = [&](const char* relative) {
            return *relative ? dir.filePath(QString::fromLatin1(relative)) : QString();
        };
        for (const QString& f : c.files)
            Touch(dir.filePath(f));
        QDir().mkpath(at(c.program));
        if (*c.cacheSource) {
            QFile cache(QDir(at(c.program)).filePath(QStringLiteral("../CMakeCache.txt")));
            ASSERT_TRUE(cache.open(QIODevice::WriteOnly));
            cache.write("CMAKE_BUILD_TYPE:STRING=Release\nCMAKE_HOME_DIRECTORY:INTERNAL=" +
                        at(c.cacheSource).toLocal8Bit() + "\n");
        }
        const ManualRoots roots{at(c.source), at(c.install), at(c.working)};
        const QString found =
            FindManualIn(ManualFolders(at(c.program), roots), LanguageOfRecord(c.language));
        const QString expected =
            *c.expected ? QFileInfo(at(c.expected)).absoluteFilePath() : QString();
        EXPECT_EQ(found, expected) << c.name;
    }
}

// --- The window from the keyboard -----------------------------------------------------------

class KeyboardTest : public test::WindowTest {
protected:
    void SetUp() override {
        OpenWindow();
        window->show();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }
};

TEST_F(KeyboardTest, F1OpensTheManualOfTheLanguageInForce) {
    // This test program runs from the build tree: the manuals of the sources are found.
    for (const int language : {1, 0}) {
        Trigger(*window, language == 1 ? "English1" : "Polski1");
        prompter.openedDocuments.clear();
        QTest::keyClick(window.get(), Qt::Key_F1);
        ASSERT_EQ(prompter.openedDocuments.size(), 1) << language;
        const QFileInfo manual(prompter.openedDocuments[0]);
        EXPECT_EQ(manual.fileName(), ManualName(LanguageOfRecord(language)));
        EXPECT_TRUE(manual.isFile());
        EXPECT_EQ(manual.dir().dirName(), QStringLiteral("docs"));
    }
    EXPECT_TRUE(prompter.shown.empty()) << prompter.shown[0].text.toStdString();
}

// A temperature field that swallowed Tab trapped the focus; one that swallowed Delete and the
// Ctrl shortcuts could not be edited as any other field.
TEST_F(KeyboardTest, TemperatureFieldsEditAsAnyFieldAndLetTabMoveOn) {
    SynthParams p;
    p.glideSeconds = 10.0f;
    const QString flight = Write(QStringLiteral("lot.dat"), SynthesizeFlight(p));
    ASSERT_TRUE(window->loadFlightFile(flight));
    ASSERT_TRUE(window->loadComparisonFile(flight));
    for (QLineEdit* edit : {Edit(*window, "E_TempGl"), Edit(*window, "E_TempPor")}) {
        const std::string name = edit->objectName().toStdString();
        ASSERT_FALSE(edit->isReadOnly()) << name;
        edit->setFocus();
        edit->setText(QStringLiteral("21"));

        QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
        EXPECT_EQ(edit->selectedText(), QStringLiteral("21")) << name << ": Ctrl+A";
        QApplication::clipboard()->clear();
        QTest::keyClick(edit, Qt::Key_C, Qt::ControlModifier);
        EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("21")) << name << ": Ctrl+C";
        QTest::keyClick(edit, Qt::Key_Home);
        QTest::keyClick(edit, Qt::Key_Delete);
        EXPECT_EQ(edit->text(), QStringLiteral("1")) << name << ": Delete";
        QTest::keyClick(edit, Qt::Key_End);
        QApplication::clipboard()->setText(QStringLiteral("5"));
        QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
        EXPECT_EQ(edit->text(), QStringLiteral("15")) << name << ": Ctrl+V";
        // The field's own rules still hold for typed characters.
        QTest::keyClicks(edit, QStringLiteral("x7"));
        EXPECT_EQ(edit->text(), QStringLiteral("157")) << name << ": typing";
        QTest::keyClick(edit, Qt::Key_Backspace);
        QTest::keyClick(edit, Qt::Key_Return);
        EXPECT_TRUE(prompter.shown.empty()) << name;

        QTest::keyClick(edit, Qt::Key_Tab);
        EXPECT_FALSE(edit->hasFocus()) << name << ": Tab kept the focus";
        EXPECT_NE(QApplication::focusWidget(), nullptr);
    }
    EXPECT_EQ(window->session().current.state.flightTemperature, 15.0f);
    EXPECT_EQ(window->session().comparison.state.flightTemperature, 15.0f);
}

// Alt and the underlined letter press the button; the words stay as designed.
TEST_F(KeyboardTest, AltAcceleratorsPressTheMainButtonsInBothLanguages) {
    struct Case {
        int language;
        const char* button;
        const char* text;
        Qt::Key key;
        const char* result; // what pressing it shows: a message, or a file dialog ("")
    };
    const Case cases[] = {
        {0, "BZapisz", "&Zapisz", Qt::Key_Z, "Brak danych"},
        {0, "BOdczyt", "O&dczyt", Qt::Key_D, ""},
        {0, "B_Porownanie", "&Porównanie", Qt::Key_P, ""},
        {1, "BZapisz", "&Save", Qt::Key_S, "No data"},
        {1, "BOdczyt", "&Load", Qt::Key_L, ""},
        {1, "B_Porownanie", "Com&pare   ", Qt::Key_P, ""},
    };
    for (const Case& c : cases) {
        Trigger(*window, c.language == 1 ? "English1" : "Polski1");
        QPushButton* button = Button(*window, c.button);
        EXPECT_EQ(button->text(), QString::fromUtf8(c.text));
        prompter.shown.clear();
        const int dialogs = prompter.fileDialogs;
        QTest::keyClick(window.get(), c.key, Qt::AltModifier);
        // A button pressed by its accelerator clicks after its press animation.
        for (int waited = 0;
             waited < 2000 && prompter.shown.empty() && prompter.fileDialogs == dialogs;
             waited += 20)
            QTest::qWait(20);
        if (*c.result)
            EXPECT_EQ(Texts(), std::vector<QString>{QString::fromUtf8(c.result)}) << c.text;
        else
            EXPECT_EQ(prompter.fileDialogs, dialogs + 1) << c.text;
    }
}

// Two controls on one letter would make Alt+letter only move the focus between them.
TEST_F(KeyboardTest, AcceleratorsAreUniqueAndKeepTheDesignedWords) {
    for (const int language : {0, 1}) {
        Trigger(*window, language == 1 ? "English1" : "Polski1");
        QStringList texts;
        for (QPushButton* b : {Button(*window, "B_Odczyt_Orlomatu"), Button(*window, "BZerowanie"),
                               Button(*window, "B_Filtr_Alt"), Button(*window, "BZapisz"),
                               Button(*window, "BOdczyt"), Button(*window, "B_Porownanie"),
                               Button(*window, "B_Filtr_por")})
            texts << b->text();
        for (QMenu* m : {Menu(*window, "Ustawienia1"), Menu(*window, "Widok1"), Menu(*window, "E1"),
                         Menu(*window, "MenuJezyk")})
            texts << m->title();
        texts << Action(*window, "Info1")->text() << Action(*window, "Help1")->text();
        QSet<QChar> letters;
        for (const QString& t : texts) {
            const qsizetype at = t.indexOf(QLatin1Char('&'));
            ASSERT_GE(at, 0) << t.toStdString() << " has no accelerator";
            const QChar letter = t.at(at + 1).toLower();
            EXPECT_FALSE(letters.contains(letter)) << t.toStdString() << " shares its letter";
            letters.insert(letter);
        }
    }
    EXPECT_EQ(WithoutAccelerator(Button(*window, "B_Odczyt_Orlomatu")->text()),
              QStringLiteral("Read Altimeter"));
    Trigger(*window, "Polski1");
    EXPECT_EQ(WithoutAccelerator(Button(*window, "B_Odczyt_Orlomatu")->text()),
              QStringLiteral("Odczyt Orlomatu"));
    EXPECT_EQ(Button(*window, "B_Odczyt_Orlomatu")->text(), QStringLiteral("&Odczyt Orlomatu"));
}

// --- The filter dialog refuses what it cannot take -----------------------------------------

TEST_F(KeyboardTest, FilterDialogRefusesWhatIsNotAWholeNumberInRange) {
    FilterDialog& d = *window->findChild<FilterDialog*>();
    struct Case {
        int language;
        QString FilterDialog::Fields::*field;
        const char* typed;
        const char* message; // empty: taken
    };
    const char* prefilterPl = "Filtr wstepny: podaj liczbę całkowitą od 4 do 20";
    const char* finalCutEn = "Final cut: enter a whole number from 1 to 10000";
    const Case cases[] = {
        {0, &FilterDialog::Fields::prefilter, "abc", prefilterPl},
        {0, &FilterDialog::Fields::prefilter, "99999999999999999999", prefilterPl},
        {0, &FilterDialog::Fields::prefilter, "-0", prefilterPl},
        {0, &FilterDialog::Fields::prefilter, "1e3", prefilterPl},
        {0, &FilterDialog::Fields::prefilter, "3", prefilterPl},
        {0, &FilterDialog::Fields::prefilter, "21", prefilterPl},
        {0, &FilterDialog::Fields::prefilter, "", prefilterPl},
        {0, &FilterDialog::Fields::preCut, "0",
         "Obciecie wstepne: podaj liczbę całkowitą od 1 do 10000"},
        {0, &FilterDialog::Fields::finalFilter, "31",
         "Filtr dokladny: podaj liczbę całkowitą od 4 do 30"},
        {1, &FilterDialog::Fields::finalCut, "-250", finalCutEn},
        {1, &FilterDialog::Fields::finalCut, "2.5", finalCutEn},
        {1, &FilterDialog::Fields::finalCut, "10001", finalCutEn},
        {1, &FilterDialog::Fields::finalFilter, "3",
         "Final Filter: enter a whole number from 4 to 30"},
        // The edges the labels promise are taken.
        {0, &FilterDialog::Fields::prefilter, "4", ""},
        {0, &FilterDialog::Fields::prefilter, "20", ""},
        {0, &FilterDialog::Fields::finalFilter, "4", ""},
        {1, &FilterDialog::Fields::finalFilter, "30", ""},
        {1, &FilterDialog::Fields::preCut, " 10000 ", ""},
        {1, &FilterDialog::Fields::finalCut, "1", ""},
    };
    for (const Case& c : cases) {
        Trigger(*window, c.language == 1 ? "English1" : "Polski1");
        const QByteArray before = Read(window->settingsPath());
        const SettingsRecord stored = window->session().settings;
        bool open = false;
        prompter.shown.clear();
        prompter.onModal = [&](QDialog&) {
            d.restoreDefaults();
            FilterDialog::Fields typed = d.values();
            typed.*c.field = QString::fromUtf8(c.typed);
            d.setValues(typed);
            QTest::mouseClick(Named<QPushButton>(d, "Button2"), Qt::LeftButton);
            open = d.isVisible();
        };
        Trigger(*window, "Filtr3");
        if (*c.message) {
            EXPECT_EQ(Texts(), std::vector<QString>{QString::fromUtf8(c.message)}) << c.typed;
            EXPECT_TRUE(open) << c.typed << ": the dialog closed";
            EXPECT_EQ(Read(window->settingsPath()), before) << c.typed << ": stored";
            EXPECT_EQ(window->session().settings.toBytes(), stored.toBytes()) << c.typed;
        } else {
            EXPECT_TRUE(prompter.shown.empty()) << c.typed;
            EXPECT_FALSE(open) << c.typed;
        }
    }
    // "Domyslne" and "Zapisz" store the defaults, all within the ranges.
    prompter.onModal = [&](QDialog&) {
        QTest::mouseClick(Named<QPushButton>(d, "Button1"), Qt::LeftButton);
        QTest::mouseClick(Named<QPushButton>(d, "Button2"), Qt::LeftButton);
    };
    Trigger(*window, "Filtr3");
    const SettingsRecord& s = window->session().settings;
    EXPECT_EQ((std::vector<int>{s.preCut, s.finalCut, s.prefilterWidth, s.finalFilterWidth}),
              (std::vector<int>{350, 250, 8, 12}));
}

// --- Message boxes ----------------------------------------------------------------------

// A box sized for a short text left its caption to be cut by the window manager ("Al...or").
TEST(MessageBoxes, AreWideEnoughForTheirCaption) {
    for (const char* caption :
         {"Altimeter - error", "Orlomat - problem", "Orlomat-Zapis", "Nie można zapisać pliku"}) {
        QMessageBox box(QMessageBox::NoIcon, QString::fromUtf8(caption), QStringLiteral("OK"),
                        QMessageBox::Ok);
        WidenForCaption(box);
        box.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&box));
        QFont title = box.font();
        title.setBold(true);
        EXPECT_GE(box.width(),
                  QFontMetrics(title).horizontalAdvance(QString::fromUtf8(caption)) + 150)
            << caption;
        box.close();
    }
}

// --- The information dialog -------------------------------------------------------------

// A monospaced version line and lines shrunk one by one made the dialog a collage of fonts.
TEST(InformationDialog, OneFamilyAndOneSizeForAllButTheHeading) {
    InfoDialog dialog;
    const QString family = dialog.findChild<QLabel*>(QStringLiteral("Label1"))->font().family();
    // The offscreen platform under Wine finds no font at all: nothing to measure sizes with.
    if (family.isEmpty()) GTEST_SKIP() << "no fonts on this platform";
    int bodyPixels = -1;
    for (const char* name : {"Label6", "Label1", "Label2", "Label3", "Label4", "Label5"}) {
        const auto* label = dialog.findChild<QLabel*>(QString::fromLatin1(name));
        ASSERT_NE(label, nullptr) << name;
        EXPECT_EQ(label->font().family(), family) << name;
        EXPECT_TRUE(dialog.rect().contains(label->geometry())) << name << " is cut off";
        if (std::string(name) == "Label1") continue; // the maker's name: the heading
        if (bodyPixels < 0) bodyPixels = label->font().pixelSize();
        EXPECT_EQ(label->font().pixelSize(), bodyPixels) << name;
    }
    EXPECT_GE(bodyPixels, 14); // still readable
}

} // namespace
} // namespace orlomat
