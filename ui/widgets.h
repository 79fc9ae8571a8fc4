// Small helpers for building the designed forms.
#pragma once

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
