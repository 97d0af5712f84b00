#include "mail/HangUpDialUp.h"

#include "platform/ProcessEnd.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdio>

// Runs HangUpDialUp once, as the program does at the end of a check, and prints how long it took
// as {"milliseconds": N}. Then it stays, its bus connection open as the program's would be, until
// its standard input closes, so that the test sees what it sent; it ends as the program ends,
// without waiting for a listing that is still stuck on a stalled bus.
int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    QElapsedTimer timer;
    timer.start();
    HangUpDialUp();
    std::printf("{\"milliseconds\": %lld}\n", static_cast<long long>(timer.elapsed()));
    std::fflush(stdout);
    while (std::getchar() != EOF) {
    }
    endProcessNow();
}
