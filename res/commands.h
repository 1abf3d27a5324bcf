// Command ids, menu texts, status prompts and accelerators of the main window: one table that
// the menus, the toolbar and the tests all refer to.
#pragma once

#include <QKeySequence>
#include <QList>
#include <QString>

enum CommandId : int {
    kCmdFileNew = 57600,
    kCmdFileOpen = 57601,
    kCmdFileClose = 57602,
    kCmdFileSave = 57603,
    kCmdFileSaveAs = 57604,
    kCmdFilePrintSetup = 57606,
    kCmdFilePrint = 57607,
    kCmdFilePrintDirect = 57608,
    kCmdFilePrintPreview = 57609,
    kCmdFileMru = 57616,
    kCmdEditCopy = 57634,
    kCmdEditCut = 57635,
    kCmdEditPaste = 57637,
    kCmdEditUndo = 57643,
    kCmdWindowNew = 57648,
    kCmdWindowArrange = 57649,
    kCmdWindowCascade = 57650,
    kCmdWindowTile = 57651,
    kCmdAppAbout = 57664,
    kCmdAppExit = 57665,
    kCmdViewToolbar = 59392,
    kCmdViewStatusBar = 59393,
    kCmdViewDataList = 32772,
    kCmdSettings = 32773,
    kCmdQuery = 32774,
    kCmdDrawCurves = 32777,
    kCmdRestoreCurves = 32778,
    kCmdCurveSettings = 32782,
    kCmdShowReport = 32784,
    kCmdCurvePrint = 32786,
    kCmdTextEdit = 32788,
    kCmdExportPlainCsv = 32793,
    kCmdOpenPlainCsv = 32794,
    kCmdTrend = 32795,
    kCmdAlarmAnalysis = 32796,
    kCmdNextPane = 57680,
    kCmdPrevPane = 57681,
};

// The texts below are the Chinese source texts; UiText gives them in the user's language.
struct CommandInfo {
    int id;
    const char* text;          // menu text (UTF-8), exactly as the Chinese menus show it
    const char* prompt;        // status-bar prompt
    const char* tip;           // tooltip of the toolbar button, or null
    QList<QKeySequence> keys;  // accelerators
};

// A text of this table (or kMenuFile, kIdlePrompt, ...) in the language of the user interface.
QString UiText(const char* text);
// A menu text as the menu reads to the user, for naming it in other texts: UiText without the
// shortcut after a tab and without the mnemonic ("文件(&F)" gives "文件", "&File" "File").
QString ShownMenuText(const char* text);

// Every command of the main window, in no particular order.
const QList<CommandInfo>& CommandTable();
const CommandInfo* FindCommand(int id);

// Toolbar 128: button ids in order, 0 for a separator.
const QList<int>& ToolbarButtons();

// Text of "数据列表" in the menu without a document (no mnemonic there).
extern const char kDataListTextNoDocument[];

// Captions of the top-level menus.
extern const char kMenuFile[];
extern const char kMenuEdit[];
extern const char kMenuView[];
extern const char kMenuWindow[];
extern const char kMenuHelp[];

// Main window caption and the status bar's idle text.
extern const char kAppCaption[];
extern const char kIdlePrompt[];
