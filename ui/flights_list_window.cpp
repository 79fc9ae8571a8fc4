#include "ui/flights_list_window.h"

#include "contest/flight_columns.h"
#include "contest/results_page.h"
#include "core/format.h"
#include "core/json.h"
#include "files/file_io.h"
#include "files/user_file.h"
#include "ui/contest_words.h"
#include "ui/prompter.h"
#include "ui/settings_file.h"

#include <QComboBox>
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
#include <cmath>
#include <map>

namespace orlomat {

namespace {

// The list's columns: the table's own (its headings and cell texts) and the reason a row
// holds no flight.
constexpr std::size_t kListed[] = {column::kCompetitor, column::kSerial,   column::kDate,
                                   column::kSampling,   column::kMax,      column::kMaxFiltered,
                                   column::kLaunch,     column::kDuration, column::kLandingAltitude,
                                   column::kVerified,   column::kFile};
constexpr int kReasonColumn = static_cast<int>(std::size(kListed));
constexpr int kSortRole = Qt::UserRole;
constexpr int kRowRole = Qt::UserRole + 1; // on the first cell: the row's place in rows_

// The combo's rules after its "none", and the caption of the value each asks.
struct RuleEntry {
    Rule rule;
    RankingText name;
    std::optional<RankingText> value;
    const char* defaultValue;
};
constexpr RuleEntry kRuleEntries[] = {
    {Rule::F1Flyoff, RankingText::RuleF1Flyoff, RankingText::MaxTimeField, "300"},
    {Rule::F5jStart, RankingText::RuleF5j, RankingText::MotorStopField, ""},
    {Rule::Apogee, RankingText::RuleApogee, std::nullopt, ""},
    {Rule::Precision, RankingText::RulePrecision, RankingText::TargetField, ""},
    {Rule::Timekeeper, RankingText::RuleTimekeeper, RankingText::TimeField, ""},
};

// A heading on two lines, broken at the blank nearest its middle: the columns' room goes to
// the figures, not to the words above them.
QString TwoLines(QString heading) {
    int best = -1;
    for (int i = 0; i < heading.size(); ++i)
        if (heading[i] == QLatin1Char(' ') &&
            (best < 0 || std::abs(i - heading.size() / 2) < std::abs(best - heading.size() / 2)))
            best = i;
    if (best > 0) heading[best] = QLatin1Char('\n');
    return heading;
}

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
    ruleCaption = new QLabel(this);
    ruleCombo = new QComboBox(this);
    ruleCombo->setObjectName(QStringLiteral("C_Regula"));
    ruleCaption->setBuddy(ruleCombo);
    ruleValueCaption = new QLabel(this);
    ruleValue = new QLineEdit(this);
    ruleValue->setObjectName(QStringLiteral("E_WartoscReguly"));
    ruleValue->setMaximumWidth(70);
    ruleValueCaption->setBuddy(ruleValue);
    ruleValueCaption->hide();
    ruleValue->hide();
    ruleValues_ << QString();
    for (const RuleEntry& e : kRuleEntries)
        ruleValues_ << QString::fromLatin1(e.defaultValue);
    logWarning = new QLabel(this);
    logWarning->setObjectName(QStringLiteral("LabelLogWarning"));
    logWarning->setStyleSheet(QStringLiteral("color: #a00000"));
    logWarning->setWordWrap(true);
    logWarning->hide();
    logHead = new QLabel(this);
    logHead->setObjectName(QStringLiteral("LabelLogHead"));
    logHead->setTextInteractionFlags(Qt::TextSelectableByMouse);
    logHead->hide();

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
    table->setTextElideMode(Qt::ElideMiddle);
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
    top->addWidget(ruleCaption);
    top->addWidget(ruleCombo);
    top->addWidget(ruleValueCaption);
    top->addWidget(ruleValue);
    top->addWidget(expectedButton);
    top->addWidget(resultsButton);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(logWarning);
    layout->addWidget(logHead);
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
    connect(ruleCombo, &QComboBox::activated, this, &FlightsListWindow::ruleChanged);
    connect(ruleValue, &QLineEdit::editingFinished, this, &FlightsListWindow::ruleChanged);

