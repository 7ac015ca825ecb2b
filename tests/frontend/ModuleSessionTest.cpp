// The session's watch on the connected port: a module that goes away is
// reported once, never while a box, a connect or a run holds the port, and the
// connection ends with it.
#include "ModuleFixture.h"
#include "ScriptedDialogs.h"

#include "descriptions/DataDirectory.h"
#include "engine/CCmdEngine.h"
#include "frontend/ModuleSession.h"

#include <cstdlib>
#include <filesystem>
#include <thread>

namespace {

class Observer : public frontend::SessionObserverIF {
public:
    void ModuleLost() override { ++lost; }
    int lost = 0;
};

class SessionWatch : public ModuleFixture {
protected:
    static void SetUpTestSuite() {
        const char* data = std::getenv("PELLWORTH_TEST_DATA");
        ASSERT_NE(data, nullptr);
        std::filesystem::current_path(data);
        datadir::Use({});
    }
    void SetUp() override {
        auto config = sim::MakeModule(sim::Profile::Tarn);
        ASSERT_TRUE(config.has_value());
        module = std::make_unique<sim::SimulatedModule>(std::move(*config));
        ASSERT_TRUE(module->Start()) << module->Error();
        std::wstring error;
        ASSERT_TRUE(session.Start({}, error)) << std::string(error.begin(), error.end());
        session.SetObserver(&observer);
        conn::Code result = conn::kNotConnected;
        ASSERT_TRUE(session.Connect(module->PortNumber(), &result));
        ASSERT_EQ(result, conn::kOk);
    }
    void TearDown() override { session.SetObserver(nullptr); }
    // The module goes away the way a USB module does: its device disappears.
    void Unplug() {
        module->Unplug();
        ASSERT_TRUE(module->WaitUntilAway(std::chrono::seconds(5)));
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }

    ScriptedDialogs dialogs;
    frontend::ModuleSession session{dialogs, {}};
    Observer observer;
};

// What holds the port when the module goes: the watch waits while it does.
struct Holder {
    const char* name;
    bool frontEndBusy;
    bool runGoing;
};

TEST_F(SessionWatch, AHangUpIsReportedOnceAndWaitsForWhatHoldsThePort) {
    const std::filesystem::path node = session.Port().GetDevicePath();
    EXPECT_FALSE(session.DeviceRemoved("/dev/not-this-one", false));
    Unplug();
    const Holder holders[] = {{"a box", true, false}, {"a run", false, true}};
    for (const Holder& h : holders) {
        SCOPED_TRACE(h.name);
        session.Engine().SetUpdateInProgress(h.runGoing);
        EXPECT_TRUE(session.DeviceRemoved(node, h.frontEndBusy));
        session.CheckPort(h.frontEndBusy);
        EXPECT_EQ(observer.lost, 0);
        EXPECT_TRUE(session.Engine().IsConnected());
        session.Engine().SetUpdateInProgress(false);
    }
    session.CheckPort(false);
    session.CheckPort(false);
    EXPECT_EQ(observer.lost, 1);
    EXPECT_FALSE(session.Engine().IsConnected());
    EXPECT_FALSE(session.Port().IsOpen());
    EXPECT_FALSE(session.Watching());
}

} // namespace
