// The three dialogs the main window creates at start: device settings, information and
// filter settings. Their contents arrive with the features they belong to.
#pragma once

#include <QDialog>

class QLabel;

namespace orlomat {

class TFormUstawienia : public QDialog {
    Q_OBJECT
public:
    explicit TFormUstawienia(QWidget* parent = nullptr);
};

class TFoInfo : public QDialog {
    Q_OBJECT
public:
    explicit TFoInfo(QWidget* parent = nullptr);
};

class TF_Filtr : public QDialog {
    Q_OBJECT
public:
    explicit TF_Filtr(QWidget* parent = nullptr);
};

} // namespace orlomat
