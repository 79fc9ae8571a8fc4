// Small helpers for building the designed forms.
#pragma once

#include <QFont>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QWidget>

namespace orlomat {

// A control with its designed name and geometry.
template <typename W> W* MakeWidget(QWidget* parent, const char* name, int x, int y, int w, int h) {
    auto* widget = new W(parent);
    widget->setObjectName(QString::fromLatin1(name));
    widget->setGeometry(x, y, w, h);
    return widget;
}

inline QFont PixelFont(const QString& family, int pixels, bool bold = false) {
    QFont f(family);
    f.setPixelSize(pixels);
    f.setBold(bold);
    return f;
}

inline QLineEdit* MakeReadOnlyEdit(QWidget* parent, const char* name, int x, int y, int w, int h) {
    auto* e = MakeWidget<QLineEdit>(parent, name, x, y, w, h);
    e->setReadOnly(true);
    return e;
}

// A label at its designed place, as wide as its text.
inline QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, int x, int y) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(QString::fromLatin1(name));
    l->move(x, y);
    l->adjustSize();
    return l;
}

// `text` with an Alt accelerator on the first `letter` (underlined; the words stay as
// designed); unchanged when the letter is not in it.
inline QString WithAccelerator(const QString& text, QChar letter) {
    const qsizetype at = text.indexOf(letter);
    return at < 0 ? text : QString(text).insert(at, QLatin1Char('&'));
}

// The words a person reads on a control whose text may carry an accelerator.
inline QString WithoutAccelerator(QString text) {
    return text.replace(QStringLiteral("&&"), QStringLiteral("\x01"))
        .remove(QLatin1Char('&'))
        .replace(QStringLiteral("\x01"), QStringLiteral("&"));
}

// The largest font of at most `pixels` (and at least 8) in which `text` takes no more than
// `width` pixels: a designed place that must show a longer text than it was drawn for.
inline void FitFont(QWidget* widget, const QString& text, int pixels, int width) {
    QFont f = widget->font();
    for (f.setPixelSize(pixels); f.pixelSize() > 8; f.setPixelSize(f.pixelSize() - 1))
        if (QFontMetrics(f).horizontalAdvance(text) <= width) break;
    widget->setFont(f);
}

} // namespace orlomat
