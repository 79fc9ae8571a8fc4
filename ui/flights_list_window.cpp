#include "ui/flights_list_window.h"

#include "core/format.h"
#include "files/file_io.h"
#include "ui/prompter.h"
#include "ui/settings_file.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QSortFilterProxyModel>
#include <QStandardItemModel>
#include <QTableView>
#include <QTemporaryFile>
#include <QVBoxLayout>

#include <algorithm>
#include <charconv>

namespace orlomat {

namespace {

// The list's columns: the table's own (its headings and cell texts) and the reason a row
// holds no flight.
constexpr std::size_t kListed[] = {
    column::kCompetitor,  column::kSerial, column::kDate,     column::kSampling, column::kMax,
    column::kMaxFiltered, column::kLaunch, column::kDuration, column::kVerified, column::kFile};
constexpr int kReasonColumn = static_cast<int>(std::size(kListed));
constexpr int kSortRole = Qt::UserRole;
constexpr int kRowRole = Qt::UserRole + 1; // on the first cell: the row's place in rows_

QString Utf8(const std::string& s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

// A number at the start of a figure's text ("118.3"), for sorting.
std::optional<double> LeadingNumber(const std::string& text) {
    double v = 0.0;
    const auto r = std::from_chars(text.data(), text.data() + text.size(), v);
    if (r.ec != std::errc()) return std::nullopt;
    return v;
}

} // namespace

// Sorts by each cell's sort key (numbers as numbers, empty cells last) and keeps the rows of
// one competitor when a number is typed.
class FlightsProxy : public QSortFilterProxyModel {
public:
    using QSortFilterProxyModel::QSortFilterProxyModel;
    void setCompetitor(std::optional<int> competitor) {
        competitor_ = competitor;
        invalidateFilter();
    }

protected:
    bool filterAcceptsRow(int row, const QModelIndex& parent) const override {
        if (!competitor_) return true;
        const QVariant key = sourceModel()->index(row, 0, parent).data(kSortRole);
        return key.isValid() && key.toInt() == *competitor_;
    }
    bool lessThan(const QModelIndex& left, const QModelIndex& right) const override {
        const QVariant a = left.data(kSortRole), b = right.data(kSortRole);
        // Empty cells last in both directions.
        if (!a.isValid() || !b.isValid()) {
            const bool ascending = sortOrder() == Qt::AscendingOrder;
            return ascending ? a.isValid() && !b.isValid() : !a.isValid() && b.isValid();
        }
        if (a.typeId() == QMetaType::Double && b.typeId() == QMetaType::Double)
            return a.toDouble() < b.toDouble();
        return QString::localeAwareCompare(a.toString(), b.toString()) < 0;
    }

private:
    std::optional<int> competitor_;
};

FlightsListWindow::FlightsListWindow(Prompter& prompter, std::function<FilterSettings()> filter,
                                     QWidget* parent)
    : QWidget(parent, Qt::Window), prompter_(prompter), filter_(std::move(filter)) {
    setObjectName(QStringLiteral("FormLoty"));
    folderLabel = new QLabel(this);
    folderLabel->setObjectName(QStringLiteral("LabelFolder"));
    folderLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    const auto button = [this](const char* name) {
        auto* b = new QPushButton(this);
        b->setObjectName(QString::fromLatin1(name));
        b->setAutoDefault(false);
        return b;
    };
    folderButton = button("B_Folder");
    refreshButton = button("B_Odswiez");
    expectedButton = button("B_Oczekiwani");
    resultsButton = button("B_StronaWynikow");
    filterCaption = new QLabel(this);
    competitorFilter = new QLineEdit(this);
    competitorFilter->setObjectName(QStringLiteral("E_FiltrZawodnika"));
    competitorFilter->setMaximumWidth(80);
    competitorFilter->setClearButtonEnabled(true);
    filterCaption->setBuddy(competitorFilter);
    logWarning = new QLabel(this);
    logWarning->setObjectName(QStringLiteral("LabelLogWarning"));
    logWarning->setStyleSheet(QStringLiteral("color: #a00000"));
    logWarning->setWordWrap(true);
    logWarning->hide();

    model = new QStandardItemModel(this);
    proxy = new FlightsProxy(this);
    proxy->setSourceModel(model);
    proxy->setSortRole(kSortRole);
    table = new QTableView(this);
    table->setObjectName(QStringLiteral("GridLoty"));
    table->setModel(proxy);
    table->setSortingEnabled(true);
    table->sortByColumn(-1, Qt::AscendingOrder); // reading order until a heading is clicked
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->verticalHeader()->hide();
    table->horizontalHeader()->setStretchLastSection(true);
    table->horizontalHeader()->setResizeContentsPrecision(200); // widths from the first rows
    table->installEventFilter(this);
    table->viewport()->installEventFilter(this);

    auto* top = new QHBoxLayout;
    top->addWidget(folderButton);
    top->addWidget(refreshButton);
    top->addWidget(folderLabel, 1);
    top->addWidget(filterCaption);
    top->addWidget(competitorFilter);
    top->addWidget(expectedButton);
    top->addWidget(resultsButton);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(logWarning);
    layout->addWidget(table);
    // Wide enough for every column of a row with its file name, where the screen allows.
    const QRect screen = QGuiApplication::primaryScreen() != nullptr
                             ? QGuiApplication::primaryScreen()->availableGeometry()
                             : QRect(0, 0, 1280, 800);
    resize(std::min(1320, screen.width() - 40), std::min(560, screen.height() - 80));

    connect(folderButton, &QPushButton::clicked, this, &FlightsListWindow::chooseFolder);
    connect(refreshButton, &QPushButton::clicked, this, &FlightsListWindow::refresh);
    connect(expectedButton, &QPushButton::clicked, this, &FlightsListWindow::chooseExpected);
    connect(resultsButton, &QPushButton::clicked, this, [this] { writeResultsPage(); });
    connect(competitorFilter, &QLineEdit::textChanged, this, &FlightsListWindow::filterChanged);

    folder_ = defaultFolder();
    applyTexts();
}

FlightsListWindow::~FlightsListWindow() = default;

QString FlightsListWindow::defaultFolder() {
    return DefaultArchiveFolder();
}

QString FlightsListWindow::text(Phrase p) const {
    return QString::fromUtf8(Tr(p, language_));
}

void FlightsListWindow::setFolder(const QString& folder) {
    folder_ = folder;
    refreshWhenShown();
}

void FlightsListWindow::refreshWhenShown() {
    stale_ = true;
    if (isVisible()) refresh();
}

void FlightsListWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (stale_) refresh();
}

void FlightsListWindow::setLanguage(Language language) {
    if (language == language_) return;
    language_ = language;
    applyTexts();
    refreshWhenShown(); // the reasons and the check's words are the rows' own
}

void FlightsListWindow::applyTexts() {
    setWindowTitle(text(Phrase::FlightsListTitle));
    folderButton->setText(text(Phrase::FlightsFolderButton));
    refreshButton->setText(text(Phrase::FlightsRefresh));
    expectedButton->setText(text(Phrase::FlightsExpectedButton));
    resultsButton->setText(text(Phrase::FlightsResultsPage));
    filterCaption->setText(text(Phrase::FlightsCompetitorFilter));
    folderLabel->setText(QDir::toNativeSeparators(folder_));
    QStringList lines;
    for (const int line : damagedLogLines_)
        lines << QString::number(line);
    logWarning->setText(text(Phrase::LogLinesDamaged) + lines.join(QStringLiteral(", ")));
    logWarning->setVisible(!damagedLogLines_.empty());
    QStringList headings;
    for (const std::size_t c : kListed)
        headings << QString::fromUtf8(c == column::kDate ? Tr(Phrase::FlightsDateTime, language_)
                                                         : kFlightColumns[c].shown.get(language_));
    headings << text(Phrase::FlightsRemarks);
    model->setHorizontalHeaderLabels(headings);
}

void FlightsListWindow::refresh() {
    stale_ = false;
    folderLabel->setText(QDir::toNativeSeparators(folder_));
    rows_.clear();
    damagedLogLines_.clear();
    if (!folder_.isEmpty()) {
        // Reading decodes no chart points: a thousand files list in well under a second.
        const std::string folder = QDir::toNativeSeparators(folder_).toStdString();
        FlightRows read = ReadFlightRows(ListFlightFiles(folder), language_, filter_(), false);
        AddMissingLoggedFiles(read, folder, language_);
        rows_ = std::move(read.rows);
        for (const DamagedLogLine& d : read.damagedLogLines)
            damagedLogLines_.push_back(d.line);
    }
    if (expected_) MarkExpected(rows_, *expected_);
    fillTable();
}

void FlightsListWindow::fillTable() {
    const Qt::SortOrder order = table->horizontalHeader()->sortIndicatorOrder();
    const int sorted = table->horizontalHeader()->sortIndicatorSection();
    // The rows are filled with the model away from the view: a thousand rows, one reset.
    proxy->setSourceModel(nullptr);
    model->clear();
    model->setColumnCount(kReasonColumn + 1);
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        const FlightRow& r = rows_[i];
        const auto cells = FlightCells(r);
        const int row = static_cast<int>(i);
        QList<QStandardItem*> items;
        for (int col = 0; col < kReasonColumn; ++col) {
            const std::size_t c = kListed[col];
            const FlightCell& cell = cells[c];
            auto* item = new QStandardItem(Utf8(cell.shown()));
            if (cell.present) {
                if (cell.kind == CellKind::Whole || cell.kind == CellKind::Seconds ||
                    cell.kind == CellKind::Rate)
                    item->setData(cell.number, kSortRole);
                else if (const auto v = LeadingNumber(cell.text);
                         v && (c == column::kMax || c == column::kMaxFiltered))
                    item->setData(*v, kSortRole);
                else
                    item->setData(item->text(), kSortRole);
            }
            if (cell.kind != CellKind::Text || c == column::kMax || c == column::kMaxFiltered)
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            if (c == column::kSampling && r.flight)
                item->setData(static_cast<double>(r.samplingRate), kSortRole);
            if (c == column::kVerified) item->setText(VerifiedWords(r.verified, language_));
            if (r.flight && r.stats.maxSuspect &&
                (c == column::kMax || c == column::kMaxFiltered)) {
                const QString why = QString::fromUtf8(Tr(Message::SuspectMaximum, language_)) +
                                    Utf8(r.stats.maxFilteredText.value_or("")) +
                                    QStringLiteral(" m");
                if (c == column::kMax) item->setText(QStringLiteral("\u26a0 ") + item->text());
                item->setToolTip(why);
            }
            if (c == column::kCompetitor && r.entry == "unknown") {
                item->setText(item->text() + QStringLiteral(" ?"));
                item->setToolTip(QString::fromUtf8(Tr(Phrase::NotOnList, language_)));
                item->setForeground(QColor(0xa0, 0x60, 0x00));
            }
            if (c == column::kVerified && (r.verified == "changed" || r.verified == "missing"))
                item->setForeground(QColor(0xa0, 0x00, 0x00));
            if (col == 0) item->setData(row, kRowRole);
            items << item;
        }
        QString reason = Utf8(r.error);
        if (r.entry == "missing") reason = text(Phrase::FlightsMissing);
        auto* item = new QStandardItem(reason);
        if (!reason.isEmpty()) {
            item->setData(reason, kSortRole);
            item->setForeground(QColor(0xa0, 0x00, 0x00));
        }
        items << item;
        model->appendRow(items);
    }
    applyTexts();
    proxy->setSourceModel(model);
    proxy->sort(sorted, order);
    table->resizeColumnsToContents();
}

