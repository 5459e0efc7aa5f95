/*
 * readdata14 — reads the type-14 graphic-product text file of weather analysis
 * charts and hands back its drawn elements as arrays of 32-bit floats.
 *
 * One call reads one file, front to back, and returns newly allocated arrays.
 * The library keeps no state between calls and no global state at all:
 * every entry may be called from any number of threads at once, on the same
 * file or on different ones. A chart once read is never changed by the
 * library, so several threads may read one chart's arrays (and one
 * readdata14_document, its layers included) at the same time.
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
 *                  number plus 3200000. The block cannot tell a label written
 *                  as the number 999999 from "NoLabel", nor one written as
 *                  3200000 + n from the code n: they are stored alike.
 *   lineSymbols    [k, code, k × (x, y)]            (long point lists thinned:
 *                  an element that declares more than 250 points keeps its
 *                  first point and then each point that lies at least 1.0
 *                  from the last point kept in x or in y)
 *   closedContours [n, code, valuedClosed, levelIndex, n × (x, y), value, m,
 *                   m × (x, y)] in nesting order, then K and the K sorted
 *                  levels after the last record. levelIndex 999999: none.
 *                  A "nan" label is never a level; where two nested
 *                  contours are compared for rise or fall it counts as
 *                  equal to the other value.
 *   symbols        [1, type, x, y, direction]       (see FloatTextBlock)
 *   weatherRegions [k, code, k × (x, y)]             (thinned as lineSymbols)
 *   fillAreas      [k, code, k × (x, y), 16 values]  (thinned as lineSymbols)
 *   notes          [1, type, x, y, value, 6 values] (see FloatTextBlock)
 *
 * The leading 1 of a symbol or note record is its point count: a symbol or a
 * note is one point, so its record is 3 × 1 + 2 (symbol) or 9 × 1 + 2 (note)
 * floats long, and a host steps over it like over any other record.
 *
 * Rings: the points of a weather region or fill area are stored as the file
 * lists them. The file may or may not repeat the first point at the end; the
 * library neither closes a ring nor drops a repeated point.
 *
 * A section that declares no elements gives the empty block: the single
 * float 0 (closed contours: the two floats 0, 0).
 *
 * Non-finite values: a float slot that holds a number from the file (a
 * coordinate, a label or contour value, a level, fill areas' 14th value, a
 * note's values) holds NaN, +inf or -inf where the file writes "nan" or
 * "inf", and an infinity where the file writes a number beyond the float
 * range ("1e39"); a symbol's direction is an infinity when its angle is so
 * large that the direction overflows. Each such value is a warning finding
 * where it stands. Counts, codes, types, level indices and the integer values
 * of fill areas are always finite whole numbers.
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

/* The version of this header. readdata14_version() tells the library's: a
 * host built against this header runs with any library of the same major
 * version, older or newer (see readdata14_document for how records grow). Added in 1.1. */
#define READDATA14_VERSION_MAJOR 1
#define READDATA14_VERSION_MINOR 3
#define READDATA14_VERSION_PATCH 0

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

/* What a read (or a write) came to. New statuses may be added; treat any
 * status other than READDATA14_READ (and READDATA14_STOPPED, which only
 * readdata14_open gives) as a read that gave no chart, and any other than
 * READDATA14_WRITTEN as a write that did not happen. */
