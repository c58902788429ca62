// The instrument simulator: a model of the meter (0x4607), power supply
// (0x4608), boot line (0x4609) and firmware-update device (0x4606) of vendor
// 0x2E88 behind the hidapi functions. Link quorvaline_sim instead of a hidapi
// backend; attach devices with sim::bus(); the program's hidapi calls then
// talk to the models.
#pragma once

#include "sim/bench.h"
#include "sim/boot_line_model.h"
#include "sim/bus.h"
#include "sim/device_model.h"
#include "sim/firmware_model.h"
#include "sim/meter_model.h"
#include "sim/power_supply_model.h"
#include "sim/sim_bytes.h"
