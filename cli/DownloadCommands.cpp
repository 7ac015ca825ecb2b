#include "cli/CommandRunner.h"

#include "cli/CCliRunHost.h"
#include "cli/CCliSession.h"
#include "cli/CConsole.h"
#include "cli/CInterruptWatch.h"
#include "cli/CTerminalDialogs.h"
#include "cli/CliTexts.h"
#include "descriptions/InputFile.h"
#include "descriptions/XmlText.h"
#include "engine/CCmdEngine.h"
#include "engine/EngineCodes.h"
#include "frontend/ModuleOperation.h"
#include "maintenance/CLookupTableRun.h"
#include "maintenance/ModuleOperations.h"
#include "maintenance/ReleaseUpdate.h"
#include "maintenance/StartReleaseUpdate.h"
#include "maintenance/UpdateRun.h"
#include "maintenance/UpdateTexts.h"

#include <chrono>
#include <thread>

namespace cli {

namespace {

// The program's update and lookup table pages tick every 100 ms.
constexpr auto kTick = std::chrono::milliseconds(100);

} // namespace

// ---- download -----------------------------------------------------------------------------------

void Runner::Download() {
    if (!ConnectModule())
        return;
    const ModuleRecord& module = m_engine.Module();
    int32_t component = kComponentFerrin;
    std::wstring name = L"ferrin";
    if (m_args.downloadKind == DownloadKind::SafeBoot) {
        component = kComponentSafeBoot;
        name = L"safeboot";
    } else if (m_args.downloadKind == DownloadKind::Fpga) {
        component = m_args.fpgaId;
        name = L"fpga";
    }
    m_out.data.Set("component", name);
    m_out.data.Set("file", m_args.file);
    // The Update tab's manual "Update" is enabled only while the module runs Ferrin.
    if (module.runningImage != kRunningFerrin)
        return Fail(exitcode::kFailed, clitext::kDownloadNeedsFerrin);
    if (component >= 0 && !module.FindFpga(m_args.fpgaId))
        return UsageError(L"the module has no FPGA with id " + std::to_wstring(m_args.fpgaId));

    switch (operations::CheckManualDownload(operations::SessionContext(m_session.Module()),
                                            component, m_args.file)) {
    case operations::ManualCheck::Ready:
        break;
    case operations::ManualCheck::Declined:
        return Fail(exitcode::kDeclined);
    case operations::ManualCheck::FileError:
    case operations::ManualCheck::TooLarge:
        return Fail(exitcode::kFailed);
    }

    CCliRunHost host(m_session);
    UpdateRun run(host);
    CInterruptWatch watch;
    if (!run.StartManual(component, m_args.file,
                         m_session.Module().Selection().Selected() != nullptr))
        return Fail(exitcode::kFailed);
    bool aborted = false;
    while (run.IsRunning()) {
        std::this_thread::sleep_for(kTick);
        if (watch.Interrupted() && !aborted) {
            aborted = true;
            // The page hides "Abort" for SafeBoot: that download must not be cut.
            if (component == kComponentSafeBoot)
                m_session.Console().Err(clitext::kSafeBootNoAbort);
            else
                run.RequestAbort();
        }
        run.Tick();
    }
    run.Shutdown();
    m_out.log = host.Log();
    const upd::Code result = run.LastResult();
    m_out.data.Set("result", Number(result));
    m_out.data.Set("finalMessage", run.LastFinalMessage());
    if (result == upd::kOk) {
        m_out.lines.push_back(run.LastFinalMessage());
        m_out.lines.push_back(m_session.Status());
        return;
    }
    if (result == upd::kAborted && watch.Interrupted())
        return Fail(exitcode::kInterrupted);
    Fail(exitcode::kFailed);
}

void Runner::DownloadLookupTable() {
    if (!ConnectModule())
        return;
    const ModuleRecord& module = m_engine.Module();
    m_out.data.Set("component", "lut");
    m_out.data.Set("file", m_args.file);
    // The Lookup Table page is blocked while the module runs SafeBoot.
    if (module.runningImage != kRunningFerrin)
        return Fail(exitcode::kFailed, clitext::kDownloadNeedsFerrin);
    const FpgaDescription* fpga = module.FindFpga(m_args.fpgaId);
    if (!fpga)
        return UsageError(L"the module has no FPGA with id " + std::to_wstring(m_args.fpgaId));
    const LookupTableDescription* table = fpga->FindLookupTable(m_args.tableId);
    if (!table)
        return UsageError(L"FPGA " + std::to_wstring(m_args.fpgaId) +
                          L" has no lookup table with id " + std::to_wstring(m_args.tableId));

    CLookupTableRun run(m_engine);
    const operations::Context context = operations::SessionContext(m_session.Module());
    switch (operations::StartLookupTable(context, run, m_args.file, m_args.fpgaId, m_args.tableId,
                                         table->name, fpga->name)) {
    case operations::LutStart::Started:
        break;
    case operations::LutStart::Declined:
        return Fail(exitcode::kDeclined);
    case operations::LutStart::OpenFailed:
    case operations::LutStart::NotStarted:
        return Fail(exitcode::kFailed);
    }
    CConsole& console = m_session.Console();
    CInterruptWatch watch;
    bool aborted = false;
    while (!run.IsFinished()) {
        std::this_thread::sleep_for(kTick);
        if (watch.Interrupted() && !aborted) {
            aborted = true;
            run.RequestAbort();
        }
        if (m_engine.IsConnected()) {
            const float progress = m_engine.GetProgress();
            console.Progress(CLookupTableRun::BarPosition(progress),
                             CLookupTableRun::PercentText(progress), {});
        }
    }
    console.EndProgress();
    const eng::Code result = operations::FinishLookupTable(context, run);
    m_out.data.Set("result", Number(result));
    if (result == eng::kOk) {
        m_out.lines.push_back(m_session.Status());
        return;
    }
    if (result == eng::kAborted && watch.Interrupted())
        return Fail(exitcode::kInterrupted);
    Fail(exitcode::kFailed);
}

// ---- update -------------------------------------------------------------------------------------

void Runner::Update() {
    if (!ConnectModule())
        return;
    const AssemblyRecord* release = m_session.Module().Selection().Selected();
    if (release)
        m_out.data.Set("release", ReleaseText(release->release));
    m_out.data.Set("installedBefore", ReleaseText(m_session.Module().InstalledRelease()));

    CCliRunHost host(m_session);
    UpdateRun run(host);
    run.SetKeepSetup(m_args.keepSetup);
    if (!StartReleaseUpdate(run, release, m_session.Module().Selection().Desired(),
                            m_session.Module().InstalledRelease())) {
        // Declining to force a module that is up to date is no failure.
        if (m_session.Status() == updatetext::kNoUpdatesNeeded) {
            m_out.lines.push_back(m_session.Status());
            m_out.data.Set("result", 0);
            return;
        }
        return Fail(m_session.Dialogs().Declined() ? exitcode::kDeclined : exitcode::kFailed);
    }

    CInterruptWatch watch;
    host.SetInterrupted([&watch] { return watch.Interrupted(); });
    host.SetRebootWait(m_args.rebootWait);
    bool stopped = false;
    while (run.IsRunning()) {
        std::this_thread::sleep_for(kTick);
        if (watch.Interrupted()) {
            // A release update has no Abort of its own: the run is stopped
            // (the running download aborted, a wait for the module ended).
            m_session.Console().Err(L"Interrupted: stopping the update.");
            stopped = true;
            run.Shutdown();
            break;
        }
        run.Tick();
    }
    run.Shutdown();
    m_session.Module().SetQuiet(false);
    m_out.log = host.Log();
    const upd::Code result = run.LastResult();
    m_out.data.Set("result", Number(result));
    m_out.data.Set("finalMessage", run.LastFinalMessage());
    m_out.data.Set("setupNote", run.LastSetupNote());
    m_out.data.Set("installedAfter", ReleaseText(m_session.Module().InstalledRelease()));
    if (stopped) {
        if (result != upd::kOk)
            return Fail(exitcode::kInterrupted, EngineCodeText(eng::kAborted));
        m_session.ReportError(EngineCodeText(eng::kOk));
    }
    if (result != upd::kOk)
        return Fail(exitcode::kFailed);
    m_out.lines.push_back(run.LastFinalMessage());
    if (!run.LastSetupNote().empty())
        m_out.lines.push_back(run.LastSetupNote());
    m_out.lines.push_back(m_session.Status());
}

} // namespace cli
