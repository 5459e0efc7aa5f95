/* Reads a type-14 chart through the library's C export, prints what each
 * section holds, and releases everything with the release export: what a C
 * host does. */
#include <stdio.h>

#include "readdata14/readdata14.h"

static int count(const float *block) { return block ? (int)block[0] : -1; }

static void print_texts(const char *name, const FloatTextBlock *block) {
    if (!block->values) {
        printf("%-16s none\n", name);
        return;
    }
    printf("%-16s %d records, texts:", name, (int)block->values[0]);
    const char *text = block->text;
    /* Each nonzero slot n: the next n characters are a text and its "#". */
    int slots = (int)block->values[0] * (name[0] == 'n' ? 2 : 1);
    for (int i = 0; i < slots; ++i) {
        int n = block->lengths[i];
        if (n > 0) {
            printf(" \"%.*s\"", n - 1, text);
            text += n;
        }
    }
    printf("\n");
}

int main(int argc, char **argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: %s CHART_FILE\n", argv[0]);
        return 2;
    }
    char *description = NULL;
    float *lineSymbols = NULL, *closedContours = NULL, *weatherRegions = NULL, *fillAreas = NULL;
    FloatTextBlock symbols = {0}, notes = {0};
    float *lines = ReadZenparData14(argv[1], &description, &lineSymbols, &closedContours,
                                    &symbols, &weatherRegions, &fillAreas, &notes);
    if (!description) {
        fprintf(stderr, "%s: cannot be opened or is not a type-14 chart\n", argv[1]);
        return 1;
    }
    printf("description      %s\n", description);
    printf("%-16s %d\n", "lines", count(lines));
    printf("%-16s %d\n", "line symbols", count(lineSymbols));
    print_texts("symbols", &symbols);
    printf("%-16s %d\n", "closed contours", count(closedContours));
    printf("%-16s %d\n", "weather regions", count(weatherRegions));
    printf("%-16s %d\n", "fill areas", count(fillAreas));
    print_texts("notes", &notes);
    ReleaseZenparData14(lines, description, lineSymbols, closedContours, &symbols,
                        weatherRegions, fillAreas, &notes);
    return 0;
}
