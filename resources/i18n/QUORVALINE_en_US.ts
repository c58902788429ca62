<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context>
    <name>Widget</name>
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
        <source>PDF，图表大小 (*.pdf)</source>
        <translation>PDF, chart size (*.pdf)</translation>
    </message>
    <message>
        <source>PDF，打印尺寸 (*.pdf)</source>
        <translation>PDF, print size (*.pdf)</translation>
    </message>
    <message>
        <source>PNG，图表大小 (*.png)</source>
        <translation>PNG, chart size (*.png)</translation>
    </message>
    <message>
        <source>PNG，打印尺寸 (*.png)</source>
        <translation>PNG, print size (*.png)</translation>
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
        <source>功率</source>
        <translation>Pow</translation>
    </message>
    <message>
        <source>参数设定</source>
        <translation>Param Set</translation>
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
        <source>图表操作</source>
        <translation>Chart Manipulation</translation>
    </message>
    <message>
        <source>复位</source>
        <translation>Reset</translation>
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
        <source>导出图片…</source>
        <translation>Export image…</translation>
    </message>
    <message>
        <source>工具</source>
        <translation>Tools</translation>
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
        <source>更新失败</source>
        <translation>Update Failed</translation>
    </message>
    <message>
        <source>最大电流</source>
        <translation>MaxCur</translation>
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
        <source>结束位置</source>
        <translation>End</translation>
    </message>
    <message>
        <source>编程模式</source>
        <translation>Program</translation>
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
