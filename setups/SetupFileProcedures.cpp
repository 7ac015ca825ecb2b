#include "setups/SetupFileProcedures.h"

#include "descriptions/DataDirectory.h"
#include "descriptions/InputFile.h"
#include "descriptions/ModuleTypeNames.h"
#include "descriptions/XmlText.h"
#include "engine/CCmdEngine.h"
#include "engine/CConfigBlockIF.h"
#include "frontend/CDialogServicesIF.h"
#include "setups/CReplacementFile.h"

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace {

void Status(SetupFileContext& context, const std::wstring& text) {
    if (context.reportStatus) {
        context.reportStatus(text);
    }
}

// Replaces the one %s of a message with the text.
std::wstring Format(const std::wstring& pattern, const std::wstring& text) {
    std::wstring result = pattern;
    const size_t at = result.find(L"%s");
    if (at != std::wstring::npos) {
        result.replace(at, 2, text);
    }
    return result;
}

ModuleTypeId ConnectedType(const SetupFileContext& context) {
    return context.engine != nullptr ? context.engine->Module().moduleType : 0;
}

void ShowError(SetupFileContext& context, CSetupDocumentIF& document) {
    std::wstring text;
    document.TakeError(text);
    context.dialogs->MessageBox(text);
}

} // namespace

std::wstring AskSetupFile(SetupFileContext& context, bool forSaving) {
    Status(context, std::wstring());

    FileDialogRequest request;
    request.save = forSaving;
    request.filter = context.filter;
    request.filterIndex = static_cast<int>(context.folder->filterIndex);
    // Never the installed data directory: setup files are the operator's own.
    request.initialFolder =
        context.folder->lastFolder.empty() ? datadir::UserFolder() : context.folder->lastFolder;
    const FileDialogResult chosen = context.dialogs->AskFile(request);
    if (!chosen.accepted) {
        return std::wstring();
    }
    context.folder->filterIndex = static_cast<uint32_t>(chosen.filterIndex);

    std::wstring path = chosen.path;
    if (path.size() < 4 || path.compare(path.size() - 4, 4, L".xml") != 0) {
        path += L".xml";
    }
    if (CReplacementFile::ExistsAsNonFile(path)) {
        context.dialogs->MessageBox(Format(L"File '%s' is not a file!", path));
        return std::wstring();
    }
    context.folder->lastFolder =
        Utf8ToWide(std::filesystem::path(WideToUtf8(path)).parent_path().string());
    return path;
}

bool LoadSetupFile(SetupFileContext& context, CConfigBlockIF& block) {
    const std::wstring path = AskSetupFile(context, false);
    if (path.empty()) {
        Status(context, L"Load operation was cancelled.");
        return false;
    }

    // A FIFO or device named as a setup file would block the load for ever.
    uint64_t size = 0;
    if (const int error = inputfile::Check(WideToUtf8(path), &size); error != 0) {
        context.dialogs->ReportFileError(path, FileOperation::Open, error);
        return false;
    }
    if (size > kMaxSetupFileSize) {
        context.dialogs->MessageBox(Format(L"File '%s' is too large to be a setup file!", path));
        return false;
    }

    std::unique_ptr<CSetupDocumentIF> document = context.makeDocument();
    if (!document->Parse(path)) {
        ShowError(context, *document);
        return false;
    }
    const std::wstring fileType = document->GetModuleType();
    if (ModuleTypeFromName(fileType) != ConnectedType(context)) {
        context.dialogs->MessageBox(
            Format(L"Cannot load file. File was saved for module type '%s'.\nThis is "
                   L"incompatible with the connected module.",
                   fileType));
        return false;
    }
    if (!document->LoadBlock()) {
        context.dialogs->MessageBox(L"Load file version mismatch! Load aborted.");
        return false;
    }

    if (context.engine != nullptr) {
        if (context.writeStarted) {
            context.writeStarted(path);
        }
        context.engine->ConfigBlockChanged(block.FpgaId(), block.BlockId());
    }
    if (context.updateControls) {
        context.updateControls();
    }
    const std::wstring loaded = L"Setups loaded successfully.";
    Status(context, loaded);
    if (context.engine != nullptr && context.writeEnded) {
        context.writeEnded(0, loaded);
    }
    return true;
}

bool SaveSetupFile(SetupFileContext& context) {
    const std::wstring path = AskSetupFile(context, true);
    if (path.empty()) {
        Status(context, L"Save operation was cancelled.");
        return false;
    }

    if (CReplacementFile::ExistsAsNonFile(path)) {
        context.dialogs->MessageBox(Format(L"File '%s' is not a file!", path));
        Status(context, L"Save cancelled.");
        return false;
    }
    if (CReplacementFile::IsWritableFile(path)) {
        const MsgResult answer = context.dialogs->MessageBox(
            Format(L"File '%s' already exists!\n\nOK to overwrite it.", path), kAttentionCaption,
            MsgButtons::YesNo, MsgIcon::Exclamation);
        if (answer != MsgResult::Yes) {
            Status(context, L"Save cancelled.");
            return false;
        }
    }

    // The new content goes to a file beside the old one, which stays intact
    // until the new one is complete (a read-only file is refused here).
    CReplacementFile replacement;
    int systemError = 0;
    if (!replacement.Create(path, systemError)) {
        context.dialogs->ReportFileError(path, FileOperation::Create, systemError);
        return false;
    }

    std::unique_ptr<CSetupDocumentIF> document = context.makeDocument();
    if (!document->CreateDocument(ModuleTypeName(ConnectedType(context)))) {
        ShowError(context, *document);
        return false;
    }
    if (!document->SaveBlock()) {
        ShowError(context, *document);
        return false;
    }
    if (!document->WriteFile(replacement.TemporaryPath())) {
        ShowError(context, *document);
        return false;
    }
    if (!replacement.Commit(systemError)) {
        context.dialogs->ReportFileError(path, FileOperation::Write, systemError);
        return false;
    }
    Status(context, L"Setups saved successfully.");
    return true;
}
