/*
 * readdata14_write.h (added in 1.2) — writes a chart as a type-14 text file that reads
 * back to the same blocks, and builds charts element by element.
 *
 *   readdata14_document *chart = NULL;
 *   readdata14_open("in.txt", NULL, &chart);
 *   readdata14_write_options options = READDATA14_WRITE_OPTIONS_INIT;
 *   options.flags = READDATA14_WRITE_CRLF;               (optional)
 *   readdata14_write_result result = READDATA14_WRITE_RESULT_INIT;
 *   if (readdata14_write(chart, "out.txt", &options, &result) != READDATA14_WRITTEN)
 *       fprintf(stderr, "%s\n", result.message);
 *   readdata14_close(chart);
 *
 * ------------------------------------------------------------------------
 * What the writer promises
 * ------------------------------------------------------------------------
 * For every document that readdata14_open or readdata14_open_memory read
 * (status READDATA14_READ or READDATA14_STOPPED), the file written reads back
 * to the same document: every block bit for bit (NaNs, -0 and infinities
 * included), the sizes, the header's fields, sectionsPresent and
 * contourFilePositions. That holds for broken files too: the writer writes
 * what was read, not what the file meant. The one document it refuses is one
 * read with READDATA14_HEADER_ONLY (see "States no file spells" below).
 *
 * How each thing is spelt so that the reader gives it back:
 *   numbers     the shortest decimal text that reads back to the same 32-bit
 *               float; -0 as "-0", infinities as "inf" and "-inf", NaN as
 *               "nan" or "-nan" (the two NaNs a file can give; a NaN with
 *               another payload is NOT_WRITABLE). Integers (counts, codes,
 *               types, fill areas' integer values) as decimal integers.
 *   labels      "NoLabel" for 999999; a code (3200000 + n) as its three
 *               characters "0nn" where that reads back to the same float,
 *               otherwise as the plain number; a value between 0 and 100
 *               whose shortest text has three characters gets a fourth
 *               ("5.5" would read as a code: "5.50").
 *   directions  a symbol's direction as the angle in radians that gives it
 *               back exactly (the file holds the angle).
 *   symbols     a blank in a text as the byte 0x01; an empty text as a
 *               single NUL byte (the reader's token ends there, empty); a
 *               dropped symbol (a zero `lengths` slot with no record) as a
 *               type-48 symbol at z 1.0, so `lengths` comes back the same.
 *   notes       each text with its length; a text ending in a line break
 *               ends its line. A CR in a text stays a CR: where the reader's
 *               text mode would join it to a following LF, the LF is
 *               written as CR LF.
 *   long lists  a point list of more than 250 points that a reader thinned
 *               is written as the points kept, declared as that many: each
 *               kept point lies 1.0 or more from the one kept before it (in
 *               x or y), so the thinning keeps every one of them again.
 *   contours    in the order they stood in the file (contourFilePositions),
 *               since the nesting, the direction and the levels follow from
 *               it; the reader works them out again.
 *   sections    in the format's order. A section the document lacks is
 *               written as its tag without the colon ("LINES"), which the
 *               reader takes as a missing section; missing sections at the
 *               end are left out. A section whose tag stood without a count
 *               is written as the tag alone. The STATION_SITUATION marker
 *               stands exactly where the chart has weather regions, the
 *               FILLAREA section only after it.
 * What a broken file left that no complete element spells is written as
 * the shortest broken file that reads back to it: a SYMBOLS or NOTES_SYMBOL
 * section that stopped before its first element is written with the count
 * 1 and no element; a symbol whose direction angle was missing (direction 0,
 * always the section's last) is written without its angle.
 *
 * States no file spells (refused with READDATA14_NOT_WRITABLE):
 *   - a document read with READDATA14_HEADER_ONLY: its blocks are null,
 *     while a file always gives at least the weather regions' empty block;
 *   - in a document not made by the library: a NaN with a payload other
 *     than that of "nan" or "-nan", a symbol direction no angle gives back,
 *     a text the reader cannot give back (see the builder's rules), and
 *     blocks that do not walk to their end.
 *
 * Texts are written as the bytes they are: the library converts no
 * encoding (it stays free of iconv, so that its DLLs depend on KERNEL32 and
 * msvcrt only). "An encoding for texts" is the front end's to apply: GDAL's
 * ENCODING creation option (through CPLRecode) and Python's `encoding=`
 * convert the texts before they reach the library.
 *
 * None of these calls throws or aborts; allocation failure is
 * READDATA14_OUT_OF_MEMORY. Calling convention and export as in
 * readdata14.h.
 */
