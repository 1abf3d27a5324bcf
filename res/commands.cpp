#include "commands.h"

const char kDataListTextNoDocument[] = "数据列表(D)";
const char kMenuFile[] = "文件(&F)";
const char kMenuEdit[] = "编辑(&E)";
const char kMenuView[] = "视图(&V)";
const char kMenuWindow[] = "窗口(&W)";
const char kMenuHelp[] = "帮助(&H)";
const char kAppCaption[] = "Histavue";
const char kIdlePrompt[] = "就绪";

namespace {

QList<QKeySequence> Keys(std::initializer_list<QKeySequence> keys) {
    return QList<QKeySequence>(keys);
}

}  // namespace

const QList<CommandInfo>& CommandTable() {
    static const QList<CommandInfo> table = {
        {kCmdFileNew, "新建", "创建新文档", "新建", Keys({QKeySequence(Qt::CTRL | Qt::Key_N)})},
        {kCmdFileOpen, "打开...\tCtrl+O(&O)", "打开现有文档", "打开",
         Keys({QKeySequence(Qt::CTRL | Qt::Key_O)})},
        {kCmdOpenPlainCsv, "打开正常csv(&N)", "打开普通csv数据文件", nullptr, {}},
        {kCmdFileClose, "关闭(&C)", "关闭活动文档", nullptr, {}},
        {kCmdFileSave, "保存\tCtrl+S(&S)", "保存活动文档", "保存",
         Keys({QKeySequence(Qt::CTRL | Qt::Key_S)})},
        {kCmdFileSaveAs, "另存为(&A)...", "用新名称保存活动文档", nullptr, {}},
        {kCmdExportPlainCsv, "存为正常csv(&C)", "把记录存为普通csv数据文件", nullptr, {}},
        {kCmdFilePrint, "报表打印\tCtrl+P(&P)", "打印数据报表", "报表打印",
         Keys({QKeySequence(Qt::CTRL | Qt::Key_P)})},
        {kCmdCurvePrint, "曲线打印\tCtrl+R(&R)   ", "打印历史曲线", "曲线打印",
         Keys({QKeySequence(Qt::CTRL | Qt::Key_R)})},
        {kCmdFilePrintDirect, "直接打印", "不经打印对话框打印数据报表", nullptr, {}},
        {kCmdFilePrintPreview, "打印预览(&V)", "显示整页", nullptr, {}},
        {kCmdFilePrintSetup, "打印设置(&R)...", "更改打印机选项和打印选项", nullptr, {}},
        {kCmdSettings, "设置(&S)", "根文件夹设置", nullptr, {}},
        {kCmdQuery, "查询\tCtrl+E(&E)", "搜索数据", nullptr,
         Keys({QKeySequence(Qt::CTRL | Qt::Key_E)})},
        {kCmdFileMru, "最近的文件", "打开该文档", nullptr, {}},
        {kCmdAppExit, "退出(&X)", "退出应用程序", nullptr, {}},
        {kCmdEditUndo, "撤消\tCtrl+Z(&U)", "撤消上一操作", nullptr,
         Keys({QKeySequence(Qt::CTRL | Qt::Key_Z), QKeySequence(Qt::ALT | Qt::Key_Backspace)})},
        {kCmdEditCut, "剪切\tCtrl+X(&T)", "剪切所选内容，将其放入剪贴板", "剪切",
         Keys({QKeySequence(Qt::CTRL | Qt::Key_X), QKeySequence(Qt::SHIFT | Qt::Key_Delete)})},
        {kCmdEditCopy, "复制\tCtrl+C(&C)", "复制所选内容，将其放入剪贴板", "复制",
         Keys({QKeySequence(Qt::CTRL | Qt::Key_C), QKeySequence(Qt::CTRL | Qt::Key_Insert)})},
        {kCmdEditPaste, "粘贴\tCtrl+V(&P)", "插入剪贴板内容", "粘贴",
         Keys({QKeySequence(Qt::CTRL | Qt::Key_V), QKeySequence(Qt::SHIFT | Qt::Key_Insert)})},
        {kCmdViewToolbar, "工具栏(&T)", "显示或隐藏工具栏", nullptr, {}},
        {kCmdViewStatusBar, "状态栏(&S)", "显示或隐藏状态栏", nullptr, {}},
        {kCmdViewDataList, "数据列表(&D)", "显示或隐藏数据列表窗口", nullptr, {}},
        {kCmdDrawCurves, "绘制历史曲线(&C)", "绘制历史曲线", "绘制历史曲线", {}},
        {kCmdRestoreCurves, "恢复曲线图(&R)", "恢复曲线图", nullptr, {}},
        {kCmdCurveSettings, "历史曲线设置(&E)", "历史曲线设置", "历史曲线设置", {}},
        {kCmdShowReport, "显示数据报表(&B)", "显示数据报表", "显示数据报表", {}},
        {kCmdTextEdit, "文本编辑(&F)", "编辑标题、备注和通道名称", "文本编辑", {}},
        {kCmdWindowNew, "新建窗口(&N)", "为活动文档打开另一个窗口", nullptr, {}},
        {kCmdWindowCascade, "层叠(&C)", "以重叠方式排列窗口", nullptr, {}},
        {kCmdWindowTile, "平铺(&T)", "以非重叠的平铺方式排列窗口", nullptr, {}},
        {kCmdWindowArrange, "排列图标(&A)", "在窗口底部排列图标", nullptr, {}},
        {kCmdAppAbout, "关于 Histavue(&A)...", "显示程序信息、版本号和版权", "关于", {}},
        {kCmdNextPane, "下一窗格", "切换到下一个窗格", nullptr, Keys({QKeySequence(Qt::Key_F6)})},
        {kCmdPrevPane, "上一窗格", "切换回上一个窗格", nullptr,
         Keys({QKeySequence(Qt::SHIFT | Qt::Key_F6)})},
    };
    return table;
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