typedef enum readdata14_status {
    READDATA14_READ = 0,             /* the header named type 14: the chart's fields are set */
    READDATA14_CANNOT_OPEN = 1,      /* the file could not be opened or read (a directory, a
                                        missing file, no permission): systemError says why */
    READDATA14_NOT_TYPE_14 = 2,      /* the file opened, but its header is not three tokens with
                                        the type 14 in the middle */
    READDATA14_OUT_OF_MEMORY = 3,    /* an allocation failed */
    READDATA14_INVALID_ARGUMENT = 4, /* a null path, data pointer (with no bytes too) or chart,
                                        or options whose size is below that of 1.1 */
    READDATA14_CALLBACK_FAILED = 5,  /* a C++ exception left the finding callback */
    READDATA14_STOPPED = 6,          /* (added in 1.1) the finding handler stopped the read: the chart
                                        holds what was read up to there */
    READDATA14_TOO_LARGE = 7,        /* (added in 1.1) the input holds more bytes than the read allows
                                        (readdata14_options.maxInputSize, by default
                                        READDATA14_DEFAULT_MAX_INPUT), or is a stream such as
                                        /dev/zero that does not end before that */
    /* Writing (readdata14_write.h) */
    READDATA14_WRITTEN = 8,          /* (added in 1.2) the chart was written whole, or the builder took
                                        the element */
    READDATA14_CANNOT_WRITE = 9,     /* (added in 1.2) the output could not be created or written: the
                                        result's systemError is the C runtime's errno (ENOSPC,
                                        EACCES, ...) or what the host's sink returned */
    READDATA14_NOT_WRITABLE = 10     /* (added in 1.2) the chart holds something no type-14 file gives back
                                        (or the builder was given something the format cannot
                                        carry): the result's message names the section and the
                                        element, and nothing was written */
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
 * one, nor with ReleaseZenparData14's arguments taken from two reads.
 *
 * A read overwrites the record whole, whatever it held: release a record
 * that still holds a read before you read into it again, or its arrays are
 * lost (leaked).
 *
 * This is the record of version 1.0, and it stays as it is. Newer fields
 * (the header's own fields, which sections stood in the file, ...) come in
 * readdata14_document (readdata14_open), which can grow. */
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
    READDATA14_FINDING_INTEGER_RANGE = 13,    /* an integer beyond 32 bits, saturated */
    READDATA14_FINDING_FLOAT_RANGE = 14,      /* (added in 1.1) a number beyond the 32-bit float range
                                                 ("1e39"), stored as an infinity */
    READDATA14_FINDING_NON_FINITE = 15        /* (added in 1.1) a value written as "nan" or "inf" */
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
 * initialised). `onFinding` may be null; the findings then cost no memory
 * each, only their counts are kept. Returns READDATA14_READ or why not;
 * see readdata14_chart for what is set in each case. The input is bounded by
 * READDATA14_DEFAULT_MAX_INPUT (READDATA14_TOO_LARGE beyond it); a FIFO is
 * read as a stream until its writer closes it (opening one that has no
 * writer waits for one, as cat does). */
READDATA14_API readdata14_status READDATA14_CALL readdata14_read(
    const char *path, readdata14_chart *chart, readdata14_finding_callback onFinding,
    void *context);

/* The same for a file already in memory: `size` bytes at `data`, read as
 * the file's bytes (text mode applies). The bytes are not kept. A null
 * `data` is READDATA14_INVALID_ARGUMENT, whatever `size` says. */
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

/* ------------------------------------------------------------------------
 * readdata14_open (added in 1.1): a read with options, into a record that can grow
 * ------------------------------------------------------------------------
 *
 *   readdata14_options options = READDATA14_OPTIONS_INIT;
 *   options.onFinding = on_finding;       (may return READDATA14_STOP)
 *   options.maxFindings = 10;
 *   readdata14_document *chart = NULL;
 *   readdata14_status status = readdata14_open(path, &options, &chart);
 *   if (status == READDATA14_READ || status == READDATA14_STOPPED) {
 *       ... chart->chart.lines, chart->headerIntegers[0], ...
 *   }
 *   readdata14_close(chart);               (whatever the status; NULL is fine)
 *
 * Growing without breaking hosts: the library allocates the document and
 * fills its `size` member with the bytes it filled. A field added in a later
 * version is appended at the end; a host built against a newer header asks
 * READDATA14_HAS(document, field) before it uses a field that its library may
 * not have. The options record is the host's: it sets `size` (the INIT macro
 * does) and the library reads no further than that, taking the defaults for
 * what an older host does not know.
 */

/* The input bound when the options give none: 1 GiB. Added in 1.1. */
#define READDATA14_DEFAULT_MAX_INPUT ((uint64_t)1 << 30)

/* What a finding handler returns. Added in 1.1. */
#define READDATA14_GO_ON 0
#define READDATA14_STOP 1

/* Called once per finding, on the caller's thread, while the read goes on
 * (see readdata14_options.onFinding). Returns READDATA14_GO_ON, or
 * READDATA14_STOP to end the read as if the input ended there. Added in 1.1. */
typedef int(READDATA14_CALL *readdata14_finding_handler)(const readdata14_finding *finding, void *context);

/* Bits of readdata14_options.flags. Added in 1.1. */
#define READDATA14_HEADER_ONLY 1u /* read the header (first token, type,
                                     description, five integers) and stop:
                                     for classifying files without reading
                                     them whole; the blocks stay null */