#ifndef READDATA14_READDATA14_WRITE_H
#define READDATA14_READDATA14_WRITE_H

#include "readdata14/readdata14.h"

#ifdef __cplusplus
extern "C" {
#endif

/* ------------------------------------------------------------------------
 * Options and result
 * ------------------------------------------------------------------------ */

/* Bits of readdata14_write_options.flags. Added in 1.2. */
#define READDATA14_WRITE_CRLF 1u            /* line ends CR LF (Windows hosts); LF otherwise */
#define READDATA14_WRITE_HEADER_INTEGERS 2u /* write options.headerIntegers instead of the
                                               document's */

/* The host's record: it sets `size` (the INIT macro does) and the library
 * reads no further, taking the defaults for what an older host does not
 * know. Null options: all defaults. Added in 1.2. */
typedef struct readdata14_write_options {
    size_t size;              /* sizeof(readdata14_write_options) */
    uint32_t flags;           /* READDATA14_WRITE_* */
    /* The header's first token and description, zero-terminated; null: the
     * document's. One token each: no white space, no Ctrl-Z (0x1A). An
     * empty one is written as a NUL byte, which reads back empty. */
    const char *firstToken;
    const char *description;
    /* With READDATA14_WRITE_HEADER_INTEGERS: the first headerIntegerCount
     * (0 to 5) of these stand in the file after the description. Without
     * it, those the document read (headerIntegerPresent). The file can only
     * leave integers out at the end of the line. */
    int32_t headerIntegers[5];
    uint32_t headerIntegerCount;
} readdata14_write_options;

#define READDATA14_WRITE_OPTIONS_INIT {sizeof(readdata14_write_options), 0, NULL, NULL, {0, 0, 0, 0, 0}, 0}

/* What a write (or a builder call) came to, beyond its status. The host's
 * record like the options: the library fills no more than `size` bytes of
 * it. May be null where the status is enough. Added in 1.2. */
typedef struct readdata14_write_result {
    size_t size;             /* sizeof(readdata14_write_result) */
    int32_t status;          /* the status the call returned */
    int32_t systemError;     /* READDATA14_CANNOT_WRITE: errno, or the sink's value */
    uint32_t section;        /* READDATA14_NOT_WRITABLE: the READDATA14_SECTION_* bit of
                                the element at fault; 0 for the header or the whole chart */
    int64_t element;         /* its index in its block (or in the builder's section), from
                                0; -1 when no element is at fault */
    uint64_t bytesWritten;   /* the bytes that reached the output */
    char message[256];       /* why, in English and UTF-8, zero-terminated (cut to fit);
                                "" when written. Bytes of the chart are escaped (\xNN). */
} readdata14_write_result;

#define READDATA14_WRITE_RESULT_INIT {sizeof(readdata14_write_result), 0, 0, 0, -1, 0, {0}}

/* ------------------------------------------------------------------------
 * Writing a document
 * ------------------------------------------------------------------------
 * `document` is one that readdata14_open, readdata14_open_memory or
 * readdata14_builder_finish made. Nothing is written unless the whole chart
 * can be: the chart is checked before the first byte goes out. */

/* To the file at `path` (UTF-8 on every platform: on Windows the file is
 * created through its UTF-16 name). An existing file is replaced. When a
 * write fails once the file was created, the file is removed. Added in 1.2. */
READDATA14_API readdata14_status READDATA14_CALL readdata14_write(const readdata14_document *document,
                                                                 const char *path,
                                                                 const readdata14_write_options *options,
                                                                 readdata14_write_result *result);

/* To memory: *data receives a buffer the library allocated, *size its bytes.
 * Release it with readdata14_write_release. On any status but
 * READDATA14_WRITTEN, *data is null and *size 0. Added in 1.2. */
READDATA14_API readdata14_status READDATA14_CALL readdata14_write_memory(const readdata14_document *document,
                                                                        const readdata14_write_options *options,
                                                                        void **data, size_t *size,
                                                                        readdata14_write_result *result);

/* Releases a buffer readdata14_write_memory made; null is fine. Added in 1.2. */
READDATA14_API void READDATA14_CALL readdata14_write_release(void *data);

/* Receives the chart's bytes in pieces, in order, on the caller's thread.
 * Returns 0 when it took them; any other value ends the write with
 * READDATA14_CANNOT_WRITE and that value in the result's systemError. Added in 1.2. */
typedef int(READDATA14_CALL *readdata14_write_sink)(const void *bytes, size_t size, void *context);

/* To the host's sink. A C++ exception leaving the sink ends the write with
 * READDATA14_CALLBACK_FAILED. Added in 1.2. */
READDATA14_API readdata14_status READDATA14_CALL readdata14_write_callback(const readdata14_document *document,
                                                                          readdata14_write_sink sink, void *context,
                                                                          const readdata14_write_options *options,
                                                                          readdata14_write_result *result);

/* The direction a symbol's block holds for the angle (radians) its file
 * holds: 270 − angle × 180 / 3.14159265, formed in double and rounded to a
 * 32-bit float, as the reader forms it. Added in 1.2. */
READDATA14_API float READDATA14_CALL readdata14_direction_from_angle(float angle);

/* ------------------------------------------------------------------------
 * Building a chart
 * ------------------------------------------------------------------------
 *
 *   readdata14_builder *builder = NULL;
 *   readdata14_builder_new(&builder);
 *   float ring[] = {0, 0, 10, 0, 10, 10, 0, 0};
 *   readdata14_labelled_line isobar = READDATA14_LABELLED_LINE_INIT;
 *   isobar.code = 1; isobar.points = ring; isobar.pointCount = 4; isobar.label = 1012;
 *   readdata14_builder_add_contour(builder, &isobar, NULL);
 *   readdata14_document *chart = NULL;
 *   readdata14_builder_finish(builder, &chart, NULL);
 *   readdata14_builder_free(builder);
 *   ... readdata14_write(chart, path, NULL, NULL); readdata14_close(chart);
 *
 * The builder holds elements in the order they are added, section by
 * section. Finishing writes them as a file and reads that file back: the
 * document is exactly what any reader of the file gets, the contours nested,
 * levelled and classified by the reader (in the order they were added: that
 * order is their file order, contourFilePositions), and writing it gives
 * that file. Every section is present (with the count 0 when nothing was
 * added to it), unless readdata14_builder_leave_out left it out.
 *
 * Each add checks the element first and refuses, with
 * READDATA14_NOT_WRITABLE and a message naming it, what the format cannot
 * carry; a refused element leaves the builder as it was. The builder keeps
 * to the format's own limits, so that its files read anywhere:
 *   - points are x, y pairs of 32-bit floats (z is written as 0); a NaN only
 *     as "nan" or "-nan" gives it; at most 2^24 points and 2^24 elements;
 *   - a label is the value a block holds (999999 for "NoLabel", 3200000 + n
 *     for the code n); a line carries at most 48 label points, a contour 47,
 *     and a contour at least one point;
 *   - line symbols, weather regions and fill areas of more than 250 points
 *     are thinned as a reader thins them: the builder keeps the points a
 *     reader keeps (the first, then each 1.0 or more from the last kept in x
 *     or y) and drops the rest;
 *   - a symbol's direction is in degrees as the block holds it; a direction
 *     no angle gives exactly is stored as the nearest one an angle gives
 *     (they lie at most a few millionths of a degree apart);
 *   - a symbol text (types 48 and 60 to 63, at most 179 bytes) holds no
 *     white space but blanks, no byte 0x01 (the file's blank), no Ctrl-Z;
 *     other types have no text (null);
 *   - a note of type 48 has two texts of at most 199 bytes each, neither
 *     starting with white space, with a line break at most as its last
 *     character, and no Ctrl-Z; a note of another type is its type alone
 *     (every other field 0, texts null);
 *   - integer values (codes, types, fill areas' values but the 14th) are
 *     whole numbers of the 32-bit range;
 *   - the header's tokens are single tokens of at most 99 bytes.
 */

/* Added in 1.2. */
typedef struct readdata14_builder readdata14_builder;

/* A line (LINES) or a closed contour (CLOSED_CONTOURS). Added in 1.2. */
typedef struct readdata14_labelled_line {
    size_t size;                /* sizeof(readdata14_labelled_line) */
    int32_t code;
    const float *points;        /* pointCount pairs x, y */
    size_t pointCount;
    float label;                /* the label value, as the block holds it */
    const float *labelPoints;   /* labelPointCount pairs x, y */
    size_t labelPointCount;
    uint32_t flags;             /* (added in 1.3) READDATA14_CLOSE_RING; a 1.2 host's smaller
                                   record reads as 0 */
} readdata14_labelled_line;

#define READDATA14_LABELLED_LINE_INIT {sizeof(readdata14_labelled_line), 0, NULL, 0, 999999.0f, NULL, 0, 0}

/* Bit of readdata14_labelled_line.flags, for closed contours (added in 1.3):
 * where a contour of two points or more does not end with its first point,
 * the first is repeated at its end, so that the contour reads as closed.
 * Rings as GIS tools give them may come either way. Without it a contour is
 * written as given: one that does not end where it began reads as open
 * (drawn dashed, without a level). */
#define READDATA14_CLOSE_RING 1u

/* A line symbol (LINES_SYMBOL), a weather region (WEATHER_REGION) or a fill
 * area (FILLAREA, with its sixteen values; only the 14th is not an
 * integer). Added in 1.2. */
typedef struct readdata14_point_list {
    size_t size;                /* sizeof(readdata14_point_list) */
    int32_t code;
    const float *points;        /* pointCount pairs x, y */
    size_t pointCount;
    float values[16];           /* fill areas only */
} readdata14_point_list;

#define READDATA14_POINT_LIST_INIT {sizeof(readdata14_point_list), 0, NULL, 0, {0}}

/* A symbol (SYMBOLS). Added in 1.2. */
typedef struct readdata14_symbol {
    size_t size;                /* sizeof(readdata14_symbol) */
    int32_t type;
    float x, y;
    float direction;            /* types without text: degrees, as the block holds it */
    const char *text;           /* types 48 and 60 to 63: zero-terminated, blanks allowed */
    int32_t dropped;            /* nonzero: a type-48 symbol a reader drops (written at z 1.0):
                                   it keeps a zero `lengths` slot and gets no record */
} readdata14_symbol;

#define READDATA14_SYMBOL_INIT {sizeof(readdata14_symbol), 0, 0.0f, 0.0f, 0.0f, NULL, 0}

/* A note (NOTES_SYMBOL). Added in 1.2. */
typedef struct readdata14_note {
    size_t size;                /* sizeof(readdata14_note) */
    int32_t type;               /* 48 for a note with texts */
    float x, y;
    float value;                /* the value before the second text */
    float trailing[6];          /* the six values after it */
    const char *firstText;      /* zero-terminated */
    const char *secondText;
} readdata14_note;

#define READDATA14_NOTE_INIT {sizeof(readdata14_note), 48, 0.0f, 0.0f, 0.0f, {0}, NULL, NULL}

/* A new, empty builder in *builder: READDATA14_WRITTEN, or
 * READDATA14_OUT_OF_MEMORY (and null). The header is "readdata14 14 chart"
 * with the five integers 0. Every call below returns READDATA14_WRITTEN
 * when it took what it was given, READDATA14_NOT_WRITABLE (the result's
 * message says why), READDATA14_INVALID_ARGUMENT for a null builder or
 * record, a record whose size is not set, or null points with a count, or
 * READDATA14_OUT_OF_MEMORY. Added in 1.2. */
READDATA14_API readdata14_status READDATA14_CALL readdata14_builder_new(readdata14_builder **builder);

/* Releases a builder; null is fine. Documents it finished stay valid. Added in 1.2. */
READDATA14_API void READDATA14_CALL readdata14_builder_free(readdata14_builder *builder);

/* The header: first token and description (null keeps the current one) and
 * the first integerCount (0 to 5) of `integers`. Added in 1.2. */
READDATA14_API readdata14_status READDATA14_CALL readdata14_builder_set_header(
    readdata14_builder *builder, const char *firstToken, const char *description, const int32_t *integers,
    size_t integerCount, readdata14_write_result *result);

/* Added in 1.2. */
READDATA14_API readdata14_status READDATA14_CALL readdata14_builder_add_line(readdata14_builder *builder,
                                                                            const readdata14_labelled_line *line,
                                                                            readdata14_write_result *result);
/* Added in 1.2. */
READDATA14_API readdata14_status READDATA14_CALL readdata14_builder_add_line_symbol(
    readdata14_builder *builder, const readdata14_point_list *lineSymbol, readdata14_write_result *result);
/* Added in 1.2. */
READDATA14_API readdata14_status READDATA14_CALL readdata14_builder_add_symbol(readdata14_builder *builder,
                                                                              const readdata14_symbol *symbol,
                                                                              readdata14_write_result *result);
/* Added in 1.2. */
READDATA14_API readdata14_status READDATA14_CALL readdata14_builder_add_contour(
    readdata14_builder *builder, const readdata14_labelled_line *contour, readdata14_write_result *result);
/* Added in 1.2. */
READDATA14_API readdata14_status READDATA14_CALL readdata14_builder_add_weather_region(
    readdata14_builder *builder, const readdata14_point_list *region, readdata14_write_result *result);
/* Added in 1.2. */
READDATA14_API readdata14_status READDATA14_CALL readdata14_builder_add_fill_area(
    readdata14_builder *builder, const readdata14_point_list *area, readdata14_write_result *result);
/* Added in 1.2. */
READDATA14_API readdata14_status READDATA14_CALL readdata14_builder_add_note(readdata14_builder *builder,
                                                                            const readdata14_note *note,
                                                                            readdata14_write_result *result);

/* Copies elements of a document that was read (or finished) into the
 * builder exactly as the document holds them: elements first to
 * first + count - 1 of `section` (one READDATA14_SECTION_* bit), appended
 * after the section's elements. Writing the chart and reading it back gives
 * those records bit for bit, the ones no record above carries included: a
 * contour without points, a line of one point, a ring of fewer than three
 * points, a NaN or infinite coordinate, a dropped symbol. Use it to save an
 * edited chart: the untouched elements copied, the edited ones added.
 *
 * Elements are counted from 0, in the order the file held them: records
 * of the block for LINES, LINES_SYMBOL, WEATHER_REGION, FILLAREA and
 * NOTES_SYMBOL; the `lengths` slots for SYMBOLS (the file's symbols,
 * dropped ones included); for CLOSED_CONTOURS the contours in file order
 * (element p is the record whose contourFilePositions entry is p), not in
 * the block's order. The header and the sections present are not copied
 * (readdata14_builder_set_header, readdata14_builder_leave_out), nor two
 * states of a whole section that no element holds: a section whose tag
 * stood without a count (present, with no block) and a SYMBOLS or
 * NOTES_SYMBOL section that stopped before its first element come back as
 * sections without elements.
 *
 * Closed contours stand in the builder in the order they are added, which
 * is their file order: copying runs in increasing order keeps the
 * document's file order, and the reader works out nesting, direction and
 * levels again. A symbol that lost its direction angle where its section
 * stopped (direction 0, the section's last) stays the section's last: a
 * symbol added or copied after it is refused.
 *
 * Each call walks the document's section from its start: copy runs of
 * elements in one call rather than one element per call.
 *
 * READDATA14_INVALID_ARGUMENT for a null builder or document, a section
 * that is not one READDATA14_SECTION_* bit, or elements beyond those the
 * section holds (READDATA14_ALL_ELEMENTS as the count takes the rest of
 * the section; count 0 at first == the count held is fine, and a count
 * of 0 copies nothing, even into a section left out);
 * READDATA14_NOT_WRITABLE for a document read with READDATA14_HEADER_ONLY,
 * a section left out of the builder or full, or, in a document not made by
 * the library, an element no file gives back (the result's element is its
 * index in the builder's section). Nothing is copied unless all is.
 * Added in 1.3. */
#define READDATA14_ALL_ELEMENTS SIZE_MAX /* a count: from `first` to the section's end. Added in 1.3. */
READDATA14_API readdata14_status READDATA14_CALL readdata14_builder_copy_elements(
    readdata14_builder *builder, const readdata14_document *from, uint32_t section, size_t first, size_t count,
    readdata14_write_result *result);

/* Copies element `element` of a LINES or CLOSED_CONTOURS section (the
 * `section` bit) as readdata14_builder_copy_elements copies it, counted the
 * same way (contours in file order), with its label points replaced by the
 * `count` (x, y) pairs at `labelPoints`, stored as given (a NaN too, as a
 * file may hold one): the rest of its record (points, code, label value)
 * comes back bit for bit, whatever it holds. Use it to save an element whose
 * label points were edited while the element itself was not, or to give an
 * element made again (from a finished document) its label points as read.
 *
 * READDATA14_INVALID_ARGUMENT for a null builder or document, another
 * section, an element beyond those the section holds, or null labelPoints
 * with a count; READDATA14_NOT_WRITABLE as for readdata14_builder_copy_elements,
 * and for more label points than the record holds (a line 48, a contour
 * 47). Nothing is copied unless all is. Never throws. Added in 1.3. */
READDATA14_API readdata14_status READDATA14_CALL readdata14_builder_copy_relabelled(
    readdata14_builder *builder, const readdata14_document *from, uint32_t section, size_t element,
    const float *labelPoints, size_t count, readdata14_write_result *result);

/* Leaves `sections` (READDATA14_SECTION_* bits, or-ed) out of the file, as
 * a chart whose file lacks them: the document finished has their bits
 * clear in sectionsPresent and holds for them what a reader of such a file
 * holds (no block for LINES, LINES_SYMBOL and CLOSED_CONTOURS, untouched
 * blocks for SYMBOLS and NOTES_SYMBOL, the empty block for weather regions
 * and the empty fill areas' block where regions stand). Use it to give back
 * a chart that was read without a section. The bits add to those left out
 * before; there is no way back but a new builder.
 *
 * Leaving out WEATHER_REGIONS leaves out FILL_AREAS too: the fill areas
 * stand after the STATION_SITUATION marker and the regions, and a reader
 * that finds no marker looks for no fill areas.
 *
 * A left-out section holds no element: the call refuses, with
 * READDATA14_NOT_WRITABLE, a section that already holds one (the result's
 * section and message name it; nothing is left out then), and an add to a
 * left-out section is refused the same way. READDATA14_INVALID_ARGUMENT for
 * a null builder or a bit that is not a READDATA14_SECTION_* bit. Added in 1.2. */
READDATA14_API readdata14_status READDATA14_CALL readdata14_builder_leave_out(readdata14_builder *builder,
                                                                             uint32_t sections,
                                                                             readdata14_write_result *result);

/* The chart built so far, as a new document in *document (close it with
 * readdata14_close), status READDATA14_READ. The builder stays as it was and
 * may go on. Added in 1.2. */
READDATA14_API readdata14_status READDATA14_CALL readdata14_builder_finish(const readdata14_builder *builder,
                                                                          readdata14_document **document,
                                                                          readdata14_write_result *result);

#ifdef __cplusplus
}
#endif

#endif /* READDATA14_READDATA14_WRITE_H */
