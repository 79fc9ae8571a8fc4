#include "device/altimeter.h"
#include "tests/support/fake_line.h"
#include "tests/support/window_controls.h"
#include "tests/support/window_fixture.h"
#include "tools/synth/flight_synth.h"
#include "ui/device_settings_dialog.h"
#include "ui/main_window.h"

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <map>
#include <optional>

namespace orlomat {
namespace {

using namespace test; // the window's controls by their designed names

using Frame = std::vector<std::uint8_t>;

class SettingsDialogTest : public test::WindowTest {
protected:
    void SetUp() override {
        test::AnswerFrom(line, replies);
        OpenWindow(&line, &clock);
        dialog = window->findChild<DeviceSettingsDialog*>();
    }
    // Opens the dialog and runs `whileOpen` in it.
    void Open(const std::function<void()>& whileOpen = {}) {
        prompter.onModal = [&](QDialog&) {
            if (whileOpen) whileOpen();
        };
        Trigger(*window, "Orlomat1");
    }
    void Fill(const char* level, const char* competitor, const char* delay) {
        DeviceSettingsDialog::Fields typed = dialog->values();
        typed.level = QString::fromLatin1(level);
        typed.competitor = QString::fromLatin1(competitor);
        typed.delay = QString::fromLatin1(delay);
        dialog->setValues(typed);
    }

