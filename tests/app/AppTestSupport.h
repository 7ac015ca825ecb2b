#pragma once

#include "app/CPageFactoryIF.h"
#include "app/CTabPageIF.h"
#include "descriptions/ReleaseTable.h"
#include "setups/CConfigBlockIF.h"

#include <QPointer>
#include <QWidget>

#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>

class CPageServicesIF;

// Processes GUI events until done() holds; false when the limit passes first.
bool WaitUntil(const std::function<bool()>& done,
               std::chrono::milliseconds limit = std::chrono::seconds(10));
// Processes GUI events for a while.
void PumpEvents(std::chrono::milliseconds duration);

// A fresh working directory for the program: "types" (the demo data's) and a
// "version" file; the process works in it while the object lives.
class ProgramDirectory {
public:
    ProgramDirectory();
    ~ProgramDirectory();
    ProgramDirectory(const ProgramDirectory&) = delete;
    ProgramDirectory& operator=(const ProgramDirectory&) = delete;

    const std::filesystem::path& Path() const { return m_path; }
    void WriteVersion(const std::string& bytes) const;
    void RemoveVersion() const;

private:
    std::filesystem::path m_path;
    std::filesystem::path m_previous;
};

// What the test pages were asked to do.
struct PageLog {
    int updates = 0;
    int reloads = 0;
    int disabledReasons = 0;
    int identityCopies = 0;
};

// A parameter block fetched over the real channel, so a module can refuse it.
class TestBlock : public CConfigBlockIF {
public:
    TestBlock(CCmdEngine* engine, uint8_t fpgaId, uint8_t blockId, uint16_t length)
        : CConfigBlockIF(engine, fpgaId, blockId), m_length(length) {}
    int32_t Read(CCmdChannel& channel) override;
    int32_t Write(CCmdChannel& channel) override;

private:
    uint16_t m_length;
    uint8_t m_data[64] = {};
};

class TestPage : public CTabPageIF {
public:
    explicit TestPage(PageLog& log) : m_widget(new QWidget), m_log(log) {}
    ~TestPage() override { delete m_widget.data(); }
    QWidget* Widget() override { return m_widget.data(); }
    void UpdateControls() override { ++m_log.updates; }
    void ReloadForModule() override { ++m_log.reloads; }
    void ReportDisabledReason() override { ++m_log.disabledReasons; }

protected:
    QPointer<QWidget> m_widget;
    PageLog& m_log;
};

// A setup page that lends its block (FPGA 0, block 0) to the engine when a
// module of its type is connected, as the real ones do.
class TestSetupPage : public TestPage {
public:
    TestSetupPage(PageLog& log, CPageServicesIF& services, ModuleTypeId key);
    void ReloadForModule() override;

private:
    CPageServicesIF& m_services;
    ModuleTypeId m_key;
    TestBlock m_block;
};

class TestUpdatePage : public CUpdatePageIF {
public:
    explicit TestUpdatePage(PageLog& log) : m_widget(new QWidget), m_log(log) {}
    ~TestUpdatePage() override { delete m_widget.data(); }
    QWidget* Widget() override { return m_widget.data(); }
    void UpdateControls() override { ++m_log.updates; }
    void ReloadForModule() override { ++m_log.reloads; }
    void CopyIdentity() override { ++m_log.identityCopies; }
    const AssemblyRecord* CurrentRelease() override { return release ? &*release : nullptr; }
    bool ReleaseMatches(VersionNumber version) override {
        return release && release->release == version;
    }
    bool ModuleEntryValid(const ModuleRecord&) override { return release.has_value(); }
    bool QueryClose() override { return allowClose; }

    std::optional<AssemblyRecord> release;
    bool allowClose = true;

private:
    QPointer<QWidget> m_widget;
    PageLog& m_log;
};

// Makes test pages and keeps their logs by name ("setup0".."setup2",
// "update", "peekpoke", "lookup").
class TestPageFactory : public CPageFactoryIF {
public:
    std::unique_ptr<CTabPageIF> CreateSetupPage(ModuleTypeId key,
                                                CPageServicesIF& services) override;
    std::unique_ptr<CUpdatePageIF> CreateUpdatePage(CPageServicesIF& services) override;
    std::unique_ptr<CTabPageIF> CreatePeekPokePage(CPageServicesIF& services) override;
    std::unique_ptr<CTabPageIF> CreateLookupTablePage(CPageServicesIF& services,
                                                      CUpdatePageIF& updatePage) override;

    std::map<std::string, PageLog> logs;
    TestUpdatePage* updatePage = nullptr;
    // The release the update page selects from the start.
    std::optional<AssemblyRecord> initialRelease;
};
