#include "ui/info_dialog.h"

#include "ui/widgets.h"

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
    const QString times = QStringLiteral("Times New Roman");
    InfoLabel(this, "Label6", QStringLiteral("Ver. 2016.4 "), QStringLiteral("Courier New"), 24, 80,
              16, true);
    // The maker's lines: the program is made by its own free-software project, which has no
    // country, web site, e-mail or telephone of its own; each place says so rather than
    // showing something else. A line that would not fit the dialog is set smaller.
    const struct {
        const char* name;
        const char* text;
        int pixels, x, y;
        bool bold, italic;
        QColor colour;
    } lines[] = {
        {"Label1", "OrlomatBMP", 37, 104, 64, true, true, QColor(128, 0, 0)},
        {"Label2", "kraj / country: brak / none", 21, 136, 112, false, false, Qt::black},
        {"Label3", "www: brak / none", 19, 96, 144, false, false, Qt::black},
        {"Label4", "e-mail: brak / none", 21, 48, 176, false, false, Qt::black},
        {"Label5", "tel: brak / none", 21, 88, 208, false, false, Qt::black},
    };
    for (const auto& l : lines) {
        QLabel* label = InfoLabel(this, l.name, QString::fromUtf8(l.text), times, l.pixels, l.x,
                                  l.y, l.bold, l.italic, l.colour);
        FitFont(label, label->text(), l.pixels, width() - l.x - 8);
        label->adjustSize();
    }
}

} // namespace orlomat
