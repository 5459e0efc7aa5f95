// chart14 layers: the layer model a chart is read into (by the GDAL driver,
// the Python package and chart14 geojson alike): each layer, its geometry
// and its fields, as the library defines them. --markdown writes the table
// the GDAL driver's page (docs/gdal.md) shows, which a test keeps equal to this output.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <memory>
#include <string>

#include "commands/chart14.hpp"
#include "output/file_runner.hpp"
#include "readdata14/layers.hpp"

namespace readdata14::chart14 {
namespace {

using layers::FieldType;
using layers::GeometryType;

const char* GeometryName(GeometryType type) {
    switch (type) {
        case GeometryType::Point: return "Point";
        case GeometryType::LineString: return "LineString";
        case GeometryType::Polygon: return "Polygon";
    }
    return "?";
}

const char* FieldTypeName(FieldType type) {
    switch (type) {
        case FieldType::Integer: return "Integer";
        case FieldType::Boolean: return "Boolean";
        case FieldType::Real: return "Real";
        case FieldType::String: return "String";
    }
    return "?";
}

std::string Table(bool markdown) {
    std::string out;
    if (markdown) out += "| layer | geometry | field | type | null | meaning |\n|---|---|---|---|---|---|\n";
    for (const layers::LayerDefinition& layer : layers::AllLayers()) {
        if (!markdown) {
            out += std::string(layer.name) + " (" + GeometryName(layer.geometry) + "): " +
                   std::string(layer.description) + '\n';
        }
        bool first = true;
        for (const layers::FieldDefinition field : layer.fields) {
            if (markdown) {
                out += "| " + (first ? "`" + std::string(layer.name) + "`" : std::string()) + " | " +
                       (first ? GeometryName(layer.geometry) : "") + " | `" + std::string(field.name) + "` | " +
                       FieldTypeName(field.type) + " | " + (field.nullable ? "yes" : "") + " | " +
                       std::string(field.description) + " |\n";
            } else {
                out += "  " + std::string(field.name) + ' ' + FieldTypeName(field.type) +
                       (field.nullable ? " (nullable)" : "") + ": " + std::string(field.description) + '\n';
            }
            first = false;
        }
    }
    return out;
}

}  // namespace

void RegisterLayers(CLI::App& app, int& status) {
    auto markdown = std::make_shared<bool>(false);
    CLI::App* command =
        app.add_subcommand("layers", "List the layers and fields a chart is read into (GDAL, Python, geojson)");
    command->add_flag("--markdown", *markdown, "As a Markdown table (as docs/gdal.md shows it)");
    command->callback([markdown, &status] {
        const std::string table = Table(*markdown);
        const bool written = std::fwrite(table.data(), 1, table.size(), stdout) == table.size();
        status = written && std::fflush(stdout) == 0 ? EXIT_CLEAN : EXIT_UNREADABLE;
        if (status != EXIT_CLEAN) std::fputs("chart14: cannot write to standard output\n", stderr);
    });
}

}  // namespace readdata14::chart14
