#include "SetupTestSupport.h"

#include "descriptions/XmlText.h"

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <sys/resource.h>

namespace fs = std::filesystem;

TempDir::TempDir() {
    std::string name = (fs::temp_directory_path() / "pellworth-setups-XXXXXX").string();
    m_path = ::mkdtemp(name.data());
    fs::permissions(m_path,
                    fs::perms::group_read | fs::perms::group_exec | fs::perms::others_read |
                        fs::perms::others_exec,
                    fs::perm_options::add); // other users may look in, as in any folder
}

TempDir::~TempDir() {
    std::error_code ec;
    fs::remove_all(m_path, ec);
}

std::wstring TempDir::Wide(const std::string& relative) const {
    return Utf8ToWide((m_path / relative).string());
}

std::wstring TempDir::Write(const std::string& relative, const std::string& content) const {
    const fs::path path = m_path / relative;
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << content;
    return Utf8ToWide(path.string());
}

void WithFileSizeLimit(uint64_t bytes, const std::function<void()>& fn) {
    const auto handler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{};
    ::getrlimit(RLIMIT_FSIZE, &limit);
    const rlim_t previous = limit.rlim_cur;
    limit.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &limit);
    fn();
    limit.rlim_cur = previous;
    ::setrlimit(RLIMIT_FSIZE, &limit);
    std::signal(SIGXFSZ, handler);
}

std::string ReadFile(const std::wstring& path) {
    std::ifstream in(fs::path(WideToUtf8(path)), std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<std::string> ListDirectory(const fs::path& directory) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(directory))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::string Param(const std::string& name, const std::string& value) {
    return "    <Param name=\"" + name + "\" value=\"" + value + "\"/>\n";
}

std::string SetupXml(const std::string& type, const std::string& version,
                     const std::string& params) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<ModuleParams>\n  <Module version=\"" +
           version + "\" type=\"" + type + "\">\n" + params + "  </Module>\n</ModuleParams>\n";
}

void SimulatedModuleFixture::SetUp() {
    const char* data = std::getenv("PELLWORTH_TEST_DATA");
    ASSERT_NE(data, nullptr);
    previousDirectory = fs::current_path();
    fs::current_path(data);
    portDirectory = std::make_unique<sim::ScopedPortDirectory>();
}

void SimulatedModuleFixture::TearDown() {
    engine.reset();
    port.Close();
    module.reset();
    portDirectory.reset();
    fs::current_path(previousDirectory);
}

void SimulatedModuleFixture::StartModule(sim::Profile profile, const Bytes& block) {
    auto config = sim::MakeModule(profile);
    ASSERT_TRUE(config.has_value());
    config->state.blocks[{0, 0}].data = block;
    module = std::make_unique<sim::SimulatedModule>(std::move(*config));
    ASSERT_TRUE(module->Start()) << module->Error();
    ASSERT_TRUE(port.Open(module->PortNumber()));
}

void SimulatedModuleFixture::MakeEngine(ModuleTypeId initial) {
    registry = std::make_unique<CModuleTypesLinux>(L"types");
    engine = std::make_unique<CCmdEngine>(&port, &app, &app, registry.get(), initial);
}

std::vector<Bytes> SimulatedModuleFixture::BlockWriteData() const {
    std::vector<Bytes> writes;
    for (const auto& transfer : module->Transfers())
        if (transfer.startCode == 0x8B)
            writes.push_back(transfer.data);
    return writes;
}

Bytes SimulatedModuleFixture::ModuleBlock() const {
    const sim::ModuleState state = module->State();
    const auto found = state.blocks.find({0, 0});
    return found != state.blocks.end() ? found->second.data : Bytes();
}
