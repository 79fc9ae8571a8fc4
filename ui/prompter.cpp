#include "ui/prompter.h"

#include <QDesktopServices>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFontMetrics>
#include <QGridLayout>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QUrl>

namespace orlomat {

void WidenForCaption(QMessageBox& box) {
    // The title bar's font is commonly the bold window font, often a little larger; its
    // buttons (close, maximise, ...) and margins take about 150 pixels more.
    QFont title = box.font();
    title.setBold(true);
    const int needed = QFontMetrics(title).horizontalAdvance(box.windowTitle()) * 5 / 4 + 150;
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout()))
        grid->addItem(new QSpacerItem(needed, 0, QSizePolicy::Minimum, QSizePolicy::Minimum),
                      grid->rowCount(), 0, 1, grid->columnCount());
}

void QtPrompter::message(const QString& text, const QString& caption) {
    QMessageBox box(QMessageBox::NoIcon, caption, text, QMessageBox::Ok);
    WidenForCaption(box);
    box.exec();
}

bool QtPrompter::confirm(const QString& text, const QString& caption) {
    QMessageBox box(QMessageBox::NoIcon, caption, text, QMessageBox::Ok | QMessageBox::Cancel);
    WidenForCaption(box);
    return box.exec() == QMessageBox::Ok;
}

QString QtPrompter::openFileName(const QString& current, const QString& caption) {
    return QFileDialog::getOpenFileName(nullptr, caption, current);
}

QString QtPrompter::saveFileName(const QString& current, const QString& caption) {
    // The program asks itself before replacing a file.
    return QFileDialog::getSaveFileName(nullptr, caption, current, QString(), nullptr,
                                        QFileDialog::DontConfirmOverwrite);
}

QString QtPrompter::pictureFileName(const QString& current, const QString& caption) {
    return QFileDialog::getSaveFileName(nullptr, caption, current,
                                        QStringLiteral("Bitmap (*.bmp);;*"), nullptr,
                                        QFileDialog::DontConfirmOverwrite);
}

QString QtPrompter::folderName(const QString& current, const QString& caption) {
    return QFileDialog::getExistingDirectory(nullptr, caption, current);
}

bool QtPrompter::printerSetup(QPrinter& printer, const QString& caption) {
    // The system's print dialog, used to set up only: it lists the printers and printing to a
    // PDF file, with each printer's properties (paper, orientation). Printing is the "Print"
    // item's job, so the confirming button says OK, and page ranges and copies are left out.
    QPrintDialog dialog(&printer);
    dialog.setWindowTitle(caption);
    dialog.setOptions(QAbstractPrintDialog::PrintToFile | QAbstractPrintDialog::PrintShowPageSize);
    const auto boxes =
        dialog.findChildren<QDialogButtonBox*>(QString(), Qt::FindDirectChildrenOnly);
    for (QDialogButtonBox* box : boxes)
        if (QPushButton* ok = box->button(QDialogButtonBox::Ok)) ok->setText(QStringLiteral("OK"));
    return dialog.exec() == QDialog::Accepted;
}

} // namespace orlomat

namespace orlomat {

void QtPrompter::showModal(QDialog& dialog) {
    dialog.exec();
}

bool QtPrompter::openDocument(const QString& path) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

} // namespace orlomat