    test::FakeClock clock;
    test::FakeLine line{clock};
    DeviceSettingsDialog* dialog = nullptr;
    test::Replies replies = test::WellBehavedReplies(0x19);
};

TEST_F(SettingsDialogTest, OpeningReadsTheAltimeterIntoTheFields) {
    bool portOpenWhileShown = false;
    Open([&] { portOpenWhileShown = line.isOpen; });
    EXPECT_TRUE(prompter.shown.empty());
    EXPECT_EQ(prompter.modals, 1);
    EXPECT_TRUE(portOpenWhileShown);
    EXPECT_FALSE(line.isOpen); // closing the dialog closes the port
    EXPECT_EQ(dialog->values().competitor, QStringLiteral("12"));
    EXPECT_EQ(dialog->values().serial, QStringLiteral("345"));
    EXPECT_EQ(dialog->values().temperature, QStringLiteral("20")); // byte 25
    EXPECT_EQ(dialog->values().level, QStringLiteral("30"));
    EXPECT_EQ(Named<QComboBox>(*dialog, "ComboBox_ImPomiarow")->currentText(),
              QStringLiteral("10 pom/sek"));
    EXPECT_EQ(dialog->values().manualZero, 1);
    EXPECT_EQ(dialog->values().delay, QStringLiteral("180"));
    EXPECT_EQ(dialog->values().version, QStringLiteral("V 2016.4"));
    EXPECT_FALSE(Edit(*window, "ECzekaj")->isVisible());
    EXPECT_EQ(window->session().current.state.temperatureByte, 20);
    EXPECT_EQ(window->session().triggerLevel, 30);
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Ustawienia"));
    EXPECT_EQ(Named<QLabel>(*dialog, "L_Numer_Portu")->text(), QStringLiteral("Wybierz Port"));
    EXPECT_EQ(Named<QPushButton>(*dialog, "B_wyslij")->text(), QStringLiteral("&Zapisz"));
}

TEST_F(SettingsDialogTest, CaptionsFollowTheLanguageAtActivation) {
    Trigger(*window, "English1");
    Open();
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Setup"));
    EXPECT_EQ(Named<QLabel>(*dialog, "L_PoziomWyzwalania")->text(),
              QStringLiteral("Setup Heigh Trigger"));
    EXPECT_EQ(Named<QLabel>(*dialog, "L_Sek")->text(), QStringLiteral("[sec]"));
    EXPECT_EQ(Named<QLabel>(*dialog, "L_Ust_Probk")->text(), QStringLiteral("Sampling"));
    EXPECT_EQ(Named<QPushButton>(*dialog, "B_wyslij")->text(), QStringLiteral("&Save"));
    // The manual-zeroing items keep the language of the dialog's creation.
    EXPECT_EQ(Named<QComboBox>(*dialog, "ComboB_Zer")->itemText(1), QStringLiteral("Tak"));
}

TEST_F(SettingsDialogTest, FailedReadClearsPartOfTheFields) {
    Open();
    replies['4'] = Frame(9, 0); // 9 bytes: the read fails
    Open();
    EXPECT_EQ(Texts(), std::vector<QString>{QStringLiteral("Błąd komunikacji")});
    EXPECT_TRUE(dialog->values().competitor.isEmpty());
    EXPECT_TRUE(dialog->values().level.isEmpty());
    EXPECT_TRUE(dialog->values().temperature.isEmpty());
    EXPECT_EQ(dialog->values().sampling, 2);
    EXPECT_EQ(dialog->values().manualZero, 0);
    EXPECT_EQ(dialog->values().delay, QStringLiteral("180")); // kept
    EXPECT_EQ(dialog->values().version, QStringLiteral("V 2016.4"));
}

TEST_F(SettingsDialogTest, MissingPortShowsBothMessages) {
    line.openSucceeds = false;
    Open([&] { dialog->sendSettings(); });
    // The cleared fields stop the send at the empty-field test; nothing is sent.
    // The port message names the port, and under it the ports present (or none).
    std::vector<QString> texts = Texts();
    ASSERT_EQ(texts.size(), 3u);
    const QStringList portLines = texts[0].split(QLatin1Char('\n'));
    ASSERT_EQ(portLines.size(), 2);
    EXPECT_TRUE(portLines[1].startsWith(QStringLiteral("Dostępne: ")) ||
                portLines[1].startsWith(QStringLiteral("Nie ma żadnego portu")))
        << portLines[1].toStdString();
    texts[0] = portLines[0];
    EXPECT_EQ(texts, (std::vector<QString>{QStringLiteral("Błąd komunikacji z portem: COM5"),
                                           QStringLiteral("Błąd komunikacji"),
                                           QStringLiteral("Pole nie może być puste")}));
    EXPECT_TRUE(line.frames.empty());
}

TEST_F(SettingsDialogTest, SendingTheLimitsWritesTheirBytes) {
    Open([&] {
        Fill("200", "10000", "300");
        dialog->sendSettings();
    });
    EXPECT_EQ(Texts(), std::vector<QString>{QStringLiteral("Ustawienia OK")});
    EXPECT_EQ(prompter.shown[0].caption, QStringLiteral("Ustawienia"));
    ASSERT_EQ(line.frames.size(), 7u);
    EXPECT_EQ(line.frames[4], (Frame{'e', '5', 0x10, 0x27, 0x00, 0x20, 0x03, 0x02}));
    EXPECT_EQ(line.frames[5], (Frame{'e', 'C', 0x01, 0x27, 0x00, 0x20, 0x03, 0x02}));
    EXPECT_EQ(line.frames[6], (Frame{'e', '7', 0x30, 0x75, 0x00, 0x20, 0x03, 0x02}));
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_FALSE(line.isOpen);
}

TEST_F(SettingsDialogTest, ValuesAboveTheLimitsStopTheSendNamingTheField) {
    struct Case {
        const char *level, *competitor, *delay;
        std::size_t framesSent; // after the four reads
        const char* message;
    };
    const char* level = "Za duza wartosc: Wysokosc Startu Pomiaru (0-200)";
    const char* competitor = "Za duza wartosc: Nr.Zawodnika (0-10000)";
    const char* delay = "Za duza wartosc: Czas Opoznienia (0-300)";
    for (const Case c :
         {Case{"201", "1", "1", 0, level}, Case{"-1", "1", "1", 0, level},
          Case{"1", "10001", "1", 0, competitor}, Case{"1", "-1", "1", 0, competitor},
          Case{"1", "1", "301", 2, delay}, Case{"1", "1", "-1", 2, delay},
          // would overflow as hundredths
          Case{"1", "1", "999999999999999999", 2, delay}}) {
        line.frames.clear();
        prompter.shown.clear();
        bool stillOpen = false;
        Open([&] {
            Fill(c.level, c.competitor, c.delay);
            dialog->sendSettings();
            stillOpen = dialog->isVisible() && line.isOpen;
        });
        EXPECT_EQ(Texts(), std::vector<QString>{QString::fromUtf8(c.message)}) << c.delay;
        EXPECT_EQ(line.frames.size(), 4 + c.framesSent) << c.level << c.competitor << c.delay;
        EXPECT_TRUE(stillOpen);
    }
}

// Typing never brings up a message on every key; leaving the field checks it, naming it.
TEST_F(SettingsDialogTest, LimitsAreCheckedWhenAFieldIsLeftNotWhileTyping) {
    Open([&] {
        dialog->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(dialog));
        struct Case {
            QLineEdit* edit;
            const char* typed;
            const char* message; // on leaving with Tab
        };
        for (const Case c : {Case{Named<QLineEdit>(*dialog, "E_Poziom"), "2017",
                                  "Za duza wartosc: Wysokosc Startu Pomiaru (0-200)"},
                             Case{Named<QLineEdit>(*dialog, "E_NrZaw"), "123456",
                                  "Za duza wartosc: Nr.Zawodnika (0-10000)"},
                             Case{Named<QLineEdit>(*dialog, "E_CzasOp"), "301",
                                  "Za duza wartosc: Czas Opoznienia (0-300)"},
                             Case{Named<QLineEdit>(*dialog, "E_CzasOp"), "300", nullptr}}) {
            prompter.shown.clear();
            c.edit->setFocus();
            c.edit->selectAll();
            QTest::keyClicks(c.edit, QString::fromLatin1(c.typed));
            EXPECT_TRUE(prompter.shown.empty()) << c.typed << " warned while typing";
            QTest::keyClick(c.edit, Qt::Key_Tab);
            EXPECT_FALSE(c.edit->hasFocus()) << c.typed;
            const std::vector<QString> expected =
                c.message ? std::vector<QString>{QString::fromUtf8(c.message)}
                          : std::vector<QString>{};
            EXPECT_EQ(Texts(), expected) << c.typed;
        }
    });
    EXPECT_EQ(line.frames.size(), 4u); // leaving a field sends nothing
}

TEST_F(SettingsDialogTest, HotDeviceWarnsWhenTheDialogIsFilled) {
    replies['4'] = Frame{0, 0, 0, 0, 90, 0, 0, 2}; // 90 degrees shows 73: above 70
    Open();
    EXPECT_EQ(dialog->values().temperature, QStringLiteral("73"));
    EXPECT_EQ(Texts(), std::vector<QString>{QStringLiteral("Za duza wartosc: Temperatura (0-70)")});
}

TEST_F(SettingsDialogTest, EmptyOrUnreadableFieldsSendNothing) {
    Open([&] {
        Fill("10", "5", "");
        prompter.shown.clear();
        dialog->sendSettings();
        EXPECT_EQ(Texts(), std::vector<QString>{QStringLiteral("Pole nie może być puste")});
        prompter.shown.clear();
        Fill("abc", "5", "1");
        prompter.shown.clear();
        dialog->sendSettings();
        EXPECT_EQ(Texts(),
                  std::vector<QString>{QStringLiteral("\"abc\" nie jest liczbą całkowitą")});
    });
    EXPECT_EQ(line.frames.size(), 4u);
}

TEST_F(SettingsDialogTest, SamplingCodeWithoutAnItemIsNotSentBack) {
    replies['4'] = Frame{0, 0, 0, 0, 10, 4, 0, 0x09};
    Open([&] {
        EXPECT_EQ(dialog->values().sampling, -1);
        Fill("1", "1", "1");
        prompter.shown.clear();
        dialog->sendSettings();
    });
    EXPECT_EQ(Texts(), std::vector<QString>{QStringLiteral("Pole nie może być puste")});
    EXPECT_EQ(line.frames.size(), 4u);
}

TEST_F(SettingsDialogTest, ChangingThePortStoresItAndReadsAgain) {
    Open([&] {
        Named<QComboBox>(*dialog, "CB_Numer_Portu")->setEditText(QStringLiteral("COM12"));
        dialog->portChanged();
    });
    EXPECT_EQ(window->session().settings.portName(), "COM12");
    EXPECT_EQ(line.lastName, "COM12");
    EXPECT_EQ(line.frames.size(), 8u); // read on opening, read again after the change
    QFile f(window->settingsPath());
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.read(8), QByteArray("COM12\0\0\0", 8));
}

