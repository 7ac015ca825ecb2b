#pragma once

#include "app/CGuiThreadInvoker.h"
#include "frontend/CDialogServicesIF.h"

#include <QPointer>
#include <QStringList>
#include <QWidget>

// The dialog framework of the program, on Qt Widgets. Construct it on the GUI
// thread after the QApplication. Boxes and file dialogs are modal to the
// parent window when one is set, else to the active window. Every call but RunOnGuiThread belongs
// on the GUI thread.
class CQtDialogServices : public CDialogServicesIF {
public:
    CQtDialogServices() = default;

    void SetParentWindow(QWidget* window) { m_parent = window; }

    MsgResult MessageBox(const std::wstring& text, const std::wstring& caption = {},
                         MsgButtons buttons = MsgButtons::Ok,
                         MsgIcon icon = MsgIcon::None) override;
    MsgResult MessageBoxWhile(const std::wstring& text, const std::wstring& caption,
                              MsgButtons buttons, MsgIcon icon,
                              const std::function<bool()>& stillAsked) override;
    void ReportFileError(const std::wstring& path, FileOperation operation,
                         int systemError) override;
    FileDialogResult AskFile(const FileDialogRequest& request) override;
    void BeginWaitCursor() override;
    void EndWaitCursor() override;
    void RunOnGuiThread(std::function<void()> fn, bool wait) override;
    void SetJoiningWorker(bool joining) override { m_invoker.SetJoining(joining); }

private:
    // How often a question shown with MessageBoxWhile checks that it is still asked.
    static constexpr int kQuestionCheckMs = 100;

    MsgResult ShowBox(const std::wstring& text, const std::wstring& caption, MsgButtons buttons,
                      MsgIcon icon, const std::function<bool()>& stillAsked);
    // The set window, else the active one.
    QWidget* Parent() const;

    QPointer<QWidget> m_parent;
    CGuiThreadInvoker m_invoker;
};

// A filter of the form "Name|*.a;*.b|Other|*.*||" as Qt's name filters:
// "Name (*.a *.b)", "Other (*)". A pattern already given in the name is not
// repeated; "*.*" matches every file, as it does in the filter's home.
QStringList QtNameFilters(const std::wstring& filter);

// A box's text as it is shown: web addresses are kept whole on one line.
QString BoxText(const std::wstring& text);
