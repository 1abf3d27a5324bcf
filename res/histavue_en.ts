<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="zh_CN">
<context>
    <name>CDataQuery</name>
    <message>
        <source>查询未成功, 请选择合适的组及正确的查询条件！</source>
        <translation>The query did not succeed. Please choose a suitable group and correct query conditions!</translation>
    </message>
</context>
<context>
    <name>CMainFrame</name>
    <message>
        <source>完成导出csv数据文件！</source>
        <translation>The CSV data file has been exported!</translation>
    </message>
    <message>
        <source>无法导出csv数据文件：
%1

%2</source>
        <translation>Cannot export the CSV data file:
%1

%2</translation>
    </message>
    <message>
        <source>CSV Files (*.csv);;所有文件 (*)</source>
        <translation>CSV Files (*.csv);;All Files (*)</translation>
    </message>
    <message>
        <source>打开</source>
        <translation>Open</translation>
    </message>
    <message>
        <source>打开正常csv</source>
        <translation>Open Plain CSV</translation>
    </message>
    <message>
        <source>无法保存文件：
%1</source>
        <translation>Cannot save the file:
%1</translation>
    </message>
    <message>
        <source>另存为</source>
        <translation>Save As</translation>
    </message>
    <message>
        <source>存为正常csv</source>
        <translation>Save as Plain CSV</translation>
    </message>
    <message>
        <source>关于 Histavue</source>
        <translation>About Histavue</translation>
    </message>
    <message>
        <source>&lt;b&gt;Histavue&lt;/b&gt; 版本 %1&lt;br&gt;&lt;br&gt;操作面板数据记录与报警记录查看器。</source>
        <translation>&lt;b&gt;Histavue&lt;/b&gt; version %1&lt;br&gt;&lt;br&gt;Viewer for the data and alarm logs of operator panels.</translation>
    </message>
