// Times the courier window's two costs: building the outlines of its eight frames (once, at
// load) and one tick of its walk (every 200 ms): the step, the shape and the repaint.
//
//     courier_bench [ticks]   (run it on the display to measure; bench/courier does that)

#include "chara/Form1.h"
#include "chara/FrameRegions.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>
#include <cstdio>
#include <ctime>
#include <functional>

namespace {

struct Cost {
    double wallUs = 0; // including waits for the X server
    double cpuUs = 0;  // this process's own work
};

double processCpuNs() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e9 + static_cast<double>(now.tv_nsec);
}

Cost costPer(int repeats, const std::function<void()>& work) {
    QElapsedTimer clock;
    const double cpuStart = processCpuNs();
    clock.start();
    for (int i = 0; i < repeats; ++i)
        work();
    return {static_cast<double>(clock.nsecsElapsed()) / 1000.0 / repeats,
            (processCpuNs() - cpuStart) / 1000.0 / repeats};
}

void print(const char* what, Cost cost, double budgetUs) {
    std::printf("%-34s %8.1f us wall (%.3f x budget), %8.1f us processor (%.3f x budget)\n", what,
                cost.wallUs, cost.wallUs / budgetUs, cost.cpuUs, cost.cpuUs / budgetUs);
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    const int ticks = argc > 1 ? std::atoi(argv[1]) : 2000;
    const FramePictures pictures = loadFramePictures();
    const Cost build = costPer(200, [&] { BuildFrameRegions(pictures); });

    Form1& courier = Form1::instance();
    courier.show();
    if (!QTest::qWaitForWindowExposed(&courier))
        return 1;
    // Each tick is flushed to the display, so that its shape request and repaint are counted.
    const Cost tick = costPer(ticks, [&] {
        courier.tick();
        QCoreApplication::processEvents();
    });

    std::printf("budgets: 3 ms to build the outlines, 1 ms for a tick\n");
    print("building all eight frame outlines:", build, 3000.0);
    print("one tick (step, shape, repaint):", tick, 1000.0);
    return 0;
}