/* Added in 1.1. */
typedef struct readdata14_options {
    size_t size;      /* sizeof(readdata14_options), set by READDATA14_OPTIONS_INIT */
    /* Receives the findings one by one as the read settles them, in the
     * order the reader meets them: the file's order, but that a section's
     * finding about its declared count (input-ended, count-limit) comes
     * after the findings inside the section. An error after which the
     * reading is out of step with the file (a section cut short or a tag
     * not where it is due) is handed on once the reading finds its step
     * again (the next section's tag and count), or at the end, so that its
     * message can say what it brought about: a stop there ends the read
     * after that tag and count. May be null: the findings then cost no
     * memory each; the counts are kept all the same. */
    readdata14_finding_handler onFinding;
    void *context;    /* handed to onFinding */
    /* At most this many findings reach onFinding; 0: no limit. The counts
     * (chart.errors, chart.warnings) stay exact past the limit, and findings
     * past it are not kept. */
    uint64_t maxFindings;
    /* At most this many bytes are read; a larger input, or a stream that
     * does not end before it, is READDATA14_TOO_LARGE. 0: the default,
     * READDATA14_DEFAULT_MAX_INPUT. */
    uint64_t maxInputSize;
    uint32_t flags;   /* READDATA14_HEADER_ONLY */
    /* (added in 1.3) Threads the read may use: 0 or 1, one thread, the
     * caller's, as before; n > 1, up to n (the caller's among them) for a
     * large input (8 MB and more), which then converts its numbers
     * ahead on the others while the caller's thread reads the sections.
     * The chart, the findings and their order are the same whatever the
     * number. A host built against 1.1 or 1.2 passes a smaller record and
     * reads with one thread. Findings still reach onFinding on the caller's
     * thread only. uint64_t, so that the field starts where the 1.1 record
     * ended on every platform. */
    uint64_t threads;
} readdata14_options;

/* Added in 1.1 (threads: 1.3). */
#define READDATA14_OPTIONS_INIT {sizeof(readdata14_options), NULL, NULL, 0, 0, 0, 0}

/* Bits of readdata14_document.sectionsPresent: the section's tag stood where
 * it was due, whatever its count (so a section that declares no elements is
 * present). LINES, LINES_SYMBOL, SYMBOLS, CLOSED_CONTOURS, FILLAREA and
 * NOTES_SYMBOL: their tag and a count read where the previous section left
 * the file (a tag with no count after it counts as present, and gives no
 * block). WEATHER_REGION: the STATION_SITUATION marker stood where it was
 * due and the scan after it reached the "WEATHER_REGION:" tag. FILLAREA is
 * looked for only then: without it the fill areas are not read at all. Added in 1.1. */
#define READDATA14_SECTION_LINES           (1u << 0)
#define READDATA14_SECTION_LINE_SYMBOLS    (1u << 1)
#define READDATA14_SECTION_SYMBOLS         (1u << 2)
#define READDATA14_SECTION_CLOSED_CONTOURS (1u << 3)
#define READDATA14_SECTION_WEATHER_REGIONS (1u << 4)
#define READDATA14_SECTION_FILL_AREAS      (1u << 5)
#define READDATA14_SECTION_NOTES           (1u << 6)

/* One read: the chart as readdata14_read gives it, and what 1.1 adds. The
 * library owns it; readdata14_close releases it and everything it points
 * to. Nothing in it changes after readdata14_open returns. Added in 1.1. */