std::vector<FlightRow> FlightsListWindow::shownRows() const {
    std::vector<FlightRow> shown;
    for (int i = 0; i < proxy->rowCount(); ++i) {
        const int row = proxy->index(i, 0).data(kRowRole).toInt();
        shown.push_back(rows_[static_cast<std::size_t>(row)]);
    }
    return shown;
}

void FlightsListWindow::filterChanged() {
    const QString typed = competitorFilter->text().trimmed();
    bool ok = false;
    const int number = typed.toInt(&ok);
    proxy->setCompetitor(typed.isEmpty() ? std::nullopt : std::optional<int>(ok ? number : -1));
}

void FlightsListWindow::chooseFolder() {
    const QString chosen =
        QFileDialog::getExistingDirectory(this, text(Phrase::FlightsListTitle), folder_);
    if (!chosen.isEmpty()) setFolder(chosen);
}

void FlightsListWindow::chooseExpected() {
    const QString path = prompter_.openFileName(QString());
    if (!path.isEmpty()) loadExpected(path);
}

bool FlightsListWindow::loadExpected(const QString& path) {
    std::string error;
    auto numbers = ReadExpectedFile(QDir::toNativeSeparators(path).toStdString(), language_, error);
    if (!numbers) {
        prompter_.message(Utf8(error), text(Phrase::FlightsListTitle));
        return false;
    }
    expected_ = std::move(numbers);
    refresh();
    return true;
}

