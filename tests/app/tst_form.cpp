// The designer form Ui_Widget, built on a plain QWidget.
//
// Checks object names and classes, size limits, initial texts and states,
// combo items, input masks, dial settings, stacked-widget page order and the
// initial indices, and which texts go through translation in the context
// "Widget" (with a recording translator installed while setupUi runs).

#include "app/startup.h"
#include "ui_widget.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QDial>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QSet>
#include <QStackedWidget>
#include <QTableWidget>
#include <QTextBrowser>
#include <QToolButton>
#include <QTranslator>
#include <QtTest>

#include <memory>

namespace {

QString u(const char *utf8)
{
    return QString::fromUtf8(utf8);
}

// Answers every lookup with "<" + source + ">" and records context and source.
class RecordingTranslator : public QTranslator {
public:
    QString translate(const char *context, const char *sourceText, const char *disambiguation,
                      int n) const override
    {
        Q_UNUSED(disambiguation);
        Q_UNUSED(n);
        if (!sourceText)
            return QString();
        lookups.insert(QString::fromLatin1(context) + QLatin1Char('|') +
                       QString::fromUtf8(sourceText));
        return QLatin1Char('<') + QString::fromUtf8(sourceText) + QLatin1Char('>');
    }
    bool isEmpty() const override { return false; }
    mutable QSet<QString> lookups;
};

enum Tri { No = 0, Yes = 1, Any = 2 };

} // namespace

class TestForm : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QWidget> window;
    Ui_Widget ui;

    QObject *object(const QString &name)
    {
        if (name == QLatin1String("Widget"))
            return window.get();
        return window->findChild<QObject *>(name);
    }
    QWidget *widget(const QString &name) { return qobject_cast<QWidget *>(object(name)); }

private slots:
    void initTestCase();

    void windowProperties_data();
    void windowProperties();
    void objects_data();
    void objects();
    void sizeLimits_data();
    void sizeLimits();
    void texts_data();
    void texts();
    void translation_data();
    void translation();
    void toolButtons_data();
    void toolButtons();
    void comboItems_data();
    void comboItems();
    void lineEdits_data();
    void lineEdits();
    void dials_data();
    void dials();
    void pages_data();
    void pages();
    void initialIndices_data();
    void initialIndices();
    void groupBoxes_data();
    void groupBoxes();
    void styleSheets_data();
    void styleSheets();
    void miscellaneous();
    void layoutsAndMembers();
    void geometryAtMinimumSize();
};

void TestForm::initTestCase()
{
    // The pictures are compiled into the core library, which registers them
    // only when asked; without them every ":/..." icon of the form is null.
    startup::initResources();
    window.reset(new QWidget);
    ui.setupUi(window.get());
}

// ---------------------------------------------------------------- window

void TestForm::windowProperties_data()
{
    QTest::addColumn<QString>("property");
    QTest::newRow("objectName") << "objectName";
    QTest::newRow("size") << "size";
    QTest::newRow("minimumSize") << "minimumSize";
    QTest::newRow("windowTitle") << "windowTitle";
    QTest::newRow("windowIcon") << "windowIcon";
    QTest::newRow("styleSheet") << "styleSheet";
}

void TestForm::windowProperties()
{
    QFETCH(QString, property);
    QWidget *w = window.get();
    if (property == "objectName") {
        QCOMPARE(w->objectName(), QStringLiteral("Widget"));
    } else if (property == "size") {
        QCOMPARE(w->size(), QSize(1162, 713));
    } else if (property == "minimumSize") {
        QCOMPARE(w->minimumSize(), QSize(1162, 713));
        w->resize(600, 400);
        QCOMPARE(w->size(), QSize(1162, 713));
        w->resize(1162, 713);
    } else if (property == "windowTitle") {
        QCOMPARE(w->windowTitle(), QStringLiteral("QUORVALINE"));
    } else if (property == "windowIcon") {
        QVERIFY(QFile::exists(QStringLiteral(":/logo.ico")));
        const QIcon icon = w->windowIcon();
        QVERIFY(!icon.isNull());
        QVERIFY(!icon.pixmap(QSize(32, 32)).isNull());
    } else if (property == "styleSheet") {
        const QString css = w->styleSheet();
        QVERIFY(css.contains("#2a2b2c"));
        QVERIFY(css.contains("QMessageBox"));
        QVERIFY(css.contains("#F2F2F2"));
        QVERIFY(css.contains("#298DFF"));
        QVERIFY(css.contains("#257FE6"));
    }
}

// ---------------------------------------------------------------- objects