    folder_ = DefaultArchiveFolder();
    applyTexts();
}

FlightsListWindow::~FlightsListWindow() = default;

QString FlightsListWindow::text(Phrase p) const {
    return QString::fromUtf8(Tr(p, language_));
}

LogHeadWords FlightsListWindow::headWords() const {
    if (!readFailure_.empty())
        return {
            Tr(Phrase::CannotRead, language_) +
                QDir::toNativeSeparators(folder_).toStdString().append(": ").append(readFailure_),
            true};
    return DescribeLogHead(logHead_, language_);
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
    // The rows hold facts only: worded again, nothing read.
    if (!rows_.empty())
        fillTable();
    else
        applyTexts();
}

void FlightsListWindow::applyTexts() {
    setWindowTitle(text(Phrase::FlightsListTitle));
    folderButton->setText(text(Phrase::FlightsFolderButton));
    refreshButton->setText(text(Phrase::FlightsRefresh));
    expectedButton->setText(text(Phrase::FlightsExpectedButton));
    resultsButton->setText(text(Phrase::FlightsResultsPage));
    filterCaption->setText(text(Phrase::FlightsCompetitorFilter));
    ruleCaption->setText(QString::fromUtf8(Tr(RankingText::RuleCaption, language_)));
    if (ruleCombo->count() == 0) {
        ruleCombo->addItem(QString());
        for (std::size_t i = 0; i < std::size(kRuleEntries); ++i)
            ruleCombo->addItem(QString());
    }
    ruleCombo->setItemText(0, QString::fromUtf8(Tr(RankingText::RuleNone, language_)));
    for (std::size_t i = 0; i < std::size(kRuleEntries); ++i)
        ruleCombo->setItemText(static_cast<int>(i + 1),
                               QString::fromUtf8(Tr(kRuleEntries[i].name, language_)));
    const int entry = ruleCombo->currentIndex() - 1;
    const bool valued = entry >= 0 && kRuleEntries[entry].value.has_value();
    if (valued)
        ruleValueCaption->setText(QString::fromUtf8(Tr(*kRuleEntries[entry].value, language_)));
    ruleValueCaption->setVisible(valued);
    ruleValue->setVisible(valued);
    folderLabel->setText(QDir::toNativeSeparators(folder_));
    QStringList lines;
    for (const int line : damagedLogLines_)
        lines << QString::number(line);
    logWarning->setText(text(Phrase::LogLinesDamaged) + lines.join(QStringLiteral(", ")));
    logWarning->setVisible(!damagedLogLines_.empty());
    const LogHeadWords head = headWords();
    logHead->setText(Utf8(head.text));
    logHead->setStyleSheet(head.fault ? QStringLiteral("color: #a00000; font-weight: bold")
                                      : QString());
    logHead->setVisible(!head.text.empty());
    QStringList headings;
    for (const std::size_t c : kListed)
        headings << TwoLines(QString::fromUtf8(c == column::kDate
                                                   ? Tr(Phrase::FlightsDateTime, language_)
                                                   : ColumnHeading(c, language_)));
    headings << text(Phrase::FlightsRemarks);
    for (const std::size_t c : ruleColumns_)
        headings << TwoLines(QString::fromUtf8(Tr(static_cast<RankingText>(c), language_)));
    model->setHorizontalHeaderLabels(headings);
}

void FlightsListWindow::refresh() {
    stale_ = false;
    folderLabel->setText(QDir::toNativeSeparators(folder_));
    rows_.clear();
    damagedLogLines_.clear();
    logHead_ = {};
    readFailure_.clear();
    if (!folder_.isEmpty()) {
        // Reading decodes no chart points: a thousand files list in well under a second. No
        // failure of a strange folder may reach the event loop: it is told as the list's line.
        try {
            const std::string folder = QDir::toNativeSeparators(folder_).toStdString();
            ResultsTable table =
                ReadResultsTable(GatherResultsInputs({folder}), filter_(), expected_);
            rows_ = std::move(table.rows);
            if (rule_) ApplyRule(rows_, *rule_);
            for (const DamagedLogLine& d : table.damagedLogLines)
                damagedLogLines_.push_back(d.line);
            if (!table.logHeads.empty()) logHead_ = table.logHeads.front();
        } catch (const std::exception& e) {
            rows_.clear();
            readFailure_ = e.what();
        }
    }
    fillTable();
}

void FlightsListWindow::fillTable() {
    const Qt::SortOrder order = table->horizontalHeader()->sortIndicatorOrder();
    const int sorted = table->horizontalHeader()->sortIndicatorSection();
    // The rows are filled with the model away from the view: a thousand rows, one reset.
    proxy->setSourceModel(nullptr);
    model->clear();
    model->setColumnCount(kReasonColumn + 1 + static_cast<int>(ruleColumns_.size()));
    const LanguageResultsWording words(language_);
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        const FlightRow& r = rows_[i];
        const auto cells = FlightCells(r);
        const RowMarks marks = MarksOf(r);
        const int row = static_cast<int>(i);
        QList<QStandardItem*> items;
        for (int col = 0; col < kReasonColumn; ++col) {
            const std::size_t c = kListed[col];
            const FlightCell& cell = cells[c];
            auto* item = new QStandardItem(Utf8(cell.shownToPeople()));
            if (cell.present) {
                if (cell.kind == CellKind::Whole || cell.kind == CellKind::Seconds ||
                    cell.kind == CellKind::Rate)
                    item->setData(cell.number, kSortRole);
                else if (const auto v = LeadingNumber(cell.text);
                         v && (c == column::kMax || c == column::kMaxFiltered ||
                               c == column::kLandingAltitude))
                    item->setData(*v, kSortRole);
                else
                    item->setData(item->text(), kSortRole);
            }
            if (cell.kind != CellKind::Text || c == column::kMax || c == column::kMaxFiltered ||
                c == column::kLandingAltitude)
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            if (c == column::kSampling && r.holdsFlight)
                item->setData(static_cast<double>(r.samplingRate), kSortRole);
            if (c == column::kVerified)
                item->setText(r.check ? text(CheckPhrase(*r.check)) : QString());
            if (c == column::kLaunch && r.holdsFlight && r.stats.noLaunch != NoLaunch::None)
                item->setText(QString::fromUtf8(NoLaunchWords(r.stats.noLaunch, language_)));
            if (marks.suspectMaximum && (c == column::kMax || c == column::kMaxFiltered)) {
                const QString why = QString::fromUtf8(Tr(Message::SuspectMaximum, language_)) +
                                    Utf8(r.stats.maxCleanText.value_or("")) + QStringLiteral(" m");
                if (c == column::kMax)
                    item->setText(QString::fromUtf8(kSuspectMark) + item->text());
                item->setToolTip(why);
            }
            if (c == column::kCompetitor && marks.offList) {
                item->setText(item->text() + QString::fromUtf8(kOffListMark));
                item->setToolTip(QString::fromUtf8(Tr(Phrase::NotOnList, language_)));
                item->setForeground(QColor(0xa0, 0x60, 0x00));
            }
            if (c == column::kVerified && marks.checkAlarm)
                item->setForeground(QColor(0xa0, 0x00, 0x00));
            if (c == column::kFile) item->setToolTip(item->text());
            if (col == 0) item->setData(row, kRowRole);
            items << item;
        }
        QString reason = Utf8(RowFaultText(r, language_));
        if (r.listStatus == ListStatus::Missing) reason = text(Phrase::FlightsMissing);
        if (r.cutOffOrder > 0) {
            reason = QString::fromUtf8(Tr(Phrase::RecordCutOff, language_));
            if (r.cutOffCount > 1)
                reason += text(Phrase::PartialDownloadOrder).arg(r.cutOffOrder).arg(r.cutOffCount);
        }
        auto* item = new QStandardItem(reason);
        item->setToolTip(reason);
        if (!reason.isEmpty()) {
            item->setData(reason, kSortRole);
            item->setForeground(QColor(0xa0, 0x00, 0x00));
        }
        items << item;
        const auto ruleCells = RuleCells(r);
        for (const std::size_t c : ruleColumns_) {
            const FlightCell& cell = ruleCells[c];
            auto* ruleItem = new QStandardItem();
            if (c == rule_column::kState) {
                ruleItem->setText(Utf8(words.ruleState(r)));
                ruleItem->setToolTip(ruleItem->text());
                ruleItem->setForeground(QColor(0xa0, 0x00, 0x00));
            } else if (cell.present) {
                ruleItem->setText(Utf8(cell.kind == CellKind::Flag ? words.flag(cell.flag)
                                                                   : cell.shownToPeople()));
                ruleItem->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
                ruleItem->setData(cell.kind == CellKind::Flag ? QVariant(ruleItem->text())
                                                              : QVariant(cell.number),
                                  kSortRole);
            }
            items << ruleItem;
        }
        model->appendRow(items);
    }
    applyTexts();
    proxy->setSourceModel(model);
    proxy->sort(sorted, order);
    arrangeRuleColumns();
    fitColumns();
}

