// The main dialog (template 102): the paged contact list, Read, Write,
// Import and Export.
#pragma once

#include <QDialog>
#include <QIcon>
#include <QString>
#include <memory>
#include <thread>
#include <utility>
#include <vector>

#include "app/ColumnWidths.h"
#include "contacts/ContactEdit.h"
#include "app/UnwrittenList.h"
#include "csv/ImportReport.h"
#include "radio/RadioJob.h"

class QKeySequence;
class QLabel;
class QLineEdit;
class QMenu;
class QTimer;
class QProgressBar;
class QPushButton;
class QTableView;

namespace pendrak {

class CContactPageModel;
class CDatabaseUpdateJob;
class CFindBar;
class CStatusLine;

// strtol-like: white space, one sign, digits up to the first other
// character; no digits gives 0; values beyond 32 bits clamp to the bound.
int ParsePageNumber(const QString& text);

class CPendrakDlg : public QDialog {
    Q_OBJECT
public:
    explicit CPendrakDlg(QWidget* parent = nullptr);
    ~CPendrakDlg() override;

    // Template sizes in dialog units, converted with the dialog font.
    static QRect DialogUnitsToPixels(const QRect& du, const QFont& font);
    QWidget* GetDlgItem(int id) const;

    // Paging (the list shows at most CONTACTS_PER_PAGE rows).
    void InitContactList();
    void ShowContactPage();
    void UpdatePageControls();
    void OnFirstPage();
    void OnPrevPage();
    void OnNextPage();
    void OnLastPage();
    void OnKillFocusPageEdit();

    void LocalizeDialog();
    // Every text of the window again, after the language was switched.
    void Retranslate();
    // Switches to Data/<language>.lng at once and keeps the choice in setting.txt.
    void OnLanguage(const QString& language);
    static QString LanguageMenuText();
    // The keys of Read, Write, Import, Export and find, as shown in tooltips.
    static QKeySequence ActionKeys(int id);

    // Find over the whole image (the find field, in its own files).
    void OnFindOpen();
    void OnFindNext();
    void OnFindPrevious();
    // Shows contact n's page with its row selected and in view.
    void ShowContact(int n);
    // After a Read or an Import: the find field's count was of the old list.
    void OnContactsReplaced();

    // Read and Write; while one runs its button stops it.
    void OnBnClickedRead();
    void OnBnClickedWrite();
    // Stops a running Read at once; a Write only when the user says so.
    void OnStopJob();
    void OnTimer(int nIDEvent);
    void OnExport();
    void OnImport();
    // Adds a file's contacts to those in the image (a merge).
    void OnAddFromFile();
    void OnSysCommand(int nID);
    // Loads an image file (a backup, either form) into the list.
    void OnOpenBackup();
    // Downloads the user database as a job, then loads it as an Import
    // does; while it runs, cancels it.
    void OnUpdateFromDatabase();
    bool IsDatabaseUpdateRunning() const;
    static QString OpenBackupMenuText();
    // The settings without a text editor; they apply at once.
    void OnOptions();
    static QString OptionsMenuText();

    // Single contacts: the editor for the current row or a new contact,
    // Delete for the selected rows (asked first for more than one), undo.
    void OnEditContact();
    void EditContact(int n);
    void OnNewContact();
    void OnDeleteContacts();
    void OnUndoEdit();
    CContactEditor& Editor() { return *m_pEditor; }

    // True from an accepted Read/Write until its outcome has been shown.
    bool IsJobRunning() const { return m_bJobActive; }
    // Asks a running job to stop and waits for its worker.
    void StopJob();
    // Asks what closing now would cost (a running Write, a list not
    // written); true when the window may close. A Write the user stops is
    // stopped here, and what the radio then holds is told.
    bool MayClose();

    // For the tests and the benchmarks.
    CContactPageModel* PageModel() const { return m_pageModel; }
    QTableView* ContactList() const { return m_listContacts; }
    QLineEdit* PageEdit() const { return m_editPage; }
    QLabel* PageTotal() const { return m_staticPageTotal; }
    CStatusLine* Status() const { return m_staticStatus; }
    QProgressBar* Progress() const { return m_progress; }
    RadioJob& Job() { return m_job; }
    CFindBar* FindBar() const { return m_findBar; }
    const CColumnWidths& ColumnWidths() const { return m_columnWidths; }
    // Whether the list shown is still to be written; whatever changes it marks it here.
    CUnwrittenList& Unwritten() { return m_unwritten; }

    int m_nPageCount = 1;
    int m_nCurPage = 0;
    int m_nPageItems = 0;
    int m_nFirstIndex = 0;

public slots:
    void accept() override;  // Enter never closes the window
    void reject() override;  // Esc and the close box: stop a job first

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
#ifdef Q_OS_WIN
    bool nativeEvent(const QByteArray& eventType, void* message, qintptr* result) override;
    void showEvent(QShowEvent* event) override;
#endif

private:
    enum class FindStep { First, Next, Previous };

