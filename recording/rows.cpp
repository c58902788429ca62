#include "rows.h"

#include "files/fastnumber.h"

namespace recording {

namespace {

// Value columns between the times and the event, per instrument.
int valueColumns(Instrument instrument)
{
    switch (instrument) {
    case Instrument::Meter:
        return 9;
    case Instrument::PowerSupply:
        return 8;
    case Instrument::BootLine:
        return 5;
    }
    return 0;
}

} // namespace

QByteArray headerLine(Instrument instrument)
{
    switch (instrument) {
    case Instrument::Meter:
        return "time_utc,elapsed_s,voltage_V,current_A,power_W,dplus_V,dminus_V,cc1_V,cc2_V,"
               "charge_mAh,energy_mWh,event\n";
    case Instrument::PowerSupply:
        return "time_utc,elapsed_s,voltage_V,current_A,power_W,set_voltage_V,set_current_A,"
               "preset,output,mode,event\n";
    case Instrument::BootLine:
        return "time_utc,elapsed_s,voltage_V,current_A,peak_current_A,device_time_s,trigger,"
               "event\n";
    }
    return QByteArray();
}

QByteArray modeText(int mode)
{
    static const char *const names[] = {"CV", "CC", "OCP", "OVP"};
    if (mode >= 0 && mode < 4)
        return names[mode];
    return QByteArray::number(mode);
}

RowText::RowText(Instrument instrument, qint64 startUtcMs)
    : mInstrument(instrument), mStamp(startUtcMs)
{
}

void RowText::addNumber(double value, int decimals)
{
    char text[fastnumber::kMaxFixedLength + 2];
    text[0] = ',';
    char *end = fastnumber::writeFixed(text + 1, value, decimals);
    mLines.append(text, int(end - text));
}

void RowText::addMeter(qint64 atUs, const MeterRow &row)
{
    mStamp.append(mLines, atUs);
    // Volts and amperes come in steps of 1.25 mV and 0.48 mA: five decimals
    // keep them exact. The line voltages' steps are 0.8 mV.
    addNumber(row.volts, 5);
    addNumber(row.amps, 5);
    addNumber(row.watts, 5);
    addNumber(row.dPlus, 4);
    addNumber(row.dMinus, 4);
    addNumber(row.cc1, 4);
    addNumber(row.cc2, 4);
    addNumber(row.chargeMah, 4);
    addNumber(row.energyMwh, 4);
    mLines.append(",\n", 2);
}

void RowText::addPowerSupply(qint64 atUs, const PowerSupplyRow &row)
{
    mStamp.append(mLines, atUs);
    // The supply reports 10 mV and 1 mA steps; their product needs five
    // decimals.
    addNumber(row.volts, 2);
    addNumber(row.amps, 3);
    addNumber(row.watts, 5);
    if (row.setVolts)
        addNumber(*row.setVolts, 2);
    else
        mLines.append(',');
    if (row.setAmps)
        addNumber(*row.setAmps, 3);
    else
        mLines.append(',');
    mLines.append(',');
    mLines.append(QByteArray::number(row.preset));
    mLines.append(row.outputOn ? ",1," : ",0,", 3);
    mLines.append(modeText(row.mode));
    mLines.append(",\n", 2);
}

void RowText::addBootLine(qint64 atUs, const BootLineRow &row)
{
    mStamp.append(mLines, atUs);
    addNumber(row.volts, 3);
    addNumber(row.amps, 3);
    addNumber(row.peakAmps, 3);
    addNumber(row.deviceSeconds, 1);
    mLines.append(row.triggerHeld ? ",1,\n" : ",0,\n", 4);
}

void RowText::addGap(qint64 atUs)
{
    mStamp.append(mLines, atUs);
    mLines.append(QByteArray(valueColumns(mInstrument), ','));
    mLines.append(",disconnected\n");
}

QByteArray RowText::take()
{
    QByteArray lines;
    lines.swap(mLines);
    return lines;
}

} // namespace recording
