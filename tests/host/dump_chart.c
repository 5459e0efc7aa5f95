/* A host of the library, as a Windows application uses it: load
 * readdata14.dll by name, find both exports by their plain names, read each
 * chart file named on the command line, print everything the read handed
 * back in a canonical form, and release it all with ReleaseZenparData14.
 *
 * On Linux the same program is linked against the shared library. The dumps
 * of the two platforms must agree byte for byte, so nothing printed may
 * depend on the C runtime: floats appear as their bit patterns (and a
 * round-tripping decimal), texts byte by byte with everything outside
 * printable ASCII escaped, and file names not at all. */
#if defined(__MINGW32__)
/* C99 printf formatting (two-digit exponents), as glibc has it. */
#  define __USE_MINGW_ANSI_STDIO 1
#endif

#include <math.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>

#include "readdata14/readdata14.h"

#if defined(_WIN32)
#  include <windows.h>
#endif

typedef float *(READDATA14_CALL *ReadFunction)(const char *, char **, float **, float **,
                                                FloatTextBlock *, float **, float **,
                                                FloatTextBlock *);
typedef void(READDATA14_CALL *ReleaseFunction)(float *, char *, float *, float *,
                                               FloatTextBlock *, float *, float *,
                                               FloatTextBlock *);

/* Locations the read must not write start out pointing here, so that a
 * location the read left alone shows as "untouched". */
static float untouchedFloats[1];
static int32_t untouchedLengths[1];
static char untouchedText[1];

enum Layout { LINES, POINT_LIST, FILL_AREAS, CLOSED_CONTOURS, SYMBOLS, NOTES };

/* A count slot: a whole, non-negative, not absurdly large number; -1 if not. */
static long CountIn(float slot) {
    if (!(slot >= 0.0f) || slot > 1.0e9f || (float)(long)slot != slot) return -1;
    return (long)slot;
}

/* The record's length in floats from its own leading slots, or -1. */
static long RecordLength(enum Layout layout, const float *record) {
    long n, m;
    switch (layout) {
    case LINES:
        if ((n = CountIn(record[0])) < 0 || (m = CountIn(record[2 * n + 3])) < 0) return -1;
        return 2 * n + 2 * m + 4;
    case POINT_LIST:
        return (n = CountIn(record[0])) < 0 ? -1 : 2 * n + 2;
    case FILL_AREAS:
        return (n = CountIn(record[0])) < 0 ? -1 : 2 * n + 18;
    case CLOSED_CONTOURS:
        if ((n = CountIn(record[0])) < 0 || (m = CountIn(record[2 * n + 5])) < 0) return -1;
        return 2 * n + 2 * m + 6;
    case SYMBOLS:
        return record[0] == 1.0f ? 5 : -1;
    case NOTES:
        return record[0] == 1.0f ? 11 : -1;
    }
    return -1;
}

/* The number of floats in the block, element 0 included, or -1 when a count
 * slot makes no sense (the dump then shows element 0 only). */
static long BlockLength(enum Layout layout, const float *block) {
    long records = CountIn(block[0]);
    long at = 1;
    if (records < 0) return -1;
    for (long i = 0; i < records; ++i) {
        long length = RecordLength(layout, block + at);
        if (length < 0) return -1;
        at += length;
    }
    if (layout == CLOSED_CONTOURS) {
        long levels = CountIn(block[at]);
        if (levels < 0) return -1;
        at += 1 + levels;
    }
    return at;
}

static void PrintFloat(long index, float value) {
    uint32_t bits;
    memcpy(&bits, &value, sizeof bits);
    printf("  [%ld] 0x%08lx", index, (unsigned long)bits);
    if (isnan(value))
        printf(" nan\n");
    else if (isinf(value))
        printf(" %sinf\n", value < 0 ? "-" : "");
    else
        printf(" %.9g\n", (double)value);
}

/* Prints "null" / "untouched" for those pointers; 1 when there is more to print. */
static int PrintPresence(const char *name, const void *pointer, const void *sentinel) {
    if (pointer == sentinel) {
        printf("%s: untouched\n", name);
        return 0;
    }
    if (pointer == NULL) {
        printf("%s: null\n", name);
        return 0;
    }
    return 1;
}

static void PrintBlock(const char *name, const float *block, enum Layout layout) {
    long length;
    if (!PrintPresence(name, block, untouchedFloats)) return;
    length = BlockLength(layout, block);
    if (length < 0) {
        printf("%s: unwalkable block\n", name);
        PrintFloat(0, block[0]);
        return;
    }
    printf("%s: %ld floats\n", name, length);
    for (long i = 0; i < length; ++i) PrintFloat(i, block[i]);
}

static void PrintText(const char *name, const char *text) {
    if (!PrintPresence(name, text, untouchedText)) return;
    printf("%s: %lu bytes \"", name, (unsigned long)strlen(text));
    for (const unsigned char *c = (const unsigned char *)text; *c != 0; ++c) {
        if (*c >= 0x20 && *c < 0x7f && *c != '\\' && *c != '"')
            putchar(*c);
        else
            printf("\\x%02x", *c);
    }
    printf("\"\n");
}

/* The lengths array has one slot per declared symbol (two per declared note),
 * dropped elements included, and the declared count is not handed back. The
 * slots that are sure to exist: one (two) per record, and as many as it takes
 * for the nonzero lengths to account for the whole text. */
