#include "commands.h"

#include <QCoreApplication>
#include <QRegularExpression>

const char kDataListTextNoDocument[] = QT_TRANSLATE_NOOP("Commands", "数据列表(D)");
const char kMenuFile[] = QT_TRANSLATE_NOOP("Commands", "文件(&F)");
const char kMenuEdit[] = QT_TRANSLATE_NOOP("Commands", "编辑(&E)");
const char kMenuView[] = QT_TRANSLATE_NOOP("Commands", "视图(&V)");
const char kMenuWindow[] = QT_TRANSLATE_NOOP("Commands", "窗口(&W)");
const char kMenuHelp[] = QT_TRANSLATE_NOOP("Commands", "帮助(&H)");
const char kAppCaption[] = "Histavue";
const char kIdlePrompt[] = QT_TRANSLATE_NOOP("Commands", "就绪");

namespace {

QList<QKeySequence> Keys(std::initializer_list<QKeySequence> keys) {
    return QList<QKeySequence>(keys);
}

}  // namespace

const QList<CommandInfo>& CommandTable() {
    static const QList<CommandInfo> table = {
        {kCmdFileNew, QT_TRANSLATE_NOOP("Commands", "新建"),
         QT_TRANSLATE_NOOP("Commands", "创建新文档"), QT_TRANSLATE_NOOP("Commands", "新建"),
         Keys({QKeySequence(Qt::CTRL | Qt::Key_N)})},
        {kCmdFileOpen, QT_TRANSLATE_NOOP("Commands", "打开...\tCtrl+O(&O)"),
         QT_TRANSLATE_NOOP("Commands", "打开现有文档"), QT_TRANSLATE_NOOP("Commands", "打开"),
         Keys({QKeySequence(Qt::CTRL | Qt::Key_O)})},
        {kCmdOpenPlainCsv,
         QT_TRANSLATE_NOOP("Commands", "打开正常csv(&N)"),
         QT_TRANSLATE_NOOP("Commands", "打开普通csv数据文件"),
         nullptr,
         {}},
        {kCmdFileClose,
         QT_TRANSLATE_NOOP("Commands", "关闭(&C)"),
         QT_TRANSLATE_NOOP("Commands", "关闭活动文档"),
         nullptr,
         {}},
        {kCmdFileSave, QT_TRANSLATE_NOOP("Commands", "保存\tCtrl+S(&S)"),
         QT_TRANSLATE_NOOP("Commands", "保存活动文档"), QT_TRANSLATE_NOOP("Commands", "保存"),
         Keys({QKeySequence(Qt::CTRL | Qt::Key_S)})},
        {kCmdFileSaveAs,
         QT_TRANSLATE_NOOP("Commands", "另存为(&A)..."),
         QT_TRANSLATE_NOOP("Commands", "用新名称保存活动文档"),
         nullptr,
         {}},
        {kCmdExportPlainCsv,
         QT_TRANSLATE_NOOP("Commands", "存为正常csv(&C)"),
         QT_TRANSLATE_NOOP("Commands", "把记录存为普通csv数据文件"),
         nullptr,
         {}},
        {kCmdFilePrint, QT_TRANSLATE_NOOP("Commands", "报表打印\tCtrl+P(&P)"),
         QT_TRANSLATE_NOOP("Commands", "打印数据报表"), QT_TRANSLATE_NOOP("Commands", "报表打印"),
         Keys({QKeySequence(Qt::CTRL | Qt::Key_P)})},
        {kCmdCurvePrint, QT_TRANSLATE_NOOP("Commands", "曲线打印\tCtrl+R(&R)   "),
         QT_TRANSLATE_NOOP("Commands", "打印历史曲线"), QT_TRANSLATE_NOOP("Commands", "曲线打印"),
         Keys({QKeySequence(Qt::CTRL | Qt::Key_R)})},
        {kCmdFilePrintDirect,
         QT_TRANSLATE_NOOP("Commands", "直接打印"),
         QT_TRANSLATE_NOOP("Commands", "不经打印对话框打印数据报表"),
         nullptr,
         {}},
        {kCmdFilePrintPreview,
         QT_TRANSLATE_NOOP("Commands", "打印预览(&V)"),
         QT_TRANSLATE_NOOP("Commands", "显示整页"),
         nullptr,
         {}},
        {kCmdFilePrintSetup,
         QT_TRANSLATE_NOOP("Commands", "打印设置(&R)..."),
         QT_TRANSLATE_NOOP("Commands", "更改打印机选项和打印选项"),
         nullptr,
         {}},
        {kCmdSettings,
         QT_TRANSLATE_NOOP("Commands", "设置(&S)"),
         QT_TRANSLATE_NOOP("Commands", "根文件夹设置"),
         nullptr,
         {}},
        {kCmdTrend,
         QT_TRANSLATE_NOOP("Commands", "趋势图"),
         QT_TRANSLATE_NOOP("Commands", "以趋势图显示数据列表中所选组或文件夹的各通道"),
         nullptr,
         {}},
        {kCmdAlarmAnalysis,
         QT_TRANSLATE_NOOP("Commands", "报警分析"),
         QT_TRANSLATE_NOOP("Commands", "对照报警管理的常用目标分析所选报警组或文件夹的报警记录"),
         nullptr,
         {}},
        {kCmdQuery, QT_TRANSLATE_NOOP("Commands", "查询\tCtrl+E(&E)"),
         QT_TRANSLATE_NOOP("Commands", "搜索数据"), nullptr,
         Keys({QKeySequence(Qt::CTRL | Qt::Key_E)})},
        {kCmdFileMru,
         QT_TRANSLATE_NOOP("Commands", "最近的文件"),
         QT_TRANSLATE_NOOP("Commands", "打开该文档"),
         nullptr,
         {}},
        {kCmdAppExit,
         QT_TRANSLATE_NOOP("Commands", "退出(&X)"),
         QT_TRANSLATE_NOOP("Commands", "退出应用程序"),
         nullptr,
         {}},
        {kCmdEditUndo, QT_TRANSLATE_NOOP("Commands", "撤消\tCtrl+Z(&U)"),
         QT_TRANSLATE_NOOP("Commands", "撤消上一操作"), nullptr,
         Keys({QKeySequence(Qt::CTRL | Qt::Key_Z), QKeySequence(Qt::ALT | Qt::Key_Backspace)})},
        {kCmdEditCut, QT_TRANSLATE_NOOP("Commands", "剪切\tCtrl+X(&T)"),
         QT_TRANSLATE_NOOP("Commands", "剪切所选内容，将其放入剪贴板"),
         QT_TRANSLATE_NOOP("Commands", "剪切"),
         Keys({QKeySequence(Qt::CTRL | Qt::Key_X), QKeySequence(Qt::SHIFT | Qt::Key_Delete)})},
        {kCmdEditCopy, QT_TRANSLATE_NOOP("Commands", "复制\tCtrl+C(&C)"),
         QT_TRANSLATE_NOOP("Commands", "复制所选内容，将其放入剪贴板"),
         QT_TRANSLATE_NOOP("Commands", "复制"),
         Keys({QKeySequence(Qt::CTRL | Qt::Key_C), QKeySequence(Qt::CTRL | Qt::Key_Insert)})},
        {kCmdEditPaste, QT_TRANSLATE_NOOP("Commands", "粘贴\tCtrl+V(&P)"),
         QT_TRANSLATE_NOOP("Commands", "插入剪贴板内容"), QT_TRANSLATE_NOOP("Commands", "粘贴"),
         Keys({QKeySequence(Qt::CTRL | Qt::Key_V), QKeySequence(Qt::SHIFT | Qt::Key_Insert)})},
        {kCmdViewToolbar,
         QT_TRANSLATE_NOOP("Commands", "工具栏(&T)"),
         QT_TRANSLATE_NOOP("Commands", "显示或隐藏工具栏"),
         nullptr,
         {}},
        {kCmdViewStatusBar,
         QT_TRANSLATE_NOOP("Commands", "状态栏(&S)"),
         QT_TRANSLATE_NOOP("Commands", "显示或隐藏状态栏"),
         nullptr,
         {}},
        {kCmdViewDataList,
         QT_TRANSLATE_NOOP("Commands", "数据列表(&D)"),
         QT_TRANSLATE_NOOP("Commands", "显示或隐藏数据列表窗口"),
         nullptr,
         {}},
        {kCmdDrawCurves,
         QT_TRANSLATE_NOOP("Commands", "绘制历史曲线(&C)"),
         QT_TRANSLATE_NOOP("Commands", "绘制历史曲线"),
         QT_TRANSLATE_NOOP("Commands", "绘制历史曲线"),
         {}},
        {kCmdRestoreCurves,
         QT_TRANSLATE_NOOP("Commands", "恢复曲线图(&R)"),
         QT_TRANSLATE_NOOP("Commands", "恢复曲线图"),
         nullptr,
         {}},
        {kCmdCurveSettings,
         QT_TRANSLATE_NOOP("Commands", "历史曲线设置(&E)"),
         QT_TRANSLATE_NOOP("Commands", "历史曲线设置"),
         QT_TRANSLATE_NOOP("Commands", "历史曲线设置"),
         {}},
        {kCmdShowReport,
         QT_TRANSLATE_NOOP("Commands", "显示数据报表(&B)"),
         QT_TRANSLATE_NOOP("Commands", "显示数据报表"),
         QT_TRANSLATE_NOOP("Commands", "显示数据报表"),
         {}},
        {kCmdTextEdit,
         QT_TRANSLATE_NOOP("Commands", "文本编辑(&F)"),
         QT_TRANSLATE_NOOP("Commands", "编辑标题、备注和通道名称"),
         QT_TRANSLATE_NOOP("Commands", "文本编辑"),
         {}},
        {kCmdWindowNew,
         QT_TRANSLATE_NOOP("Commands", "新建窗口(&N)"),
         QT_TRANSLATE_NOOP("Commands", "为活动文档打开另一个窗口"),
         nullptr,
         {}},
        {kCmdWindowCascade,
         QT_TRANSLATE_NOOP("Commands", "层叠(&C)"),
         QT_TRANSLATE_NOOP("Commands", "以重叠方式排列窗口"),
         nullptr,
         {}},
        {kCmdWindowTile,
         QT_TRANSLATE_NOOP("Commands", "平铺(&T)"),
         QT_TRANSLATE_NOOP("Commands", "以非重叠的平铺方式排列窗口"),
         nullptr,
         {}},
        {kCmdWindowArrange,
         QT_TRANSLATE_NOOP("Commands", "排列图标(&A)"),
         QT_TRANSLATE_NOOP("Commands", "在窗口底部排列图标"),
         nullptr,
         {}},
        {kCmdAppAbout,
         QT_TRANSLATE_NOOP("Commands", "关于 Histavue(&A)..."),
         QT_TRANSLATE_NOOP("Commands", "显示程序信息、版本号和版权"),
         QT_TRANSLATE_NOOP("Commands", "关于"),
         {}},
        {kCmdNextPane, QT_TRANSLATE_NOOP("Commands", "下一窗格"),
         QT_TRANSLATE_NOOP("Commands", "切换到下一个窗格"), nullptr,
         Keys({QKeySequence(Qt::Key_F6)})},
        {kCmdPrevPane, QT_TRANSLATE_NOOP("Commands", "上一窗格"),
         QT_TRANSLATE_NOOP("Commands", "切换回上一个窗格"), nullptr,
         Keys({QKeySequence(Qt::SHIFT | Qt::Key_F6)})},
    };
    return table;
}

