#include "ui/orlomat_1.h"

#include "device/altimeter.h"
#include "ui/chart_view.h"
#include "files/csv_export.h"
#include "ui/dialogs.h"
#include "files/file_io.h"
#include "ui/filtr.h"
#include "core/format.h"
#include "ui/fustawienia.h"
#include "ui/main_layout.h"
#include "ui/picture_output.h"
#include "ui/prompter.h"
#include "device/qt_serial_line.h"
#include "device/settings_exchange.h"
#include "ui/settings_file.h"
#include "analysis/temperature_entry.h"
#include "ui/widgets.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <QMenuBar>
#include <QPrinter>
#include <QPushButton>
#include <QShortcut>

namespace orlomat {

namespace {

QFont PixelFont(const QString& family, int pixels, bool bold = false) {
    QFont f(family);
    f.setPixelSize(pixels);
    f.setBold(bold);
    return f;
}

QLineEdit* MakeReadOnlyEdit(QWidget* parent, const char* name, int x, int y, int w, int h) {
    auto* e = MakeWidget<QLineEdit>(parent, name, x, y, w, h);
    e->setReadOnly(true);
    return e;
}

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, int x, int y) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(QString::fromLatin1(name));
    l->move(x, y);
    l->adjustSize();
    return l;
}

// The file's name without its folder: what follows the last "/" or "\".
QString NameWithoutFolder(const QString& path) {
    const qsizetype cut =
        std::max(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
    return path.mid(cut + 1);
}

char DecimalSeparator() {
    const QString point = QLocale().decimalPoint();
    return point.size() == 1 && point.at(0).unicode() < 128 ? point.at(0).toLatin1() : '.';
}

// The edits and labels of one value group; the two groups have the same shape.
struct GroupNames {
    const char *maxLabel, *maxEdit, *maxUnit;
    const char *minLabel, *minEdit, *minUnit;
    const char *zawLabel, *zawEdit, *serLabel, *serEdit;
    const char *tempLabel, *tempEdit, *tempUnit, *probLabel, *probEdit;
};

} // namespace

// What the device exchanges show, on the window's controls.
class TOrlomat_BMP::DeviceView : public DeviceUi {
public:
    explicit DeviceView(TOrlomat_BMP& w) : w_(w) {}

    void message(Message text, Message caption, const std::string& detail) override {
        w_.prompter_.message(w_.msg(text) + QString::fromStdString(detail), w_.msg(caption));
    }
    bool confirm(Message text, Message caption) override {
        return w_.prompter_.confirm(w_.msg(text), w_.msg(caption));
    }
    void downloadBegins() override {
        w_.E_PobDan->show();
        w_.E_PobDan->repaint();
        w_.GroupB_Alt->setTitle(w_.caption(Caption::Orlomat));
    }
    void downloadEnds() override {
        w_.ECzekaj->hide();
        w_.E_PobDan->hide();
    }
    void prepareForFlight() override {
        w_.Chart1->undoZoom();
        for (int s : {1, 2, 4, 5})
            w_.Chart1->clearSeries(s);
        w_.prepareCurrentFlightAxes();
        w_.Chart1->refresh();
    }
    void streamStarted() override {
        w_.E_MaxGl->setText(QStringLiteral("   "));
        w_.EMinimum->setText(QStringLiteral("   "));
    }
    void progress(const std::string& text) override {
        w_.ECzekaj->setText(QString::fromStdString(text));
        w_.ECzekaj->show();
        w_.ECzekaj->repaint();
    }

private:
    TOrlomat_BMP& w_;
};

TOrlomat_BMP::TOrlomat_BMP(const QString& settingsPath, Prompter& prompter, SerialLine* line,
                           Clock* clock, QWidget* parent)
    : QMainWindow(parent), prompter_(prompter), settingsPath_(settingsPath) {
    setObjectName(QStringLiteral("Orlomat_BMP"));
    if (line == nullptr) {
        ownLine_ = std::make_unique<QtSerialLine>();
        line = ownLine_.get();
    }
    if (clock == nullptr) {
        ownClock_ = std::make_unique<SteadyClock>();
        clock = ownClock_.get();
    }
    altimeter_ = std::make_unique<Altimeter>(*line, *clock);
    printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer_->setPageOrientation(QPageLayout::Landscape);
    deviceView_ = std::make_unique<DeviceView>(*this);
    altimeter_->channel.onOpenFailed = [this](const std::string& port, const std::string&) {
        showError(Message::PortError, QString::fromStdString(port));
    };
    buildControls();
    buildMenus();

    session_.settings = LoadSettings(settingsPath_);
    Przyspieszenie1->setChecked(session_.settings.showAcceleration != 0);
    setLanguage(session_.settings.languageIndex());
    ApplyLanguageTexts();
    Chart1->clearSeries(1);
    session_.current.state.flightTemperature = 20.0f;
    Chart1->refresh();
}

TOrlomat_BMP::~TOrlomat_BMP() = default;

void TOrlomat_BMP::CreateDialogs() {
    FormUstawienia = new TFormUstawienia(*this);
    FoInfo = new TFoInfo(this);
    F_Filtr = new TF_Filtr(*this);
}

