#pragma once

#include "cli/CliArguments.h"
#include "frontend/ModuleSession.h"
#include "frontend/ResultsLog.h"

#include <memory>
#include <string>

class CCmdEngine;
class CConsole;
class CTerminalDialogs;

// One run of the tool: its arguments, its console and dialogs, and the
// session with the module they act on (the program's own session, with the
// tool's main thread as its GUI thread).
class CCliSession {
public:
    CCliSession(const cli::Arguments& args, CConsole& console, CTerminalDialogs& dialogs);
    CCliSession(const CCliSession&) = delete;
    CCliSession& operator=(const CCliSession&) = delete;

    // Brings up the XML library and the engine; false with the text to show.
    bool Start(std::wstring& error);

    frontend::ModuleSession& Module() { return m_session; }
    CCmdEngine& Engine() { return m_session.Engine(); }
    CTerminalDialogs& Dialogs() { return m_dialogs; }
    CConsole& Console() { return m_console; }
    const cli::Arguments& Args() const { return m_args; }
    std::wstring Status() const { return m_session.Status(); }
    void ReportError(const std::wstring& text) { m_session.ReportError(text); }

    // Why the Setup page's controls would be greyed out; empty when they may be used.
    std::wstring SetupDisabledReason() const;

private:
    const cli::Arguments& m_args;
    CConsole& m_console;
    CTerminalDialogs& m_dialogs;
    std::unique_ptr<frontend::ResultsLog> m_results;
    frontend::ModuleSession m_session;
};
