// The command channel and engine reading whatever a module may answer. The
// input chooses the operations and their arguments (from its back) and is
// the module's bytes (from its front): connect with the test data's real
// descriptions, change the module type, block writes, image and lookup table
// downloads, reboot and reconnect, registers and poke files. Or, as the input
// chooses, a simulated module answers and the input picks the faults it
// injects: random bytes seldom get a download past its start.

#include "FuzzSupport.h"

#include "descriptions/CAssembliesXML.h"
#include "descriptions/CModuleTypeXML.h"
#include "descriptions/CModuleTypesLinux.h"
#include "descriptions/ReleaseTable.h"
#include "descriptions/XercesSession.h"
#include "descriptions/XmlText.h"
#include "engine/CAppIF.h"
#include "engine/CCmdChannel.h"
#include "engine/CCmdEngine.h"
#include "engine/CConfigBlockIF.h"
#include "simulator/ModuleModel.h"
#include "simulator/Profiles.h"
#include "simulator/SimulatedModule.h"

#include <deque>

#include <memory>
#include <sstream>

namespace {

// A parameter block of any length that the input chooses.
class Block : public CConfigBlockIF {
public:
    Block(CCmdEngine* engine, uint16_t length) : CConfigBlockIF(engine, 0, 0), m_bytes(length) {}
    chan::Code Read(CCmdChannel& channel) override {
        const auto length = static_cast<uint16_t>(m_bytes.size());
        return channel.ReadConfigBlock(m_fpgaId, m_blockId, m_bytes.data(), length);
    }
    chan::Code Write(CCmdChannel& channel) override {
        return channel.WriteConfigBlock(m_fpgaId, m_blockId, m_bytes.data(),
                                        static_cast<uint16_t>(m_bytes.size()));
    }
    std::vector<uint8_t> Encoded() const override { return m_bytes; }

private:
    std::vector<uint8_t> m_bytes;
};

class App : public CAppIF {
public:
    explicit App(fuzz::DataProvider& input) : m_input(input) {}
    CCmdEngine* engine = nullptr;
    std::unique_ptr<Block> block;

    void OnModuleChanged() override {
        if (engine && m_input.Bool()) {
            block = std::make_unique<Block>(engine, m_input.InRange<uint16_t>(0, 300));
            engine->AttachConfigBlock(block.get());
        }
    }
    void OnIdentityChanged() override {}
    void OnDisconnected() override {}
    bool IsOptionM() override { return m_input.Bool(); }
    bool IsOptionD() override { return m_input.Bool(); }
    CModuleTypeXML* CreateModuleTypeReader() override { return new CModuleTypeXML; }
    CAssembliesXML* CreateAssembliesReader() override { return new CAssembliesXML; }

private:
    fuzz::DataProvider& m_input;
};

// The module model of the simulator behind a port: each complete request is
// answered as the simulator would, with the fault the input picks now and then.
class ModelPort : public CSerialIF {
public:
    ModelPort(fuzz::DataProvider& input, sim::ModuleConfig config)
        : m_input(input), m_config(std::move(config)) {}
    uint32_t Read(void* buffer, uint32_t count) override {
        uint32_t n = 0;
        for (; n < count && !m_answer.empty(); ++n) {
            static_cast<uint8_t*>(buffer)[n] = m_answer.front();
            m_answer.pop_front();
        }
        return n;
    }
    void Write(const void* data, uint32_t count) override {
        const auto* bytes = static_cast<const uint8_t*>(data);
        m_request.insert(m_request.end(), bytes, bytes + count);
        while (m_request.size() >= 3) {
            const uint32_t length = (uint32_t{m_request[1]} << 8) | m_request[2];
            if (length < 3 || length > sim::MaxRequestLength(m_request[0])) {
                m_request.clear(); // the module drops what it cannot frame
                return;
            }
            if (m_request.size() < length)
                return;
            const std::vector<uint8_t> frame(m_request.begin(), m_request.begin() + length);
            m_request.erase(m_request.begin(), m_request.begin() + length);
            Answer(frame);
        }
    }
    void Purge() override { m_answer.clear(); }

private:
    void Answer(const std::vector<uint8_t>& frame) {
        std::optional<sim::Reply> script;
        if (m_input.InRange(0, 7) == 0) {
            switch (m_input.InRange(0, 5)) {
            case 0:
                script = sim::Reply::Status(m_input.Integral<uint8_t>());
                break;
            case 1:
                script = sim::Reply::Cut(m_input.InRange<size_t>(0, 8));
                break;
            case 2:
                script = sim::Reply::Silence();
                break;
            case 3:
                script = sim::Reply::Garbage(m_input.InRange<size_t>(1, 16));
                break;
            case 4:
                script = sim::Reply::Reject();
                break;
            default:
                script.emplace();
                script->chunkSize = m_input.Integral<uint16_t>();
                break;
            }
        }
        const sim::Plan plan =
            m_model.Handle(frame, script ? &*script : nullptr, m_config.state, m_config.behaviour);
        for (const sim::PlanStep& step : plan) {
            if (step.kind == sim::PlanStep::Kind::Bytes)
                m_answer.insert(m_answer.end(), step.bytes.begin(), step.bytes.end());
            else if (step.kind == sim::PlanStep::Kind::Reboot)
                m_model.Boot(m_config.state);
        }
    }