void TOrlomat_BMP::buildControls() {
    resize(1300, 834);
    setFont(PixelFont(QStringLiteral("MS Sans Serif"), 11));
    client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    client->setAutoFillBackground(true);
    QPalette silver = client->palette();
    silver.setColor(QPalette::Window, QColor(192, 192, 192));
    client->setPalette(silver);
    setCentralWidget(client);
    client->installEventFilter(this);

    const QString arial = QStringLiteral("Arial");
    B_Odczyt_Orlomatu = MakeWidget<QPushButton>(client, "B_Odczyt_Orlomatu", 8, 8, 145, 41);
    B_Odczyt_Orlomatu->setFont(PixelFont(font().family(), 13, true));
    BZerowanie = MakeWidget<QPushButton>(client, "BZerowanie", 8, 70, 81, 27);
    BZerowanie->setFont(PixelFont(font().family(), 13));
    B_Filtr_Alt = MakeWidget<QPushButton>(client, "B_Filtr_Alt", 96, 70, 57, 27);
    B_Filtr_Alt->setText(QStringLiteral("Filtr"));

    const auto makeGroup = [&](const char* name, int x, int w, const QColor& colour, int col1Label,
                               int col1Edit, int col2, int col3, const GroupNames& n,
                               QLabel** labels[9], QLineEdit** edits[6]) {
        auto* g = MakeWidget<QGroupBox>(client, name, x, 0, w, 113);
        g->setFont(PixelFont(arial, 16, true));
        QPalette p = g->palette();
        p.setColor(QPalette::WindowText, colour);
        g->setPalette(p);
        const QFont plain = font();
        QPalette normal = client->palette();
        normal.setColor(QPalette::WindowText, Qt::black);
        const auto label = [&](const char* nm, const QString& text, int lx, int ly) {
            QLabel* l = MakeLabel(g, nm, text, lx, ly);
            l->setFont(plain);
            l->setPalette(normal);
            l->adjustSize();
            return l;
        };
        const auto edit = [&](const char* nm, int ex, int ey, int ew) {
            QLineEdit* e = MakeReadOnlyEdit(g, nm, ex, ey, ew, 24);
            e->setFont(plain);
            return e;
        };
        *labels[0] = label(n.maxLabel, QStringLiteral("Maximum"), col1Label, 18);
        *labels[1] = label(n.minLabel, QStringLiteral("Minimum"), col1Label, 66);
        *labels[2] = label(n.zawLabel, QString(), col2, 18);
        *labels[3] = label(n.serLabel, QString(), col2, 66);
        *labels[4] = label(n.tempLabel, QString(), col3, 18);
        *labels[5] = label(n.probLabel, QString(), col3, 66);
        *edits[0] = edit(n.maxEdit, col1Edit, 32, 70);
        *edits[1] = edit(n.minEdit, col1Edit, 80, 70);
        *edits[2] = edit(n.zawEdit, col2, 32, 73);
        *edits[3] = edit(n.serEdit, col2, 80, 73);
        *edits[4] = edit(n.tempEdit, col3, 32, 64);
        *edits[5] = edit(n.probEdit, col3, 80, 80);
        *labels[6] = label(n.maxUnit, QStringLiteral("m"), col1Edit + 73, 36);
        *labels[7] = label(n.minUnit, QStringLiteral("m"), col1Edit + 73, 84);
        *labels[8] = label(n.tempUnit, QStringLiteral("C"), col3 + 67, 36);
        return g;
    };

    {
        const GroupNames n = {"LabMaximum", "E_MaxGl",  "LmMax",         "LMinimum",  "EMinimum",
                              "LmMin",      "LZaw1",    "E_NrZawodnika", "L_NumSer1", "E_NrSeryjny",
                              "LTemp1",     "E_TempGl", "Label14",       "LProbk1",   "E_probkGl"};
        QLabel** labels[9] = {&LabMaximum, &LMinimum, &LZaw1, &L_NumSer1, &LTemp1,
                              &LProbk1,    &LmMax,    &LmMin, &Label14};
        QLineEdit** edits[6] = {&E_MaxGl,     &EMinimum, &E_NrZawodnika,
                                &E_NrSeryjny, &E_TempGl, &E_probkGl};
        GroupB_Alt = makeGroup("GroupB_Alt", 168, 281, QColor(255, 0, 0), 12, 12, 104, 189, n,
                               labels, edits);
        E_MaxGl->setFont(PixelFont(font().family(), 16, true));
        E_NrZawodnika->setReadOnly(false); // the one edit designed writable
    }

    GBDysk_ZapisOdczyt = MakeWidget<QGroupBox>(client, "GBDysk_ZapisOdczyt", 528, 0, 129, 113);
    GBDysk_ZapisOdczyt->setFont(PixelFont(arial, 13));
    BZapisz = MakeWidget<QPushButton>(GBDysk_ZapisOdczyt, "BZapisz", 16, 30, 97, 25);
    BOdczyt = MakeWidget<QPushButton>(GBDysk_ZapisOdczyt, "BOdczyt", 16, 69, 97, 25);

    B_Porownanie = MakeWidget<QPushButton>(client, "B_Porownanie", 864, 8, 97, 41);
    B_Porownanie->setFont(PixelFont(font().family(), 13, true));
    B_Filtr_por = MakeWidget<QPushButton>(client, "B_Filtr_por", 864, 72, 75, 25);
    B_Filtr_por->setText(QStringLiteral("Filtr"));

    {
        const GroupNames n = {"Label1", "E_Max_Por", "Label7",    "Label3",    "E_Min_Por",
                              "Label8", "LZaw2",     "E_Zaw_Por", "L_NumSer2", "E_NrS_Por",
                              "LTemp2", "E_TempPor", "Label9",    "LProbk2",   "E_probkPor"};
        QLabel** labels[9] = {&Label1,  &Label3, &LZaw2,  &L_NumSer2, &LTemp2,
                              &LProbk2, &Label7, &Label8, &Label9};
        QLineEdit** edits[6] = {&E_Max_Por, &E_Min_Por, &E_Zaw_Por,
                                &E_NrS_Por, &E_TempPor, &E_probkPor};
        GroupB_Por = makeGroup("GroupB_Por", 976, 297, QColor(255, 255, 0), 13, 16, 112, 205, n,
                               labels, edits);
    }

    Chart1 = new ChartView(client);
    Chart1->setObjectName(QStringLiteral("Chart1"));
    Chart1->setGeometry(8, 120, 1265, 745);
    Label6 = MakeLabel(Chart1, "Label6", QStringLiteral("[m]"), 8, 745 - 20);
    Label2 = MakeLabel(Chart1, "Label2", QStringLiteral("[sek]"), 1265 - 85, 745 - 20);
    Label4 = MakeLabel(Chart1, "Label4", QStringLiteral("dh/dt"), 1265 - 85, 8);
    for (QLabel* l : {Label6, Label2, Label4}) {
        l->setFont(PixelFont(font().family(), 13, true));
        l->adjustSize();
    }
    EUstawieniaOK = MakeReadOnlyEdit(Chart1, "EUstawieniaOK", 560, 192, 89, 37);
    EUstawieniaOK->setFont(PixelFont(font().family(), 24));
    EUstawieniaOK->setText(QStringLiteral("    OK"));
    EUstawieniaOK->hide();

    QPalette grey = client->palette();
    grey.setColor(QPalette::Base, QColor(200, 200, 200));
    E_PobDan = MakeReadOnlyEdit(client, "E_PobDan", 520, 232, 177, 32);
    E_PobDan->setText(QStringLiteral("   Odczyt danych"));
    ECzekaj = MakeReadOnlyEdit(client, "ECzekaj", 560, 272, 113, 32);
    ECzekaj->setText(QStringLiteral("    Czekaj"));
    for (QLineEdit* e : {E_PobDan, ECzekaj}) {
        e->setFont(PixelFont(arial, 21));
        e->setPalette(grey);
        e->hide();
        e->raise();
    }

    connect(B_Filtr_Alt, &QPushButton::clicked, this, &TOrlomat_BMP::B_Filtr_AltClick);
    connect(B_Filtr_por, &QPushButton::clicked, this, &TOrlomat_BMP::B_Filtr_porClick);
    connect(B_Porownanie, &QPushButton::clicked, this, &TOrlomat_BMP::B_PorownanieClick);
    connect(Chart1, &ChartView::seriesClicked, this, &TOrlomat_BMP::xxx);
    connect(Chart1, &ChartView::legendClicked, this, &TOrlomat_BMP::ppp);
    E_TempGl->installEventFilter(this);
    E_TempPor->installEventFilter(this);

    connect(B_Odczyt_Orlomatu, &QPushButton::clicked, this, &TOrlomat_BMP::B_Odczyt_OrlomatuClick);
    connect(BZerowanie, &QPushButton::clicked, this, &TOrlomat_BMP::BZerowanieClick);

    connect(BZapisz, &QPushButton::clicked, this, &TOrlomat_BMP::BZapisz_PomiarClick);
    connect(BOdczyt, &QPushButton::clicked, this, &TOrlomat_BMP::BLaduj_pomiarClick);
    connect(Chart1, &ChartView::zoomed, this, &TOrlomat_BMP::Chart1Zoom);
    connect(Chart1, &ChartView::zoomUndone, this, &TOrlomat_BMP::Chart1UndoZoom);
}

