// A feature's values as the format takes them. The file holds every number
// as a 32-bit float and every integer (code, type, fill-area value) in one,
// x and y alone, one outline per element: a value that would read back as
// another, and a geometry that does not fit, are refused with the reason.
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

// A ring's points as the file had them: GIS repeats the first point at the
// end, which a ring left open in the file did not.
void DropRepeatedFirst(std::vector<float>& xy) {
    const std::size_t n = xy.size();
    if (n >= 4 && xy[0] == xy[n - 2] && xy[1] == xy[n - 1]) xy.resize(n - 2);
}

}  // namespace

std::nullopt_t FeatureReader::Refuse(std::string why) {
    if (!verdict_.refusal) verdict_.refusal = std::move(why);
    return std::nullopt;
}

std::optional<std::vector<float>> FeatureReader::Points(OGRwkbGeometryType wanted, bool mayBeEmpty) {
    const OGRGeometry* geometry = feature_.GetGeometryRef();
    if ((geometry == nullptr || geometry->IsEmpty()) && mayBeEmpty) return std::vector<float>();
    if (geometry == nullptr || geometry->IsEmpty()) return Refuse("it has no geometry");
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
    if (type == wkbPolygon && Flag("left_open")) DropRepeatedFirst(xy);
    return xy;
}

