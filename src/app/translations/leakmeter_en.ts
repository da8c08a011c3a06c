<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="zh_CN">
<context>
    <name>AboutBox</name>
    <message>
        <source>   如需帮助请联系我们!</source>
        <translation>   For help, please contact us!</translation>
    </message>
    <message>
        <source>欢迎使用我们公司产品</source>
        <translation>Thank you for choosing our product</translation>
    </message>
</context>
<context>
    <name>AlarmEntry</name>
    <message>
        <source>输入值超出范围</source>
        <translation>Value out of range</translation>
    </message>
</context>
<context>
    <name>Artwork</name>
    <message>
        <source>高精度钳形
漏电流表</source>
        <translation>Precision Clamp
Leakage Meter</translation>
    </message>
</context>
<context>
    <name>ChartGeometry</name>
    <message>
        <source>输入无效值</source>
        <translation>Invalid value</translation>
    </message>
</context>
<context>
    <name>HistoryReport</name>
    <message>
        <source>高精度钳形漏电流表测试数据</source>
        <translation>Precision Clamp Leakage Meter: Stored Readings</translation>
    </message>
    <message>
        <source>组 数</source>
        <translation>Group</translation>
    </message>
    <message>
        <source>数 值</source>
        <translation>Reading</translation>
    </message>
</context>
<context>
    <name>Menu</name>
    <message>
        <source>文件(&amp;F)</source>
        <translation>&amp;File</translation>
    </message>
    <message>
        <source>保存(&amp;S)</source>
        <translation>&amp;Save</translation>
    </message>
    <message>
        <source>打印(&amp;P)</source>
        <translation>&amp;Print</translation>
    </message>
    <message>
        <source>打印设置</source>
        <translation>Print Se&amp;tup...</translation>
    </message>
    <message>
        <source>退出(&amp;X)</source>
        <translation>E&amp;xit</translation>
    </message>
    <message>
        <source>数据记录(&amp;L)...</source>
        <translation>Data &amp;Log...</translation>
    </message>
    <message>
        <source>语言(&amp;G)</source>
        <translation>&amp;Language</translation>
    </message>
    <message>
        <source>编辑(&amp;E)</source>
        <translation>&amp;Edit</translation>
    </message>
    <message>
        <source>通信设置</source>
        <translation>P&amp;ort Settings...</translation>
    </message>
    <message>
        <source>上翻</source>
        <translation>Page &amp;Up</translation>
    </message>
    <message>
        <source>下翻</source>
        <translation>Page Dow&amp;n</translation>
    </message>
    <message>
        <source>剪切</source>
        <translation>Cu&amp;t</translation>
    </message>
    <message>
        <source>复制</source>
        <translation>&amp;Copy</translation>
    </message>
    <message>
        <source>粘贴</source>
        <translation>&amp;Paste</translation>
    </message>
    <message>
        <source>删除</source>
        <translation>&amp;Delete</translation>
    </message>
    <message>
        <source>撤销</source>
        <translation>U&amp;ndo</translation>
    </message>
    <message>
        <source>运行(&amp;R)</source>
        <translation>&amp;Run</translation>
    </message>
    <message>
        <source>启动</source>
        <translation>&amp;Start</translation>
    </message>
    <message>
        <source>暂停</source>
        <translation>&amp;Pause</translation>
    </message>
    <message>
        <source>停止</source>
        <translation>S&amp;top</translation>
    </message>
    <message>
        <source>帮助(&amp;H)</source>
        <translation>&amp;Help</translation>
    </message>
    <message>
        <source>关于软件</source>
        <translation>&amp;About</translation>
    </message>
    <message>
        <source>打开数据记录(&amp;O)...</source>
        <translation>&amp;Open Logs...</translation>
    </message>
</context>
<context>
    <name>PrintCommands</name>
    <message>
        <source>文件打印出错.</source>
        <translation>The file could not be printed.</translation>
    </message>
    <message>
        <source>打印设置出错.</source>
        <translation>The print setup failed.</translation>
    </message>
</context>
<context>
    <name>SaveCommands</name>
    <message>
        <source>文本格式 (*.txt)|*.txt</source>
        <translation>Text (*.txt)|*.txt</translation>
    </message>
    <message>
        <source>位图格式 (*.bmp)|*.bmp|jpg格式 (*.jpg)|*jpg|</source>
        <translation>Bitmap (*.bmp)|*.bmp|JPEG (*.jpg)|*jpg|</translation>
    </message>
    <message>
        <source>CSV格式 (*.csv)|*.csv</source>
        <translation>CSV (*.csv)|*.csv</translation>
    </message>