</context>
<context>
    <name>Commands</name>
    <message>
        <source>数据列表(D)</source>
        <translation>Data List</translation>
    </message>
    <message>
        <source>文件(&amp;F)</source>
        <translation>&amp;File</translation>
    </message>
    <message>
        <source>编辑(&amp;E)</source>
        <translation>&amp;Edit</translation>
    </message>
    <message>
        <source>视图(&amp;V)</source>
        <translation>&amp;View</translation>
    </message>
    <message>
        <source>窗口(&amp;W)</source>
        <translation>&amp;Window</translation>
    </message>
    <message>
        <source>帮助(&amp;H)</source>
        <translation>&amp;Help</translation>
    </message>
    <message>
        <source>就绪</source>
        <translation>Ready</translation>
    </message>
    <message>
        <source>新建</source>
        <translation>New</translation>
    </message>
    <message>
        <source>创建新文档</source>
        <translation>Create a new document</translation>
    </message>
    <message>
        <source>打开...	Ctrl+O(&amp;O)</source>
        <translation>&amp;Open...	Ctrl+O</translation>
    </message>
    <message>
        <source>打开现有文档</source>
        <translation>Open an existing document</translation>
    </message>
    <message>
        <source>打开</source>
        <translation>Open</translation>
    </message>
    <message>
        <source>打开正常csv(&amp;N)</source>
        <translation>Open Plai&amp;n CSV</translation>
    </message>
    <message>
        <source>打开普通csv数据文件</source>
        <translation>Open a plain CSV data file</translation>
    </message>
    <message>
        <source>关闭(&amp;C)</source>
        <translation>&amp;Close</translation>
    </message>
    <message>
        <source>关闭活动文档</source>
        <translation>Close the active document</translation>
    </message>
    <message>
        <source>保存	Ctrl+S(&amp;S)</source>
        <translation>&amp;Save	Ctrl+S</translation>
    </message>
    <message>
        <source>保存活动文档</source>
        <translation>Save the active document</translation>
    </message>
    <message>
        <source>保存</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>另存为(&amp;A)...</source>
        <translation>Save &amp;As...</translation>
    </message>
    <message>
        <source>用新名称保存活动文档</source>
        <translation>Save the active document with a new name</translation>
    </message>
    <message>
        <source>存为正常csv(&amp;C)</source>
        <translation>Save as Plain &amp;CSV</translation>
    </message>
    <message>
        <source>把记录存为普通csv数据文件</source>
        <translation>Save the records as a plain CSV data file</translation>
    </message>
    <message>
        <source>报表打印	Ctrl+P(&amp;P)</source>
        <translation>&amp;Print Report	Ctrl+P</translation>
    </message>
    <message>
        <source>打印数据报表</source>
        <translation>Print the data report</translation>
    </message>
    <message>
        <source>报表打印</source>
        <translation>Print Report</translation>
    </message>
    <message>
        <source>曲线打印	Ctrl+R(&amp;R)   </source>
        <translation>P&amp;rint Curves	Ctrl+R</translation>
    </message>
    <message>
        <source>打印历史曲线</source>
        <translation>Print the historic curves</translation>
    </message>
    <message>
        <source>曲线打印</source>
        <translation>Print Curves</translation>
    </message>
    <message>
        <source>直接打印</source>
        <translation>Print Directly</translation>
    </message>
    <message>
        <source>不经打印对话框打印数据报表</source>
        <translation>Print the data report without the print dialog</translation>
    </message>
    <message>
        <source>打印预览(&amp;V)</source>
        <translation>Print Pre&amp;view</translation>
    </message>
    <message>
        <source>显示整页</source>
        <translation>Show full pages</translation>
    </message>
    <message>
        <source>打印设置(&amp;R)...</source>
        <translation>P&amp;rint Setup...</translation>
    </message>
    <message>
        <source>更改打印机选项和打印选项</source>
        <translation>Change the printer and printing options</translation>
    </message>
    <message>
        <source>设置(&amp;S)</source>
        <translation>&amp;Settings</translation>
    </message>
    <message>
        <source>根文件夹设置</source>
        <translation>Set the root folders</translation>
    </message>
    <message>
        <source>查询	Ctrl+E(&amp;E)</source>
        <translation>Qu&amp;ery	Ctrl+E</translation>
    </message>
    <message>
        <source>搜索数据</source>
        <translation>Search the data</translation>
    </message>
    <message>
        <source>最近的文件</source>
        <translation>Recent File</translation>
    </message>
    <message>
        <source>打开该文档</source>
        <translation>Open this document</translation>
    </message>
    <message>
        <source>退出(&amp;X)</source>
        <translation>E&amp;xit</translation>
    </message>
    <message>
        <source>退出应用程序</source>
        <translation>Quit the application</translation>
    </message>
    <message>
        <source>撤消	Ctrl+Z(&amp;U)</source>
        <translation>&amp;Undo	Ctrl+Z</translation>
    </message>
    <message>
        <source>撤消上一操作</source>
        <translation>Undo the last action</translation>
    </message>
    <message>
        <source>剪切	Ctrl+X(&amp;T)</source>
        <translation>Cu&amp;t	Ctrl+X</translation>
    </message>
    <message>
        <source>剪切所选内容，将其放入剪贴板</source>
        <translation>Cut the selection and put it on the clipboard</translation>
    </message>
    <message>
        <source>剪切</source>
        <translation>Cut</translation>
    </message>
    <message>
        <source>复制	Ctrl+C(&amp;C)</source>
        <translation>&amp;Copy	Ctrl+C</translation>
    </message>
    <message>
        <source>复制所选内容，将其放入剪贴板</source>
        <translation>Copy the selection and put it on the clipboard</translation>
    </message>
    <message>
        <source>复制</source>
        <translation>Copy</translation>
    </message>
    <message>
        <source>粘贴	Ctrl+V(&amp;P)</source>
        <translation>&amp;Paste	Ctrl+V</translation>
    </message>
    <message>
        <source>插入剪贴板内容</source>
        <translation>Insert the clipboard contents</translation>
    </message>
    <message>
        <source>粘贴</source>
        <translation>Paste</translation>
    </message>
    <message>
        <source>工具栏(&amp;T)</source>
        <translation>&amp;Toolbar</translation>
    </message>
    <message>
        <source>显示或隐藏工具栏</source>
        <translation>Show or hide the toolbar</translation>
    </message>
    <message>
        <source>状态栏(&amp;S)</source>
        <translation>&amp;Status Bar</translation>
    </message>
    <message>
        <source>显示或隐藏状态栏</source>
        <translation>Show or hide the status bar</translation>
    </message>
    <message>
        <source>数据列表(&amp;D)</source>
        <translation>&amp;Data List</translation>
    </message>
    <message>
        <source>显示或隐藏数据列表窗口</source>
        <translation>Show or hide the data list window</translation>
    </message>
    <message>
        <source>绘制历史曲线(&amp;C)</source>
        <translation>Draw Historic &amp;Curves</translation>
    </message>
    <message>
        <source>绘制历史曲线</source>
        <translation>Draw historic curves</translation>
    </message>
    <message>
        <source>恢复曲线图(&amp;R)</source>
        <translation>&amp;Restore Curve Chart</translation>
    </message>
    <message>
        <source>恢复曲线图</source>
        <translation>Restore the curve chart</translation>
    </message>
    <message>
        <source>历史曲线设置(&amp;E)</source>
        <translation>Historic Curve S&amp;ettings</translation>
    </message>
    <message>
        <source>历史曲线设置</source>
        <translation>Historic curve settings</translation>
    </message>
    <message>
        <source>显示数据报表(&amp;B)</source>
        <translation>Show Data Re&amp;port</translation>
    </message>
    <message>
        <source>显示数据报表</source>
        <translation>Show the data report</translation>
    </message>
    <message>
        <source>文本编辑(&amp;F)</source>
        <translation>Te&amp;xt Edit</translation>
    </message>
    <message>
        <source>编辑标题、备注和通道名称</source>
        <translation>Edit the title, remark and channel names</translation>
    </message>
    <message>
        <source>文本编辑</source>
        <translation>Text edit</translation>
    </message>
    <message>
        <source>新建窗口(&amp;N)</source>
        <translation>&amp;New Window</translation>
    </message>
    <message>
        <source>为活动文档打开另一个窗口</source>
        <translation>Open another window for the active document</translation>
    </message>
    <message>
        <source>层叠(&amp;C)</source>
        <translation>&amp;Cascade</translation>
    </message>
    <message>
        <source>以重叠方式排列窗口</source>
        <translation>Arrange the windows overlapping</translation>
    </message>
    <message>
        <source>平铺(&amp;T)</source>
        <translation>&amp;Tile</translation>
    </message>
    <message>
        <source>以非重叠的平铺方式排列窗口</source>
        <translation>Arrange the windows as non-overlapping tiles</translation>
    </message>
    <message>
        <source>排列图标(&amp;A)</source>
        <translation>&amp;Arrange Icons</translation>
    </message>
    <message>
        <source>在窗口底部排列图标</source>
        <translation>Arrange the icons at the bottom of the window</translation>
    </message>
    <message>
        <source>关于 Histavue(&amp;A)...</source>
        <translation>&amp;About Histavue...</translation>
    </message>
    <message>
        <source>显示程序信息、版本号和版权</source>
        <translation>Show the program information, version number and copyright</translation>
    </message>
    <message>
        <source>关于</source>
        <translation>About</translation>
    </message>
    <message>
        <source>下一窗格</source>
        <translation>Next Pane</translation>
    </message>
    <message>
        <source>切换到下一个窗格</source>
        <translation>Switch to the next pane</translation>
    </message>
    <message>
        <source>上一窗格</source>
        <translation>Previous Pane</translation>
    </message>
    <message>
        <source>切换回上一个窗格</source>
        <translation>Switch back to the previous pane</translation>
    </message>
    <message>
        <source>趋势图</source>
        <translation>Trend</translation>
    </message>
    <message>
        <source>以趋势图显示数据列表中所选组或文件夹的各通道</source>
        <translation>Show every channel of the group or folder chosen in the data list as a trend</translation>
    </message>
    <message>
        <source>报警分析</source>
        <translation>Alarm Analysis</translation>
    </message>
    <message>
        <source>对照报警管理的常用目标分析所选报警组或文件夹的报警记录</source>
        <translation>Measure the alarm log of the group or folder chosen in the alarm list against the usual targets of alarm management</translation>
    </message>
