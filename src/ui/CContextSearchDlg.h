#pragma once

#include "NameGroup.h"
#include "NamePrefixIndex.h"

#include <QDialog>

#include <vector>

class CZETbrowserDoc;
class QComboBox;
class QListView;
class QPushButton;
class SortedListModel;

// "Контекстный поиск": finds records by name. The upper list holds every distinct record name,
// the search box selects the first name beginning with the typed text, the lower list shows the
// paths of the records bearing the selected name. OK hands the chosen record to the tree through
// the document's jumpToId; the history and the last choice live in the document.
class CContextSearchDlg : public QDialog
{
    Q_OBJECT

public:
    // Fills the lists from `doc` at once, showing the wait cursor meanwhile; from now until OK
    // the document's jumpToId is 0 (no jump).
    explicit CContextSearchDlg(CZETbrowserDoc* doc, QWidget* parent = nullptr);
    ~CContextSearchDlg() override;

    QComboBox* searchBox() const { return m_combo; }
    QListView* objectList() const { return m_objects; }
    QListView* occurrenceList() const { return m_occurrences; }
    QPushButton* okButton() const { return m_okButton; }
    QPushButton* cancelButton() const { return m_cancelButton; }

public slots:
    // OK, Enter, or a double click on an occurrence.
    void accept() override;

private:
    void OnInitDialog();
    void FillOccurrences();
    // The paths of the records of m_shownGroup, sorted.
    void fillPaths();
    void SelectObjectFromText();
    void OnHistoryChosen(int index);
    // Selects the row of m_objects (and shows it) without the list's own notification.
    void selectObject(int row);
    static int selectedRow(const QListView& list);

    QComboBox* m_combo = nullptr; // child widgets
    QListView* m_occurrences = nullptr;
    QListView* m_objects = nullptr;
    QPushButton* m_okButton = nullptr;
    QPushButton* m_cancelButton = nullptr;
    CZETbrowserDoc* m_pDoc = nullptr;
    std::vector<NameGroup> m_index;
    SortedListModel* m_objectModel = nullptr; // owned by the dialog
    SortedListModel* m_occurrenceModel = nullptr;
    // Over the names in m_objects' order.
    NamePrefixIndex m_prefixIndex;
    int m_shownGroup = -1; // the group whose paths m_occurrences holds
    bool m_selecting = false;
};
