/* The C side of the package's tests, printed as JSON for pytest to read.
 *
 *   c_tables layouts      the offset and size of every field of every record
 *                         the package mirrors with ctypes (the writer's and
 *                         builder's included), and each record's size
 *   c_tables layers FILE  the file read through readdata14_open: the header's
 *                         fields and every layer's features as the library's
 *                         tables hold them (geometry and every field)
 *
 * Floats are printed so that they read back exactly (%.9g for a float,
 * %.17g for a double); texts as the hex of their bytes. */
#include <stddef.h>
#include <stdio.h>
#include <string.h>

#include "readdata14/readdata14.h"
#include "readdata14/readdata14_layers.h"
#include "readdata14/readdata14_write.h"

#define FIELD(record, field)                                                        \
    printf("%s\"%s\": [%zu, %zu]", first ? "" : ", ", #field, offsetof(record, field), \
           sizeof(((record *)0)->field));                                           \
    first = 0;
#define BEGIN(record)                                                   \
    printf("%s\"%s\": {\"size\": %zu, \"fields\": {", comma, #record, sizeof(record)); \
    comma = ",\n";                                                      \
    first = 1;
#define END() printf("}}");

static void PrintLayouts(void) {
    const char *comma = "";
    int first;
    printf("{");
    BEGIN(FloatTextBlock) FIELD(FloatTextBlock, values) FIELD(FloatTextBlock, lengths)
        FIELD(FloatTextBlock, text) END()
    BEGIN(readdata14_chart) FIELD(readdata14_chart, lines) FIELD(readdata14_chart, description)
        FIELD(readdata14_chart, lineSymbols) FIELD(readdata14_chart, closedContours)
        FIELD(readdata14_chart, symbols) FIELD(readdata14_chart, weatherRegions) FIELD(readdata14_chart, fillAreas)
        FIELD(readdata14_chart, notes) FIELD(readdata14_chart, linesSize) FIELD(readdata14_chart, lineSymbolsSize)
        FIELD(readdata14_chart, closedContoursSize) FIELD(readdata14_chart, weatherRegionsSize)
        FIELD(readdata14_chart, fillAreasSize) FIELD(readdata14_chart, symbolValuesSize)
        FIELD(readdata14_chart, symbolLengthsSize) FIELD(readdata14_chart, symbolTextSize)
        FIELD(readdata14_chart, noteValuesSize) FIELD(readdata14_chart, noteLengthsSize)
        FIELD(readdata14_chart, noteTextSize) FIELD(readdata14_chart, systemError) FIELD(readdata14_chart, errors)
        FIELD(readdata14_chart, warnings) END()
    BEGIN(readdata14_document) FIELD(readdata14_document, size) FIELD(readdata14_document, status)
        FIELD(readdata14_document, sectionsPresent) FIELD(readdata14_document, chart)
        FIELD(readdata14_document, firstToken) FIELD(readdata14_document, firstTokenSize)
        FIELD(readdata14_document, descriptionSize) FIELD(readdata14_document, headerIntegers)
        FIELD(readdata14_document, headerIntegerPresent) FIELD(readdata14_document, contourFilePositions)
        FIELD(readdata14_document, contourFilePositionsSize) FIELD(readdata14_document, levels)
        FIELD(readdata14_document, levelCount) FIELD(readdata14_document, levelOrder)
        FIELD(readdata14_document, inputSize) END()
    BEGIN(readdata14_finding) FIELD(readdata14_finding, offset) FIELD(readdata14_finding, line)
        FIELD(readdata14_finding, column) FIELD(readdata14_finding, kind) FIELD(readdata14_finding, severity)
        FIELD(readdata14_finding, message) END()
    BEGIN(readdata14_options) FIELD(readdata14_options, size) FIELD(readdata14_options, onFinding)
        FIELD(readdata14_options, context) FIELD(readdata14_options, maxFindings)
        FIELD(readdata14_options, maxInputSize) FIELD(readdata14_options, flags)
        FIELD(readdata14_options, threads) END()
    BEGIN(readdata14_field_definition) FIELD(readdata14_field_definition, name)
        FIELD(readdata14_field_definition, type) FIELD(readdata14_field_definition, nullable)
        FIELD(readdata14_field_definition, description) END()
    BEGIN(readdata14_layer_definition) FIELD(readdata14_layer_definition, name)
        FIELD(readdata14_layer_definition, geometryType) FIELD(readdata14_layer_definition, fieldCount)
        FIELD(readdata14_layer_definition, fields) FIELD(readdata14_layer_definition, description) END()
    BEGIN(readdata14_column) FIELD(readdata14_column, type) FIELD(readdata14_column, reserved)
        FIELD(readdata14_column, integers) FIELD(readdata14_column, reals) FIELD(readdata14_column, texts)
        FIELD(readdata14_column, textStarts) FIELD(readdata14_column, textLengths) FIELD(readdata14_column, nulls)
        END()
    BEGIN(readdata14_layer) FIELD(readdata14_layer, size) FIELD(readdata14_layer, id)
        FIELD(readdata14_layer, present) FIELD(readdata14_layer, definition) FIELD(readdata14_layer, featureCount)
        FIELD(readdata14_layer, coordinates) FIELD(readdata14_layer, geometryStarts)
        FIELD(readdata14_layer, pointCounts) FIELD(readdata14_layer, geometryFlags) FIELD(readdata14_layer, columns)
        FIELD(readdata14_layer, extent) FIELD(readdata14_layer, recordStarts) END()
    BEGIN(readdata14_table_column) FIELD(readdata14_table_column, name) FIELD(readdata14_table_column, column)
        FIELD(readdata14_table_column, textSize) END()
    BEGIN(readdata14_layer_table) FIELD(readdata14_layer_table, size) FIELD(readdata14_layer_table, id)
        FIELD(readdata14_layer_table, columnCount) FIELD(readdata14_layer_table, featureCount)
        FIELD(readdata14_layer_table, coordinates) FIELD(readdata14_layer_table, coordinateCount)
        FIELD(readdata14_layer_table, geometryStarts) FIELD(readdata14_layer_table, pointCounts)
        FIELD(readdata14_layer_table, geometryFlags) FIELD(readdata14_layer_table, columns)
        FIELD(readdata14_layer_table, fids) FIELD(readdata14_layer_table, storedLabels)
        FIELD(readdata14_layer_table, flags) END()
    BEGIN(readdata14_metadata_item) FIELD(readdata14_metadata_item, key) FIELD(readdata14_metadata_item, value)
        FIELD(readdata14_metadata_item, valueSize) END()
    BEGIN(readdata14_stored_column) FIELD(readdata14_stored_column, name) FIELD(readdata14_stored_column, kind)
        FIELD(readdata14_stored_column, reserved) FIELD(readdata14_stored_column, floats)
        FIELD(readdata14_stored_column, floatCount) FIELD(readdata14_stored_column, starts)
        FIELD(readdata14_stored_column, counts) END()
    BEGIN(readdata14_stored_layer) FIELD(readdata14_stored_layer, size) FIELD(readdata14_stored_layer, id)
        FIELD(readdata14_stored_layer, columnCount) FIELD(readdata14_stored_layer, featureCount)
        FIELD(readdata14_stored_layer, columns) END()
    BEGIN(readdata14_write_options) FIELD(readdata14_write_options, size) FIELD(readdata14_write_options, flags)
        FIELD(readdata14_write_options, firstToken) FIELD(readdata14_write_options, description)
        FIELD(readdata14_write_options, headerIntegers) FIELD(readdata14_write_options, headerIntegerCount) END()
    BEGIN(readdata14_write_result) FIELD(readdata14_write_result, size) FIELD(readdata14_write_result, status)
        FIELD(readdata14_write_result, systemError) FIELD(readdata14_write_result, section)
        FIELD(readdata14_write_result, element) FIELD(readdata14_write_result, bytesWritten)
        FIELD(readdata14_write_result, message) END()
    printf("}\n");
}

static void PrintHex(const char *bytes, size_t size) {
    printf("\"");
    for (size_t i = 0; i < size; ++i) printf("%02x", (unsigned char)bytes[i]);
    printf("\"");
}

static void PrintValue(const readdata14_column *column, uint64_t row) {
    if (column->nulls != NULL && column->nulls[row]) {
        printf("null");
    } else if (column->type == READDATA14_FIELD_REAL) {
        printf("%.17g", column->reals[row]);
    } else if (column->type == READDATA14_FIELD_STRING) {
        PrintHex(column->texts + column->textStarts[row], column->textLengths[row]);
    } else {
        printf("%lld", (long long)column->integers[row]);
    }
}

static void PrintLayer(const readdata14_layer *layer) {
    const readdata14_layer_definition *definition = layer->definition;
    printf("{\"name\": \"%s\", \"present\": %d, \"features\": [", definition->name, (int)layer->present);
    for (uint64_t f = 0; f < layer->featureCount; ++f) {
        printf("%s\n{\"flags\": %u, \"points\": [", f ? "," : "", (unsigned)layer->geometryFlags[f]);
        const float *xy = layer->coordinates + layer->geometryStarts[f];
        for (uint32_t i = 0; i < 2 * layer->pointCounts[f]; ++i) printf("%s%.9g", i ? ", " : "", (double)xy[i]);
        printf("], \"values\": [");
        for (uint32_t k = 0; k < definition->fieldCount; ++k) {
            if (k) printf(", ");
            PrintValue(&layer->columns[k], f);
        }
        printf("]}");
    }
    printf("]}");
}

static int PrintLayers(const char *path) {
    readdata14_document *document = NULL;
    const readdata14_status status = readdata14_open(path, NULL, &document);
    printf("{\"status\": %d", (int)status);
    if (status == READDATA14_READ || status == READDATA14_STOPPED) {
        printf(", \"firstToken\": ");
        PrintHex(document->firstToken, document->firstTokenSize);
        printf(", \"description\": ");
        PrintHex(document->chart.description, document->descriptionSize);
        printf(", \"headerIntegers\": [");
        for (int i = 0; i < 5; ++i) {
            if (document->headerIntegerPresent[i]) {
                printf("%s%d", i ? ", " : "", document->headerIntegers[i]);
            } else {
                printf("%snull", i ? ", " : "");
            }
        }
        printf("], \"layers\": [");
        for (uint32_t i = 0; i < readdata14_layer_count(); ++i) {
            const readdata14_layer *layer = readdata14_document_layer(document, i);
            if (layer == NULL) {
                readdata14_close(document);
                return 1;
            }
            if (i) printf(",\n");
            PrintLayer(layer);
        }
        printf("]");
    }
    printf("}\n");
    readdata14_close(document);
    return 0;
}

int main(int argc, char **argv) {
    if (argc == 2 && strcmp(argv[1], "layouts") == 0) {
        PrintLayouts();
        return 0;
    }
    if (argc == 3 && strcmp(argv[1], "layers") == 0) return PrintLayers(argv[2]);
    fprintf(stderr, "usage: c_tables layouts | c_tables layers FILE\n");
    return 2;
}
