#pragma once

#include "app/CGuiThreadInvoker.h"
#include "app/COstrand.h"
#include "app/COstrandDlg.h"
#include "app/CPageFactoryIF.h"
#include "descriptions/ReleaseTable.h"
#include "engine/CCmdChannel.h"
#include "engine/CCmdEngine.h"
#include "engine/CConfigBlockIF.h"
#include "simulator/Profiles.h"
#include "support/ScriptedDialogs.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>

// The tests run in a working directory of the program's ("types" from the
// demo data, a "version" file); AppTestMain makes it.

// Processes GUI events until done() holds; false when the limit passes first.
inline bool WaitUntil(const std::function<bool()>& done,
                      std::chrono::milliseconds limit = std::chrono::seconds(10)) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    return true;
}

// Ends the test program when its scope outlives `limit`: a GUI thread that
// waits for a thread waiting for it never comes back to fail the test.
class Watchdog {
public:
    Watchdog(const char* what, std::chrono::seconds limit)
        : m_thread([this, what, limit] {
              std::unique_lock lock(m_mutex);
              if (!m_changed.wait_for(lock, limit, [this] { return m_done; })) {
                  std::fprintf(stderr, "watchdog: %s still waiting after %llds\n", what,
                               static_cast<long long>(limit.count()));
                  std::_Exit(3);
              }
          }) {}
    ~Watchdog() {
        {
            std::lock_guard lock(m_mutex);
            m_done = true;
        }
        m_changed.notify_all();
        m_thread.join();
    }
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_done = false;
    std::thread m_thread;
};

// A tab page that counts what the dialog asks of it. As a setup page it lends
// itself as the block (FPGA 0, block 0, fetched over the real channel, so a
// module can refuse it) when a module of its type connects, as the real ones
// lend theirs; as the update page it selects `release`.
class TestPage : public CTabPage, public CConfigBlockIF {
public:
    TestPage(CCmdEngine* engine, ModuleTypeId key) : CConfigBlockIF(engine, 0, 0), m_key(key) {}
    void UpdateControls() override {}
    void ReloadForModule() override {
        ++reloads;
        if (m_engine && m_engine->Module().moduleType == m_key)
            m_engine->AttachConfigBlock(this);
    }
    void ReportDisabledReason() override {}
    bool QueryClose() override { return allowClose; }
    void CopyIdentity() override { ++identityCopies; }
    chan::Code Read(CCmdChannel& c) override { return c.ReadConfigBlock(0, 0, m_data, 4); }
    chan::Code Write(CCmdChannel& c) override { return c.WriteConfigBlock(0, 0, m_data, 4); }
    std::vector<uint8_t> Encoded() const override { return {m_data, m_data + 4}; }

    int reloads = 0, identityCopies = 0;
    bool allowClose = true;

private:
    ModuleTypeId m_key;
    uint8_t m_data[4] = {};
};

// Scripted boxes, handed over to the GUI thread as the program's are; counts
// boxes shown on any other thread.
class GuiScriptedDialogs : public ScriptedDialogs {
public:
    MsgResult MessageBox(const std::wstring& text, const std::wstring& caption, MsgButtons buttons,
                         MsgIcon icon) override {
        if (!m_invoker.IsGuiThread())
            ++boxesOffGuiThread;
        if (onBox)
            onBox();
        return ScriptedDialogs::MessageBox(text, caption, buttons, icon);
    }
    void RunOnGuiThread(std::function<void()> fn, bool wait) override {
        m_invoker.Run(std::move(fn), wait);
    }
    void SetJoiningWorker(bool joining) override { m_invoker.SetJoining(joining); }
    std::atomic<int> boxesOffGuiThread{0};
    std::function<void()> onBox; // called as a box goes up (GUI thread tests only)

private:
    CGuiThreadInvoker m_invoker;
};

// The application with its main dialog, scripted boxes, test pages (this
// fixture makes them: pages["setup2"], "update", ...) and simulated modules.
class AppMainDialogTest : public ::testing::Test, public CPageFactoryIF {
protected:
    void TearDown() override {
        app.reset(); // closes the port before the modules go
        modules.clear();
        dialogs.Clear();
    }

    // A module of the profile at a release (0.0: the latest).
    sim::SimulatedModule& AddModule(sim::Profile profile = sim::Profile::Tarn,
                                    const std::function<void(sim::ModuleConfig&)>& change = {},
                                    sim::Version at = {}) {
        auto config = sim::MakeModule(profile, at);
        EXPECT_TRUE(config.has_value());
        if (change)
            change(*config);
        modules.push_back(std::make_unique<sim::SimulatedModule>(*config));
        EXPECT_TRUE(modules.back()->Start()) << modules.back()->Error();
        return *modules.back();
    }
    // ownPages: the program's own pages instead of test pages.
    void StartApp(const std::vector<std::wstring>& args = {}, bool ownPages = false) {
        app = std::make_unique<COstrand>(dialogs, ownPages ? nullptr : this);
        ASSERT_TRUE(app->Start(args));
        ASSERT_NE(app->MainDialog(), nullptr);
    }

    COstrandDlg& Dlg() { return *app->MainDialog(); }
    CCmdEngine& Engine() { return *app->Engine(); }
    template <class Widget> Widget* Control(int id) {
        auto* widget = qobject_cast<Widget*>(Dlg().Control(id));
        EXPECT_NE(widget, nullptr) << "control " << id;
        return widget;
    }
    std::wstring Status() {
        return Control<QLabel>(COstrandDlg::kStatusLine)->text().toStdWString();
    }
    QComboBox* Combo() { return Control<QComboBox>(COstrandDlg::kModuleCombo); }
    QPushButton* ConnectButton() { return Control<QPushButton>(COstrandDlg::kConnectButton); }
    std::vector<std::wstring> Entries() {
        std::vector<std::wstring> entries;
        for (int i = 0; i < Combo()->count(); ++i)
            entries.push_back(Combo()->itemText(i).toStdWString());
        return entries;
    }
    static std::wstring Entry(const sim::SimulatedModule& module, const std::wstring& name) {
        const std::wstring text = L"COM" + std::to_wstring(module.PortNumber());
        return name.empty() ? text : text + L" (" + name + L")";
    }

    std::unique_ptr<TestPage> Make(const std::string& name, CCmdEngine* engine = nullptr,
                                   ModuleTypeId key = 0) {
        return std::unique_ptr<TestPage>(pages[name] = new TestPage(engine, key));
    }
    std::unique_ptr<CTabPage> CreateSetupPage(ModuleTypeId key, CPageServicesIF& s) override {
        return Make("setup" + std::to_string(key), s.Engine(), key);
    }
    std::unique_ptr<CTabPage> CreateUpdatePage(CPageServicesIF&) override { return Make("update"); }
    std::unique_ptr<CTabPage> CreatePeekPokePage(CPageServicesIF&) override {
        return Make("peekpoke");
    }
    std::unique_ptr<CTabPage> CreateLookupTablePage(CPageServicesIF&) override {
        return Make("lookup");
    }

    GuiScriptedDialogs dialogs;
    std::map<std::string, TestPage*> pages; // made by the current app
    std::vector<std::unique_ptr<sim::SimulatedModule>> modules;
    std::unique_ptr<COstrand> app;
};
