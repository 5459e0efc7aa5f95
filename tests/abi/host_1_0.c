/* A host built against version 1.0: it does not include the library's
 * header but carries its own copy of the 1.0 declarations, as a host
 * compiled back then does, and runs with today's library. Every field of the
 * record must stand where 1.0 put it: the sizes are the exact ends of the
 * blocks (walked here), the blocks are those of ReadZenparData14, and the
 * status, error number and finding are where 1.0 hosts look for them.
 *
 *   host_1_0 sample_chart.txt */
#include <errno.h>
#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>

#if defined(_WIN32)
#  define CALL __cdecl
#else
#  define CALL
#endif

/* ---- the 1.0 declarations, copied ---------------------------------------- */
typedef struct FloatTextBlock {
    float *values;
    int32_t *lengths;
    char *text;
} FloatTextBlock;

typedef enum old_status {
    OLD_READ = 0,
    OLD_CANNOT_OPEN = 1,
    OLD_NOT_TYPE_14 = 2,
    OLD_OUT_OF_MEMORY = 3,
    OLD_INVALID_ARGUMENT = 4,
    OLD_CALLBACK_FAILED = 5
} old_status;

typedef struct old_chart {
    float *lines;
    char *description;
    float *lineSymbols;
    float *closedContours;
    FloatTextBlock symbols;
    float *weatherRegions;
    float *fillAreas;
    FloatTextBlock notes;
    size_t linesSize;
    size_t lineSymbolsSize;
    size_t closedContoursSize;
    size_t weatherRegionsSize;
    size_t fillAreasSize;
    size_t symbolValuesSize;
    size_t symbolLengthsSize;
    size_t symbolTextSize;
    size_t noteValuesSize;
    size_t noteLengthsSize;
    size_t noteTextSize;
    int32_t systemError;
    uint32_t errors;
    uint32_t warnings;
} old_chart;

typedef struct old_finding {
    uint64_t offset;
    uint64_t line;
    uint64_t column;
    int32_t kind;
    int32_t severity;
    const char *message;
} old_finding;

typedef void(CALL *old_callback)(const old_finding *finding, void *context);

float *CALL ReadZenparData14(const char *path, char **description, float **lineSymbols,
                             float **closedContours, FloatTextBlock *symbols, float **weatherRegions,
                             float **fillAreas, FloatTextBlock *notes);
void CALL ReleaseZenparData14(float *lines, char *description, float *lineSymbols, float *closedContours,
                              FloatTextBlock *symbols, float *weatherRegions, float *fillAreas,
                              FloatTextBlock *notes);
old_status CALL readdata14_read(const char *path, old_chart *chart, old_callback onFinding, void *context);
old_status CALL readdata14_read_memory(const void *data, size_t size, old_chart *chart, old_callback onFinding,
                                       void *context);
void CALL readdata14_release(old_chart *chart);
const char *CALL readdata14_version(void);
/* ---- end of the copy ------------------------------------------------------ */

static int failures = 0;