</context>
<context>
    <name>Histavue</name>
    <message>
        <source>数据记录</source>
        <translation>Data Logs</translation>
    </message>
    <message>
        <source>报警记录</source>
        <translation>Alarm Logs</translation>
    </message>
    <message>
        <source>暂存文件夹无法使用，这一类记录的列表将保持为空：

%1

%2</source>
        <translation>The staging folder cannot be used; the list of this kind of log stays empty:

%1

%2</translation>
    </message>
    <message>
        <source>这不是一个文件夹。</source>
        <translation>This is not a folder.</translation>
    </message>
    <message>
        <source>请输入一个整数。</source>
        <translation>Please enter an integer.</translation>
    </message>
    <message>
        <source>查询</source>
        <translation>Query</translation>
    </message>
    <message>
        <source>秒</source>
        <translation>seconds</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>开始时间</source>
        <translation>Start time</translation>
    </message>
    <message>
        <source>结束时间</source>
        <translation>End time</translation>
    </message>
    <message>
        <source>查询间隔</source>
        <translation>Query interval</translation>
    </message>
    <message>
        <source>选择文件夹</source>
        <translation>Choose Folder</translation>
    </message>
    <message>
        <source>设置</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>暂存根目录</source>
        <translation>Staging root folder</translation>
    </message>
    <message>
        <source>数据根目录</source>
        <translation>Data root folder</translation>
    </message>
    <message>
        <source>暂存根文件夹</source>
        <translation>Staging root folder</translation>
    </message>
    <message>
        <source>数据根文件夹</source>
        <translation>Data root folder</translation>
    </message>
    <message>
        <source>正在读取 %1 ...</source>
        <translation>Reading %1 ...</translation>
    </message>
    <message>
        <source>无法打开文件：
%1

%2</source>
        <translation>Cannot open the file:
%1

%2</translation>
    </message>
    <message>
        <source>文件夹：</source>
        <translation>Folder:</translation>
    </message>
    <message>
        <source>导出文件的路径太长（最多 259 字节），无法导出：
%1</source>
        <translation>The path of the export file is too long (at most 259 bytes); cannot export:
%1</translation>
    </message>
    <message>
        <source>正在导出 %1 ...</source>
        <translation>Exporting %1 ...</translation>
    </message>
    <message>
        <source>正在查询 ...</source>
        <translation>Querying ...</translation>
    </message>
    <message>
        <source>根目录必须是完整的绝对路径：

%1</source>
        <translation>A root folder must be a complete absolute path:

%1</translation>
    </message>
    <message>
        <source>暂存文件夹

%1

与数据根目录

%2

重叠：它就是数据根目录、位于其中，或经链接到达它。数据根目录只供读取，程序从不向其中写入。请另选暂存根目录。</source>
        <translation>The staging folder

%1

overlaps the data root folder

%2

: it is the data root folder, lies inside it, or reaches it through a link. The data root folder is only read; the program never writes into it. Please choose another staging root folder.</translation>
    </message>
    <message>
        <source>文件夹或文件不存在。</source>
        <translation>The folder or file does not exist.</translation>
    </message>
    <message>
        <source>没有写入权限。</source>
        <translation>No permission to write.</translation>
    </message>
    <message>
        <source>位于只读的文件系统上。</source>
        <translation>It is on a read-only file system.</translation>
    </message>
    <message>
        <source>磁盘空间不足。</source>
        <translation>Not enough disk space.</translation>
    </message>
    <message>
        <source>路径太长。</source>
        <translation>The path is too long.</translation>
    </message>
    <message>
        <source>这是一个文件夹。</source>
        <translation>This is a folder.</translation>
    </message>
    <message>
        <source>路径中有一部分不是文件夹。</source>
        <translation>A part of the path is not a folder.</translation>
    </message>
    <message>
        <source>文件已存在。</source>
        <translation>The file already exists.</translation>
    </message>
    <message>
        <source>文件不存在。</source>
        <translation>The file does not exist.</translation>
    </message>
    <message>
        <source>路径太长（最多 259 字节）。</source>
        <translation>The path is too long (at most 259 bytes).</translation>
    </message>
    <message>
        <source>文件无法打开（可能正被其他程序使用，或没有读取权限）。</source>
        <translation>The file cannot be opened (it may be in use by another program, or there is no permission to read it).</translation>
    </message>
    <message>
        <source>不是记录文件：缺少标题行或表头行。</source>
        <translation>Not a record file: the title line or the header line is missing.</translation>
    </message>
    <message>
        <source>工作文件已不存在：
%1</source>
        <translation>The working file no longer exists:
%1</translation>
    </message>
    <message>
        <source>工作文件在打开后已被删除、截断或修改：
%1</source>
        <translation>The working file was deleted, truncated or changed after it was opened:
%1</translation>
    </message>
    <message>
        <source>不能导出到文档自己的工作文件，请另选一个文件名。</source>
        <translation>Cannot export to the document&apos;s own working file; please choose another file name.</translation>
    </message>
    <message>
        <source>无法读取工作文件：
%1
%2</source>
        <translation>Cannot read the working file:
