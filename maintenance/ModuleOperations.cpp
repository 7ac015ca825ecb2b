#include "maintenance/ModuleOperations.h"

#include "descriptions/InputFile.h"
#include "descriptions/XmlText.h"
#include "engine/EngineCodes.h"
#include "frontend/CDialogServicesIF.h"
#include "frontend/CPageServicesIF.h"
#include "frontend/ModuleSession.h"
#include "maintenance/CLookupTableRun.h"
#include "maintenance/CPeekPokeText.h"
#include "maintenance/UpdateCodes.h"
#include "maintenance/UpdateTexts.h"

#include <cerrno>
#include <fstream>

namespace operations {

Context SessionContext(frontend::ModuleSession& session) {
    return {session.Engine(), session.Dialogs(),
            [&session](const std::wstring& text) { session.ReportError(text); },
            [&session](ModuleOperationKind kind, const std::wstring& file,
                       const std::wstring& component) {
                session.OperationStarted(kind, file, component);
            },
            [&session](int32_t result, const std::wstring& text) {
                session.OperationEnded(result, text);
            }};
}

Context PageContext(CPageServicesIF& services) {
    return {*services.Engine(), services.Dialogs(),
            [&services](const std::wstring& text) { services.ReportError(text); },
            [&services](ModuleOperationKind kind, const std::wstring& file,
                        const std::wstring& component) {
                services.OperationStarted(kind, file, component);
            },
            [&services](int32_t result, const std::wstring& text) {
                services.OperationEnded(result, text);
            }};
}

CsvLoad LoadCsv(const Context& context, const std::wstring& path) {
    CsvLoad load;
    std::ifstream file;
    if (const int error = peekpoke::OpenCsvFile(path, file); error != 0) {
        context.dialogs.ReportFileError(path, FileOperation::Open, error);
        load.result = eng::kFileAccess;
        return load;
    }
    load.opened = true;
    peekpoke::CsvTextStream stream(file);
    context.started(ModuleOperationKind::Csv, path, {});
    {
        const CWaitCursor wait(context.dialogs);
        load.result = context.engine.LoadPokeFile(stream.Text(), load.error);
    }
    if (stream.ReadFailed()) {
        load.readFailed = true;
        load.result = eng::kFileAccess;
        context.ended(Number(eng::kFileAccess), peekpoke::kCsvNotReadText);
        context.dialogs.ReportFileError(path, FileOperation::Read, EIO);
        return load;
    }
    load.text = peekpoke::LoadResultText(load.result, load.error);
    // A parse failure of a kind without a text still says that nothing more was loaded.
    if (load.text.empty())
        load.text = L"Unknown error! Load cancelled.";
    context.ended(Number(load.result), load.text);
    context.status(load.text);
    return load;
}

LutStart StartLookupTable(const Context& context, CLookupTableRun& run, const std::wstring& path,
                          uint8_t fpgaId, uint8_t tableId, const std::wstring& tableName,
                          const std::wstring& fpgaName) {
    if (const int error = run.Open(path); error != 0) {
        context.dialogs.ReportFileError(path, FileOperation::Open, error);
        return LutStart::OpenFailed;
    }
    if (context.dialogs.MessageBox(CLookupTableRun::QuestionText(tableName, fpgaName),
                                   kAttentionCaption, MsgButtons::OkCancel,
                                   MsgIcon::Exclamation) != MsgResult::Ok) {
        run.CloseImage();
        context.status(CLookupTableRun::kCancelledText);
        return LutStart::Declined;
    }
    context.started(ModuleOperationKind::DownloadLut, path,
                    L"FPGA " + std::to_wstring(fpgaId) + L" table " + std::to_wstring(tableId));
    if (!run.Start(fpgaId, tableId)) {
        // Nothing was sent: the record and the status line say so.
        run.CloseImage();
        const std::wstring text = EngineCodeText(eng::kUnknown);
        context.ended(Number(eng::kUnknown), text);
        context.status(text);
        return LutStart::NotStarted;
    }
    return LutStart::Started;
}

eng::Code FinishLookupTable(const Context& context, CLookupTableRun& run) {
    const eng::Code result = run.Close();
    const std::wstring text = CLookupTableRun::ResultText(result);
    context.ended(Number(result), text);
    context.status(text);
    if (result == eng::kOk)
        context.dialogs.MessageBox(CLookupTableRun::kSuccessText, L"", MsgButtons::Ok,
                                   MsgIcon::None);
    return result;
}

ManualCheck CheckManualDownload(const Context& context, int32_t component,
                                const std::wstring& path) {
    uint32_t size = 0;
    if (const int error = inputfile::CheckImage(WideToUtf8(path), size); error != 0) {
        context.dialogs.ReportFileError(path, FileOperation::Open, error);
        return ManualCheck::FileError;
    }
    // The start command carries 16 bits of size: refused before asking.
    const bool application = component == kComponentFerrin || component == kComponentSafeBoot;
    if (application && size > 0xFFFF) {
        context.status(EngineCodeText(eng::kImageTooLarge));
        return ManualCheck::TooLarge;
    }
    if (context.dialogs.MessageBox(updatetext::ManualUpdateQuestion(component), kAttentionCaption,
                                   MsgButtons::YesNo, MsgIcon::Exclamation) != MsgResult::Yes) {
        context.status(updatetext::kUpdateCancelled);
        return ManualCheck::Declined;
    }
    return ManualCheck::Ready;
}

bool WriteIdentity(const Context& context, IdentityField field, const std::string& bytes) {
    if (!context.engine.IsConnected()) {
        context.status(L"Not connected to a module.");
        return false;
    }
    if (context.engine.IsUpdateInProgress())
        return false;
    context.status(L"");
    switch (field) {
    case IdentityField::Name:
        context.engine.WriteName(bytes);
        break;
    case IdentityField::Assembly:
        context.engine.WriteAssembly(bytes);
        break;
    case IdentityField::Serial:
        context.engine.WriteSerial(bytes);
        break;
    }
    return true;
}

} // namespace operations
