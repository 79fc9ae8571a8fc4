// Small helpers for building the designed forms.
#pragma once

#include <QFontMetrics>
#include <QWidget>

namespace orlomat {

// A control with its designed name and geometry.
template <typename W> W* MakeWidget(QWidget* parent, const char* name, int x, int y, int w, int h) {
    auto* widget = new W(parent);
    widget->setObjectName(QString::fromLatin1(name));
    widget->setGeometry(x, y, w, h);
    return widget;
}

} // namespace orlomat

namespace orlomat {

// The largest font of at most `pixels` (and at least 8) in which `text` takes no more than
// `width` pixels: a designed place that must show a longer text than it was drawn for.
inline void FitFont(QWidget* widget, const QString& text, int pixels, int width) {
    QFont f = widget->font();
    for (f.setPixelSize(pixels); f.pixelSize() > 8; f.setPixelSize(f.pixelSize() - 1))
        if (QFontMetrics(f).horizontalAdvance(text) <= width) break;
    widget->setFont(f);
}

} // namespace orlomat