void FlightsListWindow::arrangeRuleColumns() {
    QHeaderView* header = table->horizontalHeader();
    for (int logical = 0; logical < header->count(); ++logical)
        header->moveSection(header->visualIndex(logical), logical);
    for (std::size_t i = 0; i < ruleColumns_.size(); ++i) {
        const int logical = kReasonColumn + 1 + static_cast<int>(i);
        header->moveSection(header->visualIndex(logical), ruleColumns_[i] == rule_column::kPlace
                                                              ? 0
                                                              : header->visualIndex(kReasonColumn));
    }
}

void FlightsListWindow::ruleChanged() {
    // The value typed belongs to the rule it was typed for.
    ruleValues_[ruleIndex_] = ruleValue->text();
    ruleIndex_ = ruleCombo->currentIndex();
    ruleValue->setText(ruleValues_[ruleIndex_]);
    std::optional<RuleChoice> chosen;
    if (ruleIndex_ > 0) {
        const RuleEntry& e = kRuleEntries[ruleIndex_ - 1];
        chosen.emplace();
        chosen->rule = e.rule;
        if (e.value) {
            const auto v = ParseDecimalNumber(ruleValue->text().trimmed().toStdString());
            if (!v || !std::isfinite(*v) || *v <= 0.0) {
                // Nothing to read by until a value is typed; a wrong one is said.
                if (!ruleValue->text().trimmed().isEmpty())
                    prompter_.message(QString::fromUtf8(Tr(RankingText::BadRuleValue, language_)) +
                                          ruleValue->text(),
                                      text(Phrase::FlightsListTitle));
                chosen.reset();
            } else {
                chosen->value = *v;
            }
        }
    }
    applyTexts();
    const bool same = chosen.has_value() == rule_.has_value() &&
                      (!chosen || (chosen->rule == rule_->rule && chosen->value == rule_->value));
    if (same) return;
    const bool wasRanked = rule_ && RuleRanks(rule_->rule);
    rule_ = chosen;
    ruleColumns_ = rule_ ? RuleColumnsOf(*rule_) : std::vector<std::size_t>{};
    if (rule_)
        ApplyRule(rows_, *rule_);
    else
        for (FlightRow& r : rows_)
            r.reading = {}, r.place = 0;
    // Placed rows are listed by their place; without a rule, in the order read.
    if (rule_ && RuleRanks(rule_->rule))
        table->horizontalHeader()->setSortIndicator(kReasonColumn + 1, Qt::AscendingOrder);
    else if (wasRanked || table->horizontalHeader()->sortIndicatorSection() > kReasonColumn)
        table->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    fillTable();
}

