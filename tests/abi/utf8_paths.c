/* A chart in a folder and a file named in Cyrillic and CJK, opened by its
 * UTF-8 name through readdata14_open and readdata14_read, whatever the
 * system's code page: it must read as the same chart under a plain name.
 * ReadZenparData14 keeps the system's ANSI code page, as its hosts pass
 * names: on Windows a name that the code page can spell opens through it,
 * and its UTF-8 spelling does not (unless the code page is UTF-8).
 *
 * Runs in the current directory, which it writes into.
 *
 *   utf8_paths sample_chart.txt */
#include <stdio.h>
#include <string.h>

#include "readdata14/readdata14.h"

#if defined(_WIN32)
#  include <direct.h>
#  include <windows.h>
#else
#  include <sys/stat.h>
#endif

/* карты_天気/карта_天気図.txt and café.txt */
#define FOLDER "\u043a\u0430\u0440\u0442\u044b_\u5929\u6c17"
#define FILE_NAME "\u043a\u0430\u0440\u0442\u0430_\u5929\u6c17\u56f3.txt"
#define LATIN_NAME "caf\u00e9.txt"

static int failures = 0;

#define CHECK(condition)                                                          \
    do {                                                                          \
        if (!(condition)) {                                                       \
            fprintf(stderr, "utf8_paths: line %d: %s\n", __LINE__, #condition); \
            ++failures;                                                           \
        }                                                                         \
    } while (0)

/* Copies the chart to the new name (UTF-16 on Windows, UTF-8 bytes elsewhere). */
#if defined(_WIN32)
static int CopyTo(const char *from, const wchar_t *to) {
    FILE *in = fopen(from, "rb");
    FILE *out = _wfopen(to, L"wb");
#else
static int CopyTo(const char *from, const char *to) {
    FILE *in = fopen(from, "rb");
    FILE *out = fopen(to, "wb");
#endif
    char buffer[4096];
    size_t n;
    int ok = in != NULL && out != NULL;
    while (ok && (n = fread(buffer, 1, sizeof buffer, in)) > 0) ok = fwrite(buffer, 1, n, out) == n;
    if (in != NULL) fclose(in);
    if (out != NULL) ok = fclose(out) == 0 && ok;
    return ok;
}

static int SameChart(const readdata14_chart *a, const readdata14_chart *b) {
    return a->linesSize == b->linesSize && a->closedContoursSize == b->closedContoursSize &&
           a->noteTextSize == b->noteTextSize && memcmp(a->lines, b->lines, a->linesSize * sizeof(float)) == 0 &&
           memcmp(a->closedContours, b->closedContours, a->closedContoursSize * sizeof(float)) == 0 &&
           strcmp(a->description, b->description) == 0;
}

/* Reads `path` through readdata14_read and readdata14_open; both must give `expected`. */
static void ReadsAs(const char *path, const readdata14_chart *expected) {
    readdata14_chart chart;
    readdata14_document *document = NULL;
    CHECK(readdata14_read(path, &chart, NULL, NULL) == READDATA14_READ);
    CHECK(chart.lines == NULL || SameChart(&chart, expected));
    readdata14_release(&chart);
    CHECK(readdata14_open(path, NULL, &document) == READDATA14_READ);
    CHECK(document != NULL && document->chart.lines != NULL && SameChart(&document->chart, expected));
    readdata14_close(document);
}

/* Whether ReadZenparData14 reads the file at `path`. */
static int ExportReads(const char *path) {
    char *description = NULL;
    float *lineSymbols = NULL, *closedContours = NULL, *weatherRegions = NULL, *fillAreas = NULL;
    FloatTextBlock symbols = {NULL, NULL, NULL}, notes = {NULL, NULL, NULL};
    float *lines = ReadZenparData14(path, &description, &lineSymbols, &closedContours, &symbols, &weatherRegions,
                                    &fillAreas, &notes);
    ReleaseZenparData14(lines, description, lineSymbols, closedContours, &symbols, weatherRegions, fillAreas,
                        &notes);
    return description != NULL;
}

int main(int argc, char **argv) {
    readdata14_chart expected;
    if (argc != 2) {
        fprintf(stderr, "usage: utf8_paths chart.txt\n");
        return 2;
    }
    if (readdata14_read(argv[1], &expected, NULL, NULL) != READDATA14_READ) {
        fprintf(stderr, "utf8_paths: cannot read %s\n", argv[1]);
        return 2;
    }
#if defined(_WIN32)
    _wmkdir(L"" FOLDER);
    CHECK(CopyTo(argv[1], L"" FOLDER L"\\" FILE_NAME));
    CHECK(CopyTo(argv[1], L"" LATIN_NAME));
#else
    mkdir(u8"" FOLDER, 0700);
    CHECK(CopyTo(argv[1], u8"" FOLDER "/" FILE_NAME));
    CHECK(CopyTo(argv[1], u8"" LATIN_NAME));
#endif
    ReadsAs(u8"" FOLDER "/" FILE_NAME, &expected);
    ReadsAs(u8"" LATIN_NAME, &expected);

#if defined(_WIN32)
    ReadsAs(u8"" FOLDER "\\" FILE_NAME, &expected);
    {
        char ansi[64];
        BOOL lost = FALSE;
        const int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, L"" LATIN_NAME, -1, ansi, (int)sizeof ansi, NULL,
                                          &lost);
        if (GetACP() == CP_UTF8 || n <= 0 || lost) {
            printf("utf8_paths: code page %u cannot spell %s apart from UTF-8: the ANSI check is skipped\n",
                   GetACP(), LATIN_NAME);
        } else {
            CHECK(ExportReads(ansi));
            CHECK(!ExportReads(u8"" LATIN_NAME));
            printf("utf8_paths: ReadZenparData14 reads the name in code page %u, not in UTF-8\n", GetACP());
        }
    }
#else
    CHECK(ExportReads(u8"" FOLDER "/" FILE_NAME)); /* a path is bytes here */
#endif
    readdata14_release(&expected);
    if (failures != 0) return 1;
    printf("utf8_paths: %s read through its UTF-8 name\n", FOLDER "/" FILE_NAME);
    return 0;
}
