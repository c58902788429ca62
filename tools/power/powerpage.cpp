// The power supply page of the main window: its state object, poll timer
// and chart.
#include "app/widget.h"

#include "charts/livechart.h"
#include "charts/rangehandler.h"
#include "tools/meter/counting.h"
#include "tools/power/adjpower.h"
#include "ui_widget.h"

#include <QTimer>

void Widget::setupPowerPage()
{
    adjPower = new AdjPower;
    adjPower->pollTimer = new QTimer;

    setupLiveChart(ui->adjPowChart, *adjPower, powerChartProfile());
    connect(ui->adjPowChart->xAxis, SIGNAL(rangeChanged(QCPRange)), this,
            SLOT(adjPowerRangeChangeEvent()));

    connect(ui->adjPowClearCountData, &QPushButton::clicked, this,
            [this] { counting::reset(*adjPower); });
}

// The power supply's status request is not built yet: its poll timer runs but
// is connected to nothing, and this slot does nothing.
void Widget::adjPowerChartProcess() {}

void Widget::refreshPowerCountLabels()
{
    ui->adjPowAh->setText(QString::number(adjPower->chargeMah, 'f', 0));
    ui->adjPowWh->setText(QString::number(adjPower->energyMwh, 'f', 0));
    ui->adjPowCountTime->setText(counting::timeText(adjPower->countTicks));
}

void Widget::countPower()
{
    // Counts while the output is on; the supply's handle is not looked at.
    if (adjPower->outputOn && toolPageShown(PowerPage))
        counting::addTick(*adjPower, adjPower->shownCurrent, adjPower->shownPower);
}

void Widget::adjPowerRangeChangeEvent()
{
    handleRangeChange(ui->adjPowChart, *adjPower, powerChartProfile(), toolPageShown(PowerPage),
                      ui->adjPowView->currentIndex() == kPowerChartView);
}