void FlightsListWindow::fitColumns() {
    // Each column as wide as its texts; when they are wider than the list, the file name
    // gives way (elided in the middle, its whole name in the tip), then the notes column takes
    // the room left, but never less than its notes need (a scroll bar rather than cut notes).
    QHeaderView* header = table->horizontalHeader();
    header->setStretchLastSection(false);
    table->resizeColumnsToContents();
    const int fileColumn = static_cast<int>(
        std::find(std::begin(kListed), std::end(kListed), column::kFile) - std::begin(kListed));
    int others = 0;
    for (int c = 0; c < header->count(); ++c)
        if (c != fileColumn) others += table->columnWidth(c);
    const int room = table->viewport()->width();
    const int fileMinimum = table->fontMetrics().horizontalAdvance(QStringLiteral("C000_S0…dat"));
    if (others + table->columnWidth(fileColumn) > room)
        table->setColumnWidth(fileColumn, std::max(fileMinimum, room - others));
    const int last = header->logicalIndex(header->count() - 1);
    int used = 0;
    for (int c = 0; c < header->count(); ++c)
        if (c != last) used += table->columnWidth(c);
    const int notes = table->columnWidth(last);
    header->setStretchLastSection(used + notes <= room);
    if (!header->stretchLastSection()) table->setColumnWidth(last, notes);
}

void FlightsListWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (model->rowCount() > 0) fitColumns();
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
    // From the listed folder, where the day's files are (not the working folder).
    const QString path = prompter_.openFileName(folder_, text(Phrase::ExpectedListTitle));
    if (!path.isEmpty()) loadExpected(path);
}

bool FlightsListWindow::loadExpected(const QString& path) {
    ExpectedListFault fault;
    auto numbers = ReadExpectedList(QDir::toNativeSeparators(path).toStdString(), fault);
    if (!numbers) {
        prompter_.message(Utf8(ExpectedListFaultText(fault, language_)),
                          text(Phrase::FlightsListTitle));
        return false;
    }
    expected_ = std::move(numbers);
    refresh();
    return true;
}

QString FlightsListWindow::writeResultsPage() {
    // The page is the one `orlomat report` writes, of the rows shown in their order, each
    // keeping its mark against the expected list; written as it goes, each flight read again
    // for its small chart, so a long list costs no memory to speak of.
    const std::vector<FlightRow> page = shownRows();
    const FilterSettings filter = filter_();
    const LanguageResultsWording words(language_);
    const auto writePage = [&](std::ostream& out) {
        return WriteResultsPage(out, page, words, {}, {headWords()}, filter, rule_);
    };

    // Into the listed folder where it may write, never over a flight; else a page of its own
    // in the temporary folder (an earlier one stays), and the user is told where it went.
    QString target, why;
    if (QFileInfo(folder_).isDir() && QFileInfo(folder_).isWritable()) {
        target = QDir(folder_).filePath(QStringLiteral("results.html"));
        const std::string native = QDir::toNativeSeparators(target).toStdString();
        if (HoldsFlight(native))
            why = text(Phrase::OutputIsFlight) + QDir::toNativeSeparators(target);
        else if (const OutputGuard g = GuardOutput(native); g != OutputGuard::Free)
            why = text(g == OutputGuard::Link ? Phrase::OutputIsLink : Phrase::OutputLogged) +
                  QDir::toNativeSeparators(target);
        else if (const std::string error = WriteFileAtomicallyBy(native, writePage); !error.empty())
            why = text(Phrase::CannotWrite) + QDir::toNativeSeparators(target) +
                  QStringLiteral(": ") + Utf8(error);
    } else {
        why = text(Phrase::FlightsFolderNotWritable) + QDir::toNativeSeparators(folder_);
    }
    if (!why.isEmpty()) {
        // The name is claimed, let go of (Windows will not replace a file still held open),
        // then the page written over it.
        QString claimed;
        std::string error;
        {
            QTemporaryFile file(QDir(QDir::tempPath())
                                    .filePath(QStringLiteral("results-%1-%2-XXXXXX.html")
                                                  .arg(QDir(folder_).dirName(),
                                                       Utf8(LocalTimeNow("%Y%m%d-%H%M%S")))));
            file.setAutoRemove(false);
            if (file.open())
                claimed = file.fileName();
            else
                error = file.errorString().toStdString();
        }
        if (error.empty())
            error =
                WriteFileAtomicallyBy(QDir::toNativeSeparators(claimed).toStdString(), writePage);
        if (!error.empty()) {
            const QString failure = text(Phrase::CannotWrite) + QDir::toNativeSeparators(claimed) +
                                    QStringLiteral(": ") + Utf8(error);
            if (!claimed.isEmpty()) QFile::remove(claimed);
            prompter_.message(why + QLatin1Char('\n') + failure, text(Phrase::FlightsListTitle));
            return {};
        }
        target = claimed;
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
    if (!r.holdsFlight) return;
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
