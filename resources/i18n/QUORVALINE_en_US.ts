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
        <source>%1 已存在</source>
        <translation>%1 exists already</translation>
    </message>
    <message>
        <source>%1 %2：%3</source>
        <translation>%1 %2: %3</translation>
    </message>
    <message>
        <source>%1 停止条件已满足：%2</source>
        <translation>%1 Stop condition met: %2</translation>
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
        <source>%1，%2 s，峰值 %3 A</source>
        <translation>%1, %2 s, peak %3 A</translation>
    </message>
    <message>
        <source>%1，持续 %2 秒</source>
        <translation>%1 for %2 s</translation>
    </message>
    <message>
        <source>%1：%2 / %3</source>
        <translation>%1: %2 of %3</translation>
    </message>
    <message>
        <source>%1：%2 / %3 %4</source>
        <translation>%1: %2 of %3 %4</translation>
    </message>
    <message>
        <source>%1：现为 %2</source>
        <translation>%1: now %2</translation>
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
        <source>不是 JSON 文件（%1）</source>
        <translation>it is not JSON (%1)</translation>
    </message>
    <message>
        <source>不是开机参考文件</source>
        <translation>it is not a boot reference</translation>
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
        <source>保存为参考</source>
        <translation>Save as reference</translation>
    </message>
    <message>
        <source>保存为参考…</source>
        <translation>Save as reference…</translation>
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
        <source>停止图表</source>
        <translation>Stop the chart</translation>
    </message>
    <message>
        <source>停止条件</source>
        <translation>Stop conditions</translation>
    </message>
    <message>
        <source>停止条件…</source>
        <translation>Stop conditions…</translation>
    </message>
    <message>
        <source>停止条件已满足</source>
        <translation>Stop condition met</translation>
    </message>
    <message>
        <source>停止条件：</source>
        <translation>Stop conditions: </translation>
    </message>
    <message>
        <source>停止计数</source>
        <translation>Stop counting</translation>
    </message>
    <message>
        <source>停止记录</source>
        <translation>Stop recording</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>其中没有开机过程</source>
        <translation>there is no boot in it</translation>
    </message>
    <message>
        <source>关闭电源输出</source>
        <translation>Switch the output off</translation>
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
        <source>删除参考</source>
        <translation>Delete</translation>
    </message>
    <message>
        <source>删除参考“%1”？</source>
        <translation>Delete the reference “%1”?</translation>
    </message>
    <message>
        <source>删除阶段</source>
        <translation>Remove phase</translation>
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
        <source>参考</source>
        <translation>Reference</translation>
    </message>
    <message>
        <source>参考…</source>
        <translation>Reference…</translation>
    </message>
    <message>
        <source>参考库</source>
        <translation>Reference library</translation>
    </message>
    <message>
        <source>参考库…</source>
        <translation>Reference library…</translation>
    </message>
    <message>
        <source>参考文件 (*.json)</source>
        <translation>Reference files (*.json)</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>可调电源</source>
        <translation>Power</translation>
    </message>
    <message>
        <source>名称</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>启动/停止</source>
        <translation>Star/Stop</translation>
    </message>
    <message>
        <source>启用</source>
        <translation>Arm</translation>
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
        <source>图表中没有开机过程：电流没有升过 %1 mA。</source>
        <translation>No boot in the chart: the current never rises through %1 mA.</translation>
    </message>
    <message>
        <source>图表操作</source>
        <translation>Chart Manipulation</translation>
    </message>
    <message>
        <source>备注</source>
        <translation>Note</translation>
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
        <source>失败，%1 s 处：%2 A，应为 %3 ± %4 A</source>
        <translation>FAIL at %1 s: %2 A, expected %3 ± %4 A</translation>
    </message>
    <message>
        <source>失败，%1 s 处：%2 A，应为 %3 ± %4 A（%5）</source>
        <translation>FAIL at %1 s: %2 A, expected %3 ± %4 A (%5)</translation>
    </message>
    <message>
        <source>字段 %1 缺失或有误</source>
        <translation>its field %1 is missing or wrong</translation>
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
        <source>导入…</source>
        <translation>Import…</translation>
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
        <source>导出…</source>
        <translation>Export…</translation>
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
        <source>峰值电流：%1 A，参考 %2 A</source>
        <translation>Peak current: %1 A, reference %2 A</translation>
    </message>
    <message>
        <source>工具</source>
        <translation>Tools</translation>
    </message>
    <message>
        <source>已损坏：%1</source>
        <translation>Damaged: %1</translation>
    </message>
    <message>
        <source>带外时间：%1 s</source>
        <translation>Time outside the band: %1 s</translation>
    </message>
    <message>
        <source>已启用：%1</source>
        <translation>Armed: %1</translation>
    </message>
    <message>
        <source>已触发：%1</source>
        <translation>Fired: %1</translation>
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
        <source>开始 (s)</source>
        <translation>From (s)</translation>
    </message>
    <message>
        <source>开始位置</source>
        <translation>Star</translation>
    </message>
    <message>
        <source>开机检查</source>
        <translation>Boot check</translation>
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
        <source>所选采集太短，无法生成参考。</source>
        <translation>The chosen captures are too short for a reference.</translation>
    </message>
    <message>
        <source>手机型号</source>
        <translation>Phone model</translation>
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
        <source>打开记录并检查…</source>
        <translation>Open a recording and check…</translation>
    </message>
    <message>
        <source>执行更新</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>持续</source>
        <translation>for</translation>
    </message>
    <message>
        <source>提示</source>
        <translation>Tips</translation>
    </message>
    <message>
        <source>提示音</source>
        <translation>Tone</translation>
    </message>
    <message>
        <source>提醒</source>
        <translation>Alerts</translation>
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
        <source>文件</source>
        <translation>File</translation>
    </message>
    <message>
        <source>文件太大</source>
        <translation>it is too large</translation>
    </message>
    <message>
        <source>文件夹：%1</source>
        <translation>Folder: %1</translation>
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
        <source>无参考</source>
        <translation>No reference</translation>
    </message>
    <message>
        <source>无法保存参考：%1</source>
        <translation>Cannot save the reference: %1</translation>
    </message>
    <message>
        <source>无法写入（%1）</source>
        <translation>cannot write it (%1)</translation>
    </message>
    <message>
        <source>无法创建记录文件 %1：%2</source>
        <translation>Cannot create the recording file %1: %2</translation>
    </message>
    <message>
        <source>无法删除：%1</source>
        <translation>Cannot delete: %1</translation>
    </message>
    <message>
        <source>无法导入 %1：%2</source>
        <translation>Cannot import %1: %2</translation>
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
        <source>无法打开（%1）</source>
        <translation>cannot open it (%1)</translation>
    </message>
    <message>
        <source>无法读取参考 %1：%2</source>
        <translation>Cannot read the reference %1: %2</translation>
    </message>
    <message>
        <source>无法读取记录 %1：%2</source>
        <translation>Cannot read the recording %1: %2</translation>
    </message>
    <message>
        <source>无法重命名：%1</source>
        <translation>Cannot rename: %1</translation>
    </message>
    <message>
        <source>无连接</source>
        <translation>N.C</translation>
    </message>
    <message>
        <source>既不是开机线记录，也不是图表数据文件</source>
        <translation>it is neither a boot line recording nor a chart data file</translation>
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
        <source>时间容差 (ms)</source>
        <translation>Time tolerance (ms)</translation>
    </message>
    <message>
        <source>时间 ≥ %1</source>
        <translation>time ≥ %1</translation>
    </message>
    <message>
        <source>时间达到</source>
        <translation>Time at or above</translation>
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
        <source>更改文件夹…</source>
        <translation>Change folder…</translation>
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
        <source>最大偏差：带外 %1 A，%2 s 处</source>
        <translation>Worst deviation: %1 A outside the band at %2 s</translation>
    </message>
    <message>
        <source>最大偏差：无，始终在带内</source>
        <translation>Worst deviation: none, inside the band throughout</translation>
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
        <source>未完成：采集在 %1 s 处结束，参考长 %2 s</source>
        <translation>INCOMPLETE: the capture ended at %1 s of the reference's %2 s</translation>
    </message>
    <message>
        <source>未选择参考</source>
        <translation>No reference chosen</translation>
    </message>
    <message>
        <source>检查中…</source>
        <translation>Checking…</translation>
    </message>
    <message>
        <source>检查中… %1 / %2 s</source>
        <translation>Checking… %1 of %2 s</translation>
    </message>
    <message>
        <source>检查图表数据</source>
        <translation>Check the chart's data</translation>
    </message>
    <message>
        <source>未启用</source>
        <translation>Not armed</translation>
    </message>
    <message>
        <source>条件（任一满足即触发）</source>
        <translation>Conditions (any one fires)</translation>
    </message>
    <message>
        <source>桌面通知</source>
        <translation>Desktop notification</translation>
    </message>
    <message>
        <source>正在关闭电源输出…</source>
        <translation>Switching the output off…</translation>
    </message>
    <message>
        <source>没有桌面通知服务。</source>
        <translation>No desktop notification service.</translation>
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
        <source>添加阶段</source>
        <translation>Add phase</translation>
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
        <source>由多次采集生成…</source>
        <translation>Build from captures…</translation>
    </message>
    <message>
        <source>由多次采集生成参考</source>
        <translation>Build a reference from captures</translation>
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
        <source>电压 &gt; %1 V</source>
        <translation>voltage &gt; %1 V</translation>
    </message>
    <message>
        <source>电压 &lt; %1 V</source>
        <translation>voltage &lt; %1 V</translation>
    </message>
    <message>
        <source>电压低于</source>
        <translation>Voltage below</translation>
    </message>
    <message>
        <source>电压电流表</source>
        <translation>Meter</translation>
    </message>
    <message>
        <source>电压高于</source>
        <translation>Voltage above</translation>
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
        <source>电流容差 (mA)</source>
        <translation>Current tolerance (mA)</translation>
    </message>
    <message>
        <source>电流 &lt; %1 mA</source>
        <translation>current &lt; %1 mA</translation>
    </message>
    <message>
        <source>电流低于</source>
        <translation>Current below</translation>
    </message>
    <message>
        <source>电源输出已关闭。</source>
        <translation>The output is off.</translation>
    </message>
    <message>
        <source>电量</source>
        <translation>Q</translation>
    </message>
    <message>
        <source>电量 ≥ %1 mAh</source>
        <translation>charge ≥ %1 mAh</translation>
    </message>
    <message>
        <source>电量统计</source>
        <translation>Electricity Statistics</translation>
    </message>
    <message>
        <source>电量：%1 mAh，参考 %2 mAh</source>
        <translation>Charge: %1 mAh, reference %2 mAh</translation>
    </message>
    <message>
        <source>相对容差 (%)</source>
        <translation>Relative tolerance (%)</translation>
    </message>
    <message>
        <source>电量达到</source>
        <translation>Charge at or above</translation>
    </message>
    <message>
        <source>知道了</source>
        <translation>Got it</translation>
    </message>
    <message>
        <source>秒</source>
        <translation>s</translation>
    </message>
    <message>
        <source>等待仪器</source>
        <translation>Waiting for the instrument</translation>
    </message>
    <message>
        <source>等待开机：按“一键开机”，或电流升过 %1 mA</source>
        <translation>Waiting for a boot: press Trig, or the current rises above %1 mA</translation>
    </message>
    <message>
        <source>结束 (s)</source>
        <translation>To (s)</translation>
    </message>
    <message>
        <source>结束位置</source>
        <translation>End</translation>
    </message>
    <message>
        <source>结束采集</source>
        <translation>End the capture</translation>
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
        <source>能量 ≥ %1 mWh</source>
        <translation>energy ≥ %1 mWh</translation>
    </message>
    <message>
        <source>能量达到</source>
        <translation>Energy at or above</translation>
    </message>
    <message>
        <source>表格里没有数据</source>
        <translation>There is no data in the table</translation>
    </message>
    <message>
        <source>解除</source>
        <translation>Disarm</translation>
    </message>
    <message>
        <source>触发时</source>
        <translation>When one is met</translation>
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
        <source>请先选择参考。</source>
        <translation>Choose a reference first.</translation>
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
        <source>起始阈值 (mA)</source>
        <translation>Start threshold (mA)</translation>
    </message>
    <message>
        <source>返回</source>
        <translation>Back</translation>
    </message>
    <message>
        <source>还没有采集：按“一键开机”开机一次。</source>
        <translation>No capture yet: press Trig to boot the phone once.</translation>
    </message>
    <message>
        <source>选择参考文件夹</source>
        <translation>Choose the reference folder</translation>
    </message>
    <message>
        <source>通过</source>
        <translation>PASS</translation>
    </message>
    <message>
        <source>采样率</source>
        <translation>Sampling Rate</translation>
    </message>
    <message>
        <source>采集</source>
        <translation>Captures</translation>
    </message>
    <message>
        <source>采集数</source>
        <translation>Captures</translation>
    </message>
    <message>
        <source>重命名</source>
        <translation>Rename</translation>
    </message>
    <message>
        <source>长度 (s)</source>
        <translation>Length (s)</translation>
    </message>
    <message>
        <source>阶段</source>
        <translation>Phases</translation>
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