typedef struct readdata14_document {
    size_t size;        /* the bytes of this record the library filled */
    int32_t status;     /* a readdata14_status: what readdata14_open returned */
    uint32_t sectionsPresent;  /* READDATA14_SECTION_* bits */

    /* The blocks, their sizes, systemError and the counts of errors and
     * warnings, as readdata14_read fills them: set on READDATA14_READ and
     * READDATA14_STOPPED (null blocks with READDATA14_HEADER_ONLY); on any
     * other status only systemError and the counts. Owned by the document:
     * never pass it to readdata14_release. */
    readdata14_chart chart;

    /* The header's own fields, as the file has them (the original export
     * reads and drops them): the first token (zero-terminated, like the
     * description in chart.description), and the line of five integers
     * after the description, which ends at the first token that is not an
     * integer: headerIntegerPresent[i] is 1 for those that stood in the file,
     * and a missing one is 0 in headerIntegers. Texts are the file's bytes
     * up to a NUL byte, if one stands in the token. Null, 0 on statuses
     * other than READDATA14_READ and READDATA14_STOPPED. */
    const char *firstToken;
    size_t firstTokenSize;     /* bytes before its terminating zero */
    size_t descriptionSize;    /* bytes of chart.description before its zero */
    int32_t headerIntegers[5];
    uint8_t headerIntegerPresent[5];

    /* For each record of chart.closedContours, in the block's (nesting)
     * order, the position its contour had in the file, from 0. The nesting
     * and the levels depend on that order, so a writer needs it to give the
     * chart back exactly (see readdata14_write). Null when the section has
     * no records. */
    const uint32_t *contourFilePositions;
    size_t contourFilePositionsSize;

    /* The closed contours' levels: the distinct contour values, sorted in
     * the section's direction, as they stand after the last record of
     * chart.closedContours (null and 0 when there are none). levelOrder: 1
     * rising (ascending: the values rise inwards), 2 falling, 0 when fewer
     * than two levels cannot tell. */
    const float *levels;
    size_t levelCount;
    int32_t levelOrder;

    uint64_t inputSize;  /* the bytes read, on every status: the whole input, its
                            header (READDATA14_HEADER_ONLY), or the first bytes
                            that told it is not a chart (READDATA14_NOT_TYPE_14);
                            0 when it was not read (cannot open, too large) */
} readdata14_document;

/* Whether `document` has `field`: a host built against a newer header than
 * its library asks this before using a field added after 1.1. Added in 1.1. */
#define READDATA14_HAS(document, field)                                        \
    ((document) != NULL && (document)->size >= offsetof(readdata14_document, field) + \
                                                   sizeof((document)->field))

/* Reads the type-14 file at `path` (UTF-8 on every platform: on Windows the
 * file is opened through its UTF-16 name). `options` may be null for the
 * defaults. Sets *document to the new document, or to null when not even
 * that could be allocated (READDATA14_OUT_OF_MEMORY) or an argument is
 * invalid; close it whatever the status. READDATA14_STOPPED: the handler
 * asked to stop, and the document holds what was read up to there.
 * A FIFO is read as a stream until its writer closes it; opening one that
 * has no writer waits for a writer, as cat does: that wait is the caller's. Added in 1.1. */
READDATA14_API readdata14_status READDATA14_CALL readdata14_open(const char *path,
                                                                const readdata14_options *options,
                                                                readdata14_document **document);

/* The same for a file already in memory: `size` bytes at `data` (not null,
 * even for no bytes). The bytes are not kept. Added in 1.1. */
READDATA14_API readdata14_status READDATA14_CALL readdata14_open_memory(const void *data, size_t size,
                                                                       const readdata14_options *options,
                                                                       readdata14_document **document);

/* Releases a document and everything it holds; null is fine. Added in 1.1. */
READDATA14_API void READDATA14_CALL readdata14_close(readdata14_document *document);

/* Whether `size` bytes at `data`, the first bytes of a file, begin a type-14
 * chart: a header of three tokens with 14 in the middle, its integers, and
 * then a section tag ("LINES:", "STATION_SITUATION", ...). Added in 1.1. */
typedef enum readdata14_identity {
    READDATA14_IS_CHART = 0,      /* claimed */
    READDATA14_NOT_CHART = 1,     /* not a chart; `reason` says why */
    READDATA14_NEEDS_MORE = 2     /* the bytes end before they tell: pass more of the file
                                     (the whole file, when it is shorter, always tells) */
} readdata14_identity;

/* `wholeFile`: the bytes are the whole file. For READDATA14_NOT_CHART,
 * `reason` (may be null) receives why, in English and zero-terminated,
 * cut to `reasonSize` bytes ("the second header token is 13, not 14"); an
 * empty string otherwise. Every file that readdata14_read reads with
 * READDATA14_READ and that holds a section tag after its header is a chart.
 * When memory runs out the bytes cannot be told: READDATA14_NEEDS_MORE with
 * an empty reason, even for a whole file; asking again may tell. Added in 1.1. */
READDATA14_API readdata14_identity READDATA14_CALL readdata14_identify(const void *data, size_t size,
                                                                      int wholeFile, char *reason,
                                                                      size_t reasonSize);

#ifdef __cplusplus
}
#endif

#endif /* READDATA14_READDATA14_H */
