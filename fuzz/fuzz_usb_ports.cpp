// The USB port numbers' state file in any state (hand-edited, torn, numbers
// out of range or twice): loaded, asked for the numbers of locations the
// input chooses, saved and loaded again. A location keeps its number across
// the save, and no two locations share one.

#include "FuzzSupport.h"

#include "link/UsbPortNumbers.h"

#include <cstdlib>
#include <map>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::DataProvider input(data, size);
    fuzz::ClearScratch();
    const std::string state = input.String(4096);
    const std::filesystem::path file = fuzz::WriteScratch("usb-ports", state);

    std::map<std::string, uint16_t> given;
    {
        portnames::UsbPortNumbers numbers(file);
        for (int asks = input.InRange(0, 4); asks > 0; --asks) {
            const std::string location = input.String(16);
            if (const auto number = numbers.NumberFor(location)) {
                given[location] = *number;
                if (numbers.LocationOf(*number) != location)
                    std::abort();
            }
        }
        numbers.LocationOf(input.Integral<uint16_t>());
    }
    portnames::UsbPortNumbers reloaded(file);
    for (const auto& [location, number] : given) {
        // A location with white space or a line break cannot be kept in the
        // file's "<number> <location>" lines; the rest must come back.
        if (location.find_first_of(" \t\n\r\v\f") != std::string::npos || location.empty())
            continue;
        if (reloaded.NumberFor(location) != number)
            std::abort();
    }
    return 0;
}
