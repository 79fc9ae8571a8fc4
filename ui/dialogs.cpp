#include "dialogs.h"

namespace orlomat {

TFormUstawienia::TFormUstawienia(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("FormUstawienia"));
    setModal(true);
    setFixedSize(196, 535);
}

TFoInfo::TFoInfo(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("FoInfo"));
    setModal(true);
    setWindowTitle(QStringLiteral("Orlomat USB"));
    resize(339, 283);
}

TF_Filtr::TF_Filtr(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("F_Filtr"));
    setModal(true);
}

} // namespace orlomat
