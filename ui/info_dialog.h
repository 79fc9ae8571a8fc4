// The information dialog: the program's version and its maker's lines.
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
