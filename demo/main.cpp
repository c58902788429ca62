// The program on a simulated bench: a meter on a charging phone, a power
// supply into a resistive load, a boot line and a firmware-update device.
#include "app/startup.h"
#include "sim/simulator.h"

int main(int argc, char **argv)
{
    sim::attachDemoBench();
    return startup::run(argc, argv);
}