%1
%2</translation>
    </message>
    <message>
        <source>历史曲线设置(&amp;E)</source>
        <translation>Historic Curve S&amp;ettings</translation>
    </message>
    <message>
        <source>采样值</source>
        <translation>Sampled value</translation>
    </message>
    <message>
        <source>请输入数字!</source>
        <translation>Please enter a number!</translation>
    </message>
    <message>
        <source>查询的开始时间不能小于列表中开始时间，请重新设置!</source>
        <translation>The start time of the query cannot be earlier than the start time of the list; please set it again!</translation>
    </message>
    <message>
        <source>查询的结束时间不能大于列表中结束时间，请重新设置!</source>
        <translation>The end time of the query cannot be later than the end time of the list; please set it again!</translation>
    </message>
    <message>
        <source>查询的起始时间不能大于结束时间，请重新设置!</source>
        <translation>The start time of the query cannot be later than its end time; please set it again!</translation>
    </message>
    <message>
        <source>查询间隔不能小于1秒!</source>
        <translation>The query interval cannot be less than 1 second!</translation>
    </message>
    <message>
        <source>查询间隔不能大于1天(86400秒)!</source>
        <translation>The query interval cannot be more than 1 day (86400 seconds)!</translation>
    </message>
    <message>
        <source>Y轴下限值请输入数字!</source>
        <translation>Please enter a number for the lower limit of the Y axis!</translation>
    </message>
    <message>
        <source>Y轴上限值请输入数字!</source>
        <translation>Please enter a number for the upper limit of the Y axis!</translation>
    </message>
    <message>
        <source>下限值不能大于上限值!</source>
        <translation>The lower limit cannot be greater than the upper limit!</translation>
    </message>
    <message>
        <source>Y轴网格间隙值请输入数字!</source>
        <translation>Please enter a number for the grid spacing of the Y axis!</translation>
    </message>
    <message>
        <source>XY同时显示</source>
        <translation>Show X and Y</translation>
    </message>
    <message>
        <source>只显示Y轴</source>
        <translation>Show Y only</translation>
    </message>
    <message>
        <source>只显示X轴</source>
        <translation>Show X only</translation>
    </message>
    <message>
        <source>XY都不显示</source>
        <translation>Show neither</translation>
    </message>
    <message>
        <source>历史曲线设置</source>
        <translation>Historic curve settings</translation>
    </message>
    <message>
        <source>自动设置上下限</source>
        <translation>Automatic limits</translation>
    </message>
    <message>
        <source>手动设置上下限</source>
        <translation>Manual limits</translation>
    </message>
    <message>
        <source>自动设置网格间隙</source>
        <translation>Automatic grid spacing</translation>
    </message>
    <message>
        <source>手动设置网格间隙</source>
        <translation>Manual grid spacing</translation>
    </message>
    <message>
        <source>选择显示的曲线</source>
        <translation>Curves shown</translation>
    </message>
    <message>
        <source>曲线属性</source>
        <translation>Curve properties</translation>
    </message>
    <message>
        <source>颜色</source>
        <translation>Color</translation>
    </message>
    <message>
        <source>线形</source>
        <translation>Line type</translation>
    </message>
    <message>
        <source>图像显示属性</source>
        <translation>Display properties</translation>
    </message>
    <message>
        <source>背景颜色</source>
        <translation>Background color</translation>
    </message>
    <message>
        <source>XY网格显示</source>
        <translation>XY grid</translation>
    </message>
    <message>
        <source>查询设置</source>
        <translation>Query settings</translation>
    </message>
    <message>
        <source>秒(1~86400)</source>
        <translation>seconds (1~86400)</translation>
    </message>
    <message>
        <source>Y坐标设置</source>
        <translation>Y axis settings</translation>
    </message>
    <message>
        <source>Y下限(Min)</source>
        <translation>Y lower limit (Min)</translation>
    </message>
    <message>
        <source>Y上限(Max)</source>
        <translation>Y upper limit (Max)</translation>
    </message>
    <message>
        <source>Y轴网格间隙</source>
        <translation>Y grid spacing</translation>
    </message>
    <message>
        <source>没找到要打印的曲线，请先画出曲线!</source>
        <translation>No curves found to print; please draw the curves first!</translation>
    </message>
    <message>
        <source>无法打印：打印机或输出文件不能写入!</source>
        <translation>Cannot print: the printer or the output file cannot be written!</translation>
    </message>
    <message>
        <source>纸张太小，一页放不下一行报表，请换用更大的纸张或改变打印方向!</source>
        <translation>The paper is too small for one line of the report; please use larger paper or change the orientation!</translation>
    </message>
    <message>
        <source>Histavue 历史数据报表</source>
        <translation>Histavue historical data report</translation>
    </message>
    <message>
        <source>第 %1 页 / 共 %2 页</source>
        <translation>Page %1 of %2</translation>
    </message>
    <message>
        <source>备注:</source>
        <translation>Remark:</translation>
    </message>
    <message>
        <source>打印预览</source>
        <translation>Print Preview</translation>
    </message>
    <message>
        <source>打印(&amp;P)...</source>
        <translation>&amp;Print...</translation>
    </message>
    <message>
        <source>首页</source>
        <translation>First</translation>
    </message>
    <message>
        <source>上一页(&amp;V)</source>
        <translation>Pre&amp;vious</translation>
    </message>
    <message>
        <source>下一页(&amp;N)</source>
        <translation>&amp;Next</translation>
    </message>
    <message>
        <source>末页</source>
        <translation>Last</translation>
    </message>
    <message>
        <source>关闭(&amp;C)</source>
        <translation>&amp;Close</translation>
    </message>
    <message>
        <source>/ 共 %1 页</source>
        <translation>/ %1 pages</translation>
    </message>
    <message>
        <source>名称编辑</source>
        <translation>Edit Name</translation>
    </message>
    <message>
        <source>通道名称编辑:</source>
        <translation>Channel name:</translation>
    </message>
    <message>
        <source>文本编辑</source>
        <translation>Text edit</translation>
    </message>
    <message>
        <source>保存设置</source>
        <translation>Save Settings</translation>
    </message>
    <message>
        <source>导入配置文件....</source>
        <translation>Import Configuration File...</translation>
    </message>
    <message>
        <source>导出配置文件...</source>
        <translation>Export Configuration File...</translation>
    </message>
    <message>
        <source>编辑通道名称:</source>
        <translation>Channel names:</translation>
    </message>
    <message>
        <source>报表曲线备注:</source>
        <translation>Report and curve remark:</translation>
    </message>
    <message>
        <source>报表曲线标题编辑:</source>
        <translation>Report and curve title:</translation>
    </message>
    <message>
        <source>另存为</source>
        <translation>Save As</translation>
    </message>
    <message>
        <source>打开</source>
        <translation>Open</translation>
    </message>
    <message>
        <source>设置的通道名称已存在，请重新设置!</source>
        <translation>The channel name already exists; please choose another!</translation>
    </message>
    <message>
        <source>无法保存 Ini 文件！</source>
        <translation>Cannot save the Ini file!</translation>
    </message>
    <message>
        <source>统计与游标面板(&amp;P)</source>
        <translation>Statistics and Cursor &amp;Panel</translation>
    </message>
    <message>
        <source>包络抽样(&amp;V)</source>
        <translation>En&amp;velope Thinning</translation>
    </message>
    <message>
        <source>真实时间轴(&amp;T)</source>
        <translation>True &amp;Time Axis</translation>
    </message>
    <message>
        <source>保存图像(&amp;S)...</source>
        <translation>&amp;Save Image...</translation>
    </message>
    <message>
        <source>复制图像(&amp;C)</source>
        <translation>&amp;Copy Image</translation>
    </message>
    <message>
        <source>保存图像</source>
        <translation>Save Image</translation>
    </message>
    <message>
        <source>PNG 图像 (*.png);;SVG 图像 (*.svg)</source>
        <translation>PNG image (*.png);;SVG image (*.svg)</translation>
    </message>
    <message>
        <source>无法写入文件 %1</source>
        <translation>Cannot write the file %1</translation>
    </message>
    <message>
        <source>当前时间:</source>
        <translation>Current time: </translation>
    </message>
    <message>
        <source>统计范围:</source>
        <translation>Statistics over:</translation>
    </message>
    <message>
        <source>通道</source>
        <translation>Channel</translation>
    </message>
    <message>
        <source>最小值</source>
        <translation>Min</translation>
    </message>
    <message>
        <source>最小值时间</source>
        <translation>Min time</translation>
    </message>
    <message>
        <source>最大值</source>
        <translation>Max</translation>
    </message>
    <message>
        <source>最大值时间</source>
        <translation>Max time</translation>
    </message>
    <message>
        <source>平均值</source>
        <translation>Mean</translation>
    </message>
    <message>
        <source>记录数</source>
        <translation>Records</translation>
    </message>
    <message>
        <source>不能打印到文档自己的工作文件，请另选一个文件名。</source>
        <translation>Cannot print to the document&apos;s own working file; please choose another file name.</translation>
    </message>
    <message>
        <source>另有 %1 个通道未打印：报表最多打印 %2 页宽。</source>
        <translation>%1 more channels are not printed: a report prints at most %2 pages across.</translation>
    </message>
    <message>
        <source>它的字节既不是导出的记录文件（按字节取反），也不是正常csv文件。</source>
        <translation>Its bytes are neither those of an exported record file (inverted) nor those of a plain CSV file.</translation>
    </message>
    <message>
        <source>文件没有表头行：第一行已是一条记录（以时间开头）。</source>
        <translation>The file has no header line: its first line is already a record (it starts with a time).</translation>
    </message>
    <message>
        <source>内存不足，无法读取文件。</source>
        <translation>Not enough memory to read the file.</translation>
    </message>
    <message>
        <source>这是程序自己的记录文件（字节取反），不是普通 CSV：请用“文件 &gt; 打开”打开。</source>
        <translation>This is a record file in the program&apos;s own form (inverted bytes), not plain CSV: open it with File &gt; Open.</translation>
    </message>
    <message>
        <source>这是普通 CSV 文件：请用“文件 &gt; 打开正常csv”打开。</source>
        <translation>This is a plain CSV file: open it with File &gt; Open Plain CSV.</translation>
    </message>
    <message>
        <source>记录的第一列是行号，第二列才是时间（pandas 默认写出的行号列）：请让时间成为第一列，例如在 pandas 中用 index=False 写出。</source>
        <translation>The first column of the records is a row number and the second the time (the row numbers pandas writes by default): make the time the first column, for example write the file with index=False in pandas.</translation>
    </message>
    <message>
        <source>各通道独立刻度(&amp;O)</source>
        <translation>Each Channel on Its &amp;Own Scale</translation>
    </message>
    <message>
        <source>报警时间</source>
        <translation>Alarm time</translation>
    </message>
    <message>
        <source>报警编号</source>
        <translation>Alarm ID</translation>
    </message>
    <message>
        <source>事件</source>
        <translation>Event</translation>
    </message>
    <message>
        <source>报警信息</source>
        <translation>Message</translation>
    </message>
    <message>
        <source>ALM  在报表的时间范围之前</source>
        <translation>ALM  before the report&apos;s time range</translation>
    </message>
    <message>
        <source>CLR  在报表的时间范围内没有</source>
        <translation>CLR  none in the report&apos;s time range</translation>
    </message>
    <message>
        <source>显示报警(&amp;A)</source>
        <translation>Show &amp;Alarms</translation>
    </message>
    <message>
        <source>报表的记录没有可读的时间,不显示报警</source>
        <translation>The report&apos;s records have no readable times: no alarms shown</translation>
    </message>
    <message>
        <source>当前的根目录没有报警记录库,不显示报警</source>
        <translation>The current roots have no alarm store: no alarms shown</translation>
    </message>
    <message>
        <source>正在读取报警记录...</source>
        <translation>Reading the alarm records...</translation>
    </message>
    <message>
        <source>其他</source>
        <translation>Others</translation>
    </message>
    <message>
        <source>报表的时间范围内没有报警</source>
        <translation>No alarms in the report&apos;s time range</translation>
    </message>
    <message>
        <source>还有 %1 条</source>
        <translation>%1 more</translation>
    </message>
    <message>
        <source>正在计算统计</source>
        <translation>computing statistics</translation>
    </message>
    <message>
        <source>文件的行尾只有回车符（CR），没有换行符（LF）：请先把行尾转换为 CR LF 或 LF。</source>
        <translation>The file&apos;s line ends are CR only, without a line feed (LF): convert them to CR LF or LF first.</translation>
    </message>
    <message>
        <source>无法判断哪一行是表头：文件开头的各行都不以时间（如 2024-01-01 08:00:00）开头。</source>
        <translation>Cannot tell which line is the header: none of the file&apos;s first lines starts with a time (such as 2024-01-01 08:00:00).</translation>
    </message>
    <message>
        <source>报表的等宽字体 %1 未安装（Debian 软件包 %2），暂用 %3 代替：分页可能与别的电脑不同。</source>
        <translation>The report font %1 is not installed (Debian package %2); %3 stands in for it, so the pages may break differently than on other computers.</translation>
    </message>
    <message>
        <source>%1 不存在</source>
        <translation>%1 does not exist</translation>
    </message>
    <message>
        <source>无法打开 %1:%2</source>
        <translation>cannot open %1: %2</translation>
    </message>
    <message>
        <source>无法读取 %1:%2</source>
        <translation>cannot read %1: %2</translation>
    </message>
    <message>
        <source>%1 不是普通文件</source>
        <translation>%1 is not a regular file</translation>
    </message>
    <message>
        <source>文件夹索引 %1 是空的</source>
        <translation>the folder index %1 is empty</translation>
    </message>
    <message>
        <source>文件夹索引 %1 有 %2 字节,不是整数个 8 字节的条目(已损坏,或记录器正在写入:请稍后再试)</source>
        <translation>the folder index %1 has %2 bytes, not a whole number of 8-byte entries (damaged, or being written by the panel: try again)</translation>
    </message>
    <message numerus="yes">
        <source>(另有 %n 处)</source>
        <translation>
            <numerusform> (and %n more)</numerusform>
            <numerusform> (and %n more)</numerusform>
        </translation>
    </message>
    <message>
        <source>%1 的记录组没有 Event 标题:这是数据记录,不是报警记录,不显示报警</source>
        <translation>The groups in %1 have no Event caption: a data log, not an alarm log; no alarms shown</translation>
    </message>
    <message>
        <source>无法读取报警记录:%1,不显示报警</source>
        <translation>Cannot read the alarm log: %1; no alarms shown</translation>
    </message>
    <message>
        <source>报警:%1,%2</source>
        <translation>Alarms: %1, %2</translation>
    </message>
    <message numerus="yes">
        <source>%n 个编号</source>
        <translation>
            <numerusform>%n ID</numerusform>
            <numerusform>%n IDs</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n 次报警</source>
        <translation>
            <numerusform>%n alarm</numerusform>
            <numerusform>%n alarms</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>;%n 行报警记录的时间无法读取,见统计面板的报警列表</source>
        <translation>
            <numerusform>; %n alarm line without a readable time, listed in the statistics panel</numerusform>
            <numerusform>; %n alarm lines without a readable time, listed in the statistics panel</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>;从 %1 起另有 %n 条报警记录没有读入(最多读入 %2 条、%3 MB)</source>
        <translation>
            <numerusform>; %n more alarm record from %1 on was left out (at most %2 records and %3 MB are read)</numerusform>
            <numerusform>; %n more alarm records from %1 on were left out (at most %2 records and %3 MB are read)</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>;另有 %n 条报警记录没有读入(最多读入 %1 条、%2 MB)</source>
        <translation>
            <numerusform>; %n more alarm record was left out (at most %1 records and %2 MB are read)</numerusform>
            <numerusform>; %n more alarm records were left out (at most %1 records and %2 MB are read)</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>;%n 条过长的报警消息只保留了前 %1 字节</source>
        <translation>
            <numerusform>; %n long alarm message was kept only to its first %1 bytes</numerusform>
            <numerusform>; %n long alarm messages were kept only to their first %1 bytes</numerusform>
        </translation>
    </message>
    <message>
        <source>;部分报警记录无法读取:%1</source>
        <translation>; part of the alarm log cannot be read: %1</translation>
    </message>
    <message>
        <source>没有一行的时间可以读出（第一列应是如 2024-01-01 08:00:00 的时间）：曲线按行号绘制。</source>
        <translation>No row&apos;s time can be read (the first column should hold times such as 2024-01-01 08:00:00): the curves are drawn over row numbers.</translation>
    </message>
    <message>
        <source>行号:</source>
        <translation>Row:</translation>
    </message>
    <message>
        <source>跳过(非数值)</source>
        <translation>Skipped (not numbers)</translation>
    </message>
    <message>
        <source>尚未设置根文件夹。
