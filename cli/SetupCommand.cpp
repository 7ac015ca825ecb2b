#include "cli/CommandRunner.h"

#include "cli/CCliSession.h"
#include "cli/CConsole.h"
#include "cli/CTerminalDialogs.h"
#include "cli/CliTexts.h"
#include "cli/SetupView.h"
#include "descriptions/XmlText.h"
#include "engine/CCmdEngine.h"
#include "engine/EngineCodes.h"
#include "frontend/ModuleOperation.h"
#include "maintenance/ReleaseUpdate.h"
#include "maintenance/UpdateTexts.h"
#include "setups/SetupBlocks.h"
#include "setups/SetupFileProcedures.h"
#include "setups/SetupPageRules.h"

namespace cli {

namespace {

// The program ignores the result of a block write; a failure would then be
// reported as success. The write's answer is looked at and the block is read
// back instead: empty when the module holds it, else what went wrong.
std::wstring ModuleKeepsSetup(CCliSession& session) {
    CCmdEngine& engine = session.Engine();
    const CConfigBlockIF* block = session.Module().ModuleSetupBlock();
    if (!block || !engine.LastBlockWrite())
        return clitext::kSetupNotSent;
    if (engine.LastBlockWrite() != chan::kOk)
        return clitext::kSetupNotTaken;
    const std::unique_ptr<CConfigBlockIF> readBack = MakeSetupBlock(engine.Module().moduleType);
    if (!readBack || readBack->Read(engine.Channel()) != chan::kOk)
        return clitext::kSetupNotReadBack;
    return readBack->Encoded() == block->Encoded() ? std::wstring() : clitext::kSetupNotWritten;
}

} // namespace

JsonValue SetupViewJson(const SetupView& view) {
    JsonValue json = JsonValue::MakeObject();
    json.Set("fpgaId", static_cast<int>(view.fpgaId));
    json.Set("blockId", static_cast<int>(view.blockId));
    json.Set("bytes", BlockBytesText(view));
    JsonValue fields = JsonValue::MakeArray();
    for (const SetupField& field : view.fields) {
        JsonValue f = JsonValue::MakeObject();
        f.Set("name", field.name);
        f.Set("value", field.value);
        f.Set("word", field.word);
        fields.Append(std::move(f));
    }
    json.Set("fields", std::move(fields));
    return json;
}

void AddSetupViewLines(const SetupView& view, std::vector<std::wstring>& lines) {
    lines.push_back(L"Setup (FPGA " + std::to_wstring(view.fpgaId) + L", block " +
                    std::to_wstring(view.blockId) + L"): " + BlockBytesText(view));
    for (const SetupField& field : view.fields) {
        const std::wstring word = field.word.empty() ? L"(no word)" : L"\"" + field.word + L"\"";
        lines.push_back(L"  " + field.name + L" = " + std::to_wstring(field.value) + L" " + word);
    }
}

// The block of the connected module described; false when it has none of a known type.
bool DescribeModuleSetup(CCliSession& session, SetupView& view, std::wstring& error) {
    CConfigBlockIF* block = session.Module().ModuleSetupBlock();
    if (block && DescribeSetup(*block, session.Engine().Module().moduleType, view, error))
        return true;
    if (error.empty())
        error = kSetupWrongTypeText;
    return false;
}

// ---- setup --------------------------------------------------------------------------------------

void Runner::Setup() {
    if (!ConnectModule())
        return;
    CConfigBlockIF* block = m_session.Module().ModuleSetupBlock();
    if (m_args.setupAction != SetupAction::Show) {
        // The Setup page's buttons are greyed out unless these hold.
        const std::wstring reason = m_session.SetupDisabledReason();
        if (!reason.empty())
            return Fail(exitcode::kFailed, reason);
    }
    if (!block)
        return Fail(exitcode::kFailed, kSetupWrongTypeText);
    // A block that could not be read holds factory values, not the module's
    // setup: showing or saving it would pass them off as the module's.
    const bool reads =
        m_args.setupAction == SetupAction::Show || m_args.setupAction == SetupAction::Save;
    if (reads && !m_engine.IsConfigurationValid())
        return Fail(exitcode::kFailed,
                    ConnectResultText(m_connectResult != conn::kOk ? m_connectResult
                                                                   : conn::kBadConfigData));

    switch (m_args.setupAction) {
    case SetupAction::Show:
        break;
    case SetupAction::Save:
    case SetupAction::Load:
        SetupFile(m_args.setupAction == SetupAction::Save, *block);
        if (m_out.exitCode != exitcode::kOk)
            return;
        break;
    case SetupAction::Defaults:
        m_session.Module().OperationStarted(ModuleOperationKind::SetupDefaults);
        m_engine.ForgetLastBlockWrite();
        ResetSetupBlock(*block);
        if (const std::wstring failed = ModuleKeepsSetup(m_session); !failed.empty()) {
            m_session.Module().OperationEnded(Number(eng::kUnknown), failed);
            return Fail(exitcode::kFailed, failed);
        }
        m_session.Module().OperationEnded(Number(eng::kOk), kFactoryDefaultsLoadedText);
        break;
    }

    SetupView view;
    std::wstring error;
    if (!DescribeModuleSetup(m_session, view, error))
        return Fail(exitcode::kFailed, error);
    if (m_args.setupAction == SetupAction::Show || m_args.setupAction == SetupAction::Defaults)
        AddSetupViewLines(view, m_out.lines);
    m_out.data.Set("setup", SetupViewJson(view));
}

void Runner::SetupFile(bool save, CConfigBlockIF& block) {
    const ModuleTypeId type = m_engine.Module().moduleType;
    SetupFolderState folder;
    SetupFileContext context;
    context.dialogs = &m_session.Dialogs();
    context.reportStatus = [this](const std::wstring& text) { m_session.ReportError(text); };
    context.engine = &m_engine;
    context.filter = SetupFileFilter(type);
    context.folder = &folder;
    // The record ends once the module is known to hold the loaded block.
    context.writeStarted = [this](const std::wstring& file) {
        m_session.Module().OperationStarted(ModuleOperationKind::SetupLoad, file);
    };
    context.makeDocument = [type, &block] { return MakeSetupDocument(type, block); };
    // The file dialog chooses the file of the command line; the page's rule
    // then adds ".xml" unless the name ends with it.
    m_session.Dialogs().SetFileAnswer(m_args.file);
    std::wstring path = m_args.file;
    if (path.size() < 4 || path.compare(path.size() - 4, 4, L".xml") != 0)
        path += L".xml";
    m_out.data.Set("file", path);

    m_engine.ForgetLastBlockWrite();
    const bool done = save ? SaveSetupFile(context) : LoadSetupFile(context, block);
    if (!done)
        return Fail(m_session.Dialogs().Declined() ? exitcode::kDeclined : exitcode::kFailed);
    if (const std::wstring failed = save ? std::wstring() : ModuleKeepsSetup(m_session);
        !failed.empty()) {
        m_session.Module().OperationEnded(Number(eng::kUnknown), failed);
        return Fail(exitcode::kFailed, failed);
    }
    m_session.Module().OperationEnded(Number(eng::kOk), m_session.Status());
    m_out.lines.push_back(m_session.Status());
}

} // namespace cli
