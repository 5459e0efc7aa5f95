/*
 * readdata14 — reads the type-14 graphic-product text file of weather analysis
 * charts and hands back its drawn elements as arrays of 32-bit floats.
 *
 * One call reads one file, front to back, and returns newly allocated arrays.
 * The library keeps no state between calls: calls on different files from
 * different threads do not interact.
 *
 * ------------------------------------------------------------------------
 * Blocks
 * ------------------------------------------------------------------------
 * Every section comes back as a float block: a heap array of 32-bit floats
 * whose element 0 holds the number of records that follow (an integer stored
 * as a float). The records stand end to end; each begins with slots from which
 * its own length follows, so a reader steps from record to record:
 *
 *   lines          [p, code, p × (x, y), labelValue, m, m × (x, y)]
 *                  labelValue: 999999 for "NoLabel"; a three-character label
 *                  between 0 and 100 (both exclusive) is a code, stored as the
 *                  number plus 3200000.
 *   lineSymbols    [k, code, k × (x, y)]            (long point lists thinned)
 *   closedContours [n, code, valuedClosed, levelIndex, n × (x, y), value, m,
 *                   m × (x, y)] in nesting order, then K and the K sorted
 *                  levels after the last record. levelIndex 999999: none.
 *                  A "nan" label is never a level; where two nested
 *                  contours are compared for rise or fall it counts as
 *                  equal to the other value.
 *   symbols        [1, type, x, y, direction]       (see FloatTextBlock)
 *   weatherRegions [k, code, k × (x, y)]
 *   fillAreas      [k, code, k × (x, y), 16 values]
 *   notes          [1, type, x, y, value, 6 values] (see FloatTextBlock)
 *
 * A section that declares no elements gives the empty block: the single
 * float 0 (closed contours: the two floats 0, 0).
 *
 * ------------------------------------------------------------------------
 * Ownership
 * ------------------------------------------------------------------------
 * Everything the read hands back is newly allocated by the call and belongs to
 * the caller. Release it all with ReleaseZenparData14, passing back exactly
 * what one read returned. A C++ host built with the same runtime as the
 * library may instead release each array with delete[]; a host on another
 * runtime (or a C, C#, Python or Delphi host) must use ReleaseZenparData14,
 * since its own free would release into the wrong heap.
 *
 * Two ways in:
 *   ReadZenparData14 / ReleaseZenparData14   the original pair, unchanged for
 *       the hosts built on it. An allocation failure inside the read leaves
 *       it as the C++ exception std::bad_alloc, which a C host cannot catch.
 *   readdata14_read / readdata14_release      the same read that never throws:
 *       a status (read, cannot open with the system's error number, not type
 *       14, out of memory), the size of every array, and the findings about
 *       a file that departs from the format, one callback call each.
 *
 * Integers in the file beyond the 32-bit range saturate (to -2147483648 or
 * 2147483647) as they are read, with a warning finding. A count or length is
 * stored as a float, which holds every whole number only up to 2^24: a
 * section stops at 2^24 (16,777,216) records and an element at 2^24 points
 * (label points too), keeping what it read up to there, with an error
 * finding, so that every count slot holds an exact whole number.
 *
 * Calling convention: the platform's default C convention (cdecl on 32-bit
 * Windows). Every export is exported under its plain, undecorated name.
 */
#ifndef READDATA14_READDATA14_H
#define READDATA14_READDATA14_H

#include <stddef.h>
#include <stdint.h>

#if defined(_WIN32)
#  define READDATA14_CALL __cdecl
#  if defined(READDATA14_STATIC)
#    define READDATA14_API
#  elif defined(READDATA14_BUILDING)
#    define READDATA14_API __declspec(dllexport)
#  else
#    define READDATA14_API __declspec(dllimport)
#  endif
#else
#  define READDATA14_CALL
#  if defined(READDATA14_BUILDING) && defined(__GNUC__)
#    define READDATA14_API __attribute__((visibility("default")))
#  else
#    define READDATA14_API
#  endif
#endif