void TOrlomat_BMP::buildMenus() {
    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu1"));
    const auto menu = [&](const char* name) {
        QMenu* m = bar->addMenu(QString());
        m->setObjectName(QString::fromLatin1(name));
        m->menuAction()->setObjectName(QString::fromLatin1(name));
        return m;
    };
    const auto item = [&](QMenu* m, const char* name, const QString& text) {
        QAction* a = m->addAction(text);
        a->setObjectName(QString::fromLatin1(name));
        return a;
    };
    Ustawienia1 = menu("Ustawienia1");
    Orlomat1 = item(Ustawienia1, "Orlomat1", QString());
    Filtr3 = item(Ustawienia1, "Filtr3", QStringLiteral("Filtr"));
    Se1 = item(Ustawienia1, "Se1", QStringLiteral("Setup Default"));
    Widok1 = menu("Widok1");
    Przyspieszenie1 = item(Widok1, "Przyspieszenie1", QString());
    Przyspieszenie1->setCheckable(true);
    Porownanie1 = item(Widok1, "Porownanie1", QString());
    Porownanie1->setCheckable(true);
    Porownanie1->setChecked(true);
    Warto1 = item(Widok1, "Warto1", QStringLiteral("Wartosci"));
    Warto1->setCheckable(true);
    E1 = menu("E1");
    E1->setTitle(QStringLiteral("Print/Export"));
    UstawDrukarke1 = item(E1, "UstawDrukarke1", QString());
    Drukuj1 = item(E1, "Drukuj1", QString());
    ZapiszObraz1 = item(E1, "ZapiszObraz1", QString());
    ZapiszdoExcela1 = item(E1, "ZapiszdoExcela1", QString());
    MenuJezyk = menu("MenuJezyk");
    MenuJezyk->setTitle(QString::fromUtf8("Język/Language"));
    Polski1 = item(MenuJezyk, "Polski1", QStringLiteral("Polski"));
    English1 = item(MenuJezyk, "English1", QStringLiteral("English"));
    Polski1->setCheckable(true);
    English1->setCheckable(true);
    Info1 = bar->addAction(QStringLiteral("Info"));
    Info1->setObjectName(QStringLiteral("Info1"));
    Help1 = bar->addAction(QStringLiteral("Help"));
    Help1->setObjectName(QStringLiteral("Help1"));

    // Features that arrive with later work stay visible but inert until then.
    connect(UstawDrukarke1, &QAction::triggered, this, &TOrlomat_BMP::UstawDrukarke1Click);
    connect(Drukuj1, &QAction::triggered, this, &TOrlomat_BMP::Drukuj1Click);
    connect(ZapiszObraz1, &QAction::triggered, this, &TOrlomat_BMP::ZapiszObraz1Click);
    connect(Info1, &QAction::triggered, this, &TOrlomat_BMP::Info1Click);
    connect(Help1, &QAction::triggered, this, &TOrlomat_BMP::Help1Click);
    auto* f1 = new QShortcut(QKeySequence::HelpContents, this);
    connect(f1, &QShortcut::activated, this, &TOrlomat_BMP::FormHelp);
    connect(Filtr3, &QAction::triggered, this, &TOrlomat_BMP::Ustawienia2Click);
    // The handlers set these check marks themselves: undo the menu's own toggle first.
    connect(Porownanie1, &QAction::triggered, this, [this] {
        Porownanie1->setChecked(!Porownanie1->isChecked());
        Porownanie1Click();
    });
    connect(Warto1, &QAction::triggered, this, [this] {
        Warto1->setChecked(!Warto1->isChecked());
        Warto1Click();
    });
    connect(ZapiszdoExcela1, &QAction::triggered, this, &TOrlomat_BMP::ZapiszdoExcela1Click);

    connect(Polski1, &QAction::triggered, this, &TOrlomat_BMP::Polski1Click);
    connect(English1, &QAction::triggered, this, &TOrlomat_BMP::English1Click);
    connect(Przyspieszenie1, &QAction::triggered, this, &TOrlomat_BMP::Przyspieszenie1Click);
    connect(Orlomat1, &QAction::triggered, this, &TOrlomat_BMP::Ustawienia1Click);
    connect(Se1, &QAction::triggered, this, &TOrlomat_BMP::Se1Click);
}

