#include "DescTestSupport.h"

#include "descriptions/XercesSession.h"
#include "descriptions/XmlText.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// The parser library is brought up once for the whole test program.
class XercesEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        m_session = std::make_unique<CXercesSession>();
        ASSERT_TRUE(m_session->IsReady());
    }
    void TearDown() override { m_session.reset(); }

private:
    std::unique_ptr<CXercesSession> m_session;
};

[[maybe_unused]] ::testing::Environment* const kXerces =
    ::testing::AddGlobalTestEnvironment(new XercesEnvironment);

} // namespace

TempDir::TempDir() {
    std::string pattern = (fs::temp_directory_path() / "pellworth-desc-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("cannot create a temp directory");
    }
    m_path = pattern;
}

TempDir::~TempDir() {
    std::error_code ec;
    fs::remove_all(m_path, ec);
}

std::wstring TempDir::Write(const std::string& relative, const std::string& content) const {
    const fs::path file = m_path / relative;
    fs::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary);
    out << content;
    return Utf8ToWide(file.string());
}

std::wstring TempDir::Wide(const std::string& relative) const {
    return Utf8ToWide((relative.empty() ? m_path : m_path / relative).string());
}

WorkingDirectory::WorkingDirectory(const fs::path& directory) : m_previous(fs::current_path()) {
    fs::current_path(directory);
}

WorkingDirectory::~WorkingDirectory() {
    std::error_code ec;
    fs::current_path(m_previous, ec);
}

fs::path DemoDataRoot() {
    const char* root = std::getenv("PELLWORTH_TEST_DATA");
    return root != nullptr ? fs::path(root) : fs::path();
}