void TestForm::objects_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("className");
    QTest::addColumn<int>("checkable"); // Tri
    QTest::addColumn<int>("checked");   // Tri
    QTest::addColumn<bool>("enabled");

    auto row = [](const char *name, const char *cls, int checkable = Any, int checked = Any,
                  bool enabled = true) {
        QTest::newRow(name) << QString::fromLatin1(name) << QString::fromLatin1(cls) << checkable
                            << checked << enabled;
    };

    // top level
    row("titleWidget", "QWidget");
    row("widget_2", "QWidget");
    row("ad_Widget", "CustomAdWidget");
    row("homeButton", "QToolButton", No, No);
    row("firmwareButton", "QToolButton", No, No);
    row("helpButton", "QToolButton", No, No);
    row("mainStackedWidget", "QStackedWidget");
    row("app", "QWidget");
    row("scrollArea", "QScrollArea");
    row("scrollAreaWidgetContents", "QWidget");
    row("vCToolButton", "QToolButton", Yes, No);
    row("adjPowToolButton", "QToolButton", Yes, No);
    row("ironToolButton", "QToolButton", Yes, No);
    row("hotAirToolButton", "QToolButton", Yes, No);
    row("otherToolButton", "QToolButton", Yes, No);
    row("toolsStackedWidget", "QStackedWidget");
    row("vCPage", "QWidget");
    row("adjPowPage", "QWidget");
    row("oneKeyLine", "QWidget");
    row("hotAirPage", "QWidget");
    row("otherPage", "QWidget");
    row("firmware_update", "QWidget");

    // meter
    row("vcMeter_pageStackedWidget", "QStackedWidget");
    row("vcMeterToolPage", "QWidget");
    row("vcMeterToolHelp", "QWidget");
    row("vcMeter_helpBackBtn", "QPushButton", No, No);
    row("widget_14", "QWidget");
    row("widget", "QWidget");
    row("Chart_Widget", "QCustomPlot");
    row("groupBox", "QGroupBox");
    for (const char *n :
         {"vcMeter_uLabel", "vcMeter_iLabel", "vcMeter_pLabel", "vcMeter_dpLabel",
          "vcMeter_dmLabel", "vcMeter_cc1Label", "vcMeter_cc2Label", "vcMeter_rLabel",
          "vcMeter_timeLabel", "vcMeter_pcountLabel", "vcMeterDeviceID"})
        row(n, "QLabel");
    row("widget_13", "QWidget");
    row("groupBox_2", "QGroupBox");
    row("vcMeter_fpsComboBox", "QComboBox");
    row("vcMeter_chartStart", "QPushButton", No, No);
    row("vcMeterClrPushButton", "QPushButton", No, No);
    row("vcMeterChartSaveButton", "QPushButton", No, No);
    row("vcMeterChartOpenButton", "QPushButton", No, No);
    row("groupBox_3", "QGroupBox");
    row("vcMeter_countStart", "QPushButton", No, No);
    row("vcMeterPCountComboBox", "QComboBox");
    row("vcMeterCountResetButton", "QPushButton", No, No);
    row("widget_15", "QWidget");

    // power supply
    row("widget_6", "QWidget");
    row("adjPowView", "QStackedWidget");
    row("chart", "QWidget");
    row("adjPowChartBackground", "QWidget");
    row("adjPowChart", "QCustomPlot");
    row("meter", "QWidget");
    row("adjPowVMeter", "QWidget");
    row("adjPowAMeter", "QWidget");
    row("adjsetViewWidget", "QWidget");
    row("adjPowChartStart", "QPushButton", No, No);
    row("adjPowChartOpenButton", "QPushButton", No, No);
    row("adjPowChartSaveButton", "QPushButton", No, No);
    row("adjPowChartClearButton", "QPushButton", No, No);
    row("adjChartRadioButton", "QRadioButton", Yes, No);
    row("adjMeterRadioButton", "QRadioButton", Yes, No);
    row("widget_27", "QWidget");
    row("widget_19", "QWidget");
    for (const char *n : {"adjM1PushButton", "adjM2PushButton", "adjM3PushButton",
                          "adjM4PushButton", "adjM5PushButton", "adjM6PushButton"})
        row(n, "QPushButton", Yes, No);
    row("widget_20", "QWidget");
    row("adjModeStackedWidget", "QStackedWidget");
    row("page", "QWidget");
    row("groupBox_5", "QGroupBox");
    for (const char *n : {"adjPowuLabel", "adjPowiLabel", "adjPowpLabel", "adjPowAh", "adjPowWh",
                          "adjPowCountTime", "adjDeviceID"})
        row(n, "QLabel");
    row("adjPowClearCountData", "QPushButton", No, No);
    for (const char *n : {"cvLight", "ccLight", "ovpLight", "ocpLight"})
        row(n, "QPushButton", Yes, No, false);
    row("groupBox_4", "QGroupBox");
    row("adjVoltageDial", "QDial");
    row("adjCurrentDial", "QDial");
    row("adjVoltageLineEdit", "QLineEdit");
    row("adjCurrentLineEdit", "QLineEdit");
    row("adjOCPButton", "QPushButton", Yes, No);
    row("adjOVPButton", "QPushButton", Yes, No);
    row("adjON_OFFButton", "QPushButton", Yes, No);
    row("page_2", "QWidget");
    row("widget_25", "QWidget");
    row("adjAddRowPushButton", "QPushButton", No, No);
    row("adjProgramDeletePushButton", "QPushButton", No, No);
    row("adjPowTableOpen", "QPushButton", No, No);
    row("adjPowTableSave", "QPushButton", No, No);
    row("adjProgramTableWidget", "QTableWidget");
    row("widget_26", "QWidget");
    for (const char *n : {"adjPowProgramStarPosition", "adjPowProgramStopPosition", "cycleIndex",
                          "adjPowProgramCurrentPosition"})
        row(n, "QLineEdit");
    row("adjProgramONOFFPushButton", "QPushButton", Yes, No);
    row("widget_18", "QWidget");
    row("adjNormalRadioButton", "QRadioButton", Yes, No);
    row("adjProgramRadioButton", "QRadioButton", Yes, No);

    // boot line
    row("widget_35", "QWidget");
    row("oneKeyLineChart", "QCustomPlot");
    row("widget_38", "QWidget");
    row("groupBox_6", "QGroupBox");
    for (const char *n : {"oneKeyLine_uLabel", "oneKeyLine_iLabel", "oneKeyLine_pLabel",
                          "oneKeyLine_maxiLabel", "oneKeyLineCountTime", "oneKeyLineDeviceID"})
        row(n, "QLabel");
    row("groupBox_7", "QGroupBox");
    row("oneKeyLineChartSwitch", "QPushButton", No, No);
    row("oneKeyLineChartOpen", "QPushButton", No, No);
    row("oneKeyLineChartSave", "QPushButton", No, No);
    row("oneKeyLineClearButton", "QPushButton", No, No);
    row("oneKeyLineOn", "QPushButton", No, No);
    row("groupBox_8", "QGroupBox");

    // firmware
    row("groupBox_9", "QGroupBox");
    row("filePath_text", "QLineEdit");
    row("openFile", "QPushButton", No, No);
    row("SendData", "QPushButton", No, No);
    row("progressBar", "QProgressBar");
    row("textBrowser", "QTextBrowser");
}

void TestForm::objects()
{
    QFETCH(QString, name);
    QFETCH(QString, className);
    QFETCH(int, checkable);
    QFETCH(int, checked);
    QFETCH(bool, enabled);

    const QList<QObject *> found = window->findChildren<QObject *>(name);
    QCOMPARE(found.size(), 1);
    QObject *o = found.first();
    QCOMPARE(QString::fromLatin1(o->metaObject()->className()), className);
    auto *w = qobject_cast<QWidget *>(o);
    QVERIFY(w);
    QCOMPARE(w->isEnabled(), enabled);
    if (auto *b = qobject_cast<QAbstractButton *>(o)) {
        if (checkable != Any)
            QCOMPARE(b->isCheckable(), checkable == Yes);
        if (checked != Any)
            QCOMPARE(b->isChecked(), checked == Yes);
    } else {
        QCOMPARE(checkable, int(Any));
    }
}