QString TOrlomat_BMP::caption(Caption c) const {
    return QString::fromUtf8(Tr(c, session_.language));
}

QString TOrlomat_BMP::msg(Message m) const {
    return QString::fromUtf8(Tr(m, session_.language));
}

void TOrlomat_BMP::showError(Message text, const QString& detail) {
    prompter_.message(msg(text) + detail, msg(Message::ErrorCaption));
}

bool TOrlomat_BMP::eventFilter(QObject* watched, QEvent* event) {
    if (watched == client && event->type() == QEvent::Resize) FormResize();
    if ((watched == E_TempGl || watched == E_TempPor) && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        QChar ch = key->text().isEmpty() ? QChar() : key->text().at(0);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) ch = QChar(13);
        if (key->key() == Qt::Key_Backspace) ch = QChar(8);
        if (ch.isNull()) return false; // cursor keys and the like: the edit's own business
        return temperatureKey(static_cast<QLineEdit*>(watched), ch);
    }
    return QMainWindow::eventFilter(watched, event);
}

void TOrlomat_BMP::FormResize() {
    const MainLayout l = ComputeMainLayout(client->width(), client->height());
    Chart1->resize(l.chartWidth, l.chartHeight);
    Label6->move(Label6->x(), l.unitLabelsTop);
    Label2->move(l.rightLabelsLeft, l.unitLabelsTop);
    Label4->move(l.rightLabelsLeft, Label4->y());
    B_Odczyt_Orlomatu->move(l.readLeft, B_Odczyt_Orlomatu->y());
    BZerowanie->move(l.readLeft, BZerowanie->y());
    B_Filtr_Alt->move(l.filterLeft, B_Filtr_Alt->y());
    GroupB_Alt->move(l.flightGroupLeft, GroupB_Alt->y());
    GBDysk_ZapisOdczyt->move(l.diskGroupLeft, GBDysk_ZapisOdczyt->y());
    B_Porownanie->move(l.compareLeft, B_Porownanie->y());
    B_Filtr_por->move(l.compareLeft, B_Filtr_por->y());
    GroupB_Por->move(l.compareGroupLeft, GroupB_Por->y());
}

void TOrlomat_BMP::closeEvent(QCloseEvent* event) {
    Koniec();
    event->accept();
}

void TOrlomat_BMP::Koniec() {
    altimeter_->channel.PortClose();
    SaveSettings();
}

std::string TOrlomat_BMP::portName() const {
    return portOverride_.isEmpty() ? session_.settings.portName() : portOverride_.toStdString();
}

void TOrlomat_BMP::B_Odczyt_OrlomatuClick() {
    DownloadOutcome out = altimeter_->Download(portName(), *deviceView_);
    using R = DownloadOutcome::Result;
    if (out.result == R::PortFailed || out.result == R::NoStatus) return;
    Flight& flight = session_.current;
    flight.record = std::move(out.record);
    flight.source = FlightSource::Download;
    if (out.result == R::TooShort) {
        flight.curve = FlightCurve{};
        Chart1->refresh();
        return;
    }
    ApplyFlightHeader(FlightSource::Download);
    DecodeCurrentFlight();
    if (!out.complete()) {
        // The flight stays on screen and can be saved; the user learns it is not whole.
        const QString announced = out.expectedBytes > 0 && out.expectedBytes <= kMaxRecordSize
                                      ? QString::number(out.expectedBytes)
                                      : QStringLiteral("?");
        showError(Message::IncompleteFlight,
                  QStringLiteral("%1 / %2 B").arg(flight.record.size()).arg(announced));
    }
}

void TOrlomat_BMP::BZerowanieClick() {
    altimeter_->Reset(portName(), *deviceView_);
}

DeviceUi& TOrlomat_BMP::deviceUi() {
    return *deviceView_;
}

void TOrlomat_BMP::Ustawienia1Click() {
    ECzekaj->setText(caption(Caption::Czekaj));
    ECzekaj->show();
    ECzekaj->repaint();
    altimeter_->channel.PortOpen(portName());
    if (altimeter_->channel.state() != Channel::State::Open ||
        !FormUstawienia->ReadDeviceSettings()) {
        showError(Message::CommunicationError);
        FormUstawienia->ClearAfterFailedRead();
    }
    ECzekaj->hide();
    FormUstawienia->ShowPort(QString::fromStdString(portName()));
    prompter_.showModal(*FormUstawienia);
}