#define CHECK(condition)                                                        \
    do {                                                                        \
        if (!(condition)) {                                                     \
            fprintf(stderr, "host_1_0: line %d: %s\n", __LINE__, #condition); \
            ++failures;                                                         \
        }                                                                       \
    } while (0)

/* The floats of the lines block from its own slots: 1 + each record's
 * [p, code, p points, label, m, m points]. */
static size_t WalkLines(const float *block) {
    size_t at = 1;
    for (long record = 0; record < (long)block[0]; ++record) {
        size_t p = (size_t)block[at];
        size_t m = (size_t)block[at + 2 * p + 3];
        at += 2 * p + 2 * m + 4;
    }
    return at;
}

/* [1, type, x, y, value, 6 values] per note, and as many symbols of 5. */
static size_t Walked(const float *block, size_t recordLength) {
    return block == NULL ? 0 : 1 + (size_t)block[0] * recordLength;
}

static int SameFloats(const float *a, const float *b, size_t n) {
    return n == 0 ? a == b : a != NULL && b != NULL && memcmp(a, b, n * sizeof(float)) == 0;
}

typedef struct Heard {
    int count;
    old_finding first;
} Heard;

static void CALL Hear(const old_finding *finding, void *context) {
    Heard *heard = (Heard *)context;
    if (heard->count++ == 0) heard->first = *finding;
}

int main(int argc, char **argv) {
    old_chart chart;
    float *lineSymbols = NULL, *closedContours = NULL, *weatherRegions = NULL, *fillAreas = NULL;
    char *description = NULL;
    FloatTextBlock symbols = {NULL, NULL, NULL}, notes = {NULL, NULL, NULL};
    float *lines;
    if (argc != 2) {
        fprintf(stderr, "usage: host_1_0 chart.txt\n");
        return 2;
    }
    printf("library %s\n", readdata14_version());

    CHECK(readdata14_read(argv[1], &chart, NULL, NULL) == OLD_READ);
    lines = ReadZenparData14(argv[1], &description, &lineSymbols, &closedContours, &symbols, &weatherRegions,
                             &fillAreas, &notes);
    CHECK(lines != NULL && chart.lines != NULL);
    if (failures == 0) {
        CHECK(chart.linesSize == WalkLines(chart.lines));
        CHECK(chart.symbolValuesSize == Walked(chart.symbols.values, 5));
        CHECK(chart.noteValuesSize == Walked(chart.notes.values, 11));
        CHECK(chart.noteLengthsSize == 2 * (size_t)chart.notes.values[0]);
        CHECK(chart.noteTextSize == strlen(chart.notes.text));
        CHECK(chart.symbolTextSize == strlen(chart.symbols.text));
        CHECK(strcmp(chart.description, description) == 0);
        CHECK(SameFloats(chart.lines, lines, chart.linesSize));
        CHECK(SameFloats(chart.lineSymbols, lineSymbols, chart.lineSymbolsSize));
        CHECK(SameFloats(chart.closedContours, closedContours, chart.closedContoursSize));
        CHECK(SameFloats(chart.weatherRegions, weatherRegions, chart.weatherRegionsSize));
        CHECK(SameFloats(chart.fillAreas, fillAreas, chart.fillAreasSize));
        CHECK(SameFloats(chart.symbols.values, symbols.values, chart.symbolValuesSize));
        CHECK(SameFloats(chart.notes.values, notes.values, chart.noteValuesSize));
        CHECK(chart.systemError == 0 && chart.errors == 0 && chart.warnings == 0);
    }
    readdata14_release(&chart);
    ReleaseZenparData14(lines, description, lineSymbols, closedContours, &symbols, weatherRegions, fillAreas,
                        &notes);

    /* The fields after the sizes: the error number of a missing file, the
     * counts and the finding of a negative count. */
    CHECK(readdata14_read("no/such/chart.txt", &chart, NULL, NULL) == OLD_CANNOT_OPEN);
    CHECK(chart.systemError == ENOENT && chart.lines == NULL);
    readdata14_release(&chart);
    {
        static const char text[] = "x 14 d\n1 2 3 4 5\nLINES: -2\n";
        Heard heard = {0};
        CHECK(readdata14_read_memory(text, sizeof text - 1, &chart, Hear, &heard) == OLD_READ);
        CHECK(chart.warnings == 1 && chart.errors == 1); /* the negative count; the sections missing after it */
        CHECK(heard.count == 2 && heard.first.kind == 10 && heard.first.severity == 1);
        CHECK(heard.first.line == 3 && heard.first.column == 8 && heard.first.offset == 24);
        readdata14_release(&chart);
    }
    CHECK(readdata14_read_memory(NULL, 0, &chart, NULL, NULL) == OLD_INVALID_ARGUMENT);

    if (failures != 0) return 1;
    printf("host_1_0: the 1.0 record reads as it did\n");
    return 0;
}
