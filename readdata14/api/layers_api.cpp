// The layer model's C API: the static schema, and each document's layers,
// made on the first request.
#define READDATA14_BUILDING
#include "readdata14/readdata14_layers.h"

#include <new>

#include "api/document.hpp"
#include "layers/schema.hpp"

extern "C" READDATA14_API uint32_t READDATA14_CALL readdata14_layer_count(void) {
    return static_cast<uint32_t>(readdata14::layers::LAYER_COUNT);
}

extern "C" READDATA14_API const readdata14_layer_definition* READDATA14_CALL
readdata14_layer_definition_at(uint32_t layer) {
    if (layer >= readdata14::layers::LAYER_COUNT) return nullptr;
    return &readdata14::layers::Schema()[layer];
}

extern "C" READDATA14_API const readdata14_layer* READDATA14_CALL
readdata14_document_layer(const readdata14_document* document, uint32_t layer) {
    if (document == nullptr || layer >= readdata14::layers::LAYER_COUNT) return nullptr;
    if (document->status != READDATA14_READ && document->status != READDATA14_STOPPED) return nullptr;
    const readdata14::Document& held = readdata14::Document::Of(*document);
    try {
        std::call_once(held.layersMade,
                       [&] { held.layers = std::make_unique<readdata14::layers::LayerModel>(held); });
    } catch (...) {
        // Out of memory: nothing was made, and the next request tries again.
        return nullptr;
    }
    return &held.layers->Layer(layer);
}
