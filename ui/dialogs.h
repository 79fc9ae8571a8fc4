// The information and filter settings dialogs (the device settings dialog has its own unit).
// Their contents arrive with the features they belong to.
#pragma once

#include <QDialog>

class QLabel;

namespace orlomat {

class TFoInfo : public QDialog {
    Q_OBJECT
public:
    explicit TFoInfo(QWidget* parent = nullptr);
};

} // namespace orlomat