// ---------------------------------------------------------------- size limits

void TestForm::sizeLimits_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("minW"); // -1: not checked
    QTest::addColumn<int>("minH");
    QTest::addColumn<int>("maxW");
    QTest::addColumn<int>("maxH");
    const int M = QWIDGETSIZE_MAX;
    auto row = [](const char *tag, const char *name, int minW, int minH, int maxW, int maxH) {
        QTest::newRow(tag) << QString::fromLatin1(name) << minW << minH << maxW << maxH;
    };
    row("titleWidget", "titleWidget", -1, 39, -1, 39);
    row("widget_2", "widget_2", -1, 100, -1, -1);
    row("ad_Widget", "ad_Widget", 800, 90, 800, 90);
    row("vCToolButton", "vCToolButton", 111, 90, -1, -1);
    row("adjPowToolButton", "adjPowToolButton", 111, 108, -1, -1);
    row("ironToolButton", "ironToolButton", 111, 107, -1, -1);
    row("hotAirToolButton", "hotAirToolButton", 111, 108, -1, -1);
    row("otherToolButton", "otherToolButton", 111, 107, -1, -1);
    row("widget_14", "widget_14", 992, 391, -1, -1);
    row("widget", "widget", 753, 373, -1, -1);
    row("groupBox", "groupBox", 203, 381, 203, 391);
    for (const char *n :
         {"vcMeter_uLabel", "vcMeter_iLabel", "vcMeter_pLabel", "vcMeter_dpLabel",
          "vcMeter_dmLabel", "vcMeter_cc1Label", "vcMeter_cc2Label", "vcMeter_rLabel"})
        row(n, n, 101, -1, -1, 30);
    row("widget_13", "widget_13", -1, -1, -1, 150);
    row("vcMeterPCountComboBox", "vcMeterPCountComboBox", 91, -1, -1, -1);
    row("vcMeter_timeLabel", "vcMeter_timeLabel", 141, -1, -1, -1);
    row("vcMeter_pcountLabel", "vcMeter_pcountLabel", 141, -1, -1, -1);
    row("widget_15", "widget_15", 111, 112, 111, 112);
    row("widget_6", "widget_6", 589, 457, -1, -1);
    row("adjPowView", "adjPowView", 571, 391, -1, -1);
    row("widget_27", "widget_27", -1, 6, -1, 6);
    row("adjModeStackedWidget", "adjModeStackedWidget", 428, 518, 433, -1);
    row("groupBox_5", "groupBox_5", 203, 500, 203, 500);
    for (const char *n : {"adjPowuLabel", "adjPowiLabel", "adjPowpLabel"})
        row(n, n, 101, -1, -1, 30);
    row("adjPowAh", "adjPowAh", 82, 25, -1, -1);
    row("adjPowWh", "adjPowWh", 82, 25, -1, -1);
    row("adjPowCountTime", "adjPowCountTime", 121, 25, -1, -1);
    for (const char *n : {"cvLight", "ccLight", "ovpLight", "ocpLight"})
        row(n, n, 30, 30, 30, 30);
    row("groupBox_4", "groupBox_4", 201, 500, 201, 500);
    row("adjVoltageLineEdit", "adjVoltageLineEdit", 81, -1, 81, -1);
    row("adjCurrentLineEdit", "adjCurrentLineEdit", 81, -1, 81, -1);
    row("adjProgramTableWidget", "adjProgramTableWidget", -1, 361, 331, -1);
    row("widget_26", "widget_26", -1, 90, -1, 100);
    row("widget_18", "widget_18", 171, 40, 435, -1);
    row("widget_38", "widget_38", -1, -1, 241, -1);
    row("groupBox_6", "groupBox_6", -1, -1, 223, 231);
    for (const char *n :
         {"oneKeyLine_uLabel", "oneKeyLine_iLabel", "oneKeyLine_pLabel", "oneKeyLine_maxiLabel"})
        row(n, n, 101, -1, -1, 35);
    row("groupBox_8", "groupBox_8", -1, -1, -1, 81);
    row("groupBox_9", "groupBox_9", 1001, 131, -1, -1);
    row("filePath_text", "filePath_text", -1, 31, -1, -1);
    row("vcMeter_helpBackBtn geometry", "vcMeter_helpBackBtn", -2, -2, -2, -2);
    Q_UNUSED(M);
}

void TestForm::sizeLimits()
{
    QFETCH(QString, name);
    QFETCH(int, minW);
    QFETCH(int, minH);
    QFETCH(int, maxW);
    QFETCH(int, maxH);
    QWidget *w = widget(name);
    QVERIFY2(w, qPrintable(name));
    if (minW == -2) { // fixed geometry on the help page
        QCOMPARE(w->geometry(), QRect(20, 20, 91, 31));
        return;
    }
    if (minW >= 0)
        QCOMPARE(w->minimumWidth(), minW);
    if (minH >= 0)
        QCOMPARE(w->minimumHeight(), minH);
    if (maxW >= 0)
        QCOMPARE(w->maximumWidth(), maxW);
    if (maxH >= 0)
        QCOMPARE(w->maximumHeight(), maxH);
}

// ---------------------------------------------------------------- texts