</context>
<context>
    <name>StatusText</name>
    <message>
        <source>%1已打开</source>
        <translation>%1 open</translation>
    </message>
    <message>
        <source>%1电脑端口无效.</source>
        <translation>%1: no such port on this computer.</translation>
    </message>
    <message>
        <source>%1打开失败,请检查串口是否被占用或者尝试其它串口.</source>
        <translation>%1 could not be opened: is it in use? Try another port.</translation>
    </message>
    <message>
        <source>串口不支持设置%1,保持原设置%2</source>
        <translation>The port cannot run %1; kept %2</translation>
    </message>
    <message>
        <source>握手成功</source>
        <translation>Meter connected</translation>
    </message>
    <message>
        <source>握手失败,下位机返回出错</source>
        <translation>Connection failed: the meter replied with an error</translation>
    </message>
    <message>
        <source>存储的组数为:%1</source>
        <translation>Stored groups: %1</translation>
    </message>
    <message>
        <source>返回历史数据正常</source>
        <translation>Stored groups received</translation>
    </message>
    <message>
        <source>接收电流数据正常</source>
        <translation>Receiving readings</translation>
    </message>
    <message>
        <source>未知值</source>
        <translation>Unknown reply</translation>
    </message>
    <message>
        <source>接收组数失败</source>
        <translation>Group count not received</translation>
    </message>
    <message>
        <source>接收历史数据失败</source>
        <translation>Stored groups not received</translation>
    </message>
    <message>
        <source>设备无响应</source>
        <translation>Meter not answering</translation>
    </message>
    <message>
        <source>串口通信正常</source>
        <translation>Port open</translation>
    </message>
    <message>
        <source>串口无效</source>
        <translation>No such port</translation>
    </message>
    <message>
        <source>串口打开失败</source>
        <translation>Port not opened</translation>
    </message>
    <message>
        <source>设备连接成功</source>
        <translation>Meter connected</translation>
    </message>
    <message>
        <source>握手失败,请检查设备是否开启或者线缆连接,通信设置是否正确.</source>
        <translation>No answer: check that the meter is on, the cable is in and the port settings are right.</translation>
    </message>
    <message>
        <source>已暂停</source>
        <translation>Paused</translation>
    </message>
    <message>
        <source>已停止</source>
        <translation>Stopped</translation>
    </message>
    <message>
        <source>数据记录失败%1</source>
        <translation>Data log failed: %1</translation>
    </message>
    <message>
        <source>保存失败%1</source>
        <translation>Save failed: %1</translation>
    </message>
    <message>
        <source>MQTT服务器 %1: 正在连接</source>
        <translation>MQTT broker %1: connecting</translation>
    </message>
    <message>
        <source>MQTT服务器 %1: 已连接</source>
        <translation>MQTT broker %1: connected</translation>
    </message>
    <message>
        <source>MQTT服务器 %1: 已连接; %2</source>
        <translation>MQTT broker %1: connected; %2</translation>
    </message>
    <message>
        <source>MQTT服务器 %1: %2; 正在重试</source>
        <translation>MQTT broker %1: %2; trying again</translation>
    </message>
</context>
<context>
    <name>app::Form1</name>
    <message>
        <source>通信设置</source>
        <translation>Port settings</translation>
    </message>
    <message>
        <source>串口号</source>
        <translation>Port</translation>
    </message>
    <message>
        <source>波特率</source>
        <translation>Baud rate</translation>
    </message>
    <message>
        <source>数据位</source>
        <translation>Data bits</translation>
    </message>
    <message>
        <source>停止位</source>
        <translation>Stop bits</translation>
    </message>
    <message>
        <source>校验位</source>
        <translation>Parity</translation>
    </message>
