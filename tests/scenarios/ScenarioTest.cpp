// Operator sequences through both front ends, the program (its own pages,
// scripted boxes) and pellworth-cli as a process, over simulated modules
// hosted here, in the demo working directory (one release per type: a module
// one release behind has no type file). After every row the invariants an
// operator relies on are checked, whatever the row was about:
//   1. every module's setup is what it was, unless the row changed it on
//      purpose or the run said it could not keep it;
//   2. modules the row did not select received no write command;
//   3. success is reported only when the module reports the release, and the
//      results-log record says what the module holds.
#include "../cli/CliProcess.h"
#include "pages/WidgetKit.h"

#include "app/CGuiThreadInvoker.h"
#include "app/COstrand.h"
#include "app/COstrandDlg.h"
#include "descriptions/XmlText.h"
#include "engine/CCmdEngine.h"
#include "frontend/ResultsLog.h"
#include "maintenance/UpdateRun.h"
#include "maintenance/UpdateTexts.h"
#include "maintenance/pages/CUpdate.h"
#include "support/ScriptedDialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QPushButton>

#include <gtest/gtest.h>

#include <QDir>

#include <algorithm>
#include <cctype>
#include <set>

namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<uint8_t>;

enum FrontEnd { kGui = 1, kCli = 2, kBoth = kGui | kCli };

// Codes of the requests that change a module.
const std::set<uint8_t> kWrites{0x82, 0x85, 0x86, 0x87, 0x88, 0x8B, 0x92, 0x96,
                                0x98, 0x9A, 0x9C, 0x9D, 0x9F, 0xA0, 0xA1};

struct ModuleSpec {
    sim::Profile profile = sim::Profile::Tarn;
    sim::Version release;  // 0.0: the demo data's
    Bytes setup;           // what it holds; empty: the profile's
    bool safeBoot = false; // no valid Ferrin
    bool blankSerial = false;
    bool neverBack = false;          // a reboot takes it away for good
    bool erases = true;              // downloads erase its setup
    std::optional<uint8_t> unplugAt; // it goes away instead of answering this start command
};

enum class Action { Update, UpdateNoKeep, Parallel };

struct Row {
    const char* name;
    int frontEnds;
    std::vector<ModuleSpec> modules;
    int connectedBefore; // the module the operator connected to first; -1: none
    std::vector<int> selected;
    Action action = Action::Update;
    std::vector<bool> succeeds; // per selected module
    // In the program, while the selected module is away: Discover and another entry.
    bool touchListWhileAway = false;
};

const Bytes kTarnSetup{0x04, 0x99, 0x1E, 0x9F};
const Bytes kOrlanSetup{0x55, 0x02, 0xE6, 0x35};
const Bytes kTarnSetup2{0x00, 0x45, 0x21, 0x13};

ModuleSpec Tarn(sim::Version at, Bytes setup = kTarnSetup) {
    ModuleSpec wanted;
    wanted.release = at;
    wanted.setup = std::move(setup);
    return wanted;
}
ModuleSpec Orlan(sim::Version at) {
    ModuleSpec wanted;
    wanted.profile = sim::Profile::Orlan6;
    wanted.release = at;
    wanted.setup = kOrlanSetup;
    return wanted;
}
template <class F> ModuleSpec With(ModuleSpec wanted, F change) {
    change(wanted);
    return wanted;
}