void TestForm::texts_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    auto row = [](const char *name, const char *text) {
        QTest::newRow(name) << QString::fromLatin1(name) << QString::fromUtf8(text);
    };
    row("homeButton", "工具");
    row("firmwareButton", "固件更新");
    row("helpButton", "帮助");
    row("vCToolButton", "电压电流表");
    row("adjPowToolButton", "可调电源");
    row("ironToolButton", "开机线");
    row("hotAirToolButton", "焊台");
    row("otherToolButton", "其它");
    // meter
    for (const char *n : {"vcMeter_uLabel", "vcMeter_iLabel", "vcMeter_pLabel", "vcMeter_dpLabel",
                          "vcMeter_dmLabel", "vcMeter_cc1Label", "vcMeter_cc2Label",
                          "vcMeter_rLabel", "vcMeter_timeLabel", "vcMeter_pcountLabel"})
        row(n, "");
    row("vcMeter_chartStart", "");
    row("vcMeter_countStart", "");
    row("vcMeterClrPushButton", "清空图表");
    row("vcMeterChartSaveButton", "保存数据");
    row("vcMeterChartOpenButton", "导入数据");
    row("vcMeterCountResetButton", "复位");
    row("vcMeterDeviceID", "无连接");
    row("vcMeter_helpBackBtn", "返回");
    // power supply
    row("adjPowChartStart", "开始");
    row("adjPowChartOpenButton", "打开");
    row("adjPowChartSaveButton", "保存");
    row("adjPowChartClearButton", "清空");
    row("adjChartRadioButton", "曲线图");
    row("adjMeterRadioButton", "仪表图");
    row("adjM1PushButton", "M1");
    row("adjM2PushButton", "M2");
    row("adjM3PushButton", "M3");
    row("adjM4PushButton", "M4");
    row("adjM5PushButton", "M5");
    row("adjM6PushButton", "M6");
    row("adjPowuLabel", "");
    row("adjPowiLabel", "");
    row("adjPowpLabel", "");
    row("adjPowAh", "0");
    row("adjPowWh", "0");
    row("adjPowCountTime", "00:00:00");
    row("adjPowClearCountData", "清零");
    row("adjOCPButton", "OCP");
    row("adjOVPButton", "OVP");
    row("adjON_OFFButton", "ON/OFF");
    row("adjAddRowPushButton", "添加");
    row("adjProgramDeletePushButton", "删除");
    row("adjPowTableOpen", "打开");
    row("adjPowTableSave", "保存");
    row("adjProgramONOFFPushButton", "启动/停止");
    row("adjNormalRadioButton", "普通模式");
    row("adjProgramRadioButton", "编程模式");
    row("adjDeviceID", "无连接");
    // boot line
    for (const char *n :
         {"oneKeyLine_uLabel", "oneKeyLine_iLabel", "oneKeyLine_pLabel", "oneKeyLine_maxiLabel"})
        row(n, "");
    row("oneKeyLineCountTime", "00:00");
    row("oneKeyLineChartSwitch", "开始");
    row("oneKeyLineChartOpen", "打开");
    row("oneKeyLineChartSave", "保存");
    row("oneKeyLineClearButton", "清空数据");
    row("oneKeyLineOn", "一键开机");
    row("oneKeyLineDeviceID", "无连接");
    // firmware
    row("openFile", "打开文件");
    row("SendData", "执行更新");
    row("filePath_text", "");
}

void TestForm::texts()
{
    QFETCH(QString, name);
    QFETCH(QString, text);
    QObject *o = object(name);
    QVERIFY2(o, qPrintable(name));
    QString actual;
    if (auto *b = qobject_cast<QAbstractButton *>(o))
        actual = b->text();
    else if (auto *l = qobject_cast<QLabel *>(o))
        actual = l->text();
    else if (auto *e = qobject_cast<QLineEdit *>(o))
        actual = e->text();
    else
        QFAIL("no text widget");
    QCOMPARE(actual, text);
}

// Captions, units and group box titles: every text of the form, and whether
// it passes through translation in the context "Widget".
void TestForm::translation_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("translated");
    auto tr = [](const char *t) { QTest::newRow(t) << QString::fromUtf8(t) << true; };
    auto plain = [](const char *tag, const char *t) {
        QTest::newRow(tag) << QString::fromUtf8(t) << false;
    };
    for (const char *t :
         {"QUORVALINE", "工具",     "固件更新", "帮助",     "电压电流表", "可调电源", "开机线",
          "焊台",       "其它",     "数据",     "电压",     "电流",       "功率",     "负载",
          "图表操作",   "采样率",   "清空图表", "保存数据", "导入数据",   "电量统计", "时间",
          "电量",       "复位",     "设备：",   "无连接",   "返回",       "开始",     "打开",
          "保存",       "清空",     "曲线图",   "仪表图",   "实时数据",   "容量",     "清零",
          "参数设定",   "添加",     "删除",     "开始位置", "结束位置",   "循环次数", "当前位置",
          "启动/停止",  "普通模式", "编程模式", "实时电压", "实时电流",   "实时功率", "最大电流",
          "操作",       "清空数据", "一键开机", "状态",     "固件升级",   "打开文件", "执行更新"})
        tr(t);
    plain("M1", "M1");
    plain("M6", "M6");
    plain("V", "V");
    plain("A", "A");
    plain("W", "W");
    plain("Ohm", "Ω");
    plain("mAh", "mAh");
    plain("mWh", "mWh");
    plain("C . V", "C . V");
    plain("C . C", "C . C");
    plain("OVP", "OVP");
    plain("OCP", "OCP");
    plain("ON/OFF", "ON/OFF");
    plain("1Sa/s", "1Sa/s");
    plain("20Sa/s", "20Sa/s");
    plain("100Sa/s", "100Sa/s");
    plain("D+", "D+");
    plain("CC1", "CC1");
    plain("CC2", "CC2");
    plain("00.00", "00.00");
    plain("0.000", "0.000");
    plain("00:00:00", "00:00:00");
}

void TestForm::translation()
{
    QFETCH(QString, text);
    QFETCH(bool, translated);

    RecordingTranslator translator;
    QVERIFY(QCoreApplication::installTranslator(&translator));
    QWidget w;
    Ui_Widget form;
    form.setupUi(&w);
    QCoreApplication::removeTranslator(&translator);

    QCOMPARE(translator.lookups.contains(QStringLiteral("Widget|") + text), translated);
    if (translated) {
        // the form asks for it in the context "Widget" only
        for (const QString &key : qAsConst(translator.lookups))
            if (key.endsWith(QLatin1Char('|') + text))
                QVERIFY2(key.startsWith(QLatin1String("Widget|")), qPrintable(key));
        return;
    }
    // the plain text appears as it is somewhere in the form
    bool seen = false;
    for (QObject *o : w.findChildren<QObject *>()) {
        if (auto *b = qobject_cast<QAbstractButton *>(o))
            seen |= b->text() == text;
        else if (auto *l = qobject_cast<QLabel *>(o))
            seen |= l->text() == text;
        else if (auto *e = qobject_cast<QLineEdit *>(o))
            seen |= e->text() == text;
        else if (auto *c = qobject_cast<QComboBox *>(o))
            seen |= c->findText(text) >= 0;
    }
    QVERIFY2(seen, qPrintable(text));
}

