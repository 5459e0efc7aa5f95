// The coordinate system a user declares with --crs: written as GeoJSON
// names one, and checked against PROJ's database (the one GDAL reads too)
// when chart14 is built with PROJ; without it a name is taken unchecked.
#pragma once

#include <optional>
#include <string>

namespace readdata14::chart14 {

// "EPSG:3857" → "urn:ogc:def:crs:EPSG::3857", the form GeoJSON's named
// systems take; a URN stays as it is; nullopt for anything else.
std::optional<std::string> CrsName(const std::string& crs);

// Empty when the name is a coordinate system that PROJ's database knows
// (or cannot be checked), else why it is refused.
std::string CheckCrs(const std::string& crs);

// "checked with PROJ 9.1.1", or "not checked" in a build without PROJ.
std::string CrsCheckSummary();

}  // namespace readdata14::chart14
