// A realistic bench of the four instruments for the demo.
#pragma once

#include "sim/boot_line_model.h"
#include "sim/firmware_model.h"
#include "sim/meter_model.h"
#include "sim/power_supply_model.h"

#include <memory>

namespace sim {

struct DemoBench {
    int meterId = -1;
    int powerSupplyId = -1;
    int bootLineId = -1;
    int firmwareId = -1;
    std::shared_ptr<MeterModel> meter;
    std::shared_ptr<PowerSupplyModel> powerSupply;
    std::shared_ptr<BootLineModel> bootLine;
    std::shared_ptr<FirmwareModel> firmware;
};

/// Attaches, in this order, a meter with a phone charging from a QC-style
/// charger, a power supply into a 20 ohm load, a boot line with a healthy
/// phone (BootLineModel::Phone) and a firmware-update device that takes 300 ms to erase its
/// flash before its first answer. The instruments answer after about 1 ms.
/// Sets the bus's write log limit to 1000 reports (a long demo run).
DemoBench attachDemoBench();

} // namespace sim