QString FlightsListWindow::writeResultsPage() {
    // The page is the one `orlomat report` writes: the flights shown read again with their
    // small charts, each keeping its mark against the expected list; other rows as listed.
    std::vector<FlightRow> page = shownRows();
    std::vector<std::string> paths;
    for (const FlightRow& r : page)
        if (r.flight) paths.push_back(r.path);
    const std::vector<FlightRow> drawn = ReadFlightRows(paths, language_, filter_(), true).rows;
    for (std::size_t i = 0, d = 0; i < page.size(); ++i)
        if (page[i].flight) {
            const std::string entry = page[i].entry, file = page[i].file;
            page[i] = drawn[d++];
            page[i].entry = entry;
            page[i].file = file;
        }
    const std::string html = FlightTableHtml(page, language_, {});
    const QByteArray bytes(html.data(), static_cast<qsizetype>(html.size()));

    // Into the listed folder where it may write, never over a flight; else a page of its own
    // in the temporary folder (an earlier one stays), and the user is told where it went.
    QString target, why;
    if (QFileInfo(folder_).isDir() && QFileInfo(folder_).isWritable()) {
        target = QDir(folder_).filePath(QStringLiteral("results.html"));
        if (HoldsFlight(QDir::toNativeSeparators(target).toStdString()))
            why = text(Phrase::OutputIsFlight) + QDir::toNativeSeparators(target);
        else if (const QString error = WriteFileAtomically(target, bytes); !error.isEmpty())
            why = text(Phrase::CannotWrite) + QDir::toNativeSeparators(target) +
                  QStringLiteral(": ") + error;
    } else {
        why = text(Phrase::FlightsFolderNotWritable) + QDir::toNativeSeparators(folder_);
    }
    if (!why.isEmpty()) {
        QTemporaryFile file(
            QDir(QDir::tempPath())
                .filePath(QStringLiteral("results-%1-%2-XXXXXX.html")
                              .arg(QDir(folder_).dirName(), Utf8(LocalTimeNow("%Y%m%d-%H%M%S")))));
        file.setAutoRemove(false);
        if (!file.open() || file.write(bytes) != bytes.size() || !file.flush()) {
            const QString failure = text(Phrase::CannotWrite) +
                                    QDir::toNativeSeparators(file.fileName()) +
                                    QStringLiteral(": ") + file.errorString();
            if (file.isOpen()) file.remove();
            prompter_.message(why + QLatin1Char('\n') + failure, text(Phrase::FlightsListTitle));
            return {};
        }
        file.close();
        target = file.fileName();
    }
    QStringList notes;
    if (!why.isEmpty()) notes << why;
    if (!prompter_.openDocument(target)) notes << text(Phrase::BrowserNotOpened);
    if (!notes.isEmpty())
        prompter_.message(notes.join(QLatin1Char('\n')) + QLatin1Char('\n') +
                              text(Phrase::ResultsPageWrittenTo) + QDir::toNativeSeparators(target),
                          text(Phrase::FlightsListTitle));
    return target;
}

void FlightsListWindow::activate(const QModelIndex& index, bool comparison) {
    if (!index.isValid()) return;
    const int row = proxy->index(index.row(), 0).data(kRowRole).toInt();
    const FlightRow& r = rows_[static_cast<std::size_t>(row)];
    if (!r.flight) return;
    const QString path = Utf8(r.path);
    if (comparison)
        emit openComparison(path);
    else
        emit openFlight(path);
}

bool FlightsListWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == table->viewport() && event->type() == QEvent::MouseButtonDblClick) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        activate(table->indexAt(mouse->position().toPoint()),
                 mouse->modifiers().testFlag(Qt::ControlModifier));
        return true;
    }
    if (watched == table && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            activate(table->currentIndex(), key->modifiers().testFlag(Qt::ControlModifier));
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void FlightsListWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

} // namespace orlomat
