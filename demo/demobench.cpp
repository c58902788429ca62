#include "demo/demobench.h"

#include "demo/sampleprogram.h"

#include "analysis/referencefile.h"

#include <QDir>
#include <QSaveFile>
#include <QTextStream>

#include <cmath>

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

namespace {
const char *phoneText(sim::BootLineModel::Phone phone)
{
    switch (phone) {
    case sim::BootLineModel::Phone::Healthy:
        return "a healthy phone";
    case sim::BootLineModel::Phone::StopsAtBootLoader:
        return "a phone that stops at the boot loader";
    case sim::BootLineModel::Phone::Short:
        return "a phone with a short (it draws the supply's limit)";
    case sim::BootLineModel::Phone::NeverStarts:
        return "a phone that never starts";
    case sim::BootLineModel::Phone::BootLoop:
        return "a phone that reboots in a loop";
    }
    return "";
}
} // namespace

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
            sim::BootLineModel::Phone phone;
            if (sim::BootLineModel::phoneFromWord(line.c_str(), &phone)) {
                bench.bootLine->setPhone(phone);
                std::fprintf(messages, "simulated boot line: the next press boots %s\n",
                             phoneText(phone));
                std::fflush(messages);
                continue;
            }
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

namespace demo {

QString demoReferenceFolder()
{
    return QDir::temp().filePath(QStringLiteral("quorvaline-demo-references"));
}

std::optional<bootprofile::Reference> demoReference(qint64 lengthUs)
{
    // Five healthy boots as the boot line reads them: a sample every 2 ms,
    // in whole milliamperes, from the press on.
    constexpr qint64 kSampleUs = 2000;
    std::vector<bootprofile::Capture> captures(5);
    for (unsigned run = 1; run <= 5; ++run) {
        bootprofile::Capture &capture = captures[run - 1];
        capture.atTrigger = true;
        for (qint64 t = 0; t <= lengthUs; t += kSampleUs) {
            const double amps = sim::BootLineModel::phoneCurrentAt(
                sim::BootLineModel::Phone::Healthy, run, double(t) / 1e6);
            capture.samples.push_back({t, std::round(amps * 1000.0) / 1000.0, 4.0 - 0.12 * amps});
        }
        capture.endedAtUs = lengthUs;
    }
    std::vector<const bootprofile::Capture *> chosen;
    for (const bootprofile::Capture &capture : captures)
        chosen.push_back(&capture);
    std::optional<bootprofile::Reference> reference =
        bootprofile::buildReference(chosen, bootprofile::Tolerance());
    if (!reference)
        return std::nullopt;
    reference->name = QLatin1String(kDemoReferenceName);
    reference->model = QStringLiteral("QV-1 (simulated)");
    reference->note = QStringLiteral("Five healthy boots of the demo's simulated phone");
    const struct {
        const char *name;
        double from;
        double to;
    } stages[] = {{"PMU", 0, sim::BootLineModel::kBootLoaderAt},
                  {"boot loader", sim::BootLineModel::kBootLoaderAt, sim::BootLineModel::kKernelAt},
                  {"kernel", sim::BootLineModel::kKernelAt, sim::BootLineModel::kIdleAt},
                  {"idle", sim::BootLineModel::kIdleAt, double(lengthUs) / 1e6}};
    for (const auto &stage : stages) {
        bootprofile::Phase phase;
        phase.name = QLatin1String(stage.name);
        phase.fromUs = qint64(std::llround(stage.from * 1e6));
        phase.toUs = qint64(std::llround(stage.to * 1e6));
        reference->phases << phase;
    }
    return reference;
}

bool useDemoReferences(const QString &folder)
{
    const std::optional<bootprofile::Reference> reference = demoReference();
    if (!reference || !QDir().mkpath(folder) ||
        !bootprofile::writeFile(QDir(folder).filePath(QLatin1String(kDemoReferenceFile)),
                                *reference, nullptr))
        return false;
    bootprofile::overrideLibraryFolder(folder);
    bootprofile::setChosenReference(QLatin1String(kDemoReferenceFile));
    return true;
}

} // namespace demo
