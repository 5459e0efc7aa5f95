/*
 * readdata14_layers.h — one read chart as GIS layers: the layer model that
 * the GDAL driver, the Python package, chart14 and the tests all take their
 * layers, fields and features from, so that they cannot drift apart.
 *
 *   readdata14_document *chart;
 *   readdata14_open(path, NULL, &chart);
 *   for (uint32_t i = 0; i < readdata14_layer_count(); ++i) {
 *       const readdata14_layer *layer = readdata14_document_layer(chart, i);
 *       const readdata14_layer_definition *schema = layer->definition;
 *       for (uint64_t f = 0; f < layer->featureCount; ++f) {
 *           const float *xy = layer->coordinates + layer->geometryStarts[f];
 *           ... layer->pointCounts[f] points (x, y), layer->geometryFlags[f];
 *           ... schema->fields[k] is layer->columns[k], row f
 *       }
 *   }
 *   readdata14_close(chart);
 *
 * The schema is fixed: eight layers, one per section plus the label points,
 * always all eight, each of one geometry type. A section that is missing or
 * not where it is due gives an empty layer; `present` says whether its tag
 * stood where it was due (see READDATA14_SECTION_* in readdata14.h).
 *
 * A feature is a record of its section's block, and its FID is the record's
 * 0-based position in the block (closed contours: the block's nesting
 * order). Label points: the lines' first, then the contours', each parent's
 * in order.
 *
 * Non-finite values, one rule for every front end: a geometry with a
 * coordinate that is not finite is null (READDATA14_GEOMETRY_NULL), the
 * feature and its fields kept; a field that can hold a value that is not
 * finite is nullable, and is null for it. The exact values stay in the
 * blocks (readdata14_document.chart).
 *
 * Texts (symbol texts, note texts) are the file's bytes: turn them into the
 * host's encoding as the user asks. The names the model gives itself
 * ("none", "code", "value", "lines", "closed_contours") are ASCII.
 *
 * Memory: a document's layers are made the first time one is asked for (the
 * first call may allocate; a later one does not), from any thread, and live
 * as long as the document. Geometries point into the document's blocks, not
 * into copies; columns are the library's arrays. Nothing here is the host's
 * to release.
 */
#ifndef READDATA14_READDATA14_LAYERS_H
#define READDATA14_READDATA14_LAYERS_H

#include "readdata14/readdata14.h"
#include "readdata14/readdata14_write.h"