void TOrlomat_BMP::Se1Click() {
    const DefaultSetupResult r = DefaultSetup(*altimeter_, portName(), *deviceView_,
                                              [this] { session_.current.curve.maximum = 0.0f; });
    if (!r.done()) return;
    EUstawieniaOK->show();
    EUstawieniaOK->repaint();
    altimeter_->channel.clock().sleepMs(1000);
    EUstawieniaOK->hide();
}

void TOrlomat_BMP::SaveSettings() {
    const QString error = StoreSettings(settingsPath_, session_.settings);
    if (!error.isEmpty())
        showError(Message::CannotSaveFile,
                  QDir::toNativeSeparators(settingsPath_) + QStringLiteral(": ") + error);
}

void TOrlomat_BMP::applyQtTranslation(int language) {
    if (qtTranslator_) {
        QCoreApplication::removeTranslator(qtTranslator_.get());
        qtTranslator_.reset();
    }
    if (language != 0 || QCoreApplication::instance() == nullptr) return;
    auto translator = std::make_unique<QTranslator>();
    if (translator->load(QLocale(QLocale::Polish), QStringLiteral("qtbase"), QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)) &&
        QCoreApplication::installTranslator(translator.get()))
        qtTranslator_ = std::move(translator);
}

void TOrlomat_BMP::setLanguage(int language) {
    if (language != session_.language || !qtTranslator_) applyQtTranslation(language);
    session_.language = language;
    Polski1->setChecked(language == 0);
    English1->setChecked(language == 1);
}

void TOrlomat_BMP::ApplyLanguageTexts() {
    BZerowanie->setText(caption(Caption::Zerowanie));
    B_Odczyt_Orlomatu->setText(caption(Caption::OdczytOrlomatu));
    GBDysk_ZapisOdczyt->setTitle(caption(Caption::DyskZapisOdczyt));
    BZapisz->setText(caption(Caption::Zapisz));
    BOdczyt->setText(caption(Caption::Odczyt));
    for (QLabel* l : {LTemp1, LTemp2})
        l->setText(caption(Caption::Temperatura));
    for (QLabel* l : {LProbk1, LProbk2})
        l->setText(caption(Caption::Pomiary));
    for (QLabel* l : {LZaw1, LZaw2})
        l->setText(caption(Caption::NrZawodnika));
    for (QLabel* l : {L_NumSer1, L_NumSer2})
        l->setText(caption(Caption::NrSeryjny));
    // A label keeps a gap to the next column (or the group's edge), in either language.
    const int plain = font().pixelSize();
    const std::pair<QLabel*, int> limits[] = {
        {LZaw1, LTemp1->x() - 6},          {L_NumSer1, LProbk1->x() - 6},
        {LTemp1, GroupB_Alt->width() - 4}, {LProbk1, GroupB_Alt->width() - 4},
        {LZaw2, LTemp2->x() - 6},          {L_NumSer2, LProbk2->x() - 6},
        {LTemp2, GroupB_Por->width() - 4}, {LProbk2, GroupB_Por->width() - 4}};
    for (const auto& [label, right] : limits) {
        FitFont(label, label->text(), plain, right - label->x());
        label->adjustSize();
    }
    B_Porownanie->setText(caption(Caption::Porownanie));
    GroupB_Alt->setTitle(caption(Caption::Orlomat));
    GroupB_Por->setTitle(caption(Caption::Plik));
    setWindowTitle(caption(Caption::WindowCaption));
    Ustawienia1->setTitle(caption(Caption::Ustawienia));
    Orlomat1->setText(caption(Caption::Orlomat));
    Widok1->setTitle(caption(Caption::Wykresy));
    Przyspieszenie1->setText(caption(Caption::Przyspieszenie));
    Porownanie1->setText(caption(Caption::Porownanie));
    UstawDrukarke1->setText(caption(Caption::UstawDrukarke));
    Drukuj1->setText(caption(Caption::Drukuj));
    ZapiszObraz1->setText(caption(Caption::ZapiszObraz));
    ZapiszdoExcela1->setText(caption(Caption::ExportDoExcel));
    Chart1->setSeriesTitle(1, caption(Caption::Wysokosc));
    Chart1->setSeriesTitle(2, caption(Caption::Przyspieszenie));
    Chart1->setSeriesTitle(3, caption(Caption::Porownanie));
    Chart1->refresh();
}

void TOrlomat_BMP::Polski1Click() {
    setLanguage(0);
    session_.settings.language = 0;
    ApplyLanguageTexts();
    SaveSettings();
}

void TOrlomat_BMP::English1Click() {
    setLanguage(1);
    session_.settings.language = 1;
    ApplyLanguageTexts();
    SaveSettings();
}

void TOrlomat_BMP::BZapisz_PomiarClick() {
    const Flight& flight = session_.current;
    if (!flight.present()) {
        showError(Message::NoData);
        return;
    }
    const QString path = prompter_.saveFileName(saveDialogName_);
    if (path.isEmpty()) return;
    saveDialogName_ = path;
    if (QFileInfo::exists(path) &&
        !prompter_.confirm(msg(Message::FileExists), msg(Message::SaveCaption)))
        return;
    writeUserFile(path, QByteArray(reinterpret_cast<const char*>(flight.record.data()),
                                   static_cast<qsizetype>(flight.record.size())));
}

QString TOrlomat_BMP::chooseFileToOpen() {
    const QString path = prompter_.openFileName(openDialogName_);
    if (!path.isEmpty()) openDialogName_ = path;
    return path;
}

