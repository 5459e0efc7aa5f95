// A readdata14_document as the library holds it: the public record first,
// then what its pointers point into, and the layer model, made the first
// time a host asks for a layer.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "layers/layer_model.hpp"
#include "layers/metadata.hpp"
#include "layers/stored_layers.hpp"
#include "readdata14/readdata14.h"

namespace readdata14 {

struct ChartSource;

// Reads a chart into a new document (readdata14_open and the builder's
// finish): *document is set whatever the status, but for an invalid
// argument or no memory for the document itself.
readdata14_status OpenDocument(const ChartSource& source, const readdata14_options* options,
                               readdata14_document** document) noexcept;

// Releases every array of a chart record and zeroes it.
void ReleaseChart(readdata14_chart& chart) noexcept;

struct Document final : readdata14_document {
    std::unique_ptr<char[]> firstTokenStore;
    std::vector<std::uint32_t> contourPositions;
    // Made once, on the first request from any thread; a request that runs
    // out of memory leaves it unmade for the next one.
    mutable std::once_flag layersMade;
    mutable std::unique_ptr<layers::LayerModel> layers;
    mutable std::once_flag metadataMade;
    mutable std::unique_ptr<layers::Metadata> metadata;
    mutable std::once_flag storedMade;
    mutable std::unique_ptr<layers::StoredLayers> stored;

    Document() noexcept : readdata14_document{} { size = sizeof(readdata14_document); }
    Document(const Document&) = delete;
    Document& operator=(const Document&) = delete;
    ~Document() { ReleaseChart(chart); }

    static const Document& Of(const readdata14_document& document) noexcept {
        return static_cast<const Document&>(document);
    }
};

}  // namespace readdata14
