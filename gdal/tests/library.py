"""The library's own account of a file, through its C API (ctypes on the
libreaddata14.so that READDATA14_LIBRARY names): the schema, a chart's layer
tables feature by feature, its header fields, and the identification. The
tests expect of the driver what these say."""
import codecs
import ctypes
import os
from ctypes import POINTER, byref, c_char, c_char_p, c_double, c_float, c_int, c_int32, c_int64, c_size_t, \
    c_uint8, c_uint32, c_uint64, c_void_p

READ, GEOMETRY_NULL, RING_LEFT_OPEN, INTEGER, BOOLEAN, REAL, STRING = 0, 1, 2, 1, 2, 3, 4
IS_CHART, NOT_CHART = 0, 1


class FieldDefinition(ctypes.Structure):
    _fields_ = [("name", c_char_p), ("type", c_int32), ("nullable", c_int32), ("description", c_char_p)]


class LayerDefinition(ctypes.Structure):
    _fields_ = [("name", c_char_p), ("geometryType", c_int32), ("fieldCount", c_uint32),
                ("fields", POINTER(FieldDefinition)), ("description", c_char_p)]


class Column(ctypes.Structure):
    _fields_ = [("type", c_int32), ("reserved", c_uint32), ("integers", POINTER(c_int64)),
                ("reals", POINTER(c_double)), ("texts", c_void_p), ("textStarts", POINTER(c_uint64)),
                ("textLengths", POINTER(c_uint32)), ("nulls", POINTER(c_uint8))]


class Layer(ctypes.Structure):
    _fields_ = [("size", c_size_t), ("id", c_uint32), ("present", c_int32), ("definition", POINTER(LayerDefinition)),
                ("featureCount", c_uint64), ("coordinates", POINTER(c_float)), ("geometryStarts", POINTER(c_uint64)),
                ("pointCounts", POINTER(c_uint32)), ("geometryFlags", POINTER(c_uint8)),
                ("columns", POINTER(Column)), ("extent", c_double * 4)]


class Document(ctypes.Structure):
    """readdata14_document; its chart record is 12 pointers, 11 sizes, the errno and the two counts."""
    _fields_ = [("size", c_size_t), ("status", c_int32), ("sectionsPresent", c_uint32),
                ("pointers", c_void_p * 12), ("sizes", c_size_t * 11), ("systemError", c_int32),
                ("errors", c_uint32), ("warnings", c_uint32),
                ("firstToken", POINTER(c_char)), ("firstTokenSize", c_size_t), ("descriptionSize", c_size_t),
                ("headerIntegers", c_int32 * 5), ("headerIntegerPresent", c_uint8 * 5),
                ("contourFilePositions", c_void_p), ("contourFilePositionsSize", c_size_t),
                ("levels", POINTER(c_float)), ("levelCount", c_size_t), ("levelOrder", c_int32)]


lib = ctypes.CDLL(os.environ["READDATA14_LIBRARY"])
lib.readdata14_open.argtypes = [c_char_p, c_void_p, POINTER(POINTER(Document))]
lib.readdata14_close.argtypes = [POINTER(Document)]
lib.readdata14_document_layer.argtypes = [POINTER(Document), c_uint32]
lib.readdata14_document_layer.restype = POINTER(Layer)
lib.readdata14_layer_count.restype = c_uint32
lib.readdata14_layer_definition_at.argtypes = [c_uint32]
lib.readdata14_layer_definition_at.restype = POINTER(LayerDefinition)
lib.readdata14_identify.argtypes = [c_char_p, c_size_t, c_int, c_char_p, c_size_t]

# The driver's texts without ENCODING: valid UTF-8 as it is, every other byte \xNN, a NUL \x00.
codecs.register_error("upper_hex", lambda e: ("".join(f"\\x{b:02X}" for b in e.object[e.start:e.end]), e.end))


def as_ogr_text(raw):
    return "\\x00".join(piece.decode("utf-8", "upper_hex") for piece in raw.split(b"\0"))


def schema():
    """[(layer, geometry type, [(field, type, nullable)])] as the library defines them."""
    layers = []
    for i in range(lib.readdata14_layer_count()):
        d = lib.readdata14_layer_definition_at(i).contents
        fields = [(f.name.decode(), f.type, bool(f.nullable)) for f in d.fields[:d.fieldCount]]
        layers.append((d.name.decode(), d.geometryType, fields))
    return layers