void TOrlomat_BMP::BLaduj_pomiarClick() {
    const QString path = chooseFileToOpen();
    if (!path.isEmpty()) LoadFlightFile(path);
}

std::optional<std::vector<std::uint8_t>> TOrlomat_BMP::readFlightFile(const QString& path) {
    const QFileInfo info(path);
    if (info.exists() && !info.isFile()) { // a fifo or a device could block for ever
        showError(Message::NotRegularFile, QDir::toNativeSeparators(path));
        return std::nullopt;
    }
    FileRead file = ReadFileStart(path, kMaxRecordSize);
    if (!file.error.isEmpty()) {
        showError(Message::CannotOpenFile,
                  QDir::toNativeSeparators(path) + QStringLiteral(": ") + file.error);
        return std::nullopt;
    }
    if (file.bytes.size() < kHeaderSize) {
        showError(Message::NoFlightRecord);
        return std::nullopt;
    }
    return std::move(file.bytes);
}

bool TOrlomat_BMP::writeUserFile(const QString& path, const QByteArray& bytes) {
    const QString error = WriteFileAtomically(path, bytes);
    if (error.isEmpty()) return true;
    showError(Message::CannotSaveFile,
              QDir::toNativeSeparators(path) + QStringLiteral(": ") + error);
    return false;
}

bool TOrlomat_BMP::LoadFlightFile(const QString& path) {
    auto bytes = readFlightFile(path);
    if (!bytes) return false;
    GroupB_Alt->setTitle(NameWithoutFolder(path));
    Chart1->undoZoom();
    for (int s : {1, 2, 4, 5})
        Chart1->clearSeries(s);
    Chart1->setLeftIncrement(0);
    session_.current.record = std::move(*bytes);
    ApplyFlightHeader(FlightSource::File);
    DecodeCurrentFlight();
    return true;
}

void TOrlomat_BMP::ApplyFlightHeader(FlightSource source) {
    Flight& flight = session_.current;
    const HeaderInfo info = InterpretFlightHeader(flight.record, source);
    flight.source = source;
    E_NrZawodnika->setText(QString::number(info.header.competitor));
    E_NrSeryjny->setText(QString::number(info.header.serial));
    E_TempGl->setText(QString::number(info.temperature));
    E_TempGl->setReadOnly(false);
    E_probkGl->setText(QString::fromStdString(info.samplingText));
    ApplyHeaderToState(info, flight.state);
}

void TOrlomat_BMP::prepareCurrentFlightAxes() {
    Chart1->setLeftMinMax(0, 10);
    Chart1->setLeftAutomatic(false);
    Chart1->setLeftAutomaticMaximum(false);
    Chart1->setLeftAutomaticMinimum(true);
}

// Decodes the current flight from its own record and draws it (the callers clear the series).
void TOrlomat_BMP::DecodeCurrentFlight() {
    Flight& flight = session_.current;
    flight.curve = DecodeFlight(flight.record, flight.state,
                                session_.settings.showAcceleration != 0, flight.wordCount());
    const FlightCurve& c = flight.curve;
    Chart1->setBottomMinorGridVisible(false);
    prepareCurrentFlightAxes();
    Chart1->setBottomMinorTickCount(c.minorTickCount);
    for (const ChartPoint& p : c.series1)
        Chart1->addPoint(1, static_cast<double>(p.y), QString::fromStdString(p.label));
    for (const float v : c.series2)
        Chart1->addPoint(2, static_cast<double>(v), QString());
    const char separator = DecimalSeparator();
    showMaximum(QString::fromStdString(FormatOneDecimal(c.maximum, separator)));
    EMinimum->setText(QString::fromStdString(FormatOneDecimal(c.minimum, separator)));
    Chart1->setLeftMinMax(0, c.leftAxisMaximum);
    Chart1->refresh();
}

void TOrlomat_BMP::showMaximum(const QString& text) {
    // The bold maximum keeps its 16 pixels while the value fits, and shrinks when it would not.
    FitFont(E_MaxGl, text, 16, E_MaxGl->width() - 10);
    E_MaxGl->setText(text);
}

void TOrlomat_BMP::Przyspieszenie1Click() {
    SettingsRecord& s = session_.settings;
    if (s.showAcceleration != 0) {
        Przyspieszenie1->setChecked(false);
        s.showAcceleration = 0;
        Chart1->clearSeries(2);
        Chart1->refresh();
        return;
    }
    Przyspieszenie1->setChecked(true);
    s.showAcceleration = 1;
    if (session_.current.wordCount() == 0) return;
    Chart1->clearSeries(1);
    Chart1->clearSeries(2);
    DecodeCurrentFlight();
}

void TOrlomat_BMP::Chart1Zoom() {
    const auto lo = static_cast<long long>(Chart1->bottomVisibleMinimum());
    const auto hi = static_cast<long long>(Chart1->bottomVisibleMaximum());
    const std::uint32_t rate = session_.current.state.samplingRate;
    if (hi - lo < 100 && rate > 10) {
        Chart1->setBottomMinorTickCount(static_cast<int>(rate / 10) - 1);
        Chart1->setBottomMinorGridVisible(true);
    } else {
        Chart1->setBottomMinorTickCount(0);
        Chart1->setBottomMinorGridVisible(false);
    }
    Chart1->replot();
}

void TOrlomat_BMP::Chart1UndoZoom() {
    Chart1->setBottomMinorGridVisible(false);
    Chart1->replot();
}

} // namespace orlomat