</context>
<context>
    <name>app::Form2</name>
    <message>
        <source>数据记录失败</source>
        <translation>Data log failed</translation>
    </message>
    <message>
        <source>实时监控</source>
        <translation>Live monitoring</translation>
    </message>
    <message>
        <source>开始</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>暂停</source>
        <translation>Pause</translation>
    </message>
    <message>
        <source>停止</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>历史数据查询</source>
        <translation>Stored groups</translation>
    </message>
    <message>
        <source>读取</source>
        <translation>Read</translation>
    </message>
    <message>
        <source>保存</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>清空</source>
        <translation>Clear</translation>
    </message>
    <message>
        <source>上翻</source>
        <translation>Up</translation>
    </message>
    <message>
        <source>下翻</source>
        <translation>Down</translation>
    </message>
    <message>
        <source>实时显示</source>
        <translation>Live reading</translation>
    </message>
    <message>
        <source>测量(Ω/mA)</source>
        <translation>Statistics (Ω/mA)</translation>
    </message>
    <message>
        <source>报警值设定</source>
        <translation>Alarm threshold</translation>
    </message>
    <message>
        <source>通信状态</source>
        <translation>Connection</translation>
    </message>
    <message>
        <source>COM1打开成功</source>
        <translation>COM1 open</translation>
    </message>
    <message>
        <source>仪表连接失败</source>
        <translation>No meter</translation>
    </message>
    <message>
        <source>状态信息</source>
        <translation>Status</translation>
    </message>
    <message>
        <source>保存失败</source>
        <translation>Save failed</translation>
    </message>
</context>
<context>
    <name>viewer::PlotTexts</name>
    <message>
        <source>%1 … %2 (%3 个文件)</source>
        <translation>%1 … %2 (%3 files)</translation>
    </message>
    <message>
        <source>仪表 %1</source>
        <translation>meter %1</translation>
    </message>
    <message>
        <source>读数</source>
        <translation>reading</translation>
    </message>
    <message>
        <source>读数最小–最大</source>
        <translation>reading min–max</translation>
    </message>
    <message>
        <source>区间最小–最大</source>
        <translation>interval min–max</translation>
    </message>
    <message>
        <source>区间平均值</source>
        <translation>interval mean</translation>
    </message>
    <message>
        <source>报警值 %1mA</source>
        <translation>threshold %1mA</translation>
    </message>
    <message>
        <source>报警</source>
        <translation>alarm</translation>
    </message>
    <message>
        <source>过载 (0L)</source>
        <translation>overload (0L)</translation>
    </message>
    <message>
        <source>错误 (ERROR)</source>
        <translation>error (ERROR)</translation>
    </message>
    <message>
        <source>中断</source>
        <translation>gap</translation>
    </message>
    <message>
        <source>%1 秒</source>
        <translation>%1 s</translation>
    </message>
    <message>
        <source>%1 分 %2 秒</source>
        <translation>%1 min %2 s</translation>
    </message>
    <message>
        <source>%1 分</source>
        <translation>%1 min</translation>
    </message>
    <message>
        <source>%1 小时 %2 分</source>
        <translation>%1 h %2 min</translation>
    </message>
    <message>
        <source>%1 小时</source>
        <translation>%1 h</translation>
    </message>
    <message>
        <source>%1 天 %2 小时</source>
        <translation>%1 d %2 h</translation>
    </message>
    <message>
        <source>%1 天</source>
        <translation>%1 d</translation>
    </message>
    <message>
        <source>最小 %1mA  最大 %2mA  平均 %3mA  %4 个读数</source>
        <translation>min %1mA  max %2mA  mean %3mA  %4 readings</translation>
    </message>
</context>
<context>
    <name>viewer::ViewerWindow</name>
    <message>
        <source>数据记录查看</source>
        <translation>Data Log Viewer</translation>
    </message>
    <message>
        <source>文件(&amp;F)</source>
        <translation>&amp;File</translation>
    </message>
    <message>
        <source>保存图片(&amp;S)...</source>
        <translation>&amp;Save Picture...</translation>
    </message>
    <message>
        <source>关闭(&amp;C)</source>
        <translation>&amp;Close</translation>
    </message>
    <message>
        <source>查看(&amp;V)</source>
        <translation>&amp;View</translation>
    </message>
    <message>
        <source>全部显示(&amp;A)</source>
        <translation>Show &amp;All</translation>
    </message>
    <message>
        <source>报警值</source>
        <translation>Alarm threshold</translation>
    </message>
    <message>
        <source>%1 中没有读数</source>
        <translation>no readings in %1</translation>
    </message>
    <message>
        <source>%1 行</source>
        <translation>%1 rows</translation>
    </message>
    <message>
        <source>, %1 行无法读取</source>
        <translation>, %1 rows unreadable</translation>
    </message>
    <message>
        <source>, 无法打开: </source>
        <translation>, cannot open: </translation>
    </message>
    <message>
        <source>PNG格式 (*.png)|*.png</source>
        <translation>PNG (*.png)|*.png</translation>
    </message>
    <message>
        <source>保存失败</source>
        <translation>Save failed</translation>
    </message>
</context>
</TS>
