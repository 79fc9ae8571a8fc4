#include "ui/window_arguments.h"

#include "ui/main_window.h"

#include <QTimer>

namespace orlomat {

bool AsksForUsage(const QStringList& arguments) {
    return arguments.contains(QLatin1String("--help")) || arguments.contains(QLatin1String("-h"));
}

void ApplyWindowArguments(MainWindow& window, const QStringList& arguments) {
    bool station = false;
    QStringList wrong;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        const bool valued = a == QLatin1String("--port") || a == QLatin1String("--archive");
        const bool hasValue = i + 1 < arguments.size() && !arguments[i + 1].startsWith(u'-');
        const bool known = valued ? hasValue : a == QLatin1String("--station");
        if (!known && a.startsWith(u'-'))
            wrong << a;
        else if (a == QLatin1String("--port"))
            window.setPortOverride(arguments[++i]);
        else if (a == QLatin1String("--archive"))
            window.setArchiveFolder(arguments[++i]);
        else if (a == QLatin1String("--station"))
            station = true;
        else
            window.loadFlightFile(a);
    }
    if (!wrong.isEmpty()) window.tellOptionProblem(wrong.join(QStringLiteral(", ")));
    // Once the window is up, so that the station's line shows on it.
    if (station) QTimer::singleShot(0, &window, [&window] { window.startStation(); });
}

} // namespace orlomat
