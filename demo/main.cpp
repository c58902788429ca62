// The program on a simulated bench: a meter on a charging phone, a power
// supply into a resistive load, a boot line and a firmware-update device.
// For the firmware page it writes a sample 1 MiB image to the temporary
// folder, and the terminal says what the simulated device received; for the
// power supply's program mode it writes a sample program table. Typed
// into the terminal, "m", "p" or "b" and Enter pull the meter, the power
// supply or the boot line out of the simulated bench, and plug it in again.
#include "app/startup.h"
#include "demo/sampleprogram.h"
#include "sim/simulator.h"

#include <QByteArray>
#include <QDir>
#include <QSaveFile>
#include <QTextStream>

#include <cstdio>
#include <iostream>
#include <string>
#include <thread>
#include <unistd.h>

namespace {

constexpr int kSampleImageSize = 1048576; // the largest image an instrument takes

// Bytes that look like a firmware image, the same on every start.
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

bool writeSample(const QString &path, const QByteArray &image)
{
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(image) == image.size() && file.commit();
}

// The sample program as the program writes its table files.
bool writeSampleProgram(const QString &path)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text))
        return false;
    QTextStream out(&file);
    out << programtable::toText(demo::sampleProgramTable());
    out.flush();
    return out.status() == QTextStream::Ok && file.commit();
}

// After each end command, the terminal says what the simulated device holds.
void reportWhatArrives(sim::FirmwareModel *device, const QByteArray &sample)
{
    device->setObserver([device, sample](std::uint8_t command) {
        if (command != sim::FirmwareModel::kEnd)
            return;
        const std::vector<std::uint8_t> image = device->image();
        const QByteArray received(reinterpret_cast<const char *>(image.data()), int(image.size()));
        std::printf("simulated firmware-update device: %d bytes in %d data reports, image %s%s\n",
                    received.size(), device->dataReports(),
                    device->imageComplete() ? "complete" : "INCOMPLETE",
                    received == sample ? ", identical to the sample image" : "");
        for (const std::string &problem : device->problems())
            std::printf("  problem: %s\n", problem.c_str());
        std::fflush(stdout);
    });
}

// Reads the terminal on a thread of its own: each "m", "p" or "b" line pulls
// that instrument out of the bench, or plugs it in again (the bus may be
// called from any thread). Ends with the terminal's input.
void plugFromTheTerminal(const sim::DemoBench &bench)
{
    std::printf("Type m, p or b and Enter to pull the meter, power supply or boot line out and "
                "plug it in again; this program's process id is %d.\n",
                int(getpid()));
    std::fflush(stdout);
    std::thread([bench] {
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
            for (Plug &plug : plugs) {
                if (line != std::string(1, plug.key))
                    continue;
                sim::Bus &bus = sim::bus();
                if (bus.isAttached(plug.id)) {
                    bus.detach(plug.id);
                    std::printf("simulated %s pulled out\n", plug.name);
                } else {
                    plug.id = bus.attach(plug.model);
                    bus.setAnswerDelay(plug.id, 1);
                    std::printf("simulated %s plugged in again\n", plug.name);
                }
                std::fflush(stdout);
            }
        }
    }).detach();
}

} // namespace

int main(int argc, char **argv)
{
    // The version alone: no sample files, no simulated bench.
    if (startup::printVersionIfAsked(argc, argv))
        return 0;

    const sim::DemoBench bench = sim::attachDemoBench();

    const QByteArray sample = sampleImage();
    const QString samplePath =
        QDir::temp().filePath(QStringLiteral("quorvaline-demo-firmware.bin"));
    if (writeSample(samplePath, sample))
        std::printf("Firmware page: open %s (a sample 1 MiB image) and press 执行更新 / Start.\n",
                    qPrintable(QDir::toNativeSeparators(samplePath)));
    else
        std::printf("cannot write the sample firmware image %s\n", qPrintable(samplePath));
    std::fflush(stdout);
    reportWhatArrives(bench.firmware.get(), sample);
    plugFromTheTerminal(bench);

    const QString programPath =
        QDir::temp().filePath(QStringLiteral("quorvaline-demo-program.xls"));
    if (writeSampleProgram(programPath))
        std::printf("Power supply, 编程模式 / Program: open %s (three steps, 5 V, 9 V and 12 V), "
                    "set 结束位置 / End to 3 and 循环次数 / Times to 2, press 启动/停止 / "
                    "Star/Stop.\n",
                    qPrintable(QDir::toNativeSeparators(programPath)));
    else
        std::printf("cannot write the sample program table %s\n", qPrintable(programPath));
    std::fflush(stdout);

    return startup::run(argc, argv);
}