QString UiText(const char* text) {
    return QCoreApplication::translate("Commands", text);
}

QString ShownMenuText(const char* text) {
    QString shown = UiText(text).section(QLatin1Char('\t'), 0, 0);
    // "(&F)" after a Chinese text goes whole; a "&" before a letter goes, "&&" stands for "&".
    static const QRegularExpression kBracketed(QStringLiteral("\\(&[^&]\\)"));
    shown.remove(kBracketed);
    QString plain;
    for (qsizetype i = 0; i < shown.size(); ++i) {
        if (shown[i] == QLatin1Char('&') && i + 1 < shown.size())
            ++i;
        plain += shown[i];
    }
    return plain.trimmed();
}

const CommandInfo* FindCommand(int id) {
    for (const CommandInfo& c : CommandTable()) {
        if (c.id == id)
            return &c;
    }
    return nullptr;
}

const QList<int>& ToolbarButtons() {
    static const QList<int> buttons = {kCmdFileOpen,
                                       kCmdFileSave,
                                       0,
                                       kCmdEditCut,
                                       kCmdEditCopy,
                                       kCmdEditPaste,
                                       0,
                                       kCmdShowReport,
                                       kCmdDrawCurves,
                                       kCmdCurveSettings,
                                       kCmdTextEdit,
                                       kCmdFilePrint,
                                       kCmdCurvePrint,
                                       kCmdAppAbout};
    return buttons;
}