namespace orlomat {

bool TOrlomat_BMP::temperatureKey(QLineEdit* edit, QChar key) {
    if (!TemperatureKeyPasses(key.unicode(), static_cast<std::size_t>(edit->text().size())))
        return true;
    if (key.unicode() == 13) {
        if (edit == E_TempGl)
            E_TempGlKeyPress(key);
        else
            E_TempPorKeyPress(key);
    }
    return false;
}

void TOrlomat_BMP::E_TempGlKeyPress(QChar key) {
    if (key.unicode() != 13) return;
    const std::int32_t t = ParseTemperatureEntry(E_TempGl->text().toStdString());
    if (t == kWrongTemperature) {
        showError(Message::WrongTemperature);
        return;
    }
    session_.current.state.flightTemperature = static_cast<float>(t);
    Chart1->clearSeries(1);
    Chart1->clearSeries(2);
    DecodeCurrentFlight();
}

void TOrlomat_BMP::E_TempPorKeyPress(QChar key) {
    if (key.unicode() != 13) return;
    const std::int32_t t = ParseTemperatureEntry(E_TempPor->text().toStdString());
    if (t == kWrongTemperature) {
        showError(Message::WrongTemperature);
        return;
    }
    session_.comparison.state.flightTemperature = static_cast<float>(t);
    DrawComparison();
}

void TOrlomat_BMP::Ustawienia2Click() {
    prompter_.showModal(*F_Filtr);
}

void TOrlomat_BMP::showFiltered(const FilteredFlight& f, int mainSeries, int dashedSeries,
                                QLineEdit* maxEdit, QLineEdit* minEdit) {
    Chart1->clearSeries(mainSeries);
    Chart1->clearSeries(dashedSeries);
    for (std::size_t k = 0; k < f.cleaned.size(); ++k)
        Chart1->addPoint(mainSeries, f.cleaned[k] * 0.01, QString::fromStdString(f.labels[k]));
    for (const std::int32_t v : f.source)
        Chart1->addPoint(dashedSeries, v * 0.01, QString());
    const char separator = DecimalSeparator();
    const QString maximum = QString::fromStdString(FormatCentimetres(f.maximum, separator));
    if (maxEdit == E_MaxGl)
        showMaximum(maximum);
    else
        maxEdit->setText(maximum);
    minEdit->setText(QString::fromStdString(FormatCentimetres(f.minimum, separator)));
    Chart1->refresh();
}

void TOrlomat_BMP::B_Filtr_AltClick() {
    const Flight& flight = session_.current;
    const FilteredFlight f =
        FilterFlight(flight.curve.altitudes, WhichFlight::Current, flight.wordCount(),
                     flight.state.samplingRate, session_.filterSettings(), session_.filterWork);
    if (f.filtered) showFiltered(f, 1, 5, E_MaxGl, EMinimum);
}

void TOrlomat_BMP::B_Filtr_porClick() {
    const Flight& flight = session_.comparison;
    const FilteredFlight f = FilterFlight(
        session_.comparisonCurve.altitudes, WhichFlight::Comparison, flight.byteCount(),
        flight.state.samplingRate, session_.filterSettings(), session_.filterWork);
    if (f.filtered) showFiltered(f, 3, 6, E_Max_Por, E_Min_Por);
}

void TOrlomat_BMP::B_PorownanieClick() {
    const QString path = chooseFileToOpen();
    if (!path.isEmpty()) LoadComparisonFile(path);
}

bool TOrlomat_BMP::LoadComparisonFile(const QString& path) {
    auto bytes = readFlightFile(path);
    if (!bytes) return false;
    GroupB_Por->setTitle(NameWithoutFolder(path));
    Porownanie1->setChecked(true);
    Flight& flight = session_.comparison;
    flight.record = std::move(*bytes);
    flight.source = FlightSource::File;
    const HeaderInfo info = InterpretFlightHeader(flight.record, FlightSource::File);
    E_Zaw_Por->setText(QString::number(info.header.competitor));
    E_NrS_Por->setText(QString::number(info.header.serial));
    E_TempPor->setText(QString::number(info.temperature));
    E_TempPor->setReadOnly(false);
    E_probkPor->setText(QString::fromStdString(info.samplingText));
    ApplyHeaderToState(info, flight.state);
    DrawComparison();
    return true;
}

void TOrlomat_BMP::DrawComparison() {
    Flight& flight = session_.comparison;
    Chart1->clearSeries(3);
    Chart1->setLeftAutomatic(false);
    Chart1->setLeftAutomaticMaximum(false);
    Chart1->setLeftAutomaticMinimum(true);
    ComparisonCurve& c = session_.comparisonCurve;
    c = DecodeComparison(flight.record, flight.state, flight.byteCount(), DecimalSeparator());
    Chart1->setBottomMinorTickCount(c.minorTickCount);
    for (const float y : c.series3)
        Chart1->addPoint(3, static_cast<double>(y), QString());
    if (c.maxText) E_Max_Por->setText(QString::fromStdString(*c.maxText));
    if (c.minText) E_Min_Por->setText(QString::fromStdString(*c.minText));
    if (c.leftAxisCandidate && *c.leftAxisCandidate > Chart1->leftSetMaximum())
        Chart1->setLeftMinMax(Chart1->leftSetMinimum(), *c.leftAxisCandidate);
    Chart1->refresh();
}

void TOrlomat_BMP::clearComparisonGroup() {
    for (QLineEdit* e : {E_Max_Por, E_Min_Por, E_probkPor, E_TempPor, E_Zaw_Por, E_NrS_Por})
        e->clear();
    GroupB_Por->setTitle(caption(Caption::Plik));
}

void TOrlomat_BMP::clearCurrentGroup() {
    for (QLineEdit* e : {E_MaxGl, EMinimum, E_TempGl, E_probkGl, E_NrZawodnika, E_NrSeryjny})
        e->clear();
    GroupB_Alt->setTitle(caption(Caption::Orlomat));
}

void TOrlomat_BMP::Porownanie1Click() {
    if (!Porownanie1->isChecked()) {
        Porownanie1->setChecked(true);
        return;
    }
    Porownanie1->setChecked(false);
    clearComparisonGroup();
    Chart1->clearSeries(3);
    Chart1->refresh();
}

void TOrlomat_BMP::Warto1Click() {
    const bool on = !Warto1->isChecked();
    Warto1->setChecked(on);
    Chart1->setMarksVisible(1, on);
    Chart1->setMarksVisible(3, on);
    Chart1->replot();
}

void TOrlomat_BMP::xxx(int series) {
    Chart1->clearSeries(series);
    if (series == 3) clearComparisonGroup();
    if (series == 1) clearCurrentGroup();
    Chart1->refresh();
}

void TOrlomat_BMP::ppp() {
    Chart1->replot();
}

void TOrlomat_BMP::ZapiszdoExcela1Click() {
    const Flight& flight = session_.current;
    if (flight.curve.smoothedCount == 0) {
        showError(Message::NoData);
        return;
    }
    const QString chosen = prompter_.saveFileName(saveDialogName_);
    if (chosen.isEmpty()) return;
    saveDialogName_ = chosen;
    const QString path = QString::fromStdString(ExportFileName(chosen.toStdString()));
    if (QFileInfo::exists(path) &&
        !prompter_.confirm(msg(Message::FileExists), msg(Message::SaveCaption)))
        return;
    const std::string bytes = ExportBytes(flight.curve.altitudes, DecimalSeparator());
    writeUserFile(path, QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

} // namespace orlomat

namespace orlomat {

void TOrlomat_BMP::ComposePrintTitle() {
    savedChartColour_ = Chart1->backgroundColor();
    Chart1->setBackgroundColor(Qt::white);
    Chart1->clearTitle();
    const QString gap = QStringLiteral("    ");
    Chart1->addTitleLine(QStringLiteral("        ") + caption(Caption::OdczytZ) +
                         GroupB_Alt->title() + gap + caption(Caption::NrZawodnika) +
                         QStringLiteral(": ") + E_NrZawodnika->text() + gap +
                         caption(Caption::NrSeryjny) + QStringLiteral(": ") + E_NrSeryjny->text());
    Chart1->addTitleLine(QStringLiteral(" "));
    Chart1->addTitleLine(QStringLiteral("        Max: ") + E_MaxGl->text() + QStringLiteral(" m") +
                         gap + QStringLiteral("Min: ") + EMinimum->text() + QStringLiteral("m") +
                         gap + QStringLiteral("Temp: ") + E_TempGl->text() +
                         QString::fromUtf8("°C") + gap + caption(Caption::Pomiary) +
                         QStringLiteral(": ") + E_probkGl->text());
    Chart1->replot();
}

void TOrlomat_BMP::RestoreScreenTitle() {
    Chart1->clearTitle();
    Chart1->addTitleLine(QStringLiteral("        Wysokosc / Altitude"));
    Chart1->setBackgroundColor(savedChartColour_);
    Chart1->replot();
}

void TOrlomat_BMP::UstawDrukarke1Click() {
    prompter_.printerSetup(*printer_);
}

void TOrlomat_BMP::Drukuj1Click() {
    ComposePrintTitle();
    Chart1->setBottomPrintMargin(
        printer_->pageLayout().orientation() == QPageLayout::Landscape ? 25 : 55);
    const QString problem = PrintChart(*Chart1, *printer_);
    RestoreScreenTitle();
    if (!problem.isEmpty()) {
        const QString where = printer_->outputFileName().isEmpty() ? printer_->printerName()
                                                                   : printer_->outputFileName();
        showError(Message::CannotPrint, where + QStringLiteral(": ") + problem);
    }
}

void TOrlomat_BMP::ZapiszObraz1Click() {
    ComposePrintTitle();
    const QString chosen = prompter_.pictureFileName(pictureDialogName_);
    if (!chosen.isEmpty()) {
        pictureDialogName_ = chosen;
        const QString path =
            chosen.contains(QLatin1String(".bmp")) ? chosen : chosen + QStringLiteral(".bmp");
        QByteArray bytes;
        QString error = RenderPicture(*Chart1, "BMP", bytes);
        if (error.isEmpty()) error = WriteFileAtomically(path, bytes);
        if (!error.isEmpty()) {
            RestoreScreenTitle();
            showError(Message::CannotSaveFile,
                      QDir::toNativeSeparators(path) + QStringLiteral(": ") + error);
            return;
        }
    }
    RestoreScreenTitle();
}

QString TOrlomat_BMP::FindManual() const {
    const QString base =
        session_.language != 0 ? QStringLiteral("Orl_HELPA") : QStringLiteral("Orl_HELPP");
    const QString programDir = QCoreApplication::applicationDirPath();
    const QStringList folders = {QDir::currentPath(), programDir,
                                 programDir + QStringLiteral("/../share/doc/orlomatbmp"),
                                 programDir + QStringLiteral("/../../docs")};
    for (const QString& folder : folders)
        for (const char* ext : {".chm", ".html"}) {
            const QFileInfo f(QDir(folder).filePath(base + QLatin1String(ext)));
            if (f.isFile()) return f.absoluteFilePath();
        }
    return {};
}

void TOrlomat_BMP::Help1Click() {
    const QString manual = FindManual();
    if (manual.isEmpty()) {
        showError(Message::ManualNotFound, session_.language != 0
                                               ? QStringLiteral("Orl_HELPA.html")
                                               : QStringLiteral("Orl_HELPP.html"));
        return;
    }
    prompter_.openDocument(manual);
}

void TOrlomat_BMP::FormHelp() {
    Help1Click();
}

void TOrlomat_BMP::Info1Click() {
    prompter_.showModal(*FoInfo);
}

} // namespace orlomat
