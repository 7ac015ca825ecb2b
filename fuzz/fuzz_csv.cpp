// CSV files of register writes: any bytes through the text decoding and the
// line reader, as the Peek/Poke page and the command-line tool read them.

#include "engine/CCmdEngine.h"
#include "maintenance/CPeekPokeText.h"

#include <sstream>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::istringstream bytes(std::string(reinterpret_cast<const char*>(data), size));
    // A small block size crosses block edges inside characters and lines.
    peekpoke::CsvTextStream text(bytes, 7);
    uint32_t line = 0;
    uint32_t interface = 0;
    uint8_t device = 0;
    uint32_t address = 0;
    uint8_t value = 0;
    // Every call consumes a line or ends; the bound only guards the fuzzer.
    for (size_t i = 0; i <= size; ++i) {
        const poke::Code result =
            ParsePokeLine(text.Text(), line, interface, device, address, value);
        if (result != poke::kLine)
            break;
    }
    return 0;
}
