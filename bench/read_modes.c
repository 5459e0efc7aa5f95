/* One read of one file in one of the ways a host can ask for it, timed from
 * the call to its return; run it under /usr/bin/time -v for the peak
 * resident size of the whole process. For the figures of a closing note,
 * not a test: nothing here is checked.
 *
 *   read_modes read FILE          readdata14_read, no callback
 *   read_modes read-callback FILE readdata14_read, a callback (every finding kept until the end)
 *   read_modes open FILE          readdata14_open, no handler
 *   read_modes open-limit FILE    readdata14_open, a handler, maxFindings 100
 *   read_modes export FILE        ReadZenparData14
 *
 * Prints: mode, status, errors, warnings, findings handed on, seconds. */
#define _POSIX_C_SOURCE 199309L
#include <stdio.h>
#include <string.h>
#include <time.h>

#include "readdata14/readdata14.h"

static double Now(void) {
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (double)t.tv_sec + (double)t.tv_nsec * 1e-9;
}

static void READDATA14_CALL CountCalled(const readdata14_finding *finding, void *context) {
    (void)finding;
    ++*(unsigned long *)context;
}

static int READDATA14_CALL CountFinding(const readdata14_finding *finding, void *context) {
    (void)finding;
    ++*(unsigned long *)context;
    return READDATA14_GO_ON;
}

int main(int argc, char **argv) {
    const char *mode = argc == 3 ? argv[1] : "";
    const char *path = argc == 3 ? argv[2] : "";
    unsigned long handed = 0;
    double start, seconds;
    int status = -1;
    unsigned long errors = 0, warnings = 0;

    start = Now();
    if (strcmp(mode, "read") == 0 || strcmp(mode, "read-callback") == 0) {
        readdata14_chart chart;
        status = (int)readdata14_read(path, &chart, strcmp(mode, "read") == 0 ? NULL : CountCalled, &handed);
        seconds = Now() - start;
        errors = chart.errors;
        warnings = chart.warnings;
        readdata14_release(&chart);
    } else if (strcmp(mode, "open") == 0 || strcmp(mode, "open-limit") == 0) {
        readdata14_options options = READDATA14_OPTIONS_INIT;
        readdata14_document *document = NULL;
        if (strcmp(mode, "open-limit") == 0) {
            options.onFinding = CountFinding;
            options.context = &handed;
            options.maxFindings = 100;
        }
        status = (int)readdata14_open(path, &options, &document);
        seconds = Now() - start;
        if (document != NULL) {
            errors = document->chart.errors;
            warnings = document->chart.warnings;
        }
        readdata14_close(document);
    } else if (strcmp(mode, "export") == 0) {
        char *description = NULL;
        float *lineSymbols = NULL, *closedContours = NULL, *weatherRegions = NULL, *fillAreas = NULL;
        FloatTextBlock symbols = {NULL, NULL, NULL}, notes = {NULL, NULL, NULL};
        float *lines = ReadZenparData14(path, &description, &lineSymbols, &closedContours, &symbols,
                                        &weatherRegions, &fillAreas, &notes);
        seconds = Now() - start;
        status = description != NULL ? 0 : 2;
        ReleaseZenparData14(lines, description, lineSymbols, closedContours, &symbols, weatherRegions, fillAreas,
                            &notes);
    } else {
        fprintf(stderr, "usage: read_modes read|read-callback|open|open-limit|export FILE\n");
        return 2;
    }
    printf("%s: status %d (%s), %lu errors, %lu warnings, %lu handed on, %.3f s\n", mode, status,
           status >= 0 ? readdata14_status_name((readdata14_status)status) : "?", errors, warnings, handed,
           seconds);
    return 0;
}
