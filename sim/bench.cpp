#include "sim/bench.h"
#include "sim/bus.h"

namespace sim {

DemoBench attachDemoBench()
{
    DemoBench b;
    b.meter = std::make_shared<MeterModel>();
    b.meter->startPhoneCharging(MeterModel::Charger::QuickCharge);
    b.powerSupply = std::make_shared<PowerSupplyModel>();
    b.powerSupply->setLoad(20.0);
    b.bootLine = std::make_shared<BootLineModel>();
    b.bootLine->setPhone(BootLineModel::Phone::Healthy);
    b.firmware = std::make_shared<FirmwareModel>();
    b.firmware->setFirstAnswerDelay(300);

    Bus &bus = Bus::instance();
    // The boot line is polled every 2 ms: keep the output logs short.
    bus.setWriteLogLimit(1000);
    b.meterId = bus.attach(b.meter);
    b.powerSupplyId = bus.attach(b.powerSupply);
    b.bootLineId = bus.attach(b.bootLine);
    b.firmwareId = bus.attach(b.firmware);
    // A full-speed interrupt endpoint answers within about a millisecond.
    for (int id : {b.meterId, b.powerSupplyId, b.bootLineId})
        bus.setAnswerDelay(id, 1);
    return b;
}

} // namespace sim