#ifdef __cplusplus
extern "C" {
#endif

/* ---- the schema ------------------------------------------------------------ */

/* The layers, by their index (stable). Added in 1.1. */
typedef enum readdata14_layer_id {
    READDATA14_LAYER_LINES = 0,
    READDATA14_LAYER_LINE_SYMBOLS = 1,
    READDATA14_LAYER_SYMBOLS = 2,
    READDATA14_LAYER_CLOSED_CONTOURS = 3,
    READDATA14_LAYER_WEATHER_REGIONS = 4,
    READDATA14_LAYER_FILL_AREAS = 5,
    READDATA14_LAYER_NOTES = 6,
    READDATA14_LAYER_LABEL_POINTS = 7
} readdata14_layer_id;

/* Isolines are lines in GIS: closed contours are line strings, closed or not. Added in 1.1. */
typedef enum readdata14_geometry_type {
    READDATA14_GEOMETRY_POINT = 1,
    READDATA14_GEOMETRY_LINE_STRING = 2,
    READDATA14_GEOMETRY_POLYGON = 3
} readdata14_geometry_type;

/* Added in 1.1. */
typedef enum readdata14_field_type {
    READDATA14_FIELD_INTEGER = 1, /* int64 values (every one fits 32 bits) */
    READDATA14_FIELD_BOOLEAN = 2, /* int64 values 0 or 1 */
    READDATA14_FIELD_REAL = 3,    /* double values (each one a 32-bit float of the file, widened) */
    READDATA14_FIELD_STRING = 4   /* bytes */
} readdata14_field_type;

/* Added in 1.1. */
typedef struct readdata14_field_definition {
    const char *name;         /* snake_case, stable: "label_value" */
    int32_t type;             /* a readdata14_field_type */
    int32_t nullable;         /* 1: may be null */
    const char *description;  /* one English sentence, for documentation and tooltips */
} readdata14_field_definition;

/* Added in 1.1. */
typedef struct readdata14_layer_definition {
    const char *name;         /* "closed_contours" */
    int32_t geometryType;     /* a readdata14_geometry_type */
    uint32_t fieldCount;
    const readdata14_field_definition *fields;
    const char *description;  /* one English sentence */
} readdata14_layer_definition;

/* The number of layers (8), and each layer's definition: static data, never
 * null below the count, null beyond it. Added in 1.1. */
READDATA14_API uint32_t READDATA14_CALL readdata14_layer_count(void);
/* Added in 1.1. */
READDATA14_API const readdata14_layer_definition *READDATA14_CALL readdata14_layer_definition_at(uint32_t layer);

/* ---- one chart's layers ----------------------------------------------------- */

/* Bits of readdata14_layer.geometryFlags. Added in 1.1. */
#define READDATA14_GEOMETRY_NULL 1u   /* no geometry: a line of fewer than 2 points, a ring of
                                         fewer than 4 once closed, a point or coordinate that is
                                         not finite. Its pointCount is 0. */
#define READDATA14_RING_LEFT_OPEN 2u  /* a polygon whose stored points do not end with its first
                                         point: a host closes the ring by repeating it */

/* One field's values, one row per feature. Read the array of the field's
 * type; the others are null. Added in 1.1. */
typedef struct readdata14_column {
    int32_t type;                 /* the field's readdata14_field_type */
    uint32_t reserved;
    const int64_t *integers;      /* INTEGER, BOOLEAN */
    const double *reals;          /* REAL */
    const char *texts;            /* STRING: the bytes the texts of the column lie in */
    const uint64_t *textStarts;   /* STRING: row f's text starts at texts + textStarts[f] */
    const uint32_t *textLengths;  /* STRING: and is this many bytes long (no terminating zero) */
    const uint8_t *nulls;         /* 1 where the row is null; null when no row is */
} readdata14_column;

/* Added in 1.1. */
typedef struct readdata14_layer {
    size_t size;                  /* the bytes of this record the library filled */
    uint32_t id;                  /* a readdata14_layer_id */
    int32_t present;              /* 1: the section's tag stood where it was due (label points:
                                     the lines' or the closed contours') */
    const readdata14_layer_definition *definition;
    uint64_t featureCount;
    /* Geometries: feature f's pointCounts[f] points are the (x, y) pairs
     * from coordinates[geometryStarts[f]] on. The coordinates are those of
     * the chart's blocks (for label points, a copy the layer owns). */
    const float *coordinates;
    const uint64_t *geometryStarts;
    const uint32_t *pointCounts;
    const uint8_t *geometryFlags;
    /* definition->fieldCount columns, in the order of definition->fields. */
    const readdata14_column *columns;
    /* minX, minY, maxX, maxY over the geometries that are not null; NaN when
     * every geometry is null or the layer is empty. */
    double extent[4];
    /* Where feature f's record begins in its section's block (the block of
     * readdata14_document.chart that `coordinates` points into), in floats
     * from the block's start. A host that wants a record as stored (the
     * points of a null geometry, a value the columns show as null because it
     * is not finite) reads it there, by the block layouts of readdata14.h,
     * or takes each value where readdata14_document_stored_layer (1.3) says.
     * Null for label points, which are points of their parents' records. */
    const uint64_t *recordStarts;
} readdata14_layer;

/* The layer `layer` (a readdata14_layer_id) of a document that read a chart
 * (READDATA14_READ or READDATA14_STOPPED). Null for another document, an
 * index beyond readdata14_layer_count(), or when memory ran out making the
 * layers (a later call tries again). Added in 1.1. */
READDATA14_API const readdata14_layer *READDATA14_CALL readdata14_document_layer(const readdata14_document *document,
                                                                                uint32_t layer);

/* ---- records as stored (added in 1.3) ----------------------------------------- */

/* The kinds of readdata14_stored_column. Added in 1.3. */
#define READDATA14_STORED_VALUE 1u   /* one float per feature: floats[starts[f]], none where counts[f] is 0 */
#define READDATA14_STORED_VALUES 2u  /* counts[f] floats per feature, from floats[starts[f]] on */
#define READDATA14_STORED_POINTS 3u  /* counts[f] (x, y) pairs per feature, from floats[starts[f]] on */

/* One value of every feature's record, where the record stores it: a host
 * that shows the exact floats (NaN and infinities included, the points of
 * a null geometry, a value the columns show as null) takes them here, not
 * by walking the block layouts itself. Added in 1.3. */
typedef struct readdata14_stored_column {
    const char *name;          /* "record", "points", "label", "label_points", "value", "values",
                                  "x", "y", "direction" (see readdata14_document_stored_layer) */
    uint32_t kind;             /* a READDATA14_STORED_* */
    uint32_t reserved;
    const float *floats;       /* the floats the items lie in: the section's block of
                                  readdata14_document.chart (label points: the layer's copy) */
    uint64_t floatCount;       /* floats at `floats`; every item lies below it */
    const uint64_t *starts;    /* feature f's items begin at floats[starts[f]] */
    const uint32_t *counts;    /* and are this many (VALUE: 1, or 0 where the record has none) */
} readdata14_stored_column;

/* Added in 1.3. */
typedef struct readdata14_stored_layer {
    size_t size;               /* the bytes of this record the library filled */
    uint32_t id;               /* a readdata14_layer_id */
    uint32_t columnCount;
    uint64_t featureCount;     /* the layer's, in the same order */
    const readdata14_stored_column *columns;
} readdata14_stored_layer;

/* The records of layer `layer` as stored, one column per value a record
 * holds, in this order:
 *
 *   lines            record, points, label, label_points
 *   line_symbols     record, points
 *   symbols          record, x, y, direction (none for a text type)
 *   closed_contours  record, points, value, label_points
 *   weather_regions  record, points
 *   fill_areas       record, points, values (16)
 *   notes            record, x, y, value, values (6)
 *   label_points     x, y, label (its parent's label or value)
 *
 * "record" is the whole record (VALUES), from where the layer's
 * recordStarts says it begins. Null as readdata14_document_layer is null.
 * Made the first time any stored layer is asked for (that call may
 * allocate, a later one does not), from any thread; lives as long as the
 * document and is not the host's to release. Never throws. (added in 1.3) */
READDATA14_API const readdata14_stored_layer *READDATA14_CALL
readdata14_document_stored_layer(const readdata14_document *document, uint32_t layer);

/* ---- layers back into a chart (added in 1.3) -------------------------------- */

/* One column a host hands back: a field of the layer's schema, by name, and
 * its rows as readdata14_column holds them. A column of the layer model can
 * be given as it is. `column.type` is the field's type, except that an
 * INTEGER or BOOLEAN field also takes a REAL column (whole values) and a
 * REAL field an INTEGER one. `textSize`: the bytes at `column.texts`
 * (STRING), against which every row's start and length are checked. */
typedef struct readdata14_table_column {
    const char *name;
    readdata14_column column;
    uint64_t textSize;
} readdata14_table_column;

/* A layer as a host hands it back: the shape readdata14_document_layer
 * gives, with the sizes that let the library check it. Only the columns
 * the host has: a field without a column takes its default (below). */
typedef struct readdata14_layer_table {
    size_t size;                     /* sizeof(readdata14_layer_table) */
    uint32_t id;                     /* a readdata14_layer_id */
    uint32_t columnCount;
    uint64_t featureCount;
    const float *coordinates;        /* x, y pairs */
    uint64_t coordinateCount;        /* floats at `coordinates` */
    const uint64_t *geometryStarts;  /* row f's points start at coordinates[geometryStarts[f]] */
    const uint32_t *pointCounts;     /* and are this many pairs */
    const uint8_t *geometryFlags;    /* READDATA14_GEOMETRY_NULL; null when no row is null */
    const readdata14_table_column *columns;
    const int64_t *fids;             /* each row's FID, which label points name; null: see below */
    /* The record grows here, at its end only: a host's record whose `size`
     * ends before a member reads that member as null or 0. */
    const float *storedLabels;       /* lines, closed contours: each row's label as the block holds
                                        it, bit for bit (see "labels" below); null: the label fields */
    uint32_t flags;                  /* READDATA14_TABLE_* bits */
} readdata14_layer_table;

#define READDATA14_LAYER_TABLE_INIT \
    {sizeof(readdata14_layer_table), 0, 0, 0, NULL, 0, NULL, NULL, NULL, NULL, NULL, NULL, 0}

/* Bits of readdata14_layer_table.flags, for a host that hands records as
 * stored rather than GIS features (as the element calls of
 * readdata14_write.h take them). */
#define READDATA14_TABLE_CLOSE_RINGS 1u       /* closed contours: each row as READDATA14_CLOSE_RING
                                                 closes a contour given open */
#define READDATA14_TABLE_POINTS_AS_GIVEN 2u   /* coordinates and label points that are not finite
                                                 are taken as given: the builder refuses only what
                                                 no text gives back (a NaN but "nan"
                                                 and "-nan") */

/* Adds every row of `table` to the builder as an element of its section, in
 * row order, or nothing: one refused row leaves the builder as it was, and
 * the result names the layer, the row (its `element`, from 0) and why
 * ("closed_contours row 4: label_kind is \"size\", not none, code or
 * value"). The rules, the same for every host:
 *
 *   geometry     a row whose geometry is null (the flag, or 0 points) is an
 *                element with no points, in every section: a symbol or a
 *                note of type 48 at (NaN, NaN), a note of another type at
 *                (0, 0), a label point at (NaN, NaN), a contour of no points
 *                (which this library reads: it nests nowhere and its label
 *                counts for the levels). Any other coordinate that is not
 *                finite is refused (kept, with
 *                READDATA14_TABLE_POINTS_AS_GIVEN). A point layer's row has
 *                one point.
 *   rings        a polygon row whose left_open is 1 and whose last point
 *                repeats its first is given back without that last point.
 *                With READDATA14_TABLE_CLOSE_RINGS, a closed contour of two
 *                points or more that does not end with its first point gets
 *                it repeated at its end.
 *   labels       label_kind "none" is NoLabel; "code" takes label_code (a
 *                code from 0 to 100, stored as 3200000 + code); "value" takes
 *                label_value, null for a value that was not finite (NaN); a
 *                value that would read back as NoLabel or a code is refused.
 *                Without label_kind: "value" where label_value is not null,
 *                else "none". With `storedLabels`, each row's label is that
 *                float as given, as readdata14_builder_add_line takes it
 *                (999999 NoLabel, 3200000 + n the code n, another a value;
 *                NaN, infinities and -0 kept bit for bit), and a table with
 *                label_kind, label_value or label_code columns too, or of
 *                another layer, is refused.
 *   integers     codes, types and the fill areas' integer values are whole
 *                numbers that a 32-bit float slot gives back exactly.
 *   contours     in the order of file_position (stable), the rows without
 *                one (null, or no column) after them in row order: the file
 *                order, from which the reader works out nesting and levels.
 *   label points the rows of `labelPoints` (a LABEL_POINTS table, or null)
 *                whose parent_layer is this layer's name go to the row that
 *                parent_fid names: the row's FID (`fids`), without them its
 *                nesting_position for closed contours that have that
 *                column, else its position in the table; each parent's in the
 *                order of `index`. A line holds at most 48, a contour 47. A
 *                label point whose parent is missing is refused; rows of the
 *                other parent layer are left for its own call.
 *   defaults     a field without a column: 0, false, no text; label fields
 *                as above. A null in a field that may not be null is refused.
 *   texts        the bytes of the file (no encoding is converted); a symbol
 *                of a text type needs its text (empty is fine), and a note
 *                not of type 48 has empty texts.
 * What the builder refuses of an element (readdata14_write.h) is refused
 * the same way, naming the row. The layer model's metadata, `present`,
 * levels and nesting are not read: leave sections out with
 * readdata14_builder_leave_out, and set the header with
 * readdata14_builder_set_header.
 *
 * Returns READDATA14_WRITTEN, READDATA14_NOT_WRITABLE (a row refused, or a
 * table of wrong shape: offsets beyond the coordinates or texts, a column
 * that names no field or has the wrong type), READDATA14_INVALID_ARGUMENT
 * (null builder or table, a size not set, the LABEL_POINTS layer itself, a
 * flag bit this library does not know, a null array with rows) or
 * READDATA14_OUT_OF_MEMORY. Never throws. */
READDATA14_API readdata14_status READDATA14_CALL readdata14_builder_add_layer(readdata14_builder *builder,
                                                                             const readdata14_layer_table *table,
                                                                             const readdata14_layer_table *labelPoints,
                                                                             readdata14_write_result *result);

/* (added in 1.3) What readdata14_builder_add_layer would answer for the
 * same arguments, the builder left as it was whatever the answer: a host
 * refuses a feature the format cannot carry when it arrives (its row alone,
 * or a parent's row with all of that parent's label points), by the same
 * rules and with the same message, and adds the rows later. The answer may
 * still change with rows that come later: a label point whose parent is not
 * in `table`, or a section the builder was told to leave out. Returns as
 * readdata14_builder_add_layer. Never throws. */
READDATA14_API readdata14_status READDATA14_CALL readdata14_builder_check_layer(readdata14_builder *builder,
                                                                               const readdata14_layer_table *table,
                                                                               const readdata14_layer_table *labelPoints,
                                                                               readdata14_write_result *result);

/* ---- metadata and texts for people (added in 1.3) ---------------------------- */

/* One item of a document's metadata: the key (ASCII, stable) and its value,
 * `valueSize` bytes (zero-terminated as well). */
typedef struct readdata14_metadata_item {
    const char *key;
    const char *value;
    size_t valueSize;
} readdata14_metadata_item;

/* The metadata of a document that read a chart, the same for every front
 * end (GDAL's dataset metadata, Python's Chart.metadata, chart14's GeoJSON),
 * in this order: DESCRIPTION and FIRST_TOKEN (the file's bytes: decode them
 * as the texts), HEADER_INTEGERS (the integers that stood in the file,
 * comma-separated), LEVELS (each level in the shortest form that reads back
 * to the same float, comma-separated), LEVEL_ORDER ("rising", "falling" or
 * "unknown"), FILL_AREAS_READ ("YES" or "NO"), ERRORS and WARNINGS (counts).
 * *items receives the array, which lives as long as the document; returns
 * the count, 0 (and null) for another document or when memory ran out. */
READDATA14_API size_t READDATA14_CALL readdata14_document_metadata(const readdata14_document *document,
                                                                  const readdata14_metadata_item **items);

/* Bits of readdata14_escape_text's flags. */
#define READDATA14_ESCAPE_BACKSLASH 1u /* a backslash as \\ too: the byte 0xFF and the four
                                          characters \xFF never give the same text */

/* Bytes of a chart as a text for people, always valid UTF-8: valid UTF-8
 * unchanged, every other byte as \xNN (upper-case hex). Writes at most
 * `size` bytes to `out`, the last a terminating zero (nothing when `size`
 * is 0), and returns the length of the whole text without the zero, as
 * snprintf does: call it with size 0 for the room needed. */
READDATA14_API size_t READDATA14_CALL readdata14_escape_text(const char *bytes, size_t length, uint32_t flags,
                                                            char *out, size_t size);

#ifdef __cplusplus
}
#endif

#endif /* READDATA14_READDATA14_LAYERS_H */
