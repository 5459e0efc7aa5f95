// The layer model's C API: the static schema, and each document's layers,
// made on the first request.
#define READDATA14_BUILDING
#include "readdata14/readdata14_layers.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <string>

#include "api/document.hpp"
#include "layers/metadata.hpp"
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

extern "C" READDATA14_API const readdata14_stored_layer* READDATA14_CALL
readdata14_document_stored_layer(const readdata14_document* document, uint32_t layer) {
    if (document == nullptr || layer >= readdata14::layers::LAYER_COUNT) return nullptr;
    if (document->status != READDATA14_READ && document->status != READDATA14_STOPPED) return nullptr;
    const readdata14::Document& held = readdata14::Document::Of(*document);
    try {
        std::call_once(held.storedMade,
                       [&] { held.stored = std::make_unique<readdata14::layers::StoredLayers>(held); });
    } catch (...) {
        return nullptr;  // out of memory: nothing was made, and the next request tries again
    }
    return &held.stored->Layer(layer);
}

extern "C" READDATA14_API size_t READDATA14_CALL
readdata14_document_metadata(const readdata14_document* document, const readdata14_metadata_item** items) {
    if (items != nullptr) *items = nullptr;
    if (document == nullptr || items == nullptr) return 0;
    if (document->status != READDATA14_READ && document->status != READDATA14_STOPPED) return 0;
    const readdata14::Document& held = readdata14::Document::Of(*document);
    try {
        std::call_once(held.metadataMade, [&] { held.metadata = std::make_unique<readdata14::layers::Metadata>(held); });
    } catch (...) {
        return 0;  // out of memory: the next request tries again
    }
    *items = held.metadata->Items().data();
    return held.metadata->Items().size();
}

extern "C" READDATA14_API size_t READDATA14_CALL readdata14_escape_text(const char* bytes, size_t length,
                                                                        uint32_t flags, char* out, size_t size) {
    if (bytes == nullptr) length = 0;
    try {
        const std::string text = readdata14::layers::EscapeText(std::string_view(bytes != nullptr ? bytes : "", length),
                                                                   (flags & READDATA14_ESCAPE_BACKSLASH) != 0);
        if (out != nullptr && size > 0) {
            const std::size_t shown = std::min(text.size(), size - 1);
            std::memcpy(out, text.data(), shown);
            out[shown] = '\0';
        }
        return text.size();
    } catch (...) {
        // No memory for the text: nothing written, and no length to give.
        if (out != nullptr && size > 0) out[0] = '\0';
        return 0;
    }
}