const Row kRows[] = {
    {"TARN one release behind, after another TARN",
     kBoth,
     {Tarn({1, 1}, kTarnSetup2), Tarn({1, 0})},
     0,
     {1},
     Action::Update,
     {true}},
    {"ORLAN6 one release behind, after another ORLAN6",
     kBoth,
     {With(Orlan({2, 1}),
           [](ModuleSpec& s) {
               s.setup = {0x11, 0x01, 0x50, 0x25};
           }),
      Orlan({2, 0})},
     0,
     {1},
     Action::Update,
     {true}},
    {"not kept when turned off",
     kBoth,
     {Tarn({1, 1}, kTarnSetup2), Tarn({1, 0})},
     0,
     {1},
     Action::UpdateNoKeep,
     {true}},
    {"not kept when turned off, a module that does not erase",
     kBoth,
     {Tarn({1, 1}, kTarnSetup2), With(Tarn({1, 0}), [](ModuleSpec& s) { s.erases = false; })},
     0,
     {1},
     Action::UpdateNoKeep,
     {true}},
    {"SafeBoot repair, after another module",
     kBoth,
     {Tarn({1, 1}), With(Tarn({1, 0}), [](ModuleSpec& s) { s.safeBoot = true; })},
     0,
     {1},
     Action::Update,
     {true}},
    {"blank serial beside the module updated",
     kBoth,
     {With(Tarn({1, 1}), [](ModuleSpec& s) { s.blankSerial = true; }), Tarn({1, 0})},
     -1,
     {1},
     Action::Update,
     {true}},
    {"unplugged at Ferrin",
     kBoth,
     {Tarn({1, 1}), With(Tarn({1, 0}), [](ModuleSpec& s) { s.unplugAt = 0x86; })},
     -1,
     {1},
     Action::Update,
     {false}},
    {"unplugged at the FPGA",
     kBoth,
     {Tarn({1, 1}), With(Tarn({1, 0}), [](ModuleSpec& s) { s.unplugAt = 0x87; })},
     -1,
     {1},
     Action::Update,
     {false}},
    {"unplugged at a lookup table",
     kBoth,
     {Tarn({1, 1}), With(Tarn({1, 0}), [](ModuleSpec& s) { s.unplugAt = 0xA1; })},
     -1,
     {1},
     Action::Update,
     {false}},
    // In SafeBoot no serial is known that would tell another module apart.
    {"never back while another is attached, list touched",
     kBoth,
     {Tarn({1, 1}), With(Tarn({1, 0}),
                         [](ModuleSpec& s) {
                             s.neverBack = true;
                             s.safeBoot = true;
                         })},
     0,
     {1},
     Action::Update,
     {false},
     true},
    {"parallel, one fails",
     kCli,
     {Tarn({1, 0}), Orlan({2, 0}), With(Tarn({1, 0}), [](ModuleSpec& s) { s.unplugAt = 0x87; })},
     -1,
     {0, 1, 2},
     Action::Parallel,
     {true, true, false}},
};

void PrintTo(const Row& row, std::ostream* os) {
    *os << row.name;
}

// Boxes answered as an operator would, on the GUI thread.
class GuiDialogs : public ScriptedDialogs {
public:
    void RunOnGuiThread(std::function<void()> fn, bool wait) override {
        m_invoker.Run(std::move(fn), wait);
    }
    void SetJoiningWorker(bool joining) override { m_invoker.SetJoining(joining); }

private:
    CGuiThreadInvoker m_invoker;
};

bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

// What a front end reports of one module's run.
struct Outcome {
    bool success = false;
    bool setupNotKeptSaid = false;
    std::string text; // how it ended, for a failing row's message
};

