// The flights list: a folder's flight files as a table (the figures the results page shows),
// sorted by any column, filtered by competitor; Enter or a double click opens a flight as the
// current flight, with Ctrl as the comparison flight. It writes the results page of the rows
// shown and marks the flights against a list of expected competitors. Files its download log
// names that were removed keep a row; the log's damaged lines are named in red, and the log's
// head (the digest that pins the log down) is shown short with the time of its last line.
// A contest rule chosen adds its reading's columns and places the flights by it (as
// `orlomat report --rule`); every column fits the list's width, the file name elided.
#pragma once

#include "contest/results_page.h"
#include "contest/results_table.h"
#include "core/filter_settings.h"
#include "core/language.h"

#include <QWidget>

#include <functional>
#include <optional>
#include <set>
#include <vector>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSortFilterProxyModel;
class QStandardItemModel;
class QTableView;
class QModelIndex;

namespace orlomat {

class Prompter;
class FlightsProxy;

class FlightsListWindow : public QWidget {
    Q_OBJECT
public:
    // `filter` gives the filter settings in force when the list is read (the filtered maximum).
    FlightsListWindow(Prompter& prompter, std::function<FilterSettings()> filter,
                      QWidget* parent = nullptr);
    ~FlightsListWindow() override;

    // Lists the flight files of `folder` (the flight archive by default). A hidden list reads
    // its folder when it is shown.
    void setFolder(const QString& folder);
    QString folder() const { return folder_; }
    // The texts and the rows' words in `language`, without reading the folder again.
    void setLanguage(Language language);
    // Reads the folder again.
    void refresh();
    // The expected competitors from a text file (one number a line); false and a message when
    // it cannot be read.
    bool loadExpected(const QString& path);
    // Writes the results page of the rows shown (in their order) and opens it; its path, or
    // empty when it could not be written (after a message). When the folder cannot take it, it
    // goes to a name of its own in the temporary folder; that, or a browser that does not open,
    // is told with the page's path.
    QString writeResultsPage();

    // The rows listed, in reading order (missing competitors last).
    const std::vector<FlightRow>& rows() const { return rows_; }
    // The listed rows in the order and filter the table shows.
    std::vector<FlightRow> shownRows() const;
    // The rule the rows are read and placed by (none: the list as designed).
    const std::optional<RuleChoice>& rule() const { return rule_; }

signals:
    void openFlight(const QString& path);
    void openComparison(const QString& path);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Reads the folder now when the list is shown, else when it is next shown.
    void refreshWhenShown();
    void applyTexts();
    void fillTable();
    void fitColumns();
    // The rule chosen in the combo with the value typed, applied to the rows.
    void ruleChanged();
    // Rule columns shown: the place first, the rule's figures before the notes.
    void arrangeRuleColumns();
    void chooseFolder();
    void chooseExpected();
    void filterChanged();
    // Opens the row at `index` as the current flight, or with `comparison` as the comparison.
    void activate(const QModelIndex& index, bool comparison);
    QString text(Phrase p) const;
    // The log's head, or why the folder could not be read, in the language in force.
    LogHeadWords headWords() const;

    Prompter& prompter_;
    std::function<FilterSettings()> filter_;
    Language language_ = Language::Polish;
    QString folder_;
    std::vector<FlightRow> rows_;
    std::optional<std::set<std::int64_t>> expected_;
    std::vector<int> damagedLogLines_; // of the folder's download log, skipped
    bool stale_ = true;                // the rows are not those of the folder and language in force
    std::optional<RuleChoice> rule_;
    std::vector<std::size_t> ruleColumns_; // of kRuleColumns, shown after the list's own
    QStringList ruleValues_;               // the value typed for each rule of the combo
    int ruleIndex_ = 0;                    // the combo's entry the value field belongs to

    QLabel* folderLabel = nullptr;
    QLabel* logWarning = nullptr; // the download log's damaged lines, in red
    QLabel* logHead = nullptr;    // the log's short head and the time of its last line
    LogHead logHead_;
    std::string readFailure_; // why the folder could not be read
    QLabel* filterCaption = nullptr;
    QLineEdit* competitorFilter = nullptr;
    QLabel* ruleCaption = nullptr;
    QComboBox* ruleCombo = nullptr;
    QLabel* ruleValueCaption = nullptr;
    QLineEdit* ruleValue = nullptr;
    QPushButton *folderButton = nullptr, *refreshButton = nullptr, *resultsButton = nullptr,
                *expectedButton = nullptr;
    QTableView* table = nullptr;
    QStandardItemModel* model = nullptr;
    FlightsProxy* proxy = nullptr;
};

} // namespace orlomat
