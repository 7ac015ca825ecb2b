#pragma once

#include "cli/CCliSession.h"
#include "cli/Commands.h"
#include "cli/SetupView.h"

#include <string>
#include <vector>

class CConfigBlockIF;
class CCmdEngine;

namespace cli {

// Runs one command of the tool over its session; the commands live in
// Commands.cpp (ports, info, peek, poke, csv), SetupCommand.cpp and
// DownloadCommands.cpp (download, update).
class Runner {
public:
    Runner(CCliSession& session, CommandOutput& out)
        : m_session(session), m_args(session.Args()), m_engine(session.Engine()), m_out(out) {}

    void Run();

private:
    void Fail(int exitCode, const std::wstring& status = {}) {
        if (!status.empty())
            m_session.ReportError(status);
        m_out.exitCode = exitCode;
    }
    void UsageError(std::wstring text) {
        m_out.usageError = std::move(text);
        m_out.exitCode = exitcode::kUsage;
    }
    bool ConnectModule();

    void Ports();
    void Info();
    void Peek();
    void Poke();
    void Csv();
    void Setup();
    void SetupFile(bool save, CConfigBlockIF& block);
    void Download();
    void DownloadLookupTable();
    void Update();

    CCliSession& m_session;
    const Arguments& m_args;
    CCmdEngine& m_engine;
    CommandOutput& m_out;
    conn::Code m_connectResult = conn::kOk;
};

// The setup block's view as JSON and as lines, and the connected module's
// block described (false, with the reason, when it has none of a known type).
JsonValue SetupViewJson(const SetupView& view);
void AddSetupViewLines(const SetupView& view, std::vector<std::wstring>& lines);
bool DescribeModuleSetup(CCliSession& session, SetupView& view, std::wstring& error);

} // namespace cli
