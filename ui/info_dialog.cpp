#include "ui/info_dialog.h"

#include "ui/widgets.h"

#include <QFontInfo>
#include <QFontMetrics>
#include <QLabel>

namespace orlomat {

namespace {

QLabel* InfoLabel(QWidget* parent, const char* name, const QString& text, const QString& family,
                  int pixels, int x, int y, bool bold = false, bool italic = false,
                  const QColor& colour = Qt::black) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(QString::fromLatin1(name));
    QFont f(family);
    f.setPixelSize(pixels);
    f.setBold(bold);
    f.setItalic(italic);
    l->setFont(f);
    QPalette p = l->palette();
    p.setColor(QPalette::WindowText, colour);
    l->setPalette(p);
    l->move(x, y);
    l->adjustSize();
    return l;
}

} // namespace

InfoDialog::InfoDialog(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("FoInfo"));
    setModal(true);
    setWindowTitle(QStringLiteral("Orlomat USB"));
    setGeometry(460, 384, 339, 283);
    setSizeGripEnabled(true);
    // One family throughout (a monospaced version line and per-line sizes looked like a
    // collage): the maker's name as the heading, every other line in one size, each line
    // centred at its designed height.
    // The maker's lines: the program is made by its own free-software project, which has no
    // country, web site, e-mail or telephone of its own; each place says so rather than
    // showing something else.
    const QString family = QFontInfo(QFont(QStringLiteral("Times New Roman"))).family();
    const struct {
        const char* name;
        const char* text;
        int y;
    } lines[] = {
        {"Label6", "Ver. 2016.4 ", 16},      {"Label2", "kraj / country: brak / none", 112},
        {"Label3", "www: brak / none", 144}, {"Label4", "e-mail: brak / none", 176},
        {"Label5", "tel: brak / none", 208},
    };
    // The largest size up to the designed 21 pixels at which the widest line fits.
    int pixels = 21;
    for (; pixels > 8; --pixels) {
        const QFontMetrics metrics(PixelFont(family, pixels));
        bool fits = true;
        for (const auto& l : lines)
            fits = fits && metrics.horizontalAdvance(QString::fromUtf8(l.text)) <= width() - 24;
        if (fits) break;
    }
    const auto centred = [&](QLabel* label, int y) {
        label->adjustSize();
        label->move((width() - label->width()) / 2, y);
    };
    for (const auto& l : lines)
        centred(InfoLabel(this, l.name, QString::fromUtf8(l.text), family, pixels, 0, l.y), l.y);
    QLabel* maker = InfoLabel(this, "Label1", QStringLiteral("OrlomatBMP"), family, 37, 0, 56, true,
                              true, QColor(128, 0, 0));
    FitFont(maker, maker->text(), 37, width() - 24);
    centred(maker, 56);
}

} // namespace orlomat
