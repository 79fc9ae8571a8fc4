#include "dialogs.h"

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

TFoInfo::TFoInfo(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("FoInfo"));
    setModal(true);
    setWindowTitle(QStringLiteral("Orlomat USB"));
    setGeometry(460, 384, 339, 283);
    setSizeGripEnabled(true);
    const QString times = QStringLiteral("Times New Roman");
    InfoLabel(this, "Label6", QStringLiteral("Ver. 2016.4 "), QStringLiteral("Courier New"), 24, 80,
              16, true);
    // This project's own lines: who makes it, under which licence, where to find it.
    InfoLabel(this, "Label1", QStringLiteral("OrlomatBMP"), times, 37, 104, 64, true, true,
              QColor(128, 0, 0));
    InfoLabel(this, "Label2", QStringLiteral("GPL-3.0+"), times, 21, 136, 112);
    InfoLabel(this, "Label3", QStringLiteral("Orl_HELPA.html"), times, 19, 96, 144);
    InfoLabel(this, "Label4", QStringLiteral("e-mail: see README.md"), times, 21, 48, 176);
    InfoLabel(this, "Label5", QStringLiteral("tel: -"), times, 21, 88, 208);
}

} // namespace orlomat
