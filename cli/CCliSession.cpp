#include "cli/CCliSession.h"

#include "cli/CTerminalDialogs.h"
#include "cli/LogCommand.h"
#include "engine/CCmdEngine.h"
#include "setups/SetupBlocks.h"
#include "setups/SetupPageRules.h"

CCliSession::CCliSession(const cli::Arguments& args, CConsole& console, CTerminalDialogs& dialogs)
    : m_args(args), m_console(console), m_dialogs(dialogs),
      m_results(cli::OpenResultsLog(args, console)),
      m_session(dialogs, [](ModuleTypeId type, CCmdEngine* engine) {
          return MakeSetupBlock(type, engine);
      }) {}

bool CCliSession::Start(std::wstring& error) {
    frontend::ModuleSession::Options options;
    options.optionM = m_args.optionM;
    options.optionD = m_args.optionD;
    options.forcedType = static_cast<ModuleTypeId>(m_args.forcedModuleType);
    if (!m_session.Start(options, error))
        return false;
    m_session.SetResultsLog(m_results.get(), frontend::ThisProgram("pellworth-cli"));
    if (m_args.release)
        m_session.Selection().SetWish(frontend::ReleaseWish::Exact, *m_args.release);
    else if (m_args.latestRelease)
        m_session.Selection().SetWish(frontend::ReleaseWish::Latest);
    m_session.RefreshRelease();
    return true;
}

std::wstring CCliSession::SetupDisabledReason() const {
    const frontend::ModuleSession& session = m_session;
    const ModuleRecord& module = session.Engine().Module();
    // The page of the module's own type is the one the program would show.
    const frontend::ReleaseSelection& selection = session.Selection();
    return SetupBlockerText(FirstSetupBlocker(session.Engine(), module.moduleType,
                                              selection.Matches(module.release),
                                              selection.EntryValid(module)));
}
