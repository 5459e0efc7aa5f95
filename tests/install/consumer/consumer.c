/* Reads the chart named on the command line; exits 0 when it has a description. */
#include <readdata14/readdata14.h>

int main(int argc, char **argv) {
    char *description = 0;
    float *lineSymbols = 0, *closedContours = 0, *weatherRegions = 0, *fillAreas = 0;
    FloatTextBlock symbols = {0, 0, 0}, notes = {0, 0, 0};
    if (argc != 2) return 2;
    float *lines = ReadZenparData14(argv[1], &description, &lineSymbols, &closedContours, &symbols,
                                    &weatherRegions, &fillAreas, &notes);
    int ok = description != 0;
    ReleaseZenparData14(lines, description, lineSymbols, closedContours, &symbols, weatherRegions,
                        fillAreas, &notes);
    return ok ? 0 : 1;
}