def identify(data, whole_file=True):
    """(claimed, reason) for the first bytes of a file."""
    reason = ctypes.create_string_buffer(256)
    identity = lib.readdata14_identify(data, len(data), int(whole_file), reason, len(reason))
    return identity == IS_CHART, reason.value.decode()


def features(table):
    """[(points or None, (field values))]: rings closed, nulls None, texts as the driver shows them."""
    n, xy = table.featureCount, table.coordinates
    geometries = []
    for start, count, flag in zip(table.geometryStarts[:n], table.pointCounts[:n], table.geometryFlags[:n]):
        points = None if flag & GEOMETRY_NULL else list(zip(xy[start:start + 2 * count:2], xy[start + 1:start + 2 * count:2]))
        geometries.append(points + points[:1] if flag & RING_LEFT_OPEN else points)
    columns = []
    for c in table.columns[:table.definition.contents.fieldCount]:
        if c.type == STRING:
            values = [as_ogr_text(ctypes.string_at(c.texts + s, k)) for s, k in zip(c.textStarts[:n], c.textLengths[:n])]
        else:
            values = (c.reals if c.type == REAL else c.integers)[:n]
        columns.append([None if c.nulls and c.nulls[i] else v for i, v in enumerate(values)])
    return list(zip(geometries, zip(*columns) if columns else [()] * n))


def opened(path, take):
    """take(document, record) of the library's read of `path`, or {"status": ...} where it does not read."""
    document = POINTER(Document)()
    status = lib.readdata14_open(os.fsencode(path), None, byref(document))
    try:
        return take(document, document.contents) if status == READ else {"status": status}
    finally:
        lib.readdata14_close(document)


def read(path):
    """The library's read: status, findings' counts, header fields and {layer: table} (None for no chart)."""
    return opened(path, _read)


def _read(document, d):
    header = {"FIRST_TOKEN": as_ogr_text(ctypes.string_at(d.firstToken, d.firstTokenSize)),
              "DESCRIPTION": as_ogr_text(ctypes.string_at(d.pointers[1], d.descriptionSize)),
              "HEADER_INTEGERS": [d.headerIntegers[i] for i in range(5) if d.headerIntegerPresent[i]],
              "LEVELS": d.levels[:d.levelCount],
              "FILL_AREAS_READ": d.pointers[8] is not None, "ERRORS": d.errors, "WARNINGS": d.warnings}
    layers = {}
    for i in range(lib.readdata14_layer_count()):
        table = lib.readdata14_document_layer(document, i).contents
        layers[table.definition.contents.name.decode()] = {
            "present": bool(table.present), "extent": tuple(table.extent), "features": features(table)}
    return {"status": READ, "header": header, "layers": layers}


# The chart record's blocks: (name, index of its pointer, index of its size, bytes per item).
BLOCKS = [("lines", 0, 0, 4), ("lineSymbols", 2, 1, 4), ("closedContours", 3, 2, 4), ("weatherRegions", 7, 3, 4),
          ("fillAreas", 8, 4, 4), ("symbolValues", 4, 5, 4), ("symbolLengths", 5, 6, 4), ("symbolText", 6, 7, 1),
          ("noteValues", 9, 8, 4), ("noteLengths", 10, 9, 4), ("noteText", 11, 10, 1)]


def blocks(path):
    """What a chart reads as, byte for byte: every block (None when null), the sections present, the
    header's fields and each contour's file position. Two files with equal blocks read as the same chart."""
    return opened(path, _blocks)


def _blocks(document, d):
    out = {"status": READ, "sectionsPresent": d.sectionsPresent,
           "firstToken": ctypes.string_at(d.firstToken, d.firstTokenSize),
           "description": ctypes.string_at(d.pointers[1], d.descriptionSize),
           "headerIntegers": [d.headerIntegers[i] for i in range(5) if d.headerIntegerPresent[i]],
           "contourFilePositions": ctypes.string_at(d.contourFilePositions, 4 * d.contourFilePositionsSize)
           if d.contourFilePositions else b""}
    for name, pointer, size, width in BLOCKS:
        at = d.pointers[pointer]
        out[name] = None if at is None else ctypes.string_at(at, width * d.sizes[size])
    return out