// A field's number: an integer or real field, or a text that is a number
// from end to end. Null is the caller's to look at first.
std::optional<double> FeatureReader::Number(int index) {
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

std::optional<std::int32_t> FeatureReader::Code(const char* name, std::optional<std::int32_t> fallback) {
    const bool mapped = !mapping_.codeField.empty();
    const std::string field = mapped ? mapping_.codeField : name;
    const int index = Index(field.c_str());
    if (mapped && index < 0) return Refuse("the layer has no field " + field + " (CODE_FIELD)");
    if (index < 0 || IsNull(index)) {
        if (mapping_.code) return mapping_.code;
        if (fallback) return fallback;
        if (index >= 0) return Refuse(field + " is null, and the layer has no default (CODE)");
        return Refuse(std::string("the layer has no field ") + name +
                      ": name one with the layer option CODE_FIELD or give a default with CODE");
    }
    const auto value = Number(index);
    if (!value) return std::nullopt;
    // The reader keeps integers in float slots: beyond 2^24 not every one.
    if (!(*value >= -2147483648.0 && *value <= 2147483647.0) || *value != std::floor(*value)) {
        return Refuse(field + " is " + Shown(*value) + ", not a whole number of 32 bits");
    }
    const auto code = static_cast<std::int32_t>(*value);
    const std::int32_t read = IntegerSlot(static_cast<float>(code));
    if (read != code) {
        return Refuse(field + " is " + std::to_string(code) + ", which reads back as " + std::to_string(read) +
                      " (the reader keeps integers in 32-bit floats)");
    }
    return code;
}

std::optional<float> FeatureReader::Label() {
    if (!mapping_.valueField.empty()) {
        const int index = Index(mapping_.valueField.c_str());
        if (index < 0) return Refuse("the layer has no field " + mapping_.valueField + " (VALUE_FIELD)");
        if (IsNull(index)) return NO_LABEL_VALUE;
        const auto value = Number(index);
        if (!value) return std::nullopt;
        return ValueLabel(mapping_.valueField, *value);
    }
    const int kind = Index("label_kind");
    if (kind < 0) return NO_LABEL_VALUE;
    return LabelFromKind(kind);
}

// The layer model's three label fields: "none" (NoLabel), "code" with the
// code n (stored as 3200000 + n), "value" with the number.
std::optional<float> FeatureReader::LabelFromKind(int kindIndex) {
    if (IsNull(kindIndex)) return Refuse("label_kind is null");
    const std::string kind = feature_.GetFieldAsString(kindIndex);
    float label = 0.0f;
    if (kind == "none") return NO_LABEL_VALUE;
    if (kind == "code") {
        const int index = Index("label_code");
        if (index < 0 || IsNull(index)) return Refuse("label_kind is \"code\" but label_code is missing or null");
        const auto code = Number(index);
        if (!code) return std::nullopt;
        // label_code is the stored float less the offset, in double: adding
        // it back gives that float exactly.
        label = static_cast<float>(*code + double(LABEL_CODE_OFFSET));
        if (!IsLabelCode(label)) return Refuse("label_code is " + Shown(*code) + ", not a code (0 to 100)");
        return label;
    }
    if (kind != "value") return Refuse("label_kind is \"" + kind + "\", not none, code or value");
    const int index = Index("label_value");
    if (index < 0) return Refuse("label_kind is \"value\" but the layer has no field label_value");
    if (IsNull(index)) {
        verdict_.substitutions.push_back("label_value is null (a value that was not finite): written as nan");
        return std::numeric_limits<float>::quiet_NaN();
    }
    const auto value = Number(index);
    if (!value) return std::nullopt;
    return ValueLabel("label_value", *value);
}

// A number as a label: 999999 is NoLabel and 3200000 to 3200100 are codes,
// so a value there would read back as another kind of label.
std::optional<float> FeatureReader::ValueLabel(const std::string& field, double value) {
    const auto single = ToFloat(value);
    if (!single) return Refuse(field + " is " + Shown(value) + ", beyond the 32-bit float range");
    if (IsNoLabel(*single) || IsLabelCode(*single)) {
        return Refuse(field + " is " + Shown(value) + ", which no label gives back: it reads back as " +
                      (IsNoLabel(*single) ? "NoLabel" : "a code"));
    }
    return single;
}

std::optional<float> FeatureReader::Real(const char* name) {
    const int index = Index(name);
    if (index < 0) return 0.0f;
    if (IsNull(index)) {
        verdict_.substitutions.push_back(std::string(name) + " is null (a value that was not finite): written as nan");
        return std::numeric_limits<float>::quiet_NaN();
    }
    const auto value = Number(index);
    if (!value) return std::nullopt;
    const auto single = ToFloat(*value);
    if (!single) return Refuse(std::string(name) + " is " + Shown(*value) + ", beyond the 32-bit float range");
    return single;
}

std::optional<float> FeatureReader::Whole(const char* name) {
    const int index = Index(name);
    if (index < 0 || IsNull(index)) return 0.0f;
    const auto value = Number(index);
    if (!value) return std::nullopt;
    if (!(*value >= -2147483648.0 && *value <= 2147483647.0) || *value != std::floor(*value)) {
        return Refuse(std::string(name) + " is " + Shown(*value) + ", not a whole number of 32 bits");
    }
    const auto integer = static_cast<std::int32_t>(*value);
    const auto slot = static_cast<float>(integer);
    if (IntegerSlot(slot) != integer) {
        return Refuse(std::string(name) + " is " + std::to_string(integer) + ", which reads back as " +
                      std::to_string(IntegerSlot(slot)) + " (the reader keeps integers in 32-bit floats)");
    }
    return slot;
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

std::optional<std::int64_t> FeatureReader::Integer(const char* name) {
    const int index = Index(name);
    if (index < 0) return Refuse(std::string("the layer has no field ") + name);
    if (IsNull(index)) return Refuse(std::string(name) + " is null");
    const auto value = Number(index);
    if (!value) return std::nullopt;
    if (*value != std::floor(*value) || std::fabs(*value) > 9.0e15) {
        return Refuse(std::string(name) + " is " + Shown(*value) + ", not a whole number");
    }
    return static_cast<std::int64_t>(*value);
}

std::optional<std::int64_t> FeatureReader::OptionalInteger(const char* name) const {
    const int index = Index(name);
    if (index < 0 || IsNull(index)) return std::nullopt;
    return feature_.GetFieldAsInteger64(index);
}

bool FeatureReader::Flag(const char* name) const {
    const int index = Index(name);
    return index >= 0 && !IsNull(index) && feature_.GetFieldAsInteger64(index) != 0;
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
