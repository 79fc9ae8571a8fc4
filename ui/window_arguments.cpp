#include "ui/window_arguments.h"

#include "ui/main_window.h"

#include <QCommandLineParser>
#include <QTimer>

#include <map>
#include <vector>

namespace orlomat {

namespace {

const QString kPort = QStringLiteral("port"), kArchive = QStringLiteral("archive"),
              kStation = QStringLiteral("station"), kHelp = QStringLiteral("help");

// The parsed options, the flight files, and the options given as typed that cannot be taken.
struct Parsed {
    QString port, archive;
    bool portSet = false, archiveSet = false, station = false, help = false;
    QStringList files, wrong;
};

bool TakesValue(const QString& name) {
    return name == kPort || name == kArchive;
}

Parsed Parse(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.addOptions({{kPort, QString(), QStringLiteral("NAME")},
                       {kArchive, QString(), QStringLiteral("DIR")},
                       {kStation, QString()},
                       {{QStringLiteral("h"), kHelp}, QString()}});
    parser.addPositionalArgument(QStringLiteral("FLIGHT"), QString());
    Parsed p;
    // Before "--", "--port" and "--archive" given apart from their value take the next
    // argument unless it is an option: a forgotten value must not swallow a --station.
    QStringList given{QStringLiteral("OrlomatBMP")};
    std::vector<qsizetype> origin{-1};  // each given argument's place in `arguments`
    std::map<qsizetype, QString> wrong; // told in the order typed
    bool options = true;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        if (options && a == QLatin1String("--")) options = false;
        if (options && (a == QLatin1String("--port") || a == QLatin1String("--archive")) &&
            (i + 1 == arguments.size() || arguments[i + 1].startsWith(QLatin1String("--")))) {
            wrong[i] = a;
            continue;
        }
        given << a;
        origin.push_back(i);
    }
    if (!parser.parse(given)) {
        // The arguments as typed that the parser could not take: unknown names, and a flag
        // given a value (--station=yes).
        const QStringList unknown = parser.unknownOptionNames();
        for (qsizetype i = 1; i < given.size() && given[i] != QLatin1String("--"); ++i) {
            const QString& a = given[i];
            if (!a.startsWith(u'-') || a == QLatin1String("-")) continue;
            const QString name =
                a.mid(a.startsWith(QLatin1String("--")) ? 2 : 1).section(u'=', 0, 0);
            if (unknown.contains(name) || (!TakesValue(name) && a.contains(u'=')))
                wrong[origin[static_cast<std::size_t>(i)]] = a;
            // A valued option's value, not an option of its own.
            if (TakesValue(name) && !a.contains(u'=')) ++i;
        }
        if (wrong.empty()) wrong[-1] = parser.errorText();
    }

    // An empty value ("--archive=") is no folder and no port.
    for (const QString& name : {kPort, kArchive}) {
        const QString empty = QStringLiteral("--") + name + QLatin1Char('=');
        if (parser.isSet(name) && parser.value(name).isEmpty() && arguments.contains(empty))
            wrong[arguments.indexOf(empty)] = empty;
    }
    for (const auto& [at, text] : wrong)
        p.wrong << text;
    // What could be taken still applies.
    p.portSet = parser.isSet(kPort) && !parser.value(kPort).isEmpty();
    p.archiveSet = parser.isSet(kArchive) && !parser.value(kArchive).isEmpty();
    p.port = parser.value(kPort);
    p.archive = parser.value(kArchive);
    p.station = parser.isSet(kStation);
    p.help = parser.isSet(kHelp);
    p.files = parser.positionalArguments();
    return p;
}

} // namespace

bool AsksForUsage(const QStringList& arguments) {
    return Parse(arguments).help;
}

void ApplyWindowArguments(MainWindow& window, const QStringList& arguments) {
    const Parsed p = Parse(arguments);
    if (p.portSet) window.setPortOverride(p.port);
    if (p.archiveSet) window.setArchiveFolder(p.archive);
    for (const QString& file : p.files)
        window.loadFlightFile(file);
    if (!p.wrong.isEmpty()) window.tellOptionProblem(p.wrong.join(QStringLiteral(", ")));
    // Once the window is up, so that the station's line shows on it.
    if (p.station) QTimer::singleShot(0, &window, [&window] { window.startStation(); });
}

} // namespace orlomat
