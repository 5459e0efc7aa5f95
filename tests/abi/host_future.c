/* A host built against a later header than its library: its options record
 * has a field this library does not know (so a larger size), and it asks for
 * a document field this library does not fill. The library must read the
 * options it knows at their places, ignore the rest, and say through the
 * document's size that the later field is not there.
 *
 *   host_future sample_chart.txt */
#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>

#include "readdata14/readdata14.h"

/* The options as a later header has them: today's fields, then one more. */
typedef struct later_options {
    size_t size;
    readdata14_finding_handler onFinding;
    void *context;
    uint64_t maxFindings;
    uint64_t maxInputSize;
    uint32_t flags;
    uint64_t threads;
    uint64_t pageSize; /* unknown to this library */
} later_options;

/* The document as a later header has it: today's fields, then one more. */
typedef struct later_document {
    readdata14_document today;
    uint64_t laterField;
} later_document;

/* READDATA14_HAS as the later header defines it, for its own record. */
#define LATER_HAS(document, field) \
    ((document)->today.size >= offsetof(later_document, field) + sizeof((document)->field))

/* Today's fields stand where a later header puts them. */
typedef char options_prefix_matches[(offsetof(later_options, flags) == offsetof(readdata14_options, flags) &&
                                     offsetof(later_options, threads) == offsetof(readdata14_options, threads) &&
                                     offsetof(later_options, maxInputSize) ==
                                         offsetof(readdata14_options, maxInputSize) &&
                                     sizeof(later_options) > sizeof(readdata14_options))
                                        ? 1
                                        : -1];

static int failures = 0;

#define CHECK(condition)                                                           \
    do {                                                                           \
        if (!(condition)) {                                                        \
            fprintf(stderr, "host_future: line %d: %s\n", __LINE__, #condition); \
            ++failures;                                                            \
        }                                                                          \
    } while (0)

typedef struct Heard {
    int count;
    int stopAt; /* 0: never */
} Heard;

static int READDATA14_CALL Hear(const readdata14_finding *finding, void *context) {
    Heard *heard = (Heard *)context;
    (void)finding;
    return ++heard->count == heard->stopAt ? READDATA14_STOP : READDATA14_GO_ON;
}

static readdata14_status Open(const char *path, const later_options *options, later_document **document) {
    return readdata14_open(path, (const readdata14_options *)options, (readdata14_document **)document);
}

static readdata14_status OpenMemory(const char *text, const later_options *options, later_document **document) {
    return readdata14_open_memory(text, strlen(text), (const readdata14_options *)options,
                                  (readdata14_document **)document);
}

int main(int argc, char **argv) {
    /* Every field set away from its default, the later one included. */
    later_options options = {sizeof(later_options), NULL, NULL, 0, 0, 0, 0, 0xfeedfacecafebeefu};
    later_document *document = NULL;
    readdata14_chart expected;
    static const char warnings[] = "x 14 d\n1 2 3 4 5\nLINES: 3\n"
                                   "0 1\n0 0 0\nnone 0\n0 1\n0 0 0\nnone 0\n0 1\n0 0 0\nnone 0\n"
                                   "LINES_SYMBOL: 0\nSYMBOLS: 0\nCLOSED_CONTOURS: 0\nSTATION_SITUATION\n"
                                   "WEATHER_REGION: 0\nFILLAREA: 0\nNOTES_SYMBOL: 0\n";
    Heard heard = {0, 0};
    if (argc != 2) {
        fprintf(stderr, "usage: host_future chart.txt\n");
        return 2;
    }

    /* The chart as the 1.0 entry reads it, and the same through the later options. */
    CHECK(readdata14_read(argv[1], &expected, NULL, NULL) == READDATA14_READ);
    CHECK(Open(argv[1], &options, &document) == READDATA14_READ);
    CHECK(document != NULL);
    if (document != NULL) {
        CHECK(document->today.status == READDATA14_READ);
        CHECK(READDATA14_HAS(&document->today, inputSize));
        CHECK(!LATER_HAS(document, laterField));
        CHECK(document->today.chart.linesSize == expected.linesSize);
        CHECK(document->today.chart.closedContoursSize == expected.closedContoursSize);
        CHECK(memcmp(document->today.chart.lines, expected.lines, expected.linesSize * sizeof(float)) == 0);
        CHECK(strcmp(document->today.firstToken, "readdata14") == 0);
    }
    readdata14_close((readdata14_document *)document);
    readdata14_release(&expected);

    /* Each known field read at its place. */
    options.maxInputSize = 100;
    CHECK(Open(argv[1], &options, &document) == READDATA14_TOO_LARGE);
    readdata14_close((readdata14_document *)document);
    options.maxInputSize = 0;

    options.flags = READDATA14_HEADER_ONLY;
    CHECK(Open(argv[1], &options, &document) == READDATA14_READ);
    CHECK(document->today.chart.lines == NULL && document->today.headerIntegerPresent[4] == 1);
    readdata14_close((readdata14_document *)document);
    options.flags = 0;

    options.onFinding = Hear;
    options.context = &heard;
    options.maxFindings = 2;
    CHECK(OpenMemory(warnings, &options, &document) == READDATA14_READ);
    CHECK(heard.count == 2 && document->today.chart.warnings == 3);
    readdata14_close((readdata14_document *)document);

    heard.count = 0;
    heard.stopAt = 1;
    CHECK(OpenMemory(warnings, &options, &document) == READDATA14_STOPPED);
    CHECK(heard.count == 1 && document->today.chart.warnings == 1);
    readdata14_close((readdata14_document *)document);

    if (failures != 0) return 1;
    printf("host_future: a later host's options and document work with library %s\n", readdata14_version());
    return 0;
}