static long KnownSlots(const FloatTextBlock *block, long slotsPerRecord) {
    long records = -1, slots = 0, covered = 0, textLength = -1;
    if (block->values != NULL && block->values != untouchedFloats)
        records = CountIn(block->values[0]);
    if (block->text != NULL && block->text != untouchedText && strcmp(block->text, " ") != 0)
        textLength = (long)strlen(block->text);
    if (records < 0 && textLength < 0) return -1;
    while (covered < textLength && block->lengths[slots] >= 0) covered += block->lengths[slots++];
    return records * slotsPerRecord > slots ? records * slotsPerRecord : slots;
}

static void PrintTextBlock(const char *name, const FloatTextBlock *block, enum Layout layout,
                           long slotsPerRecord) {
    char field[64];
    snprintf(field, sizeof field, "%s.values", name);
    PrintBlock(field, block->values, layout);
    snprintf(field, sizeof field, "%s.lengths", name);
    if (PrintPresence(field, block->lengths, untouchedLengths)) {
        long slots = KnownSlots(block, slotsPerRecord);
        if (slots < 0) {
            printf("%s: present, slot count unknown\n", field);
        } else {
            printf("%s: %ld slots known\n", field, slots);
            for (long i = 0; i < slots; ++i) printf("  [%ld] %ld\n", i, (long)block->lengths[i]);
        }
    }
    snprintf(field, sizeof field, "%s.text", name);
    PrintText(field, block->text);
}

static void *Untouched(void *pointer, void *sentinel) { return pointer == sentinel ? NULL : pointer; }

static void ClearSentinels(FloatTextBlock *block) {
    block->values = (float *)Untouched(block->values, untouchedFloats);
    block->lengths = (int32_t *)Untouched(block->lengths, untouchedLengths);
    block->text = (char *)Untouched(block->text, untouchedText);
}

/* The read with every output location omitted must return the same LINES
 * block, and release what it would have handed back. */
static void CheckNullOutputs(ReadFunction readChart, ReleaseFunction releaseChart, const char *path,
                             const float *lines) {
    float *again = readChart(path, NULL, NULL, NULL, NULL, NULL, NULL, NULL);
    int same = (again == NULL) == (lines == NULL);
    if (same && lines != NULL) {
        long length = BlockLength(LINES, lines);
        same = length == BlockLength(LINES, again) &&
               (length < 0 || memcmp(again, lines, (size_t)length * sizeof(float)) == 0);
    }
    printf("read without outputs: %s\n", same ? "same result" : "DIFFERENT result");
    releaseChart(again, NULL, NULL, NULL, NULL, NULL, NULL, NULL);
}

static void DumpChart(ReadFunction readChart, ReleaseFunction releaseChart, const char *path) {
    char *description = untouchedText;
    float *lineSymbols = untouchedFloats, *closedContours = untouchedFloats;
    float *weatherRegions = untouchedFloats, *fillAreas = untouchedFloats;
    FloatTextBlock symbols = {untouchedFloats, untouchedLengths, untouchedText};
    FloatTextBlock notes = symbols;
    float *lines = readChart(path, &description, &lineSymbols, &closedContours, &symbols,
                        &weatherRegions, &fillAreas, &notes);

    PrintBlock("lines", lines, LINES);
    PrintText("description", description);
    PrintBlock("lineSymbols", lineSymbols, POINT_LIST);
    PrintBlock("closedContours", closedContours, CLOSED_CONTOURS);
    PrintTextBlock("symbols", &symbols, SYMBOLS, 1);
    PrintBlock("weatherRegions", weatherRegions, POINT_LIST);
    PrintBlock("fillAreas", fillAreas, FILL_AREAS);
    PrintTextBlock("notes", &notes, NOTES, 2);
    CheckNullOutputs(readChart, releaseChart, path, lines);

    ClearSentinels(&symbols);
    ClearSentinels(&notes);
    releaseChart(lines, (char *)Untouched(description, untouchedText),
            (float *)Untouched(lineSymbols, untouchedFloats),
            (float *)Untouched(closedContours, untouchedFloats), &symbols,
            (float *)Untouched(weatherRegions, untouchedFloats),
            (float *)Untouched(fillAreas, untouchedFloats), &notes);
    printf("release: %s\n", symbols.values == NULL && symbols.lengths == NULL &&
                                    symbols.text == NULL && notes.values == NULL &&
                                    notes.lengths == NULL && notes.text == NULL
                                ? "records cleared"
                                : "record fields LEFT SET");
}

int main(int argc, char **argv) {
    ReadFunction readChart;
    ReleaseFunction releaseChart;
    if (argc < 2) {
        fprintf(stderr, "usage: %s CHART_FILE...\n", argv[0]);
        return 2;
    }
#if defined(_WIN32)
    HMODULE library = LoadLibraryA("readdata14.dll");
    if (library == NULL) {
        fprintf(stderr, "cannot load readdata14.dll (error %lu)\n", (unsigned long)GetLastError());
        return 2;
    }
    /* Through a generic function pointer: GetProcAddress knows no signatures. */
    readChart = (ReadFunction)(void (*)(void))GetProcAddress(library, "ReadZenparData14");
    releaseChart = (ReleaseFunction)(void (*)(void))GetProcAddress(library, "ReleaseZenparData14");
    if (readChart == NULL || releaseChart == NULL) {
        fprintf(stderr, "readdata14.dll does not export ReadZenparData14 and ReleaseZenparData14\n");
        return 2;
    }
#else
    readChart = &ReadZenparData14;
    releaseChart = &ReleaseZenparData14;
#endif
    for (int i = 1; i < argc; ++i) {
        printf("== chart %d\n", i);
        DumpChart(readChart, releaseChart, argv[i]);
    }
    fflush(stdout);
#if defined(_WIN32)
    FreeLibrary(library);
#endif
    return ferror(stdout) ? 1 : 0;
}
