#pragma once

#include "FindQuery.h"

#include <QDockWidget>
#include <QList>
#include <QTimer>

#include <functional>
#include <string>
#include <vector>

class BookSearchRunner;
class CChildFrame;
class CZETbrowserDoc;
class FindResultsModel;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSettings;
class QTableView;
class QToolButton;
class UserPrompts;

// "Поиск в книге": finds text in every record of the active book (or of all open books) as the
// user types, lists each occurrence, goes to it in the tree and the input form, and replaces
// occurrences. The search runs on a worker thread and starts afresh whenever the text, an
// option or a searched book changes.
class BookFindPanel : public QDockWidget
{
    Q_OBJECT

public:
    // How long typing pauses before the search starts.
    static constexpr int kTypingPauseMs = 200;
    static constexpr int kHistorySize = 20;

    explicit BookFindPanel(UserPrompts& prompts, QWidget* parent = nullptr);
    ~BookFindPanel() override;

    // The open document windows and the active one (the main frame's).
    void setFrames(std::function<QList<CChildFrame*>()> frames,
                   std::function<CChildFrame*()> active);
    // Options and history from `settings` (kept there from now on); null keeps none.
    void setSettings(QSettings* settings);

    // Ctrl+Shift+F: the panel shown, the search box focused with its text selected.
    void activate();
    // F3 and Shift+F3: the next (previous) occurrence in the list's order, from the one chosen
    // last; the first (last) one after the end.
    void findNext();
    void findPrevious();
    // The open books or the active one changed: searched again when that concerns the search.
    void onBooksChanged();

    // The search for what the controls say, at once (typing waits kTypingPauseMs for it).
    void searchNow();
    bool isSearching() const;
    // Goes to the occurrence of the list's `row`: its book's window, its record in the tree
    // (unapplied edits of the form asked about first), the match selected in the form's field.
    bool goToRow(int row);
    // "Заменить": the occurrence chosen in the list (without one, the first is chosen instead);
    // "Заменить все": every occurrence listed. Each book changed takes one step of its undo
    // history; the form's edits are asked about first, and text the book cannot hold or that
    // would not survive a save is refused or asked about as the form's apply does. False when
    // nothing was replaced.
    bool replaceCurrent();
    bool replaceAll();
    // The occurrences of the list's `rows` replaced, as "Заменить все" replaces all of them.
    bool replaceRows(const std::vector<int>& rows);

    FindQuery query() const;
    QComboBox* searchBox() const { return m_searchBox; }
    QCheckBox* caseBox() const { return m_caseBox; }
    QCheckBox* wholeWordBox() const { return m_wholeWordBox; }
    QCheckBox* regexBox() const { return m_regexBox; }
    QCheckBox* allBooksBox() const { return m_allBooksBox; }
    QToolButton* fieldsButton() const { return m_fieldsButton; }
    QLabel* countLabel() const { return m_countLabel; }
    QTableView* resultsView() const { return m_view; }
    FindResultsModel* results() const { return m_model; }
    QLineEdit* replaceBox() const { return m_replaceBox; }
    QPushButton* replaceButton() const { return m_replaceButton; }
    QPushButton* replaceAllButton() const { return m_replaceAllButton; }

signals:
    // A search ran to its end (the list is complete).
    void searchFinished();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void createControls();
    void scheduleSearch();
    void updateCount();
    void updateFieldsButton();
    void rememberPattern();
    void saveOptions() const;
    void step(int direction);
    void refuseUnencodable(const std::vector<std::string>& characters);
    std::vector<CZETbrowserDoc*> booksToSearch() const;
    CChildFrame* frameOf(const CZETbrowserDoc* doc) const;

    UserPrompts& m_prompts;
    QSettings* m_settings = nullptr;
    std::function<QList<CChildFrame*>()> m_frames;
    std::function<CChildFrame*()> m_active;
    BookSearchRunner* m_runner = nullptr; // child objects from here on
    FindResultsModel* m_model = nullptr;
    QTimer m_typingPause;
    std::vector<CZETbrowserDoc*> m_searched;
    FindQuery m_searchedQuery;
    // The search was left undone while the panel was hidden.
    bool m_stale = false;
    QString m_problem; // why the query finds nothing, shown in place of the count
    QString m_note;    // what the last replace did, shown before the count
    // After "Заменить": the row the list's next occurrence takes once it is found again.
    int m_rowAfterReplace = -1;
    int m_countBeforeReplace = 0;

    QComboBox* m_searchBox = nullptr;
    QCheckBox* m_caseBox = nullptr;
    QCheckBox* m_wholeWordBox = nullptr;
    QCheckBox* m_regexBox = nullptr;
    QCheckBox* m_yoBox = nullptr;
    QCheckBox* m_allBooksBox = nullptr;
    QToolButton* m_fieldsButton = nullptr;
    QList<QAction*> m_fieldActions;
    QLabel* m_countLabel = nullptr;
    QTableView* m_view = nullptr;
    QLineEdit* m_replaceBox = nullptr;
    QPushButton* m_replaceButton = nullptr;
    QPushButton* m_replaceAllButton = nullptr;
};