#ifdef __cplusplus
extern "C" {
#endif

/*
 * The result of a section that carries text (SYMBOLS, NOTES_SYMBOL).
 *
 *   values   the section's float block (see above).
 *   lengths  one slot per symbol read (SYMBOLS) or two per note (NOTES_SYMBOL),
 *            in file order: the length of that text in `text` including its
 *            trailing "#", or 0 where the element has no text.
 *            SYMBOLS keeps a slot (0) for every type-48 symbol at z 1.0 that
 *            it drops, so `lengths` can have more slots than values[0] has
 *            records, and the three arrays do not tell how many: a host
 *            walking by records takes, for each record of a text type (48,
 *            60 to 63), the next nonzero slot; every other slot is 0.
 *            readdata14_read reports the number of slots of both sections
 *            (symbolLengthsSize, noteLengthsSize). NOTES_SYMBOL has exactly
 *            two slots per record, 2 × values[0].
 *   text     all texts joined, each followed by "#", zero-terminated; the
 *            single blank " " when no element has text.
 *
 * Walk the texts with `lengths`: for each nonzero slot n, the next n
 * characters of `text` are that element's text followed by "#".
 *
 * When the section is missing, does not start with its tag, or declares no
 * elements, all three pointers are null.
 */
typedef struct FloatTextBlock {
    float *values;
    int32_t *lengths;
    char *text;
} FloatTextBlock;

/*
 * Reads the type-14 file at `path` and returns its LINES block.
 *
 * The outputs, each written only after the file opened and its header named
 * type 14:
 *   description     a new zero-terminated copy of the header's description.
 *   lineSymbols     the LINES_SYMBOL block, or null if that section's tag was
 *                   not where it is due.
 *   closedContours  the CLOSED_CONTOURS block, or null likewise.
 *   symbols         the caller's record; all three fields are overwritten
 *                   (three nulls when the section gave nothing).
 *   weatherRegions  the WEATHER_REGION block, never null.
 *   fillAreas       the FILLAREA block, never null — but written only when
 *                   the file has its STATION_SITUATION marker. Otherwise the
 *                   location keeps what the caller put there: initialise it
 *                   to null so that the release below can be given it.
 *   notes           the caller's record, like `symbols`.
 *
 * Returns the LINES block, or null when the file cannot be opened, when its
 * header does not name type 14 (no output is written in those two cases), or
 * when the LINES tag is not where it is due (the other outputs are written).
 *
 * A broken file never crashes the read: a section that runs out of input or
 * meets a token that is not a number stops there, keeping the complete
 * elements it read, and element 0 of its block counts exactly those.
 *
 * Text mode as on Windows on every platform: CR LF reads as LF and a 0x1A
 * byte ends the input. Numbers are read the same whatever the host's locale.
 *
 * An output pointer passed as null is not written; what would have gone there
 * is released.
 *
 * Allocation failure: the read releases what it had made and lets the C++
 * exception std::bad_alloc leave the call, as it always has. A host that
 * cannot catch a C++ exception (C, Python's ctypes, C#, Delphi) should call
 * readdata14_read, which reports READDATA14_OUT_OF_MEMORY instead.
 */
READDATA14_API float *READDATA14_CALL ReadZenparData14(
    const char *path, char **description, float **lineSymbols,
    float **closedContours, FloatTextBlock *symbols, float **weatherRegions,
    float **fillAreas, FloatTextBlock *notes);

/*
 * Releases everything one ReadZenparData14 call handed back, argument for
 * argument in the same order. Null pointers are skipped: pass null for any
 * location the read left untouched (the `fillAreas` location of a file
 * without STATION_SITUATION, unless you initialised it to null). The fields
 * of the two records are released and set to null; the records themselves
 * stay the caller's.
 */
READDATA14_API void READDATA14_CALL ReleaseZenparData14(
    float *lines, char *description, float *lineSymbols, float *closedContours,
    FloatTextBlock *symbols, float *weatherRegions, float *fillAreas,
    FloatTextBlock *notes);

/* ------------------------------------------------------------------------
 * readdata14_read: the same read with a status, sizes and findings
 * ------------------------------------------------------------------------
 *
 *   readdata14_chart chart;
 *   readdata14_status status = readdata14_read(path, &chart, NULL, NULL);
 *   if (status != READDATA14_READ) {
 *       fprintf(stderr, "%s: %s\n", path, readdata14_status_name(status));
 *       return;                        (nothing to release)
 *   }
 *   ... chart.lines[0] lines, chart.linesSize floats ...
 *   readdata14_release(&chart);
 *
 * None of these calls throws or aborts, whatever the file and whatever the
 * allocator does.
 */

/* What a read came to. */
typedef enum readdata14_status {
    READDATA14_READ = 0,             /* the header named type 14: the chart's fields are set */
    READDATA14_CANNOT_OPEN = 1,      /* the file could not be opened or read (a directory, a
                                        missing file, no permission): systemError says why */
    READDATA14_NOT_TYPE_14 = 2,      /* the file opened, but its header is not three tokens with
                                        the type 14 in the middle */
    READDATA14_OUT_OF_MEMORY = 3,    /* an allocation failed */
    READDATA14_INVALID_ARGUMENT = 4, /* a null path, data pointer or chart */
    READDATA14_CALLBACK_FAILED = 5   /* a C++ exception left the finding callback */
} readdata14_status;

/* Everything one read hands back. The eight outputs are those of
 * ReadZenparData14, with the same layouts (see the top of this file); the
 * sizes say how many elements each array holds, so that a host can wrap an
 * array without walking it.
 *
 * On READDATA14_READ every field is set: a pointer is null where the section
 * gave nothing (see ReadZenparData14), and its sizes are then 0. On every
 * other status the library has released all it made and every pointer and
 * size is zero (systemError, errors and warnings aside); readdata14_release
 * may still be called.
 *
 * The arrays belong to the caller until it passes the record to
 * readdata14_release, which releases them all. Do not release them one by
 * one, nor with ReleaseZenparData14's arguments taken from two reads. */
typedef struct readdata14_chart {
    float *lines;          /* null when the LINES tag was not where it is due */
    char *description;     /* zero-terminated */
    float *lineSymbols;
    float *closedContours;
    FloatTextBlock symbols;
    float *weatherRegions;
    float *fillAreas;      /* null when the file has no STATION_SITUATION marker:
                              fill areas are then not read */
    FloatTextBlock notes;

    size_t linesSize;          /* floats in `lines` */
    size_t lineSymbolsSize;    /* floats in `lineSymbols` */
    size_t closedContoursSize; /* floats in `closedContours`, the levels included */
    size_t weatherRegionsSize;
    size_t fillAreasSize;
    size_t symbolValuesSize;   /* floats in symbols.values */
    size_t symbolLengthsSize;  /* slots in symbols.lengths: one per symbol read */
    size_t symbolTextSize;     /* bytes in symbols.text before its terminating zero */
    size_t noteValuesSize;
    size_t noteLengthsSize;    /* two per note: 2 × notes.values[0] */
    size_t noteTextSize;

    int32_t systemError;  /* READDATA14_CANNOT_OPEN: the C runtime's errno (ENOENT,
                             EACCES, EISDIR, ...); otherwise 0 */
    uint32_t errors;      /* findings of severity READDATA14_ERROR */
    uint32_t warnings;    /* findings of severity READDATA14_WARNING */
} readdata14_chart;

/* How serious a finding is. An error is something the reader had to stop at
 * or guess at; a warning is legal but unusual. */
typedef enum readdata14_severity {
    READDATA14_WARNING = 1,
    READDATA14_ERROR = 2
} readdata14_severity;

/* What a finding is about. The numbers are stable; new kinds may be added. */
typedef enum readdata14_finding_kind {
    /* errors */
    READDATA14_FINDING_NOT_TYPE_14 = 1,       /* the header is not a type-14 header */
    READDATA14_FINDING_TAG_MISMATCH = 2,      /* a section's tag is not where it is due */
    READDATA14_FINDING_BAD_TOKEN = 3,         /* a section stopped at a token it cannot use */
    READDATA14_FINDING_INPUT_ENDED = 4,       /* the input ended before a section's declared
                                                 elements (the finding stands at the count) */
    READDATA14_FINDING_NO_STATION_SITUATION = 5, /* no STATION_SITUATION marker, or no
                                                    WEATHER_REGION: tag after it */
    READDATA14_FINDING_TRAILING_CONTENT = 6,  /* something stands after the last section */
    READDATA14_FINDING_COUNT_LIMIT = 7,       /* a count beyond 2^24: the section or the
                                                 element stopped there */
    /* warnings */
    READDATA14_FINDING_TEXT_CUT_SHORT = 8,    /* a note text ended before its declared length */
    READDATA14_FINDING_LABEL_NOT_NUMBER = 9,  /* a label neither a number nor "NoLabel", or a
                                                 number followed by more ("1O12") */
    READDATA14_FINDING_NEGATIVE_COUNT = 10,   /* a negative count, read as 0 */
    READDATA14_FINDING_LONG_TOKEN = 11,       /* a token longer than the format's buffers */
    READDATA14_FINDING_CONTROL_BYTE = 12,     /* a NUL byte inside the data, or a Ctrl-Z
                                                 (which ends the input) before its end */
    READDATA14_FINDING_INTEGER_RANGE = 13     /* an integer beyond 32 bits, saturated */
} readdata14_finding_kind;

/* One finding. `message` says what was expected and what was found, in
 * UTF-8, with the file's bytes escaped (\xNN, \0): it is safe to print. The
 * finding and its message live only during the callback call. */
typedef struct readdata14_finding {
    uint64_t offset;   /* byte offset in the file, from 0 */
    uint64_t line;     /* from 1; a CR LF pair is one line break */
    uint64_t column;   /* from 1, in bytes */
    int32_t kind;      /* a readdata14_finding_kind */
    int32_t severity;  /* a readdata14_severity */
    const char *message;
} readdata14_finding;

/* Called once per finding, in the order of the file, after the file has
 * been read and before readdata14_read returns, on the caller's thread.
 * `context` is what the caller passed to the read. */
typedef void(READDATA14_CALL *readdata14_finding_callback)(const readdata14_finding *finding,
                                                            void *context);

/* Reads the type-14 file at `path` into `chart` (which need not be
 * initialised). `onFinding` may be null. Returns READDATA14_READ or why not;
 * see readdata14_chart for what is set in each case. */
READDATA14_API readdata14_status READDATA14_CALL readdata14_read(
    const char *path, readdata14_chart *chart, readdata14_finding_callback onFinding,
    void *context);

/* The same for a file already in memory: `size` bytes at `data`, read as
 * the file's bytes (text mode applies). The bytes are not kept. */
READDATA14_API readdata14_status READDATA14_CALL readdata14_read_memory(
    const void *data, size_t size, readdata14_chart *chart,
    readdata14_finding_callback onFinding, void *context);

/* Releases everything a read put into `chart` and zeroes the record. Safe on
 * a zeroed record and on one released before; `chart` may be null. */
READDATA14_API void READDATA14_CALL readdata14_release(readdata14_chart *chart);

/* A short English phrase for a status ("read", "cannot be opened", "not a
 * type-14 chart", ...): a static string, never null. */
READDATA14_API const char *READDATA14_CALL readdata14_status_name(readdata14_status status);

/* A stable name for a finding kind ("tag-mismatch", "bad-token", ...): a
 * static string, never null ("finding" for a kind this version does not know). */
READDATA14_API const char *READDATA14_CALL readdata14_finding_kind_name(int32_t kind);

/* The library's version, "MAJOR.MINOR.PATCH": a static string. */
READDATA14_API const char *READDATA14_CALL readdata14_version(void);

#ifdef __cplusplus
}
#endif

#endif /* READDATA14_READDATA14_H */