// ---------------------------------------------------------------- tool buttons

void TestForm::toolButtons_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("iconPath");
    QTest::newRow("vCToolButton") << "vCToolButton"
                                  << ":/image/usb.png";
    QTest::newRow("adjPowToolButton") << "adjPowToolButton"
                                      << ":/image/subway.png";
    QTest::newRow("ironToolButton") << "ironToolButton"
                                    << ":/image/hammer_and_wrench.png";
    QTest::newRow("hotAirToolButton") << "hotAirToolButton"
                                      << ":/image/house.png";
    QTest::newRow("otherToolButton") << "otherToolButton"
                                     << ":/image/arrow_wave.png";
}

void TestForm::toolButtons()
{
    QFETCH(QString, name);
    QFETCH(QString, iconPath);
    auto *b = window->findChild<QToolButton *>(name);
    QVERIFY(b);
    QCOMPARE(b->parentWidget(), ui.scrollAreaWidgetContents);
    QCOMPARE(b->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);
    QCOMPARE(b->iconSize(), QSize(50, 50));
    QVERIFY(b->isCheckable());
    QVERIFY(!b->isChecked());
    QVERIFY(!b->autoRaise());
    QVERIFY2(QFile::exists(iconPath), qPrintable(iconPath));
    QVERIFY(!b->icon().isNull());
    // The button shows that picture: the same pixels at the button's icon size.
    const QImage shown = b->icon().pixmap(QSize(50, 50)).toImage();
    const QImage expected = QIcon(iconPath).pixmap(QSize(50, 50)).toImage();
    QVERIFY(!shown.isNull());
    QCOMPARE(shown, expected);
}

// ---------------------------------------------------------------- combo boxes

void TestForm::comboItems_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("items");
    QTest::addColumn<int>("index");
    QTest::newRow("vcMeter_fpsComboBox")
        << "vcMeter_fpsComboBox"
        << QStringList{"1Sa/s", "2Sa/s", "10Sa/s", "20Sa/s", "40Sa/s", "80Sa/s", "100Sa/s"} << 3;
    QTest::newRow("vcMeterPCountComboBox")
        << "vcMeterPCountComboBox" << QStringList{"mAh", "mWh"} << 0;
}

void TestForm::comboItems()
{
    QFETCH(QString, name);
    QFETCH(QStringList, items);
    QFETCH(int, index);
    auto *c = window->findChild<QComboBox *>(name);
    QVERIFY(c);
    QCOMPARE(c->count(), items.size());
    for (int i = 0; i < items.size(); ++i) {
        QCOMPARE(c->itemText(i), items.at(i));
        QVERIFY(c->itemIcon(i).isNull());
    }
    QCOMPARE(c->currentIndex(), index);
}

// ---------------------------------------------------------------- line edits

void TestForm::lineEdits_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("mask");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("maxLength"); // -1: not checked
    QTest::addColumn<bool>("centred");
    QTest::newRow("adjVoltageLineEdit") << "adjVoltageLineEdit"
                                        << "00.00;_"
                                        << "00.00" << -1 << true;
    QTest::newRow("adjCurrentLineEdit") << "adjCurrentLineEdit"
                                        << "0.000;_"
                                        << "0.000" << -1 << true;
    for (const char *n : {"adjPowProgramStarPosition", "adjPowProgramStopPosition", "cycleIndex",
                          "adjPowProgramCurrentPosition"})
        QTest::newRow(n) << n << "0000"
                         << "1" << 4 << true;
    QTest::newRow("filePath_text") << "filePath_text"
                                   << ""
                                   << "" << -1 << false;
}

void TestForm::lineEdits()
{
    QFETCH(QString, name);
    QFETCH(QString, mask);
    QFETCH(QString, text);
    QFETCH(int, maxLength);
    QFETCH(bool, centred);
    auto *e = window->findChild<QLineEdit *>(name);
    QVERIFY(e);
    QCOMPARE(e->inputMask(), mask);
    QCOMPARE(e->text(), text);
    if (maxLength >= 0)
        QCOMPARE(e->maxLength(), maxLength);
    if (centred)
        QCOMPARE(e->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    QVERIFY(e->isEnabled());
    QVERIFY(!e->isReadOnly());
    if (name == QLatin1String("adjCurrentLineEdit"))
        QVERIFY(e->placeholderText().isEmpty());
}

// ---------------------------------------------------------------- dials

void TestForm::dials_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("maximum");
    QTest::newRow("adjVoltageDial") << "adjVoltageDial" << 3000;
    QTest::newRow("adjCurrentDial") << "adjCurrentDial" << 6000;
}

void TestForm::dials()
{
    QFETCH(QString, name);
    QFETCH(int, maximum);
    auto *d = window->findChild<QDial *>(name);
    QVERIFY(d);
    QCOMPARE(d->minimum(), 0);
    QCOMPARE(d->maximum(), maximum);
    QCOMPARE(d->value(), 0);
    QCOMPARE(d->singleStep(), 8);
    QCOMPARE(d->pageStep(), 50);
    QCOMPARE(d->orientation(), Qt::Horizontal);
    QVERIFY(!d->wrapping());
    QVERIFY(d->notchesVisible());
    QCOMPARE(d->notchTarget(), 5.0);
    QVERIFY(!d->autoFillBackground());
    QCOMPARE(d->parentWidget(), ui.groupBox_4);
}

// ---------------------------------------------------------------- stacked widgets

