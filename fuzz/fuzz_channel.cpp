// The command channel and engine reading whatever a module may answer: one
// fixed sequence of the operations the program runs, over the input as the
// module's bytes.

#include "FuzzSupport.h"

#include "engine/CCmdChannel.h"
#include "engine/CCmdEngine.h"

#include <sstream>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::InputPort port(data, size);
    CCmdEngine engine(&port, nullptr, nullptr, nullptr, 0);
    engine.Connect("");
    CCmdChannel& channel = engine.Channel();

    uint8_t version = 0;
    channel.CheckProtocol(version);
    uint8_t identity[5] = {};
    channel.ReadIdentity(identity);
    std::string text;
    channel.ReadName(text);
    channel.ReadSerial(text);
    channel.ReadAssembly(text);
    uint8_t major = 0;
    uint8_t minor = 0;
    channel.ReadRelease(major, minor);
    channel.ReadFpgaRevision(1, 0x40, 0x10, major, minor);
    channel.ReadLookupTableVersion(1, 0x40, 0, 0x20, major, minor);

    uint8_t block[16] = {};
    channel.ReadConfigBlock(0, 0, block, sizeof block);
    channel.WriteConfigBlock(0, 0, block, sizeof block);
    uint8_t peeked = 0;
    engine.Peek(0, 0x4A, 0x1000, &peeked);
    engine.Poke(1, 0x4A, 0x1000, 0x5A);

    std::istringstream image(std::string(300, '\x5A'));
    engine.DownloadFerrin(image, 300);
    std::istringstream fpga(std::string(700, '\x3C'));
    channel.RescaleProgress(1000);
    uint16_t chunk = 0;
    if (channel.StartFpgaDownload(1, 0x40, 0, 700, chunk) == 0)
        channel.SendChunks(fpga, 700, chunk);

    std::wistringstream poke(L"I2C,4a,1000,ff\nSPI Control,0,20,1\n");
    PokeFileError error;
    engine.LoadPokeFile(poke, error);
    return 0;
}
