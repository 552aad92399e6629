// Resource and control IDs of the program's dialogs, icon and strings.
#pragma once

namespace pendrak {

constexpr int IDR_MAINFRAME = 128;  // the program icon
constexpr int IDS_ABOUTBOX = 101;   // text of the About menu item
constexpr int IDM_ABOUTBOX = 0x0010;
constexpr int IDM_OPENBACKUP = 0x0020;
constexpr int IDM_ADDFROMFILE = 0x0030;  // "Add from file…", beside About
constexpr int IDM_UPDATEDB = 0x0040;     // "Update from the user database…"
constexpr int IDM_OPTIONS = 0x0050;      // "Options…", beside them
// The system menu's language items, 0x10 apart (Windows keeps the low four bits).
constexpr int IDM_LANGUAGE_FIRST = 0x0100;

constexpr int IDD_ABOUTBOX = 100;
constexpr int IDD_PENDRAK_DIALOG = 102;

constexpr int IDC_CONTACT_LIST = 1003;
constexpr int IDC_PAGE_FIRST = 7303;
constexpr int IDC_PAGE_PREV = 7304;
constexpr int IDC_PAGE_NEXT = 7305;
constexpr int IDC_PAGE_LAST = 7306;
constexpr int IDC_PAGE_EDIT = 7307;
constexpr int IDC_PAGE_TOTAL = 7308;
constexpr int IDC_EXPORT = 7313;
constexpr int IDC_IMPORT = 7314;
constexpr int IDC_STATUS = 7315;
constexpr int IDC_READ = 7316;
constexpr int IDC_WRITE = 7317;
constexpr int IDC_PROGRESS = 7318;

constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;

constexpr int ID_TIMER_JOB = 1;
constexpr int JOB_TIMER_PERIOD_MS = 20;
constexpr int PROGRESS_RANGE = 1024;

// Name of the dynamic property that carries a control's ID.
constexpr const char* CONTROL_ID_PROPERTY = "controlId";

}  // namespace pendrak
