#pragma once

// The engineering pages over a connected engine and a simulated module: the
// page services and the version source as the main window and the update page
// would give them, with scripted dialogs.
#include "EngineFixture.h"
#include "ScriptedDialogs.h"

#include "app/CPageServicesIF.h"
#include "descriptions/ReleaseTable.h"
#include "maintenance/CVersionIF.h"

#include <QApplication>
#include <QWidget>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

// Dialog services that can act while a box is up (the operator's world
// changes under the confirmation).
class HookedDialogs : public ScriptedDialogs {
public:
    MsgResult MessageBox(const std::wstring& text, const std::wstring& caption, MsgButtons buttons,
                         MsgIcon icon) override {
        if (onBox)
            onBox(text);
        return ScriptedDialogs::MessageBox(text, caption, buttons, icon);
    }
    std::function<void(const std::wstring&)> onBox;
};

class TestPageServices : public CPageServicesIF {
public:
    CCmdEngine* Engine() override { return engine; }
    CDialogServicesIF& Dialogs() override { return dialogs; }
    void ReportError(const std::wstring& text) override { status.push_back(text); }
    bool IsOptionM() override { return false; }
    bool IsOptionD() override { return true; }
    // The main window refreshes every page.
    void UpdateControls() override {
        ++refreshes;
        for (const auto& refresh : pages)
            refresh();
    }
    void SetQuiet(bool) override {}
    bool IsQuiet() override { return false; }
    bool Connect(const std::string&) override { return false; }
    void Disconnect() override {}
    const AssemblyRecord* CurrentRelease() override { return release; }
    bool ReleaseMatches(VersionNumber) override { return false; }
    bool ModuleEntryValid(const ModuleRecord&) override { return false; }

    // The last status line text.
    std::wstring Status() const { return status.empty() ? std::wstring() : status.back(); }

    CCmdEngine* engine = nullptr;
    HookedDialogs dialogs;
    std::vector<std::wstring> status;
    const AssemblyRecord* release = nullptr;
    std::vector<std::function<void()>> pages;
    int refreshes = 0;
};

// The update page's answer: the selected release's table version.
class TestVersions : public CVersionIF {
public:
    explicit TestVersions(TestPageServices& services) : m_services(services) {}
    void GetDesiredTableVersion(VersionNumber& version, uint8_t fpgaId, uint8_t tableId) override {
        const AssemblyRecord* release = m_services.CurrentRelease();
        version = release ? release->TableVersion(fpgaId, tableId) : kNoVersion;
    }

private:
    TestPageServices& m_services;
};

// A private directory for files a test writes, removed afterwards.
class ScratchDir {
public:
    ScratchDir() {
        char pattern[] = "/tmp/pellworth-eng-XXXXXX";
        if (mkdtemp(pattern))
            m_path = pattern;
    }
    ~ScratchDir() {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    std::wstring Write(const std::string& name, const std::string& bytes) const {
        const std::filesystem::path path = m_path / name;
        std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
        return Wide(name);
    }
    std::wstring Wide(const std::string& name) const {
        const std::string path = (m_path / name).string();
        return std::wstring(path.begin(), path.end());
    }
    const std::filesystem::path& Path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

template <class W> W* Control(QWidget* page, int id) {
    W* widget = page->findChild<W*>(QStringLiteral("ctl%1").arg(id));
    EXPECT_NE(widget, nullptr) << "no control " << id;
    return widget;
}

class PageFixture : public EngineFixture {
protected:
    // A module of the profile at a release (0.0: the latest), connected.
    void ConnectModule(sim::Profile profile, sim::Version at = {},
                       const std::function<void(sim::ModuleConfig&)>& change = {}) {
        auto config = sim::MakeModule(profile, at);
        ASSERT_TRUE(config.has_value());
        if (change)
            change(*config);
        StartModule(*config);
        MakeEngine();
        services.engine = engine.get();
        engine->Connect("");
        ASSERT_TRUE(engine->IsConnected());
    }
    // No module at all: the engine as the program starts.
    void EngineWithoutModule() {
        MakeEngine();
        services.engine = engine.get();
    }
    void SelectRelease(ModuleTypeId type, VersionNumber version) {
        engine->LoadReleasesOfType(type, releases);
        services.release = FindByRelease(releases, version);
        ASSERT_NE(services.release, nullptr);
    }

    // Runs the event loop until the condition holds; false after the limit.
    static bool SpinUntil(const std::function<bool()>& done,
                          std::chrono::milliseconds limit = std::chrono::seconds(60)) {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (!done()) {
            if (std::chrono::steady_clock::now() > deadline)
                return false;
            QApplication::processEvents(QEventLoop::AllEvents, 10);
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        return true;
    }

    size_t Count(uint8_t code) const { return Frames(code).size(); }
    std::map<sim::RegisterKey, uint8_t> Registers() const { return module->State().registers; }

    TestPageServices services;
    ReleaseTable releases;
    ScratchDir scratch;
};