void TestForm::pages_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("pageNames");
    QTest::newRow("mainStackedWidget")
        << "mainStackedWidget" << QStringList{"app", "firmware_update"};
    QTest::newRow("toolsStackedWidget")
        << "toolsStackedWidget"
        << QStringList{"vCPage", "adjPowPage", "oneKeyLine", "hotAirPage", "otherPage"};
    QTest::newRow("vcMeter_pageStackedWidget")
        << "vcMeter_pageStackedWidget" << QStringList{"vcMeterToolPage", "vcMeterToolHelp"};
    QTest::newRow("adjPowView") << "adjPowView" << QStringList{"chart", "meter"};
    QTest::newRow("adjModeStackedWidget")
        << "adjModeStackedWidget" << QStringList{"page", "page_2"};
}

void TestForm::pages()
{
    QFETCH(QString, name);
    QFETCH(QStringList, pageNames);
    auto *s = window->findChild<QStackedWidget *>(name);
    QVERIFY(s);
    QCOMPARE(s->count(), pageNames.size());
    for (int i = 0; i < pageNames.size(); ++i)
        QCOMPARE(s->widget(i)->objectName(), pageNames.at(i));
}

void TestForm::initialIndices_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("index");
    QTest::newRow("mainStackedWidget") << "mainStackedWidget" << 0;
    QTest::newRow("toolsStackedWidget") << "toolsStackedWidget" << 1;
    QTest::newRow("vcMeter_pageStackedWidget") << "vcMeter_pageStackedWidget" << 0;
    QTest::newRow("adjPowView") << "adjPowView" << 0;
    QTest::newRow("adjModeStackedWidget") << "adjModeStackedWidget" << 0;
    QTest::newRow("vcMeter_fpsComboBox") << "vcMeter_fpsComboBox" << 3;
    QTest::newRow("vcMeterPCountComboBox") << "vcMeterPCountComboBox" << 0;
}

void TestForm::initialIndices()
{
    QFETCH(QString, name);
    QFETCH(int, index);
    QObject *o = object(name);
    QVERIFY(o);
    QCOMPARE(o->property("currentIndex").toInt(), index);
}

// ---------------------------------------------------------------- group boxes

void TestForm::groupBoxes_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("title");
    auto row = [](const char *name, const char *title) {
        QTest::newRow(name) << QString::fromLatin1(name) << QString::fromUtf8(title);
    };
    row("groupBox", "数据");
    row("groupBox_2", "图表操作");
    row("groupBox_3", "电量统计");
    row("groupBox_4", "参数设定");
    row("groupBox_5", "实时数据");
    row("groupBox_6", "数据");
    row("groupBox_7", "操作");
    row("groupBox_8", "状态");
    row("groupBox_9", "固件升级");
}

void TestForm::groupBoxes()
{
    QFETCH(QString, name);
    QFETCH(QString, title);
    auto *g = window->findChild<QGroupBox *>(name);
    QVERIFY(g);
    QCOMPARE(g->title(), title);
    QCOMPARE(g->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    QVERIFY(!g->isCheckable());
}

// ---------------------------------------------------------------- style sheets

void TestForm::styleSheets_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("fragment");
    QTest::addColumn<bool>("exact");
    QTest::newRow("vcMeterDeviceID") << "vcMeterDeviceID"
                                     << "color: rgb(255, 0, 0);" << true;
    QTest::newRow("oneKeyLineDeviceID") << "oneKeyLineDeviceID"
                                        << "color: rgb(255, 0, 0);" << true;
    QTest::newRow("adjDeviceID") << "adjDeviceID"
                                 << "color:rgb(255,0,0);" << true;
    QTest::newRow("titleWidget") << "titleWidget"
                                 << "rgb(59, 64, 70)" << false;
    QTest::newRow("widget_2") << "widget_2"
                              << "#067DB8" << false;
    QTest::newRow("scrollArea") << "scrollArea"
                                << "#47d5d5" << false;
    QTest::newRow("toolsStackedWidget") << "toolsStackedWidget"
                                        << "#000000" << false;
    QTest::newRow("firmware_update") << "firmware_update"
                                     << "#000000" << false;
    QTest::newRow("cvLight") << "cvLight"
                             << "#00ff00" << false;
    QTest::newRow("ccLight") << "ccLight"
                             << "#ff0000" << false;
    QTest::newRow("ovpLight") << "ovpLight"
                              << "#ff0000" << false;
    QTest::newRow("ocpLight") << "ocpLight"
                              << "#ff0000" << false;
    QTest::newRow("adjProgramTableWidget") << "adjProgramTableWidget"
                                           << "rgb(145, 131, 111)" << false;
    QTest::newRow("adjPowVMeter") << "adjPowVMeter"
                                  << "3px solid grey" << false;
    QTest::newRow("adjPowAMeter") << "adjPowAMeter"
                                  << "3px solid grey" << false;
    QTest::newRow("widget_27") << "widget_27"
                               << "3px solid grey" << false;
    QTest::newRow("widget_25") << "page_2"
                               << "widget_25" << false;
    QTest::newRow("widget_26") << "page_2"
                               << "widget_26" << false;
}

void TestForm::styleSheets()
{
    QFETCH(QString, name);
    QFETCH(QString, fragment);
    QFETCH(bool, exact);
    QWidget *w = widget(name);
    QVERIFY2(w, qPrintable(name));
    if (exact)
        QCOMPARE(w->styleSheet(), fragment);
    else
        QVERIFY2(w->styleSheet().contains(fragment), qPrintable(w->styleSheet()));
}

// ---------------------------------------------------------------- the rest