class Scenario : public CliFixture,
                 public ::testing::WithParamInterface<std::tuple<Row, FrontEnd>> {
protected:
    void StartModules(const Row& row) {
        for (size_t i = 0; i < row.modules.size(); ++i) {
            const ModuleSpec& wanted = row.modules[i];
            sim::SimulatedModule& m =
                StartModule(wanted.profile, wanted.release, [&](sim::ModuleConfig& c) {
                    c.state.serial =
                        wanted.blankSerial ? std::string(8, '\xFF') : "0000300" + std::to_string(i);
                    if (!wanted.setup.empty())
                        c.state.blocks[{0, 0}].data = wanted.setup;
                    if (wanted.safeBoot) {
                        c.state.running = sim::RunningImage::SafeBoot;
                        c.state.ferrinValid = false;
                    }
                    if (wanted.neverBack)
                        c.behaviour.rebootDelay = 1h;
                    c.behaviour.eraseSetupOnDownload = wanted.erases;
                });
            if (wanted.unplugAt)
                m.Script(*wanted.unplugAt, sim::Reply::Unplug());
            before.push_back(SetupBytes(m));
        }
    }

    std::vector<Outcome> RunGui(const Row& row) {
        QDir::setCurrent(QString::fromStdString(DataDirectory().string()));
        auto app = std::make_unique<COstrand>(dialogs, nullptr);
        EXPECT_TRUE(app->Start({}));
        COstrandDlg& dlg = *app->MainDialog();
        auto* combo = qobject_cast<QComboBox*>(dlg.Control(COstrandDlg::kModuleCombo));
        auto* connect = qobject_cast<QPushButton*>(dlg.Control(COstrandDlg::kConnectButton));
        auto select = [&](int index) {
            const QString port = QStringLiteral("COM%1").arg(m_modules[index]->PortNumber());
            for (int i = 0; i < combo->count(); ++i)
                if (combo->itemText(i).startsWith(port + QLatin1Char(' ')) ||
                    combo->itemText(i) == port)
                    combo->setCurrentIndex(i);
        };
        if (row.connectedBefore >= 0) {
            select(row.connectedBefore);
            connect->click();
            EXPECT_TRUE(app->Engine()->IsConnected());
            connect->click();
        }
        const int target = row.selected.front();
        select(target);
        connect->click();
        EXPECT_TRUE(app->Engine()->IsConnected());
        auto* page = dynamic_cast<CUpdate*>(dlg.UpdatePage());
        // Fast, but a rebooting module gets seconds to come back on a loaded machine.
        page->SetTickInterval(20ms);
        page->SetReleasePrompt([](bool&) { return PromptAnswer::Yes; });
        page->findChild<QCheckBox*>(QStringLiteral("chkKeepSetup"))
            ->setChecked(row.action != Action::UpdateNoKeep);
        widgetkit::FindControl<QPushButton>(page, CUpdate::kReleaseUpdate)->click();
        if (row.touchListWhileAway) {
            EXPECT_TRUE(WaitUntil([&] { return !m_modules[target]->IsPresent(); }, 20s));
            dlg.Discover();
            select(row.connectedBefore >= 0 ? row.connectedBefore : 0);
        }
        EXPECT_TRUE(WaitUntil([&] { return !page->IsRunning(); }, 60s));
        const UpdateRun& run = page->Run();
        const Outcome outcome{run.LastResult() == upd::kOk, Said(run.LastSetupNote()),
                              WideToUtf8(FailureText(run.LastResult(), run.LastFinalMessage()))};
        app.reset();
        return {outcome};
    }

    std::vector<Outcome> RunCli(const Row& row) {
        std::vector<std::string> args;
        // A module in SafeBoot tells no type: the operator names it, as the
        // program keeps the type of the module connected before.
        for (const int i : row.selected)
            if (row.modules[i].safeBoot)
                args.push_back(row.modules[i].profile == sim::Profile::Tarn ? "-tarn" : "-orlan");
        args.insert(args.end(), {"update", "--port"});
        std::string ports;
        for (const int i : row.selected)
            ports += (ports.empty() ? "" : ",") + Port(*m_modules[i]);
        args.push_back(ports);
        args.push_back("--yes");
        if (row.action == Action::UpdateNoKeep)
            args.push_back("--no-keep-setup");
        if (row.connectedBefore >= 0)
            Cli({"info", "--port", Port(*m_modules[row.connectedBefore])});
        const CliResult result = Cli(args);
        std::vector<Outcome> outcomes;
        for (const int i : row.selected) {
            // One module: the exit status; several: the summary's row.
            bool success = result.exitCode == 0;
            if (row.selected.size() > 1) {
                const std::string port = "COM" + Port(*m_modules[i]);
                const size_t line = result.out.rfind("\n" + port + " ");
                success = line != std::string::npos &&
                          result.out.find("updated", line) < result.out.find('\n', line + 1);
            }
            outcomes.push_back({success, Said(result.out + result.err), result.out + result.err});
        }
        return outcomes;
    }

    static bool Said(const std::string& text) {
        return text.find("Setup not kept") != std::string::npos ||
               text.find("as the update left it") != std::string::npos;
    }
    static bool Said(const std::wstring& text) {
        return text.find(L"Setup not kept") != std::wstring::npos ||
               text.find(L"as the update left it") != std::wstring::npos;
    }

    GuiDialogs dialogs;
    std::vector<Bytes> before;
};

