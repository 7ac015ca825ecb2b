#include "AppTestSupport.h"

#include "app/CPageServicesIF.h"
#include "engine/CCmdChannel.h"
#include "engine/CCmdEngine.h"

#include <QCoreApplication>
#include <QThread>

#include <cstdlib>
#include <fstream>
#include <stdexcept>

namespace fs = std::filesystem;

bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    return true;
}

void PumpEvents(std::chrono::milliseconds duration) {
    const auto end = std::chrono::steady_clock::now() + duration;
    while (std::chrono::steady_clock::now() < end) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
}

ProgramDirectory::ProgramDirectory() : m_previous(fs::current_path()) {
    std::string pattern = (fs::temp_directory_path() / "pellworth-app-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("cannot create a temp directory");
    m_path = pattern;
    const char* data = std::getenv("PELLWORTH_TEST_DATA");
    const fs::path root = data && *data ? fs::path(data) : fs::path(PELLWORTH_DATA_DIR);
    fs::create_directory_symlink(root / "types", m_path / "types");
    WriteVersion("0.44 test");
    fs::current_path(m_path);
}

ProgramDirectory::~ProgramDirectory() {
    std::error_code ec;
    fs::current_path(m_previous, ec);
    fs::remove_all(m_path, ec);
}

void ProgramDirectory::WriteVersion(const std::string& bytes) const {
    std::ofstream(m_path / "version", std::ios::binary | std::ios::trunc) << bytes;
}

void ProgramDirectory::RemoveVersion() const {
    fs::remove(m_path / "version");
}

int32_t TestBlock::Read(CCmdChannel& channel) {
    return channel.ReadConfigBlock(m_fpgaId, m_blockId, m_data, m_length) == 0 ? 4 : 0;
}

int32_t TestBlock::Write(CCmdChannel& channel) {
    return channel.WriteConfigBlock(m_fpgaId, m_blockId, m_data, m_length);
}

TestSetupPage::TestSetupPage(PageLog& log, CPageServicesIF& services, ModuleTypeId key)
    : TestPage(log), m_services(services), m_key(key), m_block(services.Engine(), 0, 0, 4) {}

void TestSetupPage::ReloadForModule() {
    TestPage::ReloadForModule();
    CCmdEngine* engine = m_services.Engine();
    if (engine && engine->Module().moduleType == m_key)
        engine->AttachConfigBlock(&m_block);
}

std::unique_ptr<CTabPageIF> TestPageFactory::CreateSetupPage(ModuleTypeId key,
                                                             CPageServicesIF& services) {
    return std::make_unique<TestSetupPage>(logs["setup" + std::to_string(key)], services, key);
}

std::unique_ptr<CUpdatePageIF> TestPageFactory::CreateUpdatePage(CPageServicesIF&) {
    auto page = std::make_unique<TestUpdatePage>(logs["update"]);
    page->release = initialRelease;
    updatePage = page.get();
    return page;
}

std::unique_ptr<CTabPageIF> TestPageFactory::CreatePeekPokePage(CPageServicesIF&) {
    return std::make_unique<TestPage>(logs["peekpoke"]);
}

std::unique_ptr<CTabPageIF> TestPageFactory::CreateLookupTablePage(CPageServicesIF&,
                                                                   CUpdatePageIF&) {
    return std::make_unique<TestPage>(logs["lookup"]);
}
