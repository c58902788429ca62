#include "rows.h"

#include "engine/bootlineengine.h"
#include "engine/meterengine.h"
#include "engine/powerengine.h"
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

MeterRow meterRow(const meter::Answer &answer, int n, double chargeMah, double energyMwh)
{
    const engine::Sample &sample = answer.samples[n];
    MeterRow row;
    row.volts = sample.volts;
    row.amps = sample.amps;
    row.watts = sample.watts;
    row.dPlus = answer.lines.dPlus;
    row.dMinus = answer.lines.dMinus;
    row.cc1 = answer.lines.cc1;
    row.cc2 = answer.lines.cc2;
    row.chargeMah = chargeMah;
    row.energyMwh = energyMwh;
    return row;
}

PowerSupplyRow powerSupplyRow(const power::Answer &answer)
{
    const power::Status &status = answer.status;
    PowerSupplyRow row;
    row.volts = answer.sample.volts;
    row.amps = answer.sample.amps;
    row.watts = answer.sample.watts;
    if (status.presetIndex >= 1 && status.presetIndex <= power::kPresetCount) {
        row.setVolts = status.presetVoltage[status.presetIndex - 1] / 100.0;
        row.setAmps = status.presetCurrent[status.presetIndex - 1] / 1000.0;
    }
    row.preset = status.presetIndex;
    row.outputOn = status.outputOn != 0;
    row.mode = status.mode;
    return row;
}

BootLineRow bootLineRow(const bootline::Answer &answer)
{
    BootLineRow row;
    row.volts = answer.sample.volts;
    row.amps = answer.sample.amps;
    row.peakAmps = answer.reading.peakAmps;
    row.deviceSeconds = answer.reading.tenths / 10.0;
    row.triggerHeld = answer.trigger != 0;
    return row;
}

QByteArray headerLine(Instrument instrument, Format format)
{
    if (format == Format::JsonLines)
        return QByteArray();
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

QByteArray jsonLinesOf(Instrument instrument, const QByteArray &csvLines)
{
    return jsonLinesOf(headerLine(instrument).trimmed().split(','), csvLines);
}

QByteArray jsonLinesOf(const QList<QByteArray> &names, const QByteArray &csvLines)
{
    QByteArray out;
    out.reserve(csvLines.size() * 2);
    int lineStart = 0;
    while (lineStart < csvLines.size()) {
        int lineEnd = csvLines.indexOf('\n', lineStart);
        if (lineEnd < 0)
            lineEnd = csvLines.size();
        out += '{';
        int cellStart = lineStart;
        for (int column = 0; column < names.size(); ++column) {
            int cellEnd = csvLines.indexOf(',', cellStart);
            if (cellEnd < 0 || cellEnd > lineEnd)
                cellEnd = lineEnd;
            const QByteArray cell = csvLines.mid(cellStart, cellEnd - cellStart);
            if (column > 0)
                out += ',';
            out += '"' + names[column] + "\":";
            // The cells are numbers, the time, a mode name or an event: none
            // holds a quote or a backslash.
            const char first = cell.isEmpty() ? 0 : cell[0];
            const bool number = (first >= '0' && first <= '9') || first == '-';
            if (cell.isEmpty())
                out += "null";
            else if (number && names[column] != "time_utc")
                out += cell;
            else
                out += '"' + cell + '"';
            cellStart = qMin(cellEnd + 1, lineEnd);
        }
        out += "}\n";
        lineStart = lineEnd + 1;
    }
    return out;
}

RowText::RowText(Instrument instrument, qint64 startUtcMs, Format format)
    : mInstrument(instrument), mFormat(format), mStamp(startUtcMs)
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
    addEvent(atUs, "disconnected");
}

void RowText::addEvent(qint64 atUs, const QByteArray &event)
{
    mStamp.append(mLines, atUs);
    mLines.append(QByteArray(valueColumns(mInstrument), ','));
    mLines.append(',');
    mLines.append(event);
    mLines.append('\n');
}

QByteArray RowText::take()
{
    QByteArray lines;
    lines.swap(mLines);
    if (mFormat == Format::JsonLines && !lines.isEmpty())
        return jsonLinesOf(mInstrument, lines);
    return lines;
}

} // namespace recording
