#include "maintenance/StartReleaseUpdate.h"

#include "descriptions/DataDirectory.h"
#include "descriptions/InputFile.h"
#include "descriptions/ReleaseManifest.h"
#include "descriptions/XmlText.h"
#include "engine/CCmdEngine.h"
#include "engine/EngineCodes.h"
#include "frontend/CDialogServicesIF.h"
#include "maintenance/ReleaseUpdate.h"
#include "maintenance/UpdateRun.h"
#include "maintenance/UpdateTexts.h"

bool StartReleaseUpdate(UpdateRun& run, const AssemblyRecord* release,
                        const ModuleDescription& desired, VersionNumber installed) {
    UpdateRunHostIF& host = run.Host();
    CCmdEngine& engine = run.Engine();
    CDialogServicesIF& dialogs = host.Dialogs();
    if (run.IsRunning() || engine.IsUpdateInProgress())
        return false;
    if (!engine.IsConnected()) {
        host.ReportError(L"Not connected to a module.");
        return false;
    }
    host.ReportError(L"");
    run.ClearMailbox();
    run.ResetProgressDisplay();

    if (!release) {
        dialogs.MessageBox(L"A Release Version must be selected!", kAttentionCaption,
                           MsgButtons::Ok, MsgIcon::Exclamation);
        return false;
    }
    const std::wstring selectedText = ReleaseText(release->release);

    // A module whose release cannot be verified still says which release it
    // is at: a downgrade from that must be asked for just the same.
    const VersionNumber from = installed.IsNone() ? engine.Module().release : installed;
    bool force = false;
    bool confirmed = false;
    if (!from.IsNone() && IsNewer(from, release->release)) {
        const MsgResult answer =
            dialogs.MessageBox(updatetext::DowngradeQuestion(ReleaseText(from), selectedText),
                               kAttentionCaption, MsgButtons::YesNo, MsgIcon::Exclamation);
        if (answer != MsgResult::Yes) {
            host.ReportError(L"Update was cancelled.");
            return false;
        }
        force = true;
        confirmed = true;
    }

    std::vector<std::wstring> files;
    release->ListReleaseFiles(files);
    std::wstring missing;
    for (const std::wstring& file : files) {
        // A file that cannot be opened gets the file-error box; that one and
        // a file of no bytes are missing.
        uint32_t size = 0;
        const int error = inputfile::CheckImage(WideToUtf8(file), size);
        if (error != 0 && error != inputfile::kEmpty)
            dialogs.ReportFileError(file, FileOperation::Open, error);
        if (error != 0)
            missing += L"    " + file + L"\n";
    }
    if (!missing.empty()) {
        dialogs.MessageBox(L"The following files are required for this update,\nbut are missing "
                           L"or unreadable:\n" +
                               missing,
                           kAttentionCaption, MsgButtons::Ok, MsgIcon::Exclamation);
        dialogs.MessageBox(L"Since one or more of the update files is missing or unreadable,\nthe "
                           L"update to Release '" +
                               selectedText +
                               L"' is being aborted.\nThe module is still at "
                               L"Release '" +
                               ReleaseText(installed) +
                               L"'.\n\nContact Varnet support for assistance.",
                           kAttentionCaption, MsgButtons::Ok, MsgIcon::Exclamation);
        return false;
    }

    // A release-data package's manifest vouches for every file; one that no
    // longer matches is not the vendor's release.
    std::vector<std::wstring> vouched = files;
    vouched.push_back(release->moduleTypeFile);
    if (const auto mismatch = manifest::Check(datadir::Directory(), vouched)) {
        dialogs.MessageBox(L"The file\n    " + mismatch->file +
                               L"\ndoes not match the release data: " + mismatch->reason +
                               L".\n\nThe update to Release '" + selectedText +
                               L"' is being aborted; nothing was sent.",
                           kAttentionCaption, MsgButtons::Ok, MsgIcon::Exclamation);
        host.ReportError(L"Release Update aborted: " + mismatch->file +
                         L" does not match the release data.");
        return false;
    }

    const ComponentCount count = CountComponents(engine, release, desired, false);
    if (count.code != upd::kOk) {
        if (count.code == upd::kNoFpgaDefinition || count.code == upd::kNoTableDefinition)
            dialogs.MessageBox(count.finalMessage, kAttentionCaption, MsgButtons::Ok,
                               MsgIcon::Exclamation);
        host.ReportError(L"Release Update aborted due to error.");
        return false;
    }
    if (count.count == 0) {
        const MsgResult answer =
            dialogs.MessageBox(updatetext::ForceAnywayQuestion(selectedText), kAttentionCaption,
                               MsgButtons::YesNo, MsgIcon::Exclamation);
        if (answer != MsgResult::Yes) {
            host.ReportError(updatetext::kNoUpdatesNeeded);
            return false;
        }
        force = true;
        confirmed = true;
    }
    if (!confirmed) {
        bool forceChoice = false;
        switch (host.ConfirmReleaseUpdate(forceChoice)) {
        case PromptAnswer::Unavailable:
            host.ReportError(L"Could not display the confirmation box, so update was cancelled!");
            return false;
        case PromptAnswer::No:
            host.ReportError(updatetext::kUpdateCancelled);
            return false;
        case PromptAnswer::Yes:
            force = forceChoice;
            break;
        }
    }
    return run.StartRelease(ReleaseTarget{*release, desired}, force);
}

// ---- Worker ---------------------------------------------------------------------------------