    void CreateControls();
    // Shortcuts of the buttons and the menu's keys.
    void InitKeyboard();
    // Tooltips, accessible names and descriptions in the current language.
    void SetControlTexts();
    // Tells a screen reader the page shown ("Page 3 of 650") when it changed.
    void AnnouncePage();
    void ShowWindowMenu(const QPoint& globalPos);
    void InitFind();
    void FindContact(FindStep step);
    // The template's layout, grown by what the window has beyond its size.
    void LayoutControls();
    void OnInitDialog();
    void StartRadioJob(int mode);
    void SetJobControlsEnabled(bool enabled);
    void ReportJobEnd();
    // Import or merge of the file at `path`, with the report.
    // False when nothing was imported (a message was shown).
    bool ImportFile(const QString& path, bool merge);
    void ShowImportReport(const CsvImportReport& report);
    // The spare image, made on first use.
    CContactImage& SpareImage();
    QString AddFromFileMenuText() const;
    QString UpdateMenuText() const;
    // The download's progress, and its outcome once it has ended.
    void PollDatabaseUpdate();
    // Asks the download to stop; with wait, also waits and drops its outcome.
    void StopDatabaseUpdate(bool wait);
    // Empty when the image was kept, else the warning to show.
    QString KeepReadBackup();
    // False when it could not be kept and the user would not write without.
    bool KeepWriteBackup();
    // The running job's button reads Stop; the other waits.
    void ShowStopButton(bool stop);
    // The Write's question, once the radio has said how many it holds.
    void OnWriteConfirm();
    QString VerifyOutcomeText() const;
    // Editing.
    void InitEditing();
    bool CanEdit() const;
    std::vector<int> SelectedContacts() const;
    // After an edit: the page again, contact `show` (if any) selected.
    void ContactsEdited(int show);
    // The list no longer holds what the radio or a file held.
    void OnListChanged();
    void ShowListMenu(const QPoint& globalPos);
    // Open backup, Add from file, Update, Options, Language and About,
    // after a separator.
    void AddWindowMenuItems(QMenu& menu);
    // The window menu's items (system menu on Windows, context menu
    // elsewhere), each usable or not as the running job allows.
    struct WindowMenuItem {
        QString strText;
        int nId;
        bool bEnabled;
    };
    std::vector<WindowMenuItem> WindowMenuItems() const;
    void AddLanguageMenu(QMenu& menu);
    // setting.txt again (it may have been edited by hand), and what follows
    // from it: texts, code page.
    void ReloadSettings();
    void ApplySettings();
    // The text columns share the list's width.
    void FitColumns();
    void OnColumnDragged();
    // After a job or a box: Enter must not start the job again.
    void FocusList();
    // A list with the focus shows it on a row, though none is selected.
    void ShowListFocus();

    QIcon m_hIcon;
    QTableView* m_listContacts = nullptr;
    QLineEdit* m_editPage = nullptr;
    QLabel* m_staticPageTotal = nullptr;
    QProgressBar* m_progress = nullptr;
    CStatusLine* m_staticStatus = nullptr;
    CContactPageModel* m_pageModel = nullptr;
    CFindBar* m_findBar = nullptr;
    int m_nFindCurrent = -1;  // the last match shown
    int m_nShownPage = -1;    // the page the list shows; -1 after the list was replaced
    std::unique_ptr<CContactEditor> m_pEditor;
    CColumnWidths m_columnWidths{{}, 2};
    bool m_bFittingColumns = false;
    QTimer* m_pColumnSaveTimer = nullptr;

    QSize m_templateSize;
    QRect m_rectListArea;  // the list's room, the find field's strip included
    std::vector<std::pair<QWidget*, QRect>> m_templateGeometry;

    RadioJob m_job;
    std::unique_ptr<std::thread> m_pJobThread;  // the worker of the last job started
    std::unique_ptr<CDatabaseUpdateJob> m_pDatabaseJob;
    bool m_bJobActive = false;
    bool m_bAsking = false;  // a close question is open: the job's end waits for it
    // A Read fills this, so that one that fails leaves the list shown alone;
    // an Import keeps the list it replaces here while it may import again.
    std::unique_ptr<CContactImage> m_pSpareImage;
    bool m_bRadioJobActive = false;  // the job running is a Read or a Write
    QString m_strBusyButtonText;  // the running job's button's own text, while it reads Stop
    QString m_strWriteBackup;  // the backup kept before the last Write; empty: none
    CUnwrittenList m_unwritten;
    int m_nTimerId = 0;
    QString m_strPagePosition;  // last announced
#ifdef Q_OS_WIN
    // The system-menu items' texts and states as the running job allows.
    void RefreshSystemMenu();
    void BuildSystemMenu();
    bool m_bSystemMenuDone = false;
    std::vector<QString> m_systemMenuLanguages;  // by item, from IDM_LANGUAGE_FIRST
#endif
};

}  // namespace pendrak
