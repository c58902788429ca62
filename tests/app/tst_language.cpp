// The language choice and the two translation files compiled into the program.
#include "app/language.h"
#include "app/startup.h"

#include <QCoreApplication>
#include <QTranslator>
#include <QtTest>

class LanguageTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { startup::initResources(); }

    void baseNameForLcid_data()
    {
        QTest::addColumn<quint32>("lcid");
        QTest::addColumn<QString>("baseName");
        QTest::newRow("1028 Chinese Taiwan") << 1028u << "QUORVALINE_zh_CN";
        QTest::newRow("1033 English US") << 1033u << "QUORVALINE_en_US";
        QTest::newRow("1041 Japanese") << 1041u << "QUORVALINE_zh_CN";
        QTest::newRow("2052 Chinese PRC") << 2052u << "QUORVALINE_zh_CN";
        QTest::newRow("3076 Chinese Hong Kong") << 3076u << "QUORVALINE_zh_CN";
        QTest::newRow("1031 German") << 1031u << "QUORVALINE_en_US";
        QTest::newRow("4100 Chinese Singapore") << 4100u << "QUORVALINE_en_US";
        QTest::newRow("5124 Chinese Macao") << 5124u << "QUORVALINE_en_US";
        QTest::newRow("unknown") << 0xFFFFu << "QUORVALINE_en_US";
    }
    void baseNameForLcid()
    {
        QFETCH(quint32, lcid);
        QFETCH(QString, baseName);
        QCOMPARE(language::translationBaseName(lcid), baseName);
    }

    void lcidForLocale_data()
    {
        QTest::addColumn<int>("language");
        QTest::addColumn<int>("country");
        QTest::addColumn<quint32>("lcid");
        QTest::newRow("zh_CN") << int(QLocale::Chinese) << int(QLocale::China) << 2052u;
        QTest::newRow("zh_TW") << int(QLocale::Chinese) << int(QLocale::Taiwan) << 1028u;
        QTest::newRow("zh_HK") << int(QLocale::Chinese) << int(QLocale::HongKong) << 3076u;
        QTest::newRow("zh_SG") << int(QLocale::Chinese) << int(QLocale::Singapore) << 4100u;
        QTest::newRow("zh_MO") << int(QLocale::Chinese) << int(QLocale::Macau) << 5124u;
        QTest::newRow("ja_JP") << int(QLocale::Japanese) << int(QLocale::Japan) << 1041u;
        QTest::newRow("en_US") << int(QLocale::English) << int(QLocale::UnitedStates) << 1033u;
        QTest::newRow("en_GB") << int(QLocale::English) << int(QLocale::UnitedKingdom) << 2057u;
        QTest::newRow("de_DE") << int(QLocale::German) << int(QLocale::Germany) << 1031u;
        QTest::newRow("de_AT") << int(QLocale::German) << int(QLocale::Austria) << 3079u;
        QTest::newRow("de in Belgium: primary")
            << int(QLocale::German) << int(QLocale::Belgium) << 1031u;
        QTest::newRow("fr_FR") << int(QLocale::French) << int(QLocale::France) << 1036u;
        QTest::newRow("es_ES") << int(QLocale::Spanish) << int(QLocale::Spain) << 3082u;
        QTest::newRow("C locale") << int(QLocale::C) << int(QLocale::AnyCountry) << 0u;
    }
    void lcidForLocale()
    {
        QFETCH(int, language);
        QFETCH(int, country);
        QFETCH(quint32, lcid);
        QCOMPARE(language::lcidForLocale(QLocale::Language(language), QLocale::Country(country)),
                 lcid);
    }

    // Every pair of the interface table, exactly, in the context of the window.
    void englishFileHoldsEveryText_data()
    {
        QTest::addColumn<QString>("context");
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("english");
        const char *const rows[][2] = {
            {"QUORVALINE", "QUORVALINE"},
            {"一键开机", "Trig"},
            {"仪表图", "Meter"},
            {"保存", "Save"},
            {"保存数据", "Save"},
            {"停止", "Stop"},
            {"其它", "Other"},
            {"删除", "Del"},
            {"功率", "Pow"},
            {"参数设定", "Param Set"},
            {"可调电源", "Power"},
            {"启动/停止", "Star/Stop"},
            {"固件升级", "Firmware Update"},
            {"固件更新", "Firmware Update"},
            {"图表操作", "Chart Manipulation"},
            {"复位", "Reset"},
            {"实时功率", "Pow"},
            {"实时数据", "Data"},
            {"实时电压", "Vol"},
            {"实时电流", "Cur"},
            {"容量", "Cap"},
            {"导入数据", "Import"},
            {"工具", "Tools"},
            {"帮助", "Help"},
            {"开始", "Start"},
            {"开始位置", "Star"},
            {"开机线", "Ponkey"},
            {"当前位置", "Pos"},
            {"循环次数", "Times"},
            {"打开", "Open"},
            {"打开文件", "Open"},
            {"执行更新", "Start"},
            {"提示", "Tips"},
            {"操作", "Operation"},
            {"数据", "Data"},
            {"数据不足，无法保存", "Not enough data to save"},
            {"文件打开失败", "Failed to open the file"},
            {"文件超出规定大小！", "File size exceeded!"},
            {"无法打开设备 %1：%2", "Cannot open the device %1: %2"},
            {"无连接", "N.C"},
            {"时间", "Time"},
            {"普通模式", "Normal"},
            {"暂停", "Pause"},
            {"曲线图", "Chart"},
            {"更新失败", "Update Failed"},
            {"最大电流", "MaxCur"},
            {"没有访问权限：请安装 udev 规则，然后重新插入仪器：",
             "Access was denied: install the udev rule, then plug the instrument in again:"},
            {"添加", "Add"},
            {"清空", "Clear"},
            {"清空图表", "Clear Chart"},
            {"清空数据", "Clear"},
            {"清零", "Clear"},
            {"焊台", "Iron Station"},
            {"版本 %1", "Version %1"},
            {"状态", "State"},
            {"电压", "Vol"},
            {"电压电流表", "Meter"},
            {"电流", "Cur"},
            {"电量", "Q"},
            {"电量统计", "Electricity Statistics"},
            {"结束位置", "End"},
            {"编程模式", "Program"},
            {"表格里没有数据", "There is no data in the table"},
            {"设备未连接", "N.C"},
            {"设备未连接!!", "Unconnected!!"},
            {"设备：", "Device:"},
            {"请打开文件重试", "Please retry again"},
            {"负载", "Load"},
            {"返回", "Back"},
            {"采样率", "Sampling Rate"},
            // The chart context menu and the recording to CSV files.
            {"记录到文件…", "Record to file…"},
            {"停止记录", "Stop recording"},
            {"导出图片…", "Export image…"},
            {"导出 CSV…", "Export CSV…"},
            {"记录中", "Recording"},
            {"%1 行", "%1 rows"},
            {"等待仪器", "Waiting for the instrument"},
            {"记录已停止", "Recording stopped"},
            {"记录到 %1", "Recording to %1"},
            {"无法创建记录文件 %1：%2", "Cannot create the recording file %1: %2"},
            {"记录已停止：无法写入 %1（%2）。此前记录的数据都保留在文件中。",
             "Recording stopped: cannot write to %1 (%2). Everything recorded before stays in "
             "the file."},
            {"记录已停止：文件 %1 已被删除或移走。",
             "Recording stopped: the file %1 was removed or moved."},
            {"该文件正在记录另一台仪器：%1",
             "This file is already recording another instrument: %1"},
            {"无法导出到 %1", "Cannot export to %1"},
            {"已导出到 %1", "Exported to %1"},
            {"PNG，图表大小，深色 (*.png)", "PNG, chart size, dark (*.png)"},
            {"PNG，图表大小，浅色 (*.png)", "PNG, chart size, light (*.png)"},
            {"PNG，打印尺寸，浅色 (*.png)", "PNG, print size, light (*.png)"},
            {"PNG，打印尺寸，深色 (*.png)", "PNG, print size, dark (*.png)"},
            {"PDF，图表大小，深色 (*.pdf)", "PDF, chart size, dark (*.pdf)"},
            {"PDF，图表大小，浅色 (*.pdf)", "PDF, chart size, light (*.pdf)"},
            {"PDF，打印尺寸，浅色 (*.pdf)", "PDF, print size, light (*.pdf)"},
            {"PDF，打印尺寸，深色 (*.pdf)", "PDF, print size, dark (*.pdf)"},
            {"CSV 文件 (*.csv)", "CSV files (*.csv)"},
            // The exported pictures' titles and axes.
            {"样本 %1 至 %2", "Samples %1 to %2"},
            {"导出于 %1", "Exported %1"},
            {"样本序号", "Sample number"},
            {"经过时间", "Elapsed time"},
            {"电压 (V)", "Voltage (V)"},
            {"电流 (A)", "Current (A)"},
            {"功率 (W)", "Power (W)"},
            // Measuring on a chart, and a recording opened into it.
            {"%1 不是记录文件。", "%1 is not a recording file."},
            {"%1 已损坏（第 %2 行），未载入任何数据。",
             "%1 is damaged (line %2); nothing was loaded."},
            {"%1 是%2的记录，请在%2的图表上打开。",
             "%1 is a recording of the %2: open it on the %2 chart."},
            {"%1 的样本太多，图表容纳不下，未载入任何数据。",
             "%1 holds more samples than a chart can take; nothing was loaded."},
            {"A 处", "At A"},
            {"B 处", "At B"},
            {"CSV 文件，光标之间 (*.csv)", "CSV files, between the cursors (*.csv)"},
            {"复制测量", "Copy measurement"},
            {"平均", "Mean"},
            {"打开记录…", "Open recording…"},
            {"时间轴", "Time axis"},
            {"最大", "Max"},
            {"最小", "Min"},
            {"样本", "Samples"},
            {"测量", "Measure"},
            {"电荷", "Charge"},
            {"能量", "Energy"},
            {"峰峰值", "Pk-pk"},
            // The boot check on the boot line page, its menu and dialogs.
            {"%1 已存在", "%1 exists already"},
            {"%1，%2 s，峰值 %3 A", "%1, %2 s, peak %3 A"},
            {"不是 JSON 文件（%1）", "it is not JSON (%1)"},
            {"不是开机参考文件", "it is not a boot reference"},
            {"保存为参考", "Save as reference"},
            {"保存为参考…", "Save as reference…"},
            {"关闭", "Close"},
            {"其中没有开机过程", "there is no boot in it"},
            {"删除参考", "Delete"},
            {"删除参考“%1”？", "Delete the reference “%1”?"},
            {"删除阶段", "Remove phase"},
            {"参考", "Reference"},
            {"参考…", "Reference…"},
            {"参考库", "Reference library"},
            {"参考库…", "Reference library…"},
            {"参考文件 (*.json)", "Reference files (*.json)"},
            {"名称", "Name"},
            {"图表中没有开机过程：电流没有升过 %1 mA。",
             "No boot in the chart: the current never rises through %1 mA."},
            {"备注", "Note"},
            {"失败，%1 s 处：%2 A，应为 %3 ± %4 A", "FAIL at %1 s: %2 A, expected %3 ± %4 A"},
            {"失败，%1 s 处：%2 A，应为 %3 ± %4 A（%5）",
             "FAIL at %1 s: %2 A, expected %3 ± %4 A (%5)"},
            {"字段 %1 缺失或有误", "its field %1 is missing or wrong"},
            {"导入…", "Import…"},
            {"导出…", "Export…"},
            {"峰值电流：%1 A，参考 %2 A", "Peak current: %1 A, reference %2 A"},
            {"已损坏：%1", "Damaged: %1"},
            {"带外时间：%1 s", "Time outside the band: %1 s"},
            {"开始 (s)", "From (s)"},
            {"开机检查", "Boot check"},
            {"所选采集太短，无法生成参考。", "The chosen captures are too short for a reference."},
            {"手机型号", "Phone model"},
            {"打开记录并检查…", "Open a recording and check…"},
            {"文件", "File"},
            {"文件太大", "it is too large"},
            {"文件夹：%1", "Folder: %1"},
            {"无参考", "No reference"},
            {"无法保存参考：%1", "Cannot save the reference: %1"},
            {"无法写入（%1）", "cannot write it (%1)"},
            {"无法删除：%1", "Cannot delete: %1"},
            {"无法导入 %1：%2", "Cannot import %1: %2"},
            {"无法打开（%1）", "cannot open it (%1)"},
            {"无法读取参考 %1：%2", "Cannot read the reference %1: %2"},
            {"无法读取记录 %1：%2", "Cannot read the recording %1: %2"},
            {"无法重命名：%1", "Cannot rename: %1"},
            {"既不是开机线记录，也不是图表数据文件",
             "it is neither a boot line recording nor a chart data file"},
            {"时间容差 (ms)", "Time tolerance (ms)"},
            {"更改文件夹…", "Change folder…"},
            {"最大偏差：带外 %1 A，%2 s 处", "Worst deviation: %1 A outside the band at %2 s"},
            {"最大偏差：无，始终在带内", "Worst deviation: none, inside the band throughout"},
            {"未完成：采集在 %1 s 处结束，参考长 %2 s",
             "INCOMPLETE: the capture ended at %1 s of the reference's %2 s"},
            {"未选择参考", "No reference chosen"},
            {"检查中… %1 / %2 s", "Checking… %1 of %2 s"},
            {"检查中…", "Checking…"},
            {"检查图表数据", "Check the chart's data"},
            {"添加阶段", "Add phase"},
            {"由多次采集生成…", "Build from captures…"},
            {"由多次采集生成参考", "Build a reference from captures"},
            {"电流容差 (mA)", "Current tolerance (mA)"},
            {"电量：%1 mAh，参考 %2 mAh", "Charge: %1 mAh, reference %2 mAh"},
            {"相对容差 (%)", "Relative tolerance (%)"},
            {"等待开机：按“一键开机”，或电流升过 %1 mA",
             "Waiting for a boot: press Trig, or the current rises above %1 mA"},
            {"结束 (s)", "To (s)"},
            {"结束采集", "End the capture"},
            {"请先选择参考。", "Choose a reference first."},
            {"起始阈值 (mA)", "Start threshold (mA)"},
            {"还没有采集：按“一键开机”开机一次。",
             "No capture yet: press Trig to boot the phone once."},
            {"选择参考文件夹", "Choose the reference folder"},
            {"通过", "PASS"},
            {"采集", "Captures"},
            {"采集数", "Captures"},
            {"重命名", "Rename"},
            {"长度 (s)", "Length (s)"},
            {"阶段", "Phases"},
            // The stop conditions: the chart menu's dialog, the line and the
            // banner on the page, the desktop notification.
            {"停止条件…", "Stop conditions…"},
            {"停止条件", "Stop conditions"},
            {"电流低于", "Current below"},
            {"持续", "for"},
            {"秒", "s"},
            {"电量达到", "Charge at or above"},
            {"能量达到", "Energy at or above"},
            {"时间达到", "Time at or above"},
            {"电压低于", "Voltage below"},
            {"电压高于", "Voltage above"},
            {"条件（任一满足即触发）", "Conditions (any one fires)"},
            {"触发时", "When one is met"},
            {"停止图表", "Stop the chart"},
            {"停止计数", "Stop counting"},
            {"关闭电源输出", "Switch the output off"},
            {"提醒", "Alerts"},
            {"提示音", "Tone"},
            {"桌面通知", "Desktop notification"},
            {"启用", "Arm"},
            {"解除", "Disarm"},
            {"取消", "Cancel"},
            {"已启用：%1", "Armed: %1"},
            {"已触发：%1", "Fired: %1"},
            {"未启用", "Not armed"},
            {"电流 < %1 mA", "current < %1 mA"},
            {"电压 < %1 V", "voltage < %1 V"},
            {"电压 > %1 V", "voltage > %1 V"},
            {"电量 ≥ %1 mAh", "charge ≥ %1 mAh"},
            {"能量 ≥ %1 mWh", "energy ≥ %1 mWh"},
            {"时间 ≥ %1", "time ≥ %1"},
            {"%1，持续 %2 秒", "%1 for %2 s"},
            {"停止条件：", "Stop conditions: "},
            {"%1：%2 / %3 %4", "%1: %2 of %3 %4"},
            {"%1：%2 / %3", "%1: %2 of %3"},
            {"%1：现为 %2", "%1: now %2"},
            {"%1 停止条件已满足：%2", "%1 Stop condition met: %2"},
            {"正在关闭电源输出…", "Switching the output off…"},
            {"电源输出已关闭。", "The output is off."},
            {"没有桌面通知服务。", "No desktop notification service."},
            {"知道了", "Got it"},
            {"停止条件已满足", "Stop condition met"},
            {"%1 %2：%3", "%1 %2: %3"},
        };
        for (const auto &row : rows)
            QTest::newRow(row[0]) << "Widget" << QString::fromUtf8(row[0])
                                  << QString::fromUtf8(row[1]);
        QTest::newRow("Vc_Meter tips") << "Vc_Meter"
                                       << "提示"
                                       << "Tips";
        QTest::newRow("Vc_Meter file size") << "Vc_Meter"
                                            << "文件超出规定大小！"
                                            << "The file exceeds the specified size!";
    }
    void englishFileHoldsEveryText()
    {
        QFETCH(QString, context);
        QFETCH(QString, source);
        QFETCH(QString, english);
        QTranslator translator;
        QVERIFY(translator.load(QStringLiteral(":/i18n/QUORVALINE_en_US")));
        QCOMPARE(translator.translate(context.toUtf8(), source.toUtf8()), english);
    }

    // Texts that read the same in both languages have no English entry.
    void englishFileHasNoOtherEntries_data()
    {
        QTest::addColumn<QString>("source");
        for (const char *text :
             {"M1", "M52", "V7204", "KRIV", "C . V", "OVP", "ON/OFF", "V", "20Sa/s"})
            QTest::newRow(text) << QString::fromUtf8(text);
    }
    void englishFileHasNoOtherEntries()
    {
        QFETCH(QString, source);
        QTranslator translator;
        QVERIFY(translator.load(QStringLiteral(":/i18n/QUORVALINE_en_US")));
        QVERIFY(translator.translate("Widget", source.toUtf8()).isNull());
    }

    void installFollowsLcid_data()
    {
        QTest::addColumn<quint32>("lcid");
        QTest::addColumn<QString>("startText");
        QTest::newRow("English") << 1033u << "Start";
        QTest::newRow("German gets English") << 1031u << "Start";
        QTest::newRow("Chinese PRC keeps the source") << 2052u << "开始";
        QTest::newRow("Japanese gets Chinese") << 1041u << "开始";
    }
    void installFollowsLcid()
    {
        QFETCH(quint32, lcid);
        QFETCH(QString, startText);
        QTranslator translator;
        QVERIFY(language::installTranslation(*QCoreApplication::instance(), translator, lcid));
        QCOMPARE(QCoreApplication::translate("Widget", "开始"), startText);
        QCOMPARE(QCoreApplication::translate("Widget", "M1"), QStringLiteral("M1"));
        QCoreApplication::removeTranslator(&translator);
    }

    void chineseFileIsEmptyButValid()
    {
        QTranslator translator;
        QVERIFY(translator.load(QStringLiteral(":/i18n/QUORVALINE_zh_CN"), QString(), QString(),
                                QString()));
        QVERIFY(translator.isEmpty());
        QCOMPARE(translator.language(), QStringLiteral("zh_CN"));
    }
};

QTEST_MAIN(LanguageTest)
#include "tst_language.moc"
