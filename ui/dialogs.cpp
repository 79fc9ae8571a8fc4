#include "dialogs.h"

namespace orlomat {

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
