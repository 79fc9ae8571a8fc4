#include "ui/window_arguments.h"

#include "ui/main_window.h"

#include <QTimer>

namespace orlomat {

void ApplyWindowArguments(MainWindow& window, const QStringList& arguments) {
    bool station = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        if (a == QLatin1String("--port") && i + 1 < arguments.size())
            window.setPortOverride(arguments[++i]);
        else if (a == QLatin1String("--archive") && i + 1 < arguments.size())
            window.setArchiveFolder(arguments[++i]);
        else if (a == QLatin1String("--station"))
            station = true;
        else
            window.loadFlightFile(a);
    }
    // Once the window is up, so that the station's line shows on it.
    if (station) QTimer::singleShot(0, &window, [&window] { window.startStation(); });
}

} // namespace orlomat
