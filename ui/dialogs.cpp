#include "dialogs.h"

namespace orlomat {

TFoInfo::TFoInfo(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("FoInfo"));
    setModal(true);
    setWindowTitle(QStringLiteral("Orlomat USB"));
    resize(339, 283);
}

} // namespace orlomat