    fuzz::DataProvider& m_input;
    sim::ModuleConfig m_config;
    sim::ModuleModel m_model;
    std::vector<uint8_t> m_request;
    std::deque<uint8_t> m_answer;
};

std::istringstream Image(uint32_t size) {
    return std::istringstream(std::string(size, '\x5A'));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const CXercesSession xerces;
    static const std::wstring types = Utf8ToWide(PELLWORTH_FUZZ_TYPES);
    static const sim::Profile kProfiles[] = {sim::Profile::Tarn, sim::Profile::Orlan6,
                                             sim::Profile::None};
    fuzz::DataProvider input(data, size);
    std::unique_ptr<CSerialIF> port;
    if (input.InRange(0, 3) == 0) {
        std::optional<sim::ModuleConfig> config = sim::MakeModule(input.Pick(kProfiles));
        config->behaviour.chunkSize = input.InRange<uint16_t>(1, 300);
        port = std::make_unique<ModelPort>(input, std::move(*config));
    } else {
        port = std::make_unique<fuzz::InputPort>(input);
    }
    App app(input);
    // Scanning and reading the descriptions costs XML parses: only when the
    // input asks for them.
    std::unique_ptr<CModuleTypesLinux> registry;
    if (input.Bool())
        registry = std::make_unique<CModuleTypesLinux>(types);
    CCmdEngine engine(port.get(), nullptr, &app, registry.get(), input.InRange<ModuleTypeId>(0, 3));
    app.engine = &engine;
    CCmdChannel& channel = engine.Channel();

    // Every operation reads at least one answer byte or one choice, so the
    // input runs out (a simulated module's answers do not count); the bound
    // only keeps a run short.
    for (int step = 0; step < 64 && input.Remaining() != 0; ++step) {
        uint8_t major = 0;
        uint8_t minor = 0;
        switch (input.InRange(0, 21)) {
        case 0:
            engine.Connect(input.Bool() ? "" : input.String(12));
            break;
        case 1: {
            const uint8_t release[2] = {input.Integral<uint8_t>(), input.Integral<uint8_t>()};
            engine.ChangeModuleType(input.InRange<ModuleTypeId>(0, 3), release);
            break;
        }
        case 2:
            engine.SelectModuleType(input.InRange<ModuleTypeId>(0, 3),
                                    {input.InRange<uint8_t>(0, 3), input.InRange<uint8_t>(0, 3)});
            break;
        case 3:
            engine.ReadVersions();
            break;
        case 4:
            engine.VerifyConfigBlocks();
            break;
        case 5:
            engine.WriteAllConfigBlocks();
            break;
        case 6: {
            auto image = Image(input.InRange<uint32_t>(0, 70000));
            engine.DownloadSafeBoot(
                image, input.Bool() ? 0x10000 : static_cast<uint32_t>(image.str().size()));
            break;
        }
        case 7: {
            const uint32_t length = input.InRange<uint32_t>(0, 4096);
            auto image = Image(length);
            engine.DownloadFerrin(image, length);
            break;
        }
        case 8: {
            const uint32_t length = input.InRange<uint32_t>(0, 4096);
            auto image = Image(length);
            engine.DownloadFpga(input.InRange<uint8_t>(0, 2), image, length);
            break;
        }
        case 9: {
            const uint32_t length = input.InRange<uint32_t>(0, 4096);
            auto image = Image(length);
            const uint8_t fpga = input.InRange<uint8_t>(0, 2);
            engine.DownloadLookupTable(fpga, input.InRange<uint8_t>(0, 2), image, length);
            break;
        }
        case 10:
            engine.RebootModule();
            break;
        case 11:
            engine.IsModuleResponding();
            break;
        case 12: {
            uint8_t value = 0;
            engine.Peek(input.InRange<uint32_t>(0, 4), input.Integral<uint8_t>(),
                        input.Integral<uint32_t>(), &value);
            break;
        }
        case 13:
            engine.Poke(input.InRange<uint32_t>(0, 4), input.Integral<uint8_t>(),
                        input.Integral<uint32_t>(), input.Integral<uint8_t>());
            break;
        case 14: {
            std::wistringstream text(Utf8ToWide(input.String(80)));
            PokeFileError error;
            engine.LoadPokeFile(text, error);
            break;
        }
        case 15: {
            const std::string text = input.String(12);
            switch (input.InRange(0, 2)) {
            case 0:
                engine.WriteName(text);
                break;
            case 1:
                engine.WriteAssembly(text);
                break;
            default:
                engine.WriteSerial(text);
                break;
            }
            break;
        }
        case 16:
            engine.WriteRelease(input.Integral<uint8_t>(), input.Integral<uint8_t>());
            break;
        case 17:
            engine.SendModuleLayout();
            break;
        case 18:
            engine.RestoreBlockDefaults(input.InRange<uint8_t>(0, 2), input.InRange<uint8_t>(0, 2));
            break;
        case 19: {
            // The channel's own download arithmetic, with sizes and chunks of any width.
            const uint32_t length = input.InRange<uint32_t>(0, 4096);
            channel.RescaleProgress(input.Integral<uint32_t>());
            uint16_t chunk = 0;
            if (channel.StartFpgaDownload(input.Integral<uint8_t>(), input.Integral<uint8_t>(),
                                          input.Integral<uint32_t>(), length, chunk) == chan::kOk) {
                const std::string bytes(length, '\x3C');
                channel.SendChunks(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(),
                                   length, input.Bool() ? chunk : input.Integral<uint16_t>());
            }
            break;
        }
        case 20: {
            std::vector<uint8_t> bytes(input.InRange<uint32_t>(0, 1024));
            channel.ReceiveChunks(bytes.data(), static_cast<uint32_t>(bytes.size()),
                                  input.Integral<uint16_t>());
            break;
        }
        default:
            channel.ReadLookupTableVersion(input.Integral<uint8_t>(), input.Integral<uint8_t>(),
                                           input.Integral<uint8_t>(), input.Integral<uint32_t>(),
                                           major, minor);
            channel.ReadFpgaRevision(input.Integral<uint8_t>(), input.Integral<uint8_t>(),
                                     input.Integral<uint16_t>(), major, minor);
            break;
        }
    }
    return 0;
}