void TestForm::miscellaneous()
{
    // value labels: box frame, centred, empty
    for (QLabel *l : {ui.vcMeter_uLabel, ui.vcMeter_iLabel, ui.vcMeter_pLabel, ui.vcMeter_dpLabel,
                      ui.vcMeter_dmLabel, ui.vcMeter_cc1Label, ui.vcMeter_cc2Label,
                      ui.vcMeter_rLabel, ui.vcMeter_timeLabel, ui.vcMeter_pcountLabel,
                      ui.adjPowuLabel, ui.adjPowiLabel, ui.adjPowpLabel, ui.oneKeyLine_uLabel,
                      ui.oneKeyLine_iLabel, ui.oneKeyLine_pLabel, ui.oneKeyLine_maxiLabel}) {
        QCOMPARE(l->frameShape(), QFrame::Box);
        QCOMPARE(l->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
        QVERIFY(l->text().isEmpty());
    }
    // the two meter counters use 14 pt
    QVERIFY(ui.vcMeter_timeLabel->styleSheet().contains("14pt"));
    QVERIFY(ui.vcMeter_pcountLabel->styleSheet().contains("14pt"));

    // progress bar
    QCOMPARE(ui.progressBar->minimum(), 0);
    QCOMPARE(ui.progressBar->maximum(), 100);
    QCOMPARE(ui.progressBar->value(), 0);

    // scroll area
    QCOMPARE(ui.scrollArea->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    QVERIFY(ui.scrollArea->widgetResizable());
    QCOMPARE(ui.scrollArea->widget(), ui.scrollAreaWidgetContents);

    // the help page holds only the back button
    QCOMPARE(ui.vcMeterToolHelp->findChildren<QWidget *>().size(), 1);
    QVERIFY(ui.vcMeterToolHelp->layout() == nullptr);

    // empty tool pages
    QVERIFY(ui.hotAirPage->findChildren<QWidget *>().isEmpty());
    QVERIFY(ui.otherPage->findChildren<QWidget *>().isEmpty());

    // rich-text placeholder of the firmware page
    const QString html = ui.textBrowser->toHtml();
    QVERIFY(ui.textBrowser->toPlainText().contains(u("等待添加内容")));
    QVERIFY(html.contains("#ffffff"));
    QVERIFY(html.contains("italic"));
    QVERIFY(html.contains("underline"));
    QVERIFY(html.contains("9pt"));

    // promoted widgets
    QVERIFY(ui.ad_Widget->inherits("CustomAdWidget"));
    for (QWidget *chart :
         {static_cast<QWidget *>(ui.Chart_Widget), static_cast<QWidget *>(ui.adjPowChart),
          static_cast<QWidget *>(ui.oneKeyLineChart)})
        QVERIFY(chart->inherits("QCustomPlot"));

    // no radio button of the power supply page is checked; each pair excludes
    for (QRadioButton *r : {ui.adjChartRadioButton, ui.adjMeterRadioButton, ui.adjNormalRadioButton,
                            ui.adjProgramRadioButton}) {
        QVERIFY(!r->isChecked());
        QVERIFY(r->autoExclusive());
    }
    QCOMPARE(ui.adjChartRadioButton->parentWidget(), ui.adjMeterRadioButton->parentWidget());
    QCOMPARE(ui.adjNormalRadioButton->parentWidget(), ui.adjProgramRadioButton->parentWidget());
    QVERIFY(ui.adjChartRadioButton->parentWidget() != ui.adjNormalRadioButton->parentWidget());
}

void TestForm::layoutsAndMembers()
{
    // top level: three rows, no spacing or margins
    auto *top = qobject_cast<QVBoxLayout *>(window->layout());
    QVERIFY(top);
    QCOMPARE(top->spacing(), 0);
    QCOMPARE(top->contentsMargins(), QMargins(0, 0, 0, 0));
    QCOMPARE(top->count(), 3);
    QCOMPARE(top->itemAt(0)->widget(), ui.titleWidget);
    QCOMPARE(top->itemAt(1)->widget(), ui.widget_2);
    QCOMPARE(top->itemAt(2)->widget(), static_cast<QWidget *>(ui.mainStackedWidget));

    // the title layout, empty, receives the title bar
    QVERIFY(ui.titleLayout);
    QCOMPARE(ui.titleLayout->objectName(), QStringLiteral("titleLayout"));
    QCOMPARE(ui.titleWidget->layout(), static_cast<QLayout *>(ui.titleLayout));
    QCOMPARE(ui.titleLayout->spacing(), 0);
    QCOMPARE(ui.titleLayout->contentsMargins(), QMargins(0, 0, 0, 0));
    QCOMPARE(ui.titleLayout->count(), 0);

    // gauge layouts, empty
    QCOMPARE(ui.adjPowVVerticalLayout->objectName(), QStringLiteral("adjPowVVerticalLayout"));
    QCOMPARE(ui.adjPowAVerticalLayout->objectName(), QStringLiteral("adjPowAVerticalLayout"));
    QCOMPARE(ui.adjPowVMeter->layout(), static_cast<QLayout *>(ui.adjPowVVerticalLayout));
    QCOMPARE(ui.adjPowAMeter->layout(), static_cast<QLayout *>(ui.adjPowAVerticalLayout));
    QCOMPARE(ui.adjPowVVerticalLayout->count(), 0);
    QCOMPARE(ui.adjPowAVerticalLayout->count(), 0);

    // navigation bar order: banner, then spacer/button pairs, then a spacer
    QLayout *nav = ui.widget_2->layout();
    QVERIFY(qobject_cast<QHBoxLayout *>(nav));
    QCOMPARE(nav->count(), 8);
    QCOMPARE(nav->itemAt(0)->widget(), static_cast<QWidget *>(ui.ad_Widget));
    QVERIFY(nav->itemAt(1)->spacerItem());
    QCOMPARE(nav->itemAt(2)->widget(), static_cast<QWidget *>(ui.homeButton));
    QVERIFY(nav->itemAt(3)->spacerItem());
    QCOMPARE(nav->itemAt(4)->widget(), static_cast<QWidget *>(ui.firmwareButton));
    QVERIFY(nav->itemAt(5)->spacerItem());
    QCOMPARE(nav->itemAt(6)->widget(), static_cast<QWidget *>(ui.helpButton));
    QVERIFY(nav->itemAt(7)->spacerItem());

    // tool list: five buttons in order, spacing 1, left margin 3
    auto *list = qobject_cast<QVBoxLayout *>(ui.scrollAreaWidgetContents->layout());
    QVERIFY(list);
    QCOMPARE(list->spacing(), 1);
    QCOMPARE(list->contentsMargins().left(), 3);
    const QList<QWidget *> order = {ui.vCToolButton, ui.adjPowToolButton, ui.ironToolButton,
                                    ui.hotAirToolButton, ui.otherToolButton};
    for (int i = 0; i < order.size(); ++i)
        QCOMPARE(list->itemAt(i)->widget(), order.at(i));

    // tools page: scroll area and tool stack, no spacing or margins
    QLayout *appLayout = ui.app->layout();
    QVERIFY(qobject_cast<QHBoxLayout *>(appLayout));
    QCOMPARE(appLayout->spacing(), 0);
    QCOMPARE(appLayout->contentsMargins(), QMargins(0, 0, 0, 0));

    // firmware page layout: spacing 20, margins 30, 20, 30, 20
    QLayout *fw = ui.firmware_update->layout();
    QVERIFY(qobject_cast<QVBoxLayout *>(fw));
    QCOMPARE(fw->spacing(), 20);
    QCOMPARE(fw->contentsMargins(), QMargins(30, 20, 30, 20));

    // meter page and power supply page layouts
    QVERIFY(qobject_cast<QHBoxLayout *>(ui.vCPage->layout()));
    QCOMPARE(ui.vCPage->layout()->contentsMargins(), QMargins(9, 9, 9, 9));
    QVERIFY(qobject_cast<QVBoxLayout *>(ui.vcMeterToolPage->layout()));
    QCOMPARE(ui.vcMeterToolPage->layout()->contentsMargins(), QMargins(0, 0, 0, 0));
    QVERIFY(qobject_cast<QGridLayout *>(ui.adjPowPage->layout()));
    QVERIFY(qobject_cast<QHBoxLayout *>(ui.oneKeyLine->layout()));

    // preset grid: M1..M3 in row 0, M4..M6 in row 1
    auto *grid = qobject_cast<QGridLayout *>(ui.widget_19->layout());
    QVERIFY(grid);
    const QList<QPushButton *> presets = {ui.adjM1PushButton, ui.adjM2PushButton,
                                          ui.adjM3PushButton, ui.adjM4PushButton,
                                          ui.adjM5PushButton, ui.adjM6PushButton};
    for (int i = 0; i < presets.size(); ++i) {
        const int idx = grid->indexOf(presets.at(i));
        QVERIFY(idx >= 0);
        int row, col, rs, cs;
        grid->getItemPosition(idx, &row, &col, &rs, &cs);
        QCOMPARE(row, i / 3);
        QCOMPARE(col, i % 3);
    }

    // parents that other Parts rely on
    QVERIFY(ui.groupBox->isAncestorOf(ui.vcMeter_uLabel));
    QVERIFY(ui.groupBox_2->isAncestorOf(ui.vcMeter_fpsComboBox));
    QVERIFY(ui.groupBox_3->isAncestorOf(ui.vcMeterPCountComboBox));
    QVERIFY(ui.widget_15->isAncestorOf(ui.vcMeterDeviceID));
    QVERIFY(ui.widget->isAncestorOf(ui.Chart_Widget));
    QVERIFY(ui.adjPowChartBackground->isAncestorOf(ui.adjPowChart));
    QVERIFY(ui.chart->isAncestorOf(ui.adjPowChartBackground));
    QVERIFY(ui.meter->isAncestorOf(ui.adjPowVMeter));
    QVERIFY(ui.meter->isAncestorOf(ui.adjPowAMeter));
    QVERIFY(ui.groupBox_5->isAncestorOf(ui.cvLight));
    QVERIFY(ui.groupBox_4->isAncestorOf(ui.adjON_OFFButton));
    QVERIFY(ui.widget_25->isAncestorOf(ui.adjProgramTableWidget));
    QVERIFY(ui.widget_26->isAncestorOf(ui.cycleIndex));
    QVERIFY(ui.widget_18->isAncestorOf(ui.adjDeviceID));
    QVERIFY(ui.widget_35->isAncestorOf(ui.oneKeyLineChart));
    QVERIFY(ui.groupBox_6->isAncestorOf(ui.oneKeyLineCountTime));
    QVERIFY(ui.groupBox_7->isAncestorOf(ui.oneKeyLineOn));
    QVERIFY(ui.groupBox_8->isAncestorOf(ui.oneKeyLineDeviceID));
    QVERIFY(ui.groupBox_9->isAncestorOf(ui.progressBar));
    QVERIFY(ui.firmware_update->isAncestorOf(ui.textBrowser));

    // captions keep the designer's default names label ... label_54
    QVERIFY(window->findChild<QLabel *>("label"));
    QVERIFY(window->findChild<QLabel *>("label_54"));
}

// At the minimum size every page fits: no control is smaller than its
// minimum size hint and no control sticks out of its page.
void TestForm::geometryAtMinimumSize()
{
    QWidget w;
    Ui_Widget form;
    form.setupUi(&w);
    w.resize(1162, 713);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));

    struct View {
        int tools, power, mode, main;
    };
    const View views[] = {{0, 0, 0, 0}, {1, 0, 0, 0}, {1, 1, 0, 0},
                          {1, 0, 1, 0}, {2, 0, 0, 0}, {0, 0, 0, 1}};
    for (const View &v : views) {
        form.toolsStackedWidget->setCurrentIndex(v.tools);
        form.adjPowView->setCurrentIndex(v.power);
        form.adjModeStackedWidget->setCurrentIndex(v.mode);
        form.mainStackedWidget->setCurrentIndex(v.main);
        QCoreApplication::processEvents();
        const QRect windowRect = w.rect();
        for (QWidget *c : w.findChildren<QWidget *>()) {
            if (!c->isVisible() || c->objectName().isEmpty() || c->objectName().startsWith("qt_"))
                continue;
            const QRect r(c->mapTo(&w, QPoint(0, 0)), c->size());
            QVERIFY2(windowRect.contains(r),
                     qPrintable(QString("%1 outside the window").arg(c->objectName())));
            const bool text = qobject_cast<QAbstractButton *>(c) || qobject_cast<QLabel *>(c) ||
                              qobject_cast<QComboBox *>(c) || qobject_cast<QLineEdit *>(c);
            if (text && c->minimumSize().isEmpty()) {
                const QSize hint = c->minimumSizeHint();
                QVERIFY2(c->height() >= hint.height(), qPrintable(QString("%1 squashed: %2 < %3")
                                                                      .arg(c->objectName())
                                                                      .arg(c->height())
                                                                      .arg(hint.height())));
            }
        }
    }
}

QTEST_MAIN(TestForm)
#include "tst_form.moc"
