// The information and filter settings dialogs (the device settings dialog has its own unit).
// Their contents arrive with the features they belong to.
#pragma once

#include <QDialog>

class QLabel;

namespace orlomat {

class InfoDialog : public QDialog {
    Q_OBJECT
public:
    explicit InfoDialog(QWidget* parent = nullptr);
};

} // namespace orlomat
