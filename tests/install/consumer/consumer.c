/* A C host of the installed library: reads the chart named on the command
 * line through both entries; exits 0 when both read it. */
#include <readdata14/readdata14.h>

int main(int argc, char **argv) {
    char *description = 0;
    float *lineSymbols = 0, *closedContours = 0, *weatherRegions = 0, *fillAreas = 0;
    FloatTextBlock symbols = {0, 0, 0}, notes = {0, 0, 0};
    readdata14_chart chart;
    if (argc != 2) return 2;
    float *lines = ReadZenparData14(argv[1], &description, &lineSymbols, &closedContours, &symbols,
                                    &weatherRegions, &fillAreas, &notes);
    int ok = description != 0;
    ReleaseZenparData14(lines, description, lineSymbols, closedContours, &symbols, weatherRegions,
                        fillAreas, &notes);
    ok = ok && readdata14_read(argv[1], &chart, 0, 0) == READDATA14_READ && chart.closedContoursSize > 0;
    readdata14_release(&chart);
    return ok ? 0 : 1;
}
