/* A C host of the library built as a part of its own build: reads the chart
 * named on the command line and prints what it holds; exits 0 when the chart
 * was read whole. */
#include <stdio.h>

#include <readdata14/readdata14.h>

/* Element 0 of a block is its record count; a section that gave no block has none. */
static int Records(const float *block) { return block ? (int)block[0] : -1; }

int main(int argc, char **argv) {
    readdata14_chart chart;
    if (argc != 2) {
        fprintf(stderr, "usage: subproject_host CHART\n");
        return 2;
    }
    if (readdata14_read(argv[1], &chart, 0, 0) != READDATA14_READ) {
        fprintf(stderr, "subproject_host: %s was not read\n", argv[1]);
        return 1;
    }
    printf("%s: lines %d, closed contours %d, symbols %d, notes %d, errors %u\n", chart.description,
           Records(chart.lines), Records(chart.closedContours), Records(chart.symbols.values),
           Records(chart.notes.values), (unsigned)chart.errors);
    const int whole = chart.errors == 0;
    readdata14_release(&chart);
    return whole ? 0 : 1;
}
