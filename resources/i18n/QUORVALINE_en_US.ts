<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context>
    <name>Widget</name>
    <message>
        <source>%1 不是记录文件。</source>
        <translation>%1 is not a recording file.</translation>
    </message>
    <message>
        <source>%1 已损坏（第 %2 行），未载入任何数据。</source>
        <translation>%1 is damaged (line %2); nothing was loaded.</translation>
    </message>
    <message>
        <source>%1 是%2的记录，请在%2的图表上打开。</source>
        <translation>%1 is a recording of the %2: open it on the %2 chart.</translation>
    </message>
    <message>
        <source>%1 的样本太多，图表容纳不下，未载入任何数据。</source>
        <translation>%1 holds more samples than a chart can take; nothing was loaded.</translation>
    </message>
    <message>
        <source>%1 行</source>
        <translation>%1 rows</translation>
    </message>
    <message>
        <source>A 处</source>
        <translation>At A</translation>
    </message>
    <message>
        <source>B 处</source>
        <translation>At B</translation>
    </message>
    <message>
        <source>CSV 文件 (*.csv)</source>
        <translation>CSV files (*.csv)</translation>
    </message>
    <message>
        <source>PDF，图表大小，浅色 (*.pdf)</source>
        <translation>PDF, chart size, light (*.pdf)</translation>
    </message>
    <message>
        <source>CSV 文件，光标之间 (*.csv)</source>
        <translation>CSV files, between the cursors (*.csv)</translation>
    </message>
    <message>
        <source>PDF，图表大小，深色 (*.pdf)</source>
        <translation>PDF, chart size, dark (*.pdf)</translation>
    </message>
    <message>
        <source>PDF，打印尺寸，浅色 (*.pdf)</source>
        <translation>PDF, print size, light (*.pdf)</translation>
    </message>
    <message>
        <source>PDF，打印尺寸，深色 (*.pdf)</source>
        <translation>PDF, print size, dark (*.pdf)</translation>
    </message>
    <message>
        <source>PNG，图表大小，浅色 (*.png)</source>
        <translation>PNG, chart size, light (*.png)</translation>
    </message>
    <message>
        <source>PNG，图表大小，深色 (*.png)</source>
        <translation>PNG, chart size, dark (*.png)</translation>
    </message>
    <message>
        <source>PNG，打印尺寸，浅色 (*.png)</source>
        <translation>PNG, print size, light (*.png)</translation>
    </message>
    <message>
        <source>PNG，打印尺寸，深色 (*.png)</source>
        <translation>PNG, print size, dark (*.png)</translation>
    </message>
    <message>
        <source>QUORVALINE</source>
        <translation>QUORVALINE</translation>
    </message>
    <message>
        <source>一键开机</source>
        <translation>Trig</translation>
    </message>
    <message>
        <source>仪表图</source>
        <translation>Meter</translation>
    </message>
    <message>
        <source>保存</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>保存数据</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>停止</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>停止记录</source>
        <translation>Stop recording</translation>
    </message>
    <message>
        <source>其它</source>
        <translation>Other</translation>
    </message>
    <message>
        <source>删除</source>
        <translation>Del</translation>
    </message>
    <message>
        <source>功率</source>
        <translation>Pow</translation>
    </message>
    <message>
        <source>功率 (W)</source>
        <translation>Power (W)</translation>
    </message>
    <message>
        <source>参数设定</source>
        <translation>Param Set</translation>
    </message>
    <message>
        <source>可调电源</source>
        <translation>Power</translation>
    </message>
    <message>
        <source>启动/停止</source>
        <translation>Star/Stop</translation>
    </message>
    <message>
        <source>固件升级</source>
        <translation>Firmware Update</translation>
    </message>
    <message>
        <source>固件更新</source>
        <translation>Firmware Update</translation>
    </message>
    <message>
        <source>图表操作</source>
        <translation>Chart Manipulation</translation>
    </message>
    <message>
        <source>复位</source>
        <translation>Reset</translation>
    </message>
    <message>
        <source>复制测量</source>
        <translation>Copy measurement</translation>
    </message>
    <message>
        <source>实时功率</source>
        <translation>Pow</translation>
    </message>
    <message>
        <source>实时数据</source>
        <translation>Data</translation>
    </message>
    <message>
        <source>实时电压</source>
        <translation>Vol</translation>
    </message>
    <message>
        <source>实时电流</source>
        <translation>Cur</translation>
    </message>
    <message>
        <source>容量</source>
        <translation>Cap</translation>
    </message>
    <message>
        <source>导入数据</source>
        <translation>Import</translation>
    </message>
    <message>
        <source>导出 CSV…</source>
        <translation>Export CSV…</translation>
    </message>
    <message>
        <source>导出于 %1</source>
        <translation>Exported %1</translation>
    </message>
    <message>
        <source>导出图片…</source>
        <translation>Export image…</translation>
    </message>
    <message>
        <source>峰峰值</source>
        <translation>Pk-pk</translation>
    </message>
    <message>
        <source>已导出到 %1</source>
        <translation>Exported to %1</translation>
    </message>
    <message>
        <source>工具</source>
        <translation>Tools</translation>
    </message>
    <message>
        <source>帮助</source>
        <translation>Help</translation>
    </message>
    <message>
        <source>平均</source>
        <translation>Mean</translation>
    </message>
    <message>
        <source>开始</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>开始位置</source>
        <translation>Star</translation>
    </message>
    <message>
        <source>开机线</source>
        <translation>Ponkey</translation>
    </message>
    <message>
        <source>当前位置</source>
        <translation>Pos</translation>
    </message>
    <message>
        <source>循环次数</source>
        <translation>Times</translation>
    </message>
    <message>
        <source>打开</source>
        <translation>Open</translation>
    </message>
    <message>
        <source>打开文件</source>
        <translation>Open</translation>
    </message>
    <message>
        <source>打开记录…</source>
        <translation>Open recording…</translation>
    </message>
    <message>
        <source>执行更新</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>提示</source>
        <translation>Tips</translation>
    </message>
    <message>
        <source>操作</source>
        <translation>Operation</translation>
    </message>
    <message>
        <source>数据</source>
        <translation>Data</translation>
    </message>
    <message>
        <source>数据不足，无法保存</source>
        <translation>Not enough data to save</translation>
    </message>
    <message>
        <source>文件打开失败</source>
        <translation>Failed to open the file</translation>
    </message>
    <message>
        <source>文件超出规定大小！</source>
        <translation>File size exceeded!</translation>
    </message>
    <message>
        <source>无法创建记录文件 %1：%2</source>
        <translation>Cannot create the recording file %1: %2</translation>
    </message>
    <message>
        <source>无法导出到 %1</source>
        <translation>Cannot export to %1</translation>
    </message>
    <message>
        <source>无法打开设备 %1：%2</source>
        <translation>Cannot open the device %1: %2</translation>
    </message>
    <message>
        <source>无连接</source>
        <translation>N.C</translation>
    </message>
    <message>
        <source>时间</source>
        <translation>Time</translation>
    </message>
    <message>
        <source>时间轴</source>
        <translation>Time axis</translation>
    </message>
    <message>
        <source>普通模式</source>
        <translation>Normal</translation>
    </message>
    <message>
        <source>暂停</source>
        <translation>Pause</translation>
    </message>
    <message>
        <source>曲线图</source>
        <translation>Chart</translation>
    </message>
    <message>
        <source>更新失败</source>
        <translation>Update Failed</translation>
    </message>
    <message>
        <source>最大</source>
        <translation>Max</translation>
    </message>
    <message>
        <source>最大电流</source>
        <translation>MaxCur</translation>
    </message>
    <message>
        <source>样本 %1 至 %2</source>
        <translation>Samples %1 to %2</translation>
    </message>
    <message>
        <source>经过时间</source>
        <translation>Elapsed time</translation>
    </message>
    <message>
        <source>样本序号</source>
        <translation>Sample number</translation>
    </message>
    <message>
        <source>最小</source>
        <translation>Min</translation>
    </message>
    <message>
        <source>样本</source>
        <translation>Samples</translation>
    </message>
    <message>
        <source>没有访问权限：请安装 udev 规则，然后重新插入仪器：</source>
        <translation>Access was denied: install the udev rule, then plug the instrument in again:</translation>
    </message>
    <message>
        <source>测量</source>
        <translation>Measure</translation>
    </message>
    <message>
        <source>添加</source>
        <translation>Add</translation>
    </message>
    <message>
        <source>清空</source>
        <translation>Clear</translation>
    </message>
    <message>
        <source>清空图表</source>
        <translation>Clear Chart</translation>
    </message>
    <message>
        <source>清空数据</source>
        <translation>Clear</translation>
    </message>
    <message>
        <source>清零</source>
        <translation>Clear</translation>
    </message>
    <message>
        <source>焊台</source>
        <translation>Iron Station</translation>
    </message>
    <message>
        <source>版本 %1</source>
        <translation>Version %1</translation>
    </message>
    <message>
        <source>状态</source>
        <translation>State</translation>
    </message>
    <message>
        <source>电压</source>
        <translation>Vol</translation>
    </message>
    <message>
        <source>电压 (V)</source>
        <translation>Voltage (V)</translation>
    </message>
    <message>
        <source>电压电流表</source>
        <translation>Meter</translation>
    </message>
    <message>
        <source>电流</source>
        <translation>Cur</translation>
    </message>
    <message>
        <source>电流 (A)</source>
        <translation>Current (A)</translation>
    </message>
    <message>
        <source>电荷</source>
        <translation>Charge</translation>
    </message>
    <message>
        <source>电量</source>
        <translation>Q</translation>
    </message>
    <message>
        <source>电量统计</source>
        <translation>Electricity Statistics</translation>
    </message>
    <message>
        <source>等待仪器</source>
        <translation>Waiting for the instrument</translation>
    </message>
    <message>
        <source>结束位置</source>
        <translation>End</translation>
    </message>
    <message>
        <source>编程模式</source>
        <translation>Program</translation>
    </message>
    <message>
        <source>能量</source>
        <translation>Energy</translation>
    </message>
    <message>
        <source>表格里没有数据</source>
        <translation>There is no data in the table</translation>
    </message>
    <message>
        <source>记录中</source>
        <translation>Recording</translation>
    </message>
    <message>
        <source>记录到 %1</source>
        <translation>Recording to %1</translation>
    </message>
    <message>
        <source>记录到文件…</source>
        <translation>Record to file…</translation>
    </message>
    <message>
        <source>记录已停止</source>
        <translation>Recording stopped</translation>
    </message>
    <message>
        <source>记录已停止：文件 %1 已被删除或移走。</source>
        <translation>Recording stopped: the file %1 was removed or moved.</translation>
    </message>
    <message>
        <source>记录已停止：无法写入 %1（%2）。此前记录的数据都保留在文件中。</source>
        <translation>Recording stopped: cannot write to %1 (%2). Everything recorded before stays in the file.</translation>
    </message>
    <message>
        <source>设备未连接</source>
        <translation>N.C</translation>
    </message>
    <message>
        <source>设备未连接!!</source>
        <translation>Unconnected!!</translation>
    </message>
    <message>
        <source>设备：</source>
        <translation>Device:</translation>
    </message>
    <message>
        <source>该文件正在记录另一台仪器：%1</source>
        <translation>This file is already recording another instrument: %1</translation>
    </message>
    <message>
        <source>请打开文件重试</source>
        <translation>Please retry again</translation>
    </message>
    <message>
        <source>负载</source>
        <translation>Load</translation>
    </message>
    <message>
        <source>返回</source>
        <translation>Back</translation>
    </message>
    <message>
        <source>采样率</source>
        <translation>Sampling Rate</translation>
    </message>
</context>
<context>
    <name>Vc_Meter</name>
    <message>
        <source>提示</source>
        <translation>Tips</translation>
    </message>
    <message>
        <source>文件超出规定大小！</source>
        <translation>The file exceeds the specified size!</translation>
    </message>
</context>
</TS>
