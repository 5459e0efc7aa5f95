// Compiled twice by check_compile_failure.cmake: as it stands it must build;
// with READDATA14_TRAP the loop over a temporary Chart's lines must not, since
// the lines would be released before the loop's first step.
#include "readdata14/chart.hpp"

int main(int argc, char** argv) {
    int count = 0;
#if defined(READDATA14_TRAP)
    for (auto line : readdata14::Chart::Open(argc > 1 ? argv[1] : "chart.txt").Lines()) count += line.code;
#else
    const auto chart = readdata14::Chart::Open(argc > 1 ? argv[1] : "chart.txt");
    for (auto line : chart.Lines()) count += line.code;
#endif
    return count;
}
