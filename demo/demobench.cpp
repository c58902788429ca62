#include "demo/demobench.h"

#include "demo/sampleprogram.h"

#include <QDir>
#include <QSaveFile>
#include <QTextStream>

#include <iostream>
#include <string>
#include <thread>

namespace demo {

namespace {
constexpr int kSampleImageSize = 1048576; // the largest image an instrument takes
}

QByteArray sampleImage()
{
    QByteArray image(kSampleImageSize, '\0');
    quint32 state = 0x2E884606u;
    for (char &byte : image) {
        state = state * 1664525u + 1013904223u;
        byte = char(state >> 24);
    }
    return image;
}

QString sampleImagePath()
{
    return QDir::temp().filePath(QStringLiteral("quorvaline-demo-firmware.bin"));
}

QString sampleProgramPath()
{
    return QDir::temp().filePath(QStringLiteral("quorvaline-demo-program.xls"));
}

bool writeSampleImage()
{
    const QByteArray image = sampleImage();
    QSaveFile file(sampleImagePath());
    return file.open(QIODevice::WriteOnly) && file.write(image) == image.size() && file.commit();
}

bool writeSampleProgram()
{
    // As the program writes its table files.
    QSaveFile file(sampleProgramPath());
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text))
        return false;
    QTextStream out(&file);
    out << programtable::toText(sampleProgramTable());
    out.flush();
    return out.status() == QTextStream::Ok && file.commit();
}

void reportWhatArrives(const sim::DemoBench &bench, FILE *messages)
{
    sim::FirmwareModel *device = bench.firmware.get();
    const QByteArray sample = sampleImage();
    device->setObserver([device, sample, messages](std::uint8_t command) {
        if (command != sim::FirmwareModel::kEnd)
            return;
        const std::vector<std::uint8_t> image = device->image();
        const QByteArray received(reinterpret_cast<const char *>(image.data()), int(image.size()));
        std::fprintf(messages,
                     "simulated firmware-update device: %d bytes in %d data reports, image %s%s\n",
                     received.size(), device->dataReports(),
                     device->imageComplete() ? "complete" : "INCOMPLETE",
                     received == sample ? ", identical to the sample image" : "");
        for (const std::string &problem : device->problems())
            std::fprintf(messages, "  problem: %s\n", problem.c_str());
        std::fflush(messages);
    });
}

void switchCell(sim::PowerSupplyModel &supply, FILE *messages)
{
    if (supply.hasCell()) {
        // The resistive load stayed as it was behind the cell.
        supply.setLoad(supply.load());
        std::fprintf(messages, "simulated power supply: back on its %.0f ohm load\n",
                     supply.load());
    } else {
        const sim::PowerSupplyModel::Cell cell;
        supply.connectCell(cell);
        std::fprintf(messages,
                     "simulated power supply: now charging a %.0f mAh cell, %.0f %% full. Select "
                     "M6 (4.20 V, 3.000 A) and switch the output on: constant current, then "
                     "constant voltage with the current tapering; below 100 mA after about two "
                     "minutes (c again: back to the resistive load)\n",
                     cell.capacityMah, cell.stateOfCharge * 100);
    }
    std::fflush(messages);
}

void plugFromTheTerminal(const sim::DemoBench &bench, FILE *messages)
{
    std::thread([bench, messages] {
        struct Plug {
            char key;
            const char *name;
            std::shared_ptr<sim::DeviceModel> model;
            int id;
        } plugs[] = {{'m', "meter", bench.meter, bench.meterId},
                     {'p', "power supply", bench.powerSupply, bench.powerSupplyId},
                     {'b', "boot line", bench.bootLine, bench.bootLineId}};
        std::string line;
        while (std::getline(std::cin, line)) {
            if (line == "c") {
                switchCell(*bench.powerSupply, messages);
                continue;
            }
            for (Plug &plug : plugs) {
                if (line != std::string(1, plug.key))
                    continue;
                sim::Bus &bus = sim::bus();
                if (bus.isAttached(plug.id)) {
                    bus.detach(plug.id);
                    std::fprintf(messages, "simulated %s pulled out\n", plug.name);
                } else {
                    plug.id = bus.attach(plug.model);
                    bus.setAnswerDelay(plug.id, 1);
                    std::fprintf(messages, "simulated %s plugged in again\n", plug.name);
                }
                std::fflush(messages);
            }
        }
    }).detach();
}

} // namespace demo
