// The program on a simulated bench: a meter on a charging phone, a power
// supply into a resistive load, a boot line and a firmware-update device.
// For the firmware page it writes a sample 1 MiB image to the temporary
// folder, and the terminal says what the simulated device received; for the
// power supply's program mode it writes a sample program table; for the boot
// check, a reference made of five healthy boots. Typed into the terminal,
// "m", "p" or "b" and Enter pull the meter, the power supply or the boot line
// out of the simulated bench, and plug it in again; "good", "stuck",
// "short", "dead" or "loop" chooses the phone the boot line boots; "c" lets
// the supply charge a simulated cell.
#include "app/startup.h"
#include "demo/demobench.h"

#include <QDir>

#include <cstdio>
#include <unistd.h>

int main(int argc, char **argv)
{
    // The version alone: no sample files, no simulated bench.
    if (startup::printVersionIfAsked(argc, argv))
        return 0;

    const sim::DemoBench bench = sim::attachDemoBench();

    if (demo::writeSampleImage())
        std::printf("Firmware page: open %s (a sample 1 MiB image) and press 执行更新 / Start.\n",
                    qPrintable(QDir::toNativeSeparators(demo::sampleImagePath())));
    else
        std::printf("cannot write the sample firmware image %s\n",
                    qPrintable(demo::sampleImagePath()));
    std::fflush(stdout);
    demo::reportWhatArrives(bench, stdout);
    std::printf("Type m, p or b and Enter to pull the meter, power supply or boot line out and "
                "plug it in again; this program's process id is %d.\n",
                int(getpid()));
    if (demo::useDemoReferences())
        std::printf("Boot line, 开机检查 / Boot check: the reference '%s' (five healthy boots) is "
                    "chosen; hold 一键开机 / Trig: PASS after 8 s. Then type stuck, short, dead "
                    "or loop and Enter for a faulty phone (good for a healthy one again) and "
                    "press once more: FAIL, with the phase.\n",
                    demo::kDemoReferenceName);
    else
        std::printf("cannot write the demo's boot reference to %s\n",
                    qPrintable(demo::demoReferenceFolder()));
    std::printf("Type c and Enter to let the power supply charge a simulated cell (constant "
                "current, then constant voltage as it fills, in minutes), and to see a stop "
                "condition (chart menu, 停止条件… / Stop conditions…) switch its output off.\n");
    std::fflush(stdout);
    demo::plugFromTheTerminal(bench, stdout);

    if (demo::writeSampleProgram())
        std::printf("Power supply, 编程模式 / Program: open %s (three steps, 5 V, 9 V and 12 V), "
                    "set 结束位置 / End to 3 and 循环次数 / Times to 2, press 启动/停止 / "
                    "Star/Stop.\n",
                    qPrintable(QDir::toNativeSeparators(demo::sampleProgramPath())));
    else
        std::printf("cannot write the sample program table %s\n",
                    qPrintable(demo::sampleProgramPath()));
    std::fflush(stdout);

    return startup::run(argc, argv);
}
