/* Every public C header at once, with each of its macros expanded: compiled
 * (not run) as C89, C99 and C++ under -pedantic -Werror by
 * check_strict_headers.cmake, since a macro is only checked where it is used. */
#include "readdata14/readdata14.h"
#include "readdata14/readdata14_layers.h"
#include "readdata14/readdata14_write.h"

int main(void) {
    readdata14_options options = READDATA14_OPTIONS_INIT;
    readdata14_write_options writeOptions = READDATA14_WRITE_OPTIONS_INIT;
    readdata14_write_result result = READDATA14_WRITE_RESULT_INIT;
    readdata14_labelled_line line = READDATA14_LABELLED_LINE_INIT;
    readdata14_point_list list = READDATA14_POINT_LIST_INIT;
    readdata14_symbol symbol = READDATA14_SYMBOL_INIT;
    readdata14_note note = READDATA14_NOTE_INIT;
    const readdata14_document *document = NULL;
    int flags = (int)(READDATA14_HEADER_ONLY | READDATA14_WRITE_CRLF | READDATA14_WRITE_HEADER_INTEGERS |
                      READDATA14_GEOMETRY_NULL | READDATA14_RING_LEFT_OPEN | READDATA14_SECTION_NOTES);
    (void)options;
    (void)writeOptions;
    (void)result;
    (void)line;
    (void)list;
    (void)symbol;
    (void)note;
    (void)flags;
    return READDATA14_HAS(document, inputSize) && READDATA14_DEFAULT_MAX_INPUT > 0 ? READDATA14_STOP
                                                                                 : READDATA14_GO_ON;
}
