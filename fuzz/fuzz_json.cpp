// The JSON reader on any text. What it accepts must write back to a document
// that reads to the same text again: the writer and the reader agree.

#include "frontend/Json.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using frontend::JsonValue;
    std::string error;
    const std::optional<JsonValue> value =
        JsonValue::Parse(std::string_view(reinterpret_cast<const char*>(data), size), error);
    if (!value)
        return 0;
    const std::string written = value->Write();
    const std::optional<JsonValue> again = JsonValue::Parse(written, error);
    if (!again || again->Write() != written)
        std::abort();
    return 0;
}
