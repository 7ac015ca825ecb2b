#pragma once

// The program's session with a simulated module, run in a private copy of the
// demo working directory that a test may change (images, type and assembly
// files, files of its own). Shared by the update, engineering and setup tests.
#include "EngineFixture.h"
#include "ScriptedDialogs.h"

#include "descriptions/CModuleTypeXML.h"
#include "descriptions/ReleaseTable.h"
#include "descriptions/XmlText.h"
#include "frontend/ModuleSession.h"
#include "maintenance/UpdateTexts.h"
#include "setups/SetupBlocks.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <regex>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using Sizes = std::vector<size_t>;

// Dialog services that can act while a box is up (the operator reboots the
// module, or the world changes under a confirmation), and that hand work to
// a GUI thread where there is one.
class HookedDialogs : public ScriptedDialogs {
public:
    MsgResult MessageBox(const std::wstring& text, const std::wstring& caption, MsgButtons buttons,
                         MsgIcon icon) override {
        if (onBox)
            onBox(text);
        return ScriptedDialogs::MessageBox(text, caption, buttons, icon);
    }
    void RunOnGuiThread(std::function<void()> fn, bool wait) override {
        if (toGuiThread)
            toGuiThread(std::move(fn));
        else
            ScriptedDialogs::RunOnGuiThread(std::move(fn), wait);
    }
    bool Shown(const std::wstring& text) const {
        const auto texts = BoxTexts();
        return std::find(texts.begin(), texts.end(), text) != texts.end();
    }
    std::function<void(const std::wstring&)> onBox;
    std::function<void(std::function<void()>)> toGuiThread;
};

// An image the simulator takes for the version in its first line.
inline std::string SampleImage(const std::string& version, size_t size) {
    std::string image = "SAMPLE-IMAGE " + version + "\n";
    image.resize(std::max(size, image.size()), '\x5A');
    return image;
}

inline void WriteFile(const fs::path& path, const std::string& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

inline std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Rewrites a file of the working copy (an assembly dropped, a table removed).
inline void EditFile(const fs::path& path, const std::string& pattern, const std::string& with) {
    WriteFile(path, std::regex_replace(ReadFile(path), std::regex(pattern), with));
}

class MaintenanceFixture : public DemoDataFixture {
protected:
    void SetUp() override {
        m_dataDirectory = fs::current_path();
        char pattern[] = "/tmp/pellworth-maint-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        m_workDirectory = pattern;
        fs::copy(m_dataDirectory / "types", m_workDirectory / "types", fs::copy_options::recursive);
        fs::current_path(m_workDirectory);
    }
    void TearDown() override {
        session.Stop();
        engine = nullptr;
        fs::current_path(m_dataDirectory);
        std::error_code ignored;
        fs::remove_all(m_workDirectory, ignored);
    }
    // A fresh module and working copy for the next case of a table.
    void Restart() {
        TearDown();
        SetUp();
        expectedSerials.clear();
        onConnect = {};
        disconnects = 0;
    }

    // The program's session as it starts (the options and the forced type
    // its command line gives; the release wish stays the selection's).
    void StartSession(ModuleTypeId forcedType = kModuleTypeUnknown) {
        session.Stop();
        std::wstring error;
        ASSERT_TRUE(session.Start({optionM, optionD, forcedType}, error));
        engine = session.EnginePointer();
    }
    // A module of the profile at a release (0.0: the latest) and a session.
    void StartAt(sim::Profile profile, sim::Version at = {},
                 const std::function<void(sim::ModuleConfig&)>& change = {}) {
        auto config = sim::MakeModule(profile, at);
        ASSERT_TRUE(config.has_value());
        if (change)
            change(*config);
        StartModule(*config, false);
        ASSERT_FALSE(HasFatalFailure());
        StartSession();
    }
    // The operator's connect to the module, made; the engine's result. What
    // it shows is the session's tests'.
    conn::Code ConnectSession() {
        conn::Code result = conn::kNotConnected;
        EXPECT_TRUE(session.Connect(module->PortNumber(), &result));
        dialogs.Clear();
        session.ReportError({});
        return result;
    }
    // StartAt, connected.
    void ConnectModule(sim::Profile profile, sim::Version at = {},
                       const std::function<void(sim::ModuleConfig&)>& change = {}) {
        StartAt(profile, at, change);
        ASSERT_FALSE(HasFatalFailure());
        ASSERT_EQ(ConnectSession(), conn::kOk);
    }

    // The session's selection on a release of the type's table; the fixture
    // keeps a copy of the table that a later refresh leaves alone.
    void SelectRelease(ModuleTypeId type, VersionNumber version) {
        frontend::ReleaseSelection& selection = session.Selection();
        selection.SetType(type);
        selection.SetWish(frontend::ReleaseWish::Exact, version);
        session.RefreshRelease();
        ASSERT_NE(selection.Selected(), nullptr);
        table = selection.Table();
        release = &table.assemblies.at(selection.Selected()->id);
        desired = selection.Desired();
    }

    // A run's reconnect after a reboot, through the session.
    bool Reconnect(const std::string& expectedSerial) {
        expectedSerials.push_back(expectedSerial);
        if (onConnect)
            onConnect(static_cast<int>(expectedSerials.size()));
        return session.Reconnect(expectedSerial);
    }
    void DropConnection() {
        ++disconnects;
        session.Disconnect();
    }

    size_t Count(uint8_t code) const { return Frames(code).size(); }
    std::vector<size_t> Counts(std::initializer_list<uint8_t> codes) const {
        std::vector<size_t> counts;
        for (const uint8_t code : codes)
            counts.push_back(Count(code));
        return counts;
    }
    fs::path Work(const std::string& relative) const { return m_workDirectory / relative; }
    std::wstring WorkWide(const std::string& relative) const {
        return Utf8ToWide(Work(relative).string());
    }

    HookedDialogs dialogs;
    bool optionM = false;
    bool optionD = false;
    // With the program's setup blocks.
    frontend::ModuleSession session{dialogs, &MakeSetupBlock};
    CCmdEngine* engine = nullptr; // the session's
    ReleaseTable table;
    const AssemblyRecord* release = nullptr;
    ModuleDescription desired;
    std::vector<std::string> expectedSerials;
    std::function<void(int attempt)> onConnect;
    int disconnects = 0;

private:
    fs::path m_dataDirectory;
    fs::path m_workDirectory;
};