TEST_F(SettingsDialogTest, PortNamesOfTheWrongLengthAreRefused) {
    Open([&] {
        for (const char* name : {"/dev/ttyUSB0", "CO"}) {
            Named<QComboBox>(*dialog, "CB_Numer_Portu")->setEditText(QString::fromLatin1(name));
            dialog->portChanged();
        }
    });
    EXPECT_EQ(Texts(), (std::vector<QString>{
                           QStringLiteral("Nazwa portu jest za długa (najwyżej 7 znaków)"),
                           QStringLiteral("Nazwa portu jest za krótka (co najmniej 4 znaki)")}));
    EXPECT_EQ(window->session().settings.portName(), "COM5");
    EXPECT_FALSE(QFile::exists(window->settingsPath()));
}

TEST_F(SettingsDialogTest, DefaultSetupFlashesOkAndTouchesNothingElse) {
    ASSERT_TRUE(window->loadFlightFile([&] {
        const QString p = dir.filePath(QStringLiteral("a.dat"));
        QFile f(p);
        f.open(QIODevice::WriteOnly);
        const auto b = SynthesizeFlight({});
        f.write(reinterpret_cast<const char*>(b.data()), static_cast<qsizetype>(b.size()));
        return p;
    }()));
    const QString maxText = Edit(*window, "E_MaxGl")->text();
    const auto record = window->session().current.record;
    Trigger(*window, "Se1");
    EXPECT_TRUE(prompter.shown.empty());
    EXPECT_EQ(line.frames.size(), 4u);
    EXPECT_EQ(window->session().current.curve.maximum, 0.0f);
    EXPECT_EQ(Edit(*window, "E_MaxGl")->text(), maxText);
    EXPECT_EQ(window->session().current.record, record);
    EXPECT_FALSE(Edit(*window, "EUstawieniaOK")->isVisible());
    EXPECT_EQ(clock.now, 2 * 500 + 2 * 200 + 4 * 250 + 1000); // the indicator's second
    EXPECT_FALSE(QFile::exists(window->settingsPath()));

    replies['5'] = std::nullopt;
    const long before = clock.now;
    Trigger(*window, "Se1");
    EXPECT_EQ(Texts(), std::vector<QString>{QStringLiteral("Błąd zapisu")});
    EXPECT_EQ(clock.now - before, 500); // no indicator
}

} // namespace
} // namespace orlomat
