// A document's metadata, the one list every front end shows (GDAL's dataset
// metadata, Python's Chart.metadata, chart14's GeoJSON): made with the
// layers, kept as long as the document.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "readdata14/readdata14_layers.h"

namespace readdata14::layers {

class Metadata {
public:
    // May throw std::bad_alloc.
    explicit Metadata(const readdata14_document& document);
    Metadata(const Metadata&) = delete;
    Metadata& operator=(const Metadata&) = delete;

    const std::vector<readdata14_metadata_item>& Items() const noexcept { return items_; }

private:
    std::vector<std::string> values_;
    std::vector<readdata14_metadata_item> items_;
};

// Bytes as a text for people (readdata14_escape_text). May throw std::bad_alloc.
std::string EscapeText(std::string_view bytes, bool escapeBackslash);

}  // namespace readdata14::layers