请在菜单 %1 中设置暂存根目录和数据根目录。</source>
        <translation>No root folders are set.
Set the staging root folder and the data root folder under %1.</translation>
    </message>
    <message>
        <source>略去了 %1 行记录：块文件的最后一行没有行尾（副本被截断，或面板正在写入）</source>
        <translation>Left out %1 record line(s): the last line of a block file has no line end (the copy was cut short, or the panel is writing it now)</translation>
    </message>
    <message>
        <source>请先在数据记录列表中选择一个组或文件夹。</source>
        <translation>Choose a group or a folder in the data records list first.</translation>
    </message>
    <message>
        <source>无法显示趋势图: %1</source>
        <translation>Cannot show the trend: %1</translation>
    </message>
    <message>
        <source>该时段有 %1 条记录。每 %2 秒取一条记录打开为报表吗?</source>
        <translation>The span holds %1 records. Open it as a report with one record every %2 seconds?</translation>
    </message>
    <message>
        <source>趋势图: %1</source>
        <translation>Trend: %1</translation>
    </message>
    <message>
        <source>全部时段(&amp;W)</source>
        <translation>&amp;Whole Span</translation>
    </message>
    <message>
        <source>以报表打开</source>
        <translation>Open as Report</translation>
    </message>
    <message>
        <source>当前时间:%1</source>
        <translation>Current time: %1</translation>
    </message>
    <message>
        <source>%1 至 %2: %3 条记录, 各通道的最小值..最大值</source>
        <translation>%1 to %2: %3 records, each channel&apos;s minimum..maximum</translation>
    </message>
    <message>
        <source>正在读取趋势...</source>
        <translation>Reading the trend...</translation>
    </message>
    <message>
        <source>趋势: %1 条记录, %2 个单元格不是数值</source>
        <translation>Trend: %1 records, %2 cells are not numbers</translation>
    </message>
    <message>
        <source>取消汇总</source>
        <translation>Cancel Summaries</translation>
    </message>
    <message>
        <source>正在汇总趋势的文件夹: %1/%2</source>
        <translation>Summarising the trend&apos;s folders: %1/%2</translation>
    </message>
    <message numerus="yes">
        <source>;%n 条报警记录不符合报警组的标题或事件词,作为文本列在统计面板的报警列表中</source>
        <translation>
            <numerusform>; %n alarm record does not fit its alarm group&apos;s captions or event words and is listed as text in the alarm list of the statistics panel</numerusform>
            <numerusform>; %n alarm records do not fit their alarm group&apos;s captions or event words and are listed as text in the alarm list of the statistics panel</numerusform>
        </translation>
    </message>
    <message>
        <source>报警组 %1 的标题和事件词</source>
        <translation>Captions and Event Words of Alarm Group %1</translation>
    </message>
    <message>
        <source>编号所在列的标题:</source>
        <translation>Caption of the ID column:</translation>
    </message>
    <message>
        <source>事件所在列的标题:</source>
        <translation>Caption of the event column:</translation>
    </message>
    <message>
        <source>消息所在列的标题:</source>
        <translation>Caption of the message column:</translation>
    </message>
    <message>
        <source>表示报警的事件词:</source>
        <translation>Event words of an alarm:</translation>
    </message>
    <message>
        <source>表示确认的事件词:</source>
        <translation>Event words of an acknowledgement:</translation>
    </message>
    <message>
        <source>表示清除的事件词:</source>
        <translation>Event words of a clear:</translation>
    </message>
    <message>
        <source>标题和事件词不区分大小写,不计空格;一种事件有几个词时用逗号分开。不符合的记录作为文本列出。</source>
        <translation>Captions and event words are matched regardless of case and blanks; separate several words of one event with commas. Records that do not fit are listed as text.</translation>
    </message>
    <message>
        <source>默认值</source>
        <translation>Defaults</translation>
    </message>
    <message>
        <source>请填写事件所在列的标题。</source>
        <translation>Enter the caption of the event column.</translation>
    </message>
    <message>
        <source>编号、事件和消息所在列的标题不能相同。</source>
        <translation>The captions of the ID, event and message columns must differ.</translation>
    </message>
    <message>
        <source>请至少填写一个表示报警的事件词。</source>
        <translation>Enter at least one event word of an alarm.</translation>
    </message>
    <message>
        <source>事件词“%1”不能表示两种事件。</source>
        <translation>The event word &quot;%1&quot; cannot stand for two events.</translation>
    </message>
    <message>
        <source>每天报警数(平均)</source>
        <translation>Alarms per day (average)</translation>
    </message>
    <message>
        <source>每小时报警数(平均)</source>
        <translation>Alarms per hour (average)</translation>
    </message>
    <message>
        <source>每10分钟报警数(平均)</source>
        <translation>Alarms per 10 minutes (average)</translation>
    </message>
    <message>
        <source>最繁忙的10分钟</source>
        <translation>Busiest 10 minutes</translation>
    </message>
    <message>
        <source>报警泛滥的小时占比</source>
        <translation>Hours in flood</translation>
    </message>
    <message>
        <source>报警泛滥的10分钟时段占比</source>
        <translation>10-minute periods in flood</translation>
    </message>
    <message>
        <source>报警泛滥的时间占比</source>
        <translation>Time in flood</translation>
    </message>
    <message>
        <source>最频繁10个报警的负荷占比</source>
        <translation>Share of the 10 most frequent alarms</translation>
    </message>
    <message>
        <source>振荡报警</source>
        <translation>Chattering alarms</translation>
    </message>
    <message>
        <source>瞬时报警</source>
        <translation>Fleeting alarms</translation>
    </message>
    <message>
        <source>陈旧报警</source>
        <translation>Stale alarms</translation>
    </message>
    <message>
        <source>单日最多陈旧报警</source>
        <translation>Most stale alarms in a day</translation>
    </message>
    <message>
        <source>从未确认的报警</source>
        <translation>Alarms never acknowledged</translation>
    </message>
    <message>
        <source>确认时间(中位数)</source>
        <translation>Time to acknowledge (median)</translation>
    </message>
    <message>
        <source>确认时间(90%分位)</source>
        <translation>Time to acknowledge (90th percentile)</translation>
    </message>
    <message>
        <source>清除时间(中位数)</source>
        <translation>Time to clear (median)</translation>
    </message>
    <message>
        <source>清除时间(90%分位)</source>
        <translation>Time to clear (90th percentile)</translation>
    </message>
    <message>
        <source>%1(可管理 ≤ %2)</source>
        <translation>%1 (manageable ≤ %2)</translation>
    </message>
    <message>
        <source>达标</source>
        <translation>met</translation>
    </message>
    <message>
        <source>可管理</source>
        <translation>manageable</translation>
    </message>
    <message>
        <source>未达标</source>
        <translation>missed</translation>
    </message>
    <message>
        <source>报警记录库 %1 中没有记录组 %2</source>
        <translation>The alarm store %1 has no group %2</translation>
    </message>
    <message>
        <source>%1 的记录组没有 Event 标题:这是数据记录,不是报警记录</source>
        <translation>The groups in %1 have no Event caption: a data log, not an alarm log</translation>
    </message>
    <message>
        <source>无法读取报警记录:%1</source>
        <translation>Cannot read the alarm log: %1</translation>
    </message>
    <message>
        <source>%1 不是报警记录库(没有根索引或记录组)</source>
        <translation>%1 is no alarm store (no root index or no groups)</translation>
    </message>
    <message>
        <source>指标</source>
        <translation>Figure</translation>
    </message>
    <message>
        <source>数值</source>
        <translation>Value</translation>
    </message>
    <message>
        <source>目标</source>
        <translation>Target</translation>
    </message>
    <message>
        <source>评价</source>
        <translation>Verdict</translation>
    </message>
    <message>
        <source>报警ID</source>
        <translation>Alarm ID</translation>
    </message>
    <message>
        <source>次数</source>
        <translation>Alarms</translation>
    </message>
    <message>
        <source>占比</source>
        <translation>Share</translation>
    </message>
    <message>
        <source>首次</source>
        <translation>First</translation>
    </message>
    <message>
        <source>末次</source>
        <translation>Last</translation>
    </message>
    <message>
        <source>振荡次数</source>
        <translation>Chattering episodes</translation>
    </message>
    <message>
        <source>确认时间中位数</source>
        <translation>Median time to acknowledge</translation>
    </message>
    <message>
        <source>最长确认时间</source>
        <translation>Longest time to acknowledge</translation>
    </message>
    <message>
        <source>清除时间中位数</source>
        <translation>Median time to clear</translation>
    </message>
    <message>
        <source>最长清除时间</source>
        <translation>Longest time to clear</translation>
    </message>
    <message>
        <source>结束时仍存在</source>
        <translation>Standing at the end</translation>
    </message>
    <message>
        <source>消息</source>
        <translation>Message</translation>
    </message>
    <message>
        <source>是</source>
        <translation>yes</translation>
    </message>
    <message>
        <source>报警分析</source>
        <translation>Alarm Analysis</translation>
    </message>
    <message>
        <source>时段:%1,报警 %2 个,记录 %3 条</source>
        <translation>Span: %1, %2 alarms, %3 records</translation>
    </message>
    <message>
        <source>每10分钟报警数</source>
        <translation>Alarms per 10 minutes</translation>
    </message>
    <message>
        <source>每小时报警数</source>
        <translation>Alarms per hour</translation>
    </message>
    <message>
        <source>整个时段</source>
        <translation>Whole Span</translation>
    </message>
    <message>
        <source>阈值设置...</source>
        <translation>Thresholds...</translation>
    </message>
    <message>
        <source>报警字段设置...</source>
        <translation>Alarm Fields...</translation>
    </message>
    <message>
        <source>打印...</source>
        <translation>Print...</translation>
    </message>
    <message>
        <source>导出CSV</source>
        <translation>Export CSV</translation>
    </message>
    <message>
        <source>关键指标...</source>
        <translation>Key Figures...</translation>
    </message>
    <message>
        <source>各报警ID...</source>
        <translation>Alarm IDs...</translation>
    </message>
    <message>
        <source>UTF-8(带BOM)</source>
        <translation>UTF-8 (with BOM)</translation>
    </message>
    <message>
        <source>报警记录的读取已取消</source>
        <translation>The reading of the alarm log was cancelled</translation>
    </message>
    <message>
        <source>%1 — %2:记录 %3 条,报警 %4 个,格式不符的记录 %5 条,无对应报警的确认或清除 %6 条</source>
        <translation>%1 — %2: %3 records, %4 alarms, %5 records that do not fit, %6 acknowledgements or clears without their alarm</translation>
    </message>
    <message>
        <source>阈值设置</source>
        <translation>Thresholds</translation>
    </message>
    <message>
        <source>振荡:报警次数</source>
        <translation>Chattering: alarms</translation>
    </message>
    <message>
        <source>振荡:时间窗口(秒)</source>
        <translation>Chattering: within seconds</translation>
    </message>
    <message>
        <source>瞬时报警:清除时间(秒)</source>
        <translation>Fleeting: cleared within seconds</translation>
    </message>
    <message>
        <source>陈旧报警:存在时间(小时)</source>
        <translation>Stale: standing longer than hours</translation>
    </message>
    <message>
        <source>报警泛滥:每小时超过</source>
        <translation>Flood: more alarms an hour than</translation>
    </message>
    <message>
        <source>报警泛滥:每10分钟超过</source>
        <translation>Flood: more alarms in 10 minutes than</translation>
    </message>
    <message>
        <source>导出各报警ID的CSV</source>
        <translation>Export the Alarm IDs as CSV</translation>
    </message>
    <message>
        <source>导出关键指标的CSV</source>
        <translation>Export the Key Figures as CSV</translation>
    </message>
    <message>
        <source>CSV 文件 (*.csv)</source>
        <translation>CSV files (*.csv)</translation>
    </message>
    <message>
        <source>无法写入 %1:%2</source>
        <translation>Cannot write %1: %2</translation>
    </message>
    <message>
        <source>结束时间必须晚于开始时间。</source>
        <translation>The end time must come after the start time.</translation>
    </message>
    <message>
        <source>请先在报警记录列表中选择一个组或文件夹。</source>
        <translation>Choose a group or a folder in the alarm records list first.</translation>
    </message>
    <message>
        <source>无法分析报警: %1</source>
        <translation>Cannot analyse the alarms: %1</translation>
    </message>
    <message>
        <source>关键指标</source>
        <translation>Key Figures</translation>
    </message>
    <message>
        <source>各报警ID</source>
        <translation>Alarm IDs</translation>
    </message>
    <message>
        <source>报警字段按记录组设置:请在报警记录树中选一个记录组再分析</source>
        <translation>Alarm fields are set per group: choose a group in the alarm tree and analyse it.</translation>
    </message>
    <message>
        <source>时间</source>
        <translation>Time</translation>
    </message>
    <message>
        <source>记录</source>
        <translation>Record</translation>
    </message>
    <message>
        <source>格式不符的记录</source>
        <translation>Records That Do Not Fit</translation>
    </message>
</context>
</TS>
