#pragma once

#include "descriptions/InputFile.h"

#include <cerrno>
#include <functional>
#include <string>

// The dialog framework as the pages and procedures see it: message boxes, the
// standard file-error report, file dialogs, the wait cursor, and the way from a
// worker thread to the GUI thread. The program implements it with Qt; tests
// script the answers and record what was shown. Header only: core code may
// use it without depending on Qt.

// The caption of boxes that give none, in the program and the command-line tool.
inline constexpr const wchar_t* kApplicationTitle = L"Pellworth";

// YesNoDefaultNo: a question whose Yes does harm; Enter and Escape answer No.
enum class MsgButtons { Ok, OkCancel, YesNo, YesNoCancel, YesNoDefaultNo };
enum class MsgIcon { None, Information, Exclamation, Error, Question };
enum class MsgResult { Ok, Cancel, Yes, No };

enum class FileOperation { Open, Create, Read, Write };

// The caption of the program's warnings and questions.
inline constexpr const wchar_t* kAttentionCaption = L"Attention!";

// A file dialog. The filter has the form "Name|*.ext|Other|*.*||"; filter
// indices count from 1 (0 means the first).
struct FileDialogRequest {
    bool save = false;
    std::wstring filter;
    int filterIndex = 1;
    std::wstring initialFolder;
    std::wstring title;
};

struct FileDialogResult {
    bool accepted = false;
    std::wstring path;
    int filterIndex = 1;
};

class CDialogServicesIF {
public:
    virtual ~CDialogServicesIF() = default;

    // An empty caption stands for the application's title.
    virtual MsgResult MessageBox(const std::wstring& text, const std::wstring& caption = {},
                                 MsgButtons buttons = MsgButtons::Ok,
                                 MsgIcon icon = MsgIcon::None) = 0;
    // A question that is only worth an answer while stillAsked() holds (an
    // update that may end while the operator reads): when it stops holding,
    // the box goes away by itself and the result is Cancel.
    virtual MsgResult MessageBoxWhile(const std::wstring& text, const std::wstring& caption,
                                      MsgButtons buttons, MsgIcon icon,
                                      const std::function<bool()>& stillAsked) {
        const MsgResult answer = MessageBox(text, caption, buttons, icon);
        return stillAsked() ? answer : MsgResult::Cancel;
    }
    // The standard report of a failed file operation: an OK box naming the file
    // and the system's reason (FileErrorText).
    virtual void ReportFileError(const std::wstring& path, FileOperation operation,
                                 int systemError) = 0;
    virtual FileDialogResult AskFile(const FileDialogRequest& request) = 0;
    virtual void BeginWaitCursor() = 0;
    virtual void EndWaitCursor() = 0;
    // Runs fn on the GUI thread: at once when called there; from another thread
    // queued, and with wait the caller blocks until fn has run.
    virtual void RunOnGuiThread(std::function<void()> fn, bool wait) = 0;
    // The GUI thread is about to join a worker (true) or has joined it (false).
    // In between, a worker's RunOnGuiThread(fn, true) does not wait, and fn is
    // dropped unless it has begun: a worker reporting to the GUI thread would
    // otherwise wait for a thread that waits for it.
    virtual void SetJoiningWorker(bool /*joining*/) {}
};

// Brackets a join of a worker on the GUI thread (SetJoiningWorker).
class CJoiningWorker {
public:
    explicit CJoiningWorker(CDialogServicesIF& ui) : m_ui(ui) { m_ui.SetJoiningWorker(true); }
    ~CJoiningWorker() { m_ui.SetJoiningWorker(false); }
    CJoiningWorker(const CJoiningWorker&) = delete;
    CJoiningWorker& operator=(const CJoiningWorker&) = delete;

private:
    CDialogServicesIF& m_ui;
};

// The text of the standard file-error report.
inline std::wstring FileErrorText(const std::wstring& path, FileOperation operation,
                                  int systemError) {
    const wchar_t* what = L"accessing";
    switch (operation) {
    case FileOperation::Open:
        what = L"opening";
        break;
    case FileOperation::Create:
        what = L"creating";
        break;
    case FileOperation::Read:
        what = L"reading";
        break;
    case FileOperation::Write:
        what = L"writing";
        break;
    }
    return std::wstring(L"An error occurred while ") + what + L" '" + path + L"': " +
           inputfile::ErrorReason(systemError) + L".";
}

// Keeps the wait cursor up for a scope.
class CWaitCursor {
public:
    explicit CWaitCursor(CDialogServicesIF& ui) : m_ui(ui) { m_ui.BeginWaitCursor(); }
    ~CWaitCursor() { m_ui.EndWaitCursor(); }
    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;

private:
    CDialogServicesIF& m_ui;
};
