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
 * Calling convention: the platform's default C convention (cdecl on 32-bit
 * Windows). Both exports are exported under their plain, undecorated names.
 */
#ifndef READDATA14_READDATA14_H
#define READDATA14_READDATA14_H

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
 *   lengths  one slot per symbol (SYMBOLS) or two per note (NOTES_SYMBOL), in
 *            file order: the length of that text in `text` including its
 *            trailing "#", or 0 where the element has no text.
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

#ifdef __cplusplus
}
#endif

#endif /* READDATA14_READDATA14_H */