TEST_P(Scenario, InvariantsHold) {
    const auto& [row, frontEnd] = GetParam();
    StartModules(row);
    for (const auto& m : m_modules)
        m->ClearLog();
    const std::vector<Outcome> outcomes = frontEnd == kGui ? RunGui(row) : RunCli(row);
    ASSERT_EQ(outcomes.size(), row.selected.size());

    const auto records = frontend::ResultsLog::Read(ResultsLogFile()).records;
    for (size_t i = 0; i < m_modules.size(); ++i) {
        SCOPED_TRACE("module " + std::to_string(i));
        const sim::SimulatedModule& m = *m_modules[i];
        const auto chosen =
            std::find(row.selected.begin(), row.selected.end(), static_cast<int>(i));
        if (chosen == row.selected.end()) {
            // 2. Never written, whatever was pressed meanwhile.
            for (const sim::LoggedRequest& request : m.Requests())
                EXPECT_EQ(kWrites.count(request.Code()), 0u) << std::hex << int(request.Code());
            EXPECT_EQ(SetupBytes(m), before[i]);
            continue;
        }
        const Outcome& outcome = outcomes[chosen - row.selected.begin()];
        EXPECT_EQ(outcome.success, row.succeeds[chosen - row.selected.begin()]) << outcome.text;
        // 1. The setup is the module's own, unless the row turned keeping off
        //    or the run said it could not keep it.
        if (row.action == Action::UpdateNoKeep) {
            // As the downloads left it, never another module's.
            EXPECT_EQ(SetupBytes(m), row.modules[i].erases ? Bytes(4, 0) : before[i]);
        } else if (!outcome.setupNotKeptSaid) {
            EXPECT_EQ(SetupBytes(m), before[i]);
        }
        if (row.modules[i].safeBoot) {
            EXPECT_TRUE(outcome.setupNotKeptSaid) << "nothing could be read to keep";
        }
        // 3. Success means the module reports the release; the record says
        //    what the module holds (nothing when it is gone).
        const sim::ModuleState state = m.State();
        const sim::ReleaseVersions latest = sim::KnownReleases(row.modules[i].profile).back();
        if (outcome.success) {
            EXPECT_EQ(std::tie(state.release, state.ferrin),
                      std::tie(latest.release, latest.ferrin));
        }
        const auto record = std::find_if(records.rbegin(), records.rend(), [&](const auto& r) {
            return r.Get("port")->AsInteger() == std::optional<int64_t>(m.PortNumber());
        });
        ASSERT_NE(record, records.rend()) << "every update is recorded";
        EXPECT_EQ(record->Get("result")->AsInteger() == std::optional<int64_t>(0), outcome.success);
        const frontend::JsonValue* after = record->Get("after");
        ASSERT_NE(after, nullptr);
        if (!m.IsPresent()) {
            EXPECT_TRUE(after->IsNull()) << record->Write();
        } else if (!after->IsNull()) {
            const std::string release =
                std::to_string(state.release.major) + "." + std::to_string(state.release.minor);
            EXPECT_EQ(after->Text("release"), release) << record->Write();
        }
        // A module in SafeBoot tells its serial only once it runs Ferrin again.
        if (!row.modules[i].blankSerial && !(row.modules[i].safeBoot && after->IsNull())) {
            EXPECT_EQ(record->Text("serial"), "0000300" + std::to_string(i)) << record->Write();
        }
    }
}

std::string RowName(const ::testing::TestParamInfo<std::tuple<Row, FrontEnd>>& info) {
    std::string name = std::string(std::get<1>(info.param) == kGui ? "Program_" : "Cli_") +
                       std::get<0>(info.param).name;
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c)))
            c = '_';
    return name;
}

// Each row through the front ends it is marked with.
std::vector<std::tuple<Row, FrontEnd>> RowsAndFrontEnds() {
    std::vector<std::tuple<Row, FrontEnd>> all;
    for (const Row& row : kRows)
        for (const FrontEnd frontEnd : {kGui, kCli})
            if ((row.frontEnds & frontEnd) != 0)
                all.emplace_back(row, frontEnd);
    return all;
}

INSTANTIATE_TEST_SUITE_P(Rows, Scenario, ::testing::ValuesIn(RowsAndFrontEnds()), RowName);

} // namespace
