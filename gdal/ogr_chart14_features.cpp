// A feature's values as GIS holds them, read for the library's table: the
// geometry as x, y floats (one outline per element, no z, no m, no holes),
// numbers from any numeric field or a text that is one, texts in the chart's
// encoding, and the layer options' mapping. The format's own rules (labels,
// codes, rings left open) are the library's.
#include <cmath>
#include <limits>

#include "ogr_chart14_write.hpp"
#include "readdata14/format.hpp"

namespace readdata14::ogr {
namespace {

std::string Shown(double value) { return CPLSPrintf("%.17g", value); }

// The float the file holds for a number of the source: rounded to 32 bits,
// as the reader keeps every number. A NaN becomes the plain NaN of its sign,
// the only two a file spells.
std::optional<float> ToFloat(double value) {
    if (std::isnan(value)) return std::copysign(std::numeric_limits<float>::quiet_NaN(), static_cast<float>(value));
    const auto single = static_cast<float>(value);
    if (std::isinf(single) && !std::isinf(value)) return std::nullopt;
    return single;
}

}  // namespace

std::nullopt_t FeatureReader::Refuse(std::string why) {
    if (!verdict_.refusal) verdict_.refusal = std::move(why);
    return std::nullopt;
}

std::optional<std::vector<float>> FeatureReader::Points(OGRwkbGeometryType wanted) {
    const OGRGeometry* geometry = feature_.GetGeometryRef();
    if (geometry == nullptr || geometry->IsEmpty()) return std::vector<float>();
    if (geometry->Is3D()) return Refuse("its geometry has z values; the format holds x and y (ogr2ogr -dim XY drops z)");
    if (geometry->IsMeasured()) return Refuse("its geometry has m values; the format holds x and y (ogr2ogr -dim XY drops m)");
    OGRwkbGeometryType type = wkbFlatten(geometry->getGeometryType());
    if (OGR_GT_IsSubClassOf(type, wkbGeometryCollection)) {
        const OGRGeometryCollection* parts = geometry->toGeometryCollection();
        if (parts->getNumGeometries() != 1) {
            return Refuse(std::string("it is a ") + OGRGeometryTypeToName(type) + " of " +
                          std::to_string(parts->getNumGeometries()) +
                          " parts; an element has one (ogr2ogr -explodecollections splits them)");
        }
        geometry = parts->getGeometryRef(0);
        type = wkbFlatten(geometry->getGeometryType());
    }
    // A polygon is closed by definition: where a line is wanted (a closed
    // contour), its outline serves, first point repeated at the end.
    if (type == wkbPolygon && wanted == wkbLineString) wanted = wkbPolygon;
    if (type != wanted) {
        return Refuse(std::string("it is a ") + OGRGeometryTypeToName(type) + "; the layer takes a " +
                      OGRGeometryTypeToName(wanted));
    }
    const OGRSimpleCurve* line = nullptr;
    std::vector<double> coordinates;
    if (type == wkbPoint) {
        coordinates = {geometry->toPoint()->getX(), geometry->toPoint()->getY()};
    } else if (type == wkbLineString) {
        line = geometry->toLineString();
    } else {
        const OGRPolygon* polygon = geometry->toPolygon();
        if (polygon->getNumInteriorRings() > 0) {
            const int holes = polygon->getNumInteriorRings();
            return Refuse("its polygon has " + (holes == 1 ? std::string("a hole") : std::to_string(holes) + " holes") +
                          "; an element is an outline alone");
        }
        line = polygon->getExteriorRing();
    }
    if (line != nullptr) {
        coordinates.reserve(2 * static_cast<std::size_t>(line->getNumPoints()));
        for (int i = 0; i < line->getNumPoints(); ++i) {
            coordinates.push_back(line->getX(i));
            coordinates.push_back(line->getY(i));
        }
    }
    std::vector<float> xy;
    xy.reserve(coordinates.size());
    for (const double c : coordinates) {
        const auto value = ToFloat(c);
        if (!value) return Refuse("a coordinate, " + Shown(c) + ", lies beyond the 32-bit float range");
        xy.push_back(*value);
    }
    return xy;
}

// A field's number: an integer or real field, or a text that is a number
// from end to end. Null is the caller's to look at first.
std::optional<double> FeatureReader::NumberAt(int index) {
    const OGRFieldDefn* field = feature_.GetFieldDefnRef(index);
    switch (field->GetType()) {
        case OFTInteger:
        case OFTInteger64:
        case OFTReal: return feature_.GetFieldAsDouble(index);
        case OFTString: {
            const char* text = feature_.GetFieldAsString(index);
            char* end = nullptr;
            const double value = CPLStrtod(text, &end);
            if (end != text && *end == '\0') return value;
            return Refuse(std::string(field->GetNameRef()) + " is \"" + text + "\", not a number");
        }
        default:
            return Refuse(std::string(field->GetNameRef()) + " is a " + OGRFieldDefn::GetFieldTypeName(field->GetType()) +
                          " field, not a number");
    }
}

std::optional<std::optional<double>> FeatureReader::Number(const char* name) {
    const int index = Index(name);
    if (index < 0 || IsNull(index)) return std::optional<double>();
    const auto value = NumberAt(index);
    if (!value) return std::nullopt;
    return std::optional<double>(*value);
}

std::optional<double> FeatureReader::Code(const char* name, std::optional<std::int32_t> fallback) {
    const bool mapped = !mapping_.codeField.empty();
    const std::string field = mapped ? mapping_.codeField : name;
    const int index = Index(field.c_str());
    if (mapped && index < 0) return Refuse("the layer has no field " + field + " (CODE_FIELD)");
    if (index < 0 || IsNull(index)) {
        if (mapping_.code) return *mapping_.code;
        if (fallback) return *fallback;
        if (index >= 0) return Refuse(field + " is null, and the layer has no default (CODE)");
        return Refuse(std::string("the layer has no field ") + name +
                      ": name one with the layer option CODE_FIELD or give a default with CODE");
    }
    return NumberAt(index);
}

std::optional<std::optional<std::string>> FeatureReader::Text(const char* name, bool mapped) {
    const bool byOption = mapped && !mapping_.textField.empty();
    const std::string field = byOption ? mapping_.textField : name;
    const int index = Index(field.c_str());
    if (byOption && index < 0) return Refuse("the layer has no field " + field + " (TEXT_FIELD)");
    if (index < 0 || IsNull(index)) return std::optional<std::string>();
    auto text = EncodeText(encoding_, feature_.GetFieldAsString(index));
    if (!text) return Refuse(field + " has a character that " + encoding_ + " has not");
    return std::optional<std::string>(std::move(*text));
}

std::optional<std::int64_t> FeatureReader::OptionalInteger(const char* name) const {
    const int index = Index(name);
    if (index < 0 || IsNull(index)) return std::nullopt;
    return feature_.GetFieldAsInteger64(index);
}

// ---- layer names ----------------------------------------------------------------

OGRwkbGeometryType PartType(OGRwkbGeometryType type) {
    switch (wkbFlatten(type)) {
        case wkbMultiPoint: return wkbPoint;
        case wkbMultiLineString: return wkbLineString;
        case wkbMultiPolygon: return wkbPolygon;
        default: return wkbFlatten(type);
    }
}

std::optional<readdata14_layer_id> LayerOfName(const char* name) {
    for (std::uint32_t i = 0; i < readdata14_layer_count(); ++i) {
        if (EQUAL(name, readdata14_layer_definition_at(i)->name)) return static_cast<readdata14_layer_id>(i);
    }
    return std::nullopt;
}

const char* NameOfLayer(readdata14_layer_id id) { return readdata14_layer_definition_at(id)->name; }

}  // namespace readdata14::ogr
