/* Reads a type-14 chart through the library's C API, prints what each
 * section holds and every text, and releases everything: what a C host does.
 *
 *   print_chart CHART_FILE
 *
 * The build makes it (build/default/examples/print_chart); against an
 * installed library:
 *
 *   cc print_chart.c $(pkg-config --cflags --libs readdata14) -o print_chart
 *   LD_LIBRARY_PATH=PREFIX/lib ./print_chart CHART_FILE   (a prefix the loader does not search)
 */
#include <stdio.h>
#include <string.h>

#include "readdata14/readdata14.h"

static long count(const float *block) { return block ? (long)block[0] : -1; }

/* The texts of a text section: each nonzero lengths slot n stands for the
 * next n characters of `text`, the text and its "#". SYMBOLS has a slot for
 * every symbol read, dropped ones included, so walk all `slots` of them, not
 * values[0]. */
static void print_texts(const char *name, const FloatTextBlock *block, size_t slots) {
    if (!block->values) {
        printf("%-16s none\n", name);
        return;
    }
    printf("%-16s %ld records, texts:", name, count(block->values));
    const char *text = block->text;
    for (size_t i = 0; i < slots; ++i) {
        int n = block->lengths[i];
        if (n > 0) {
            printf(" \"%.*s\"", n - 1, text);
            text += n;
        }
    }
    printf("\n");
}

static void print_finding(const readdata14_finding *finding, void *context) {
    fprintf(stderr, "%s:%llu:%llu: %s: %s\n", (const char *)context, (unsigned long long)finding->line,
            (unsigned long long)finding->column, readdata14_finding_kind_name(finding->kind), finding->message);
}

int main(int argc, char **argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: %s CHART_FILE\n", argv[0]);
        return 2;
    }
    readdata14_chart chart;
    readdata14_status status = readdata14_read(argv[1], &chart, print_finding, argv[1]);
    if (status != READDATA14_READ) {
        fprintf(stderr, "%s: %s", argv[1], readdata14_status_name(status));
        if (status == READDATA14_CANNOT_OPEN) fprintf(stderr, " (%s)", strerror(chart.systemError));
        fprintf(stderr, "\n");
        return 1;
    }
    printf("description      %s\n", chart.description);
    printf("%-16s %ld\n", "lines", count(chart.lines));
    printf("%-16s %ld\n", "line symbols", count(chart.lineSymbols));
    print_texts("symbols", &chart.symbols, chart.symbolLengthsSize);
    printf("%-16s %ld\n", "closed contours", count(chart.closedContours));
    printf("%-16s %ld\n", "weather regions", count(chart.weatherRegions));
    printf("%-16s %ld\n", "fill areas", count(chart.fillAreas));
    print_texts("notes", &chart.notes, chart.noteLengthsSize);
    printf("%-16s %u errors, %u warnings\n", "findings", chart.errors, chart.warnings);
    readdata14_release(&chart);
    return 0;
}
