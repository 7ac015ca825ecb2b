// The simulated module's request parser: any bytes on the wire, framed as the
// port side frames them (a code, a big-endian length, the payload; an absurd
// length drops the input), handed to the module model of the profile and
// release the input chooses, now and then with a scripted fault or a reboot.

#include "fuzz/DataProvider.h"

#include "simulator/ModuleModel.h"
#include "simulator/Profiles.h"
#include "simulator/SimulatedModule.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const sim::Profile kProfiles[] = {sim::Profile::None, sim::Profile::Tarn,
                                             sim::Profile::Orlan6};
    fuzz::DataProvider input(data, size);
    std::optional<sim::ModuleConfig> config = sim::MakeModule(input.Pick(kProfiles));
    if (!config)
        return 0;
    sim::ModuleModel model;
    config->behaviour.chunkSize = input.InRange<uint16_t>(0, 300);
    std::vector<uint8_t> wire;
    const std::string bytes = input.Bytes(input.InRange<size_t>(0, 4096));
    wire.assign(bytes.begin(), bytes.end());
    size_t at = 0;
    while (at < wire.size()) {
        const uint32_t max = sim::MaxRequestLength(wire[at]);
        if (max == 0 || wire.size() - at < 3)
            break;
        const uint32_t length = (uint32_t{wire[at + 1]} << 8) | wire[at + 2];
        if (length < 3 || length > max || wire.size() - at < length)
            break;
        const std::vector<uint8_t> frame(wire.begin() + static_cast<std::ptrdiff_t>(at),
                                         wire.begin() + static_cast<std::ptrdiff_t>(at + length));
        at += length;
        sim::Reply script;
        const bool scripted = input.InRange(0, 7) == 0;
        if (scripted) {
            switch (input.InRange(0, 3)) {
            case 0:
                script = sim::Reply::Status(input.Integral<uint8_t>());
                break;
            case 1:
                script.chunkSize = input.Integral<uint16_t>();
                break;
            case 2:
                script.uploadCount = input.Integral<uint16_t>();
                break;
            default:
                script.peekEcho = input.Integral<uint8_t>();
                break;
            }
        }
        model.Handle(frame, scripted ? &script : nullptr, config->state, config->behaviour);
        if (input.InRange(0, 15) == 0)
            model.Boot(config->state);
    }
    model.Transfers();
    return 0;
}
