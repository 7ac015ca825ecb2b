#pragma once

#include "frontend/CDialogServicesIF.h"
#include "frontend/CPageServicesIF.h"
#include "maintenance/UpdateCodes.h"
#include "maintenance/UpdateRunHostIF.h"
#include "maintenance/pages/CReleaseUpdatePromptDlg.h"
#include "maintenance/pages/CUpdate.h"
#include "pages/WidgetKit.h"

#include <QLabel>
#include <QProgressBar>

// The run's view of the page and the program (a class of its own: the
// host's UpdateControls is the program's refresh, not this page's).
class CUpdate::Host : public UpdateRunHostIF {
public:
    explicit Host(CUpdate& page) : m_page(page) {}

    CCmdEngine& Engine() override { return *m_page.m_services->Engine(); }
    CDialogServicesIF& Dialogs() override { return m_page.m_services->Dialogs(); }
    void ReportError(const std::wstring& text) override { m_page.m_services->ReportError(text); }
    void UpdateControls() override { m_page.m_services->UpdateControls(); }
    bool Connect(const std::string& expectedSerial) override {
        return m_page.m_services->Connect(expectedSerial);
    }
    void Disconnect() override { m_page.m_services->Disconnect(); }
    uint16_t RunPort() override { return m_page.m_services->RunPort(); }
    void SetQuiet(bool quiet) override {
        // From the worker: the quiet flag belongs to the main window on the GUI thread.
        CPageServicesIF* services = m_page.m_services;
        services->Dialogs().RunOnGuiThread([services, quiet] { services->SetQuiet(quiet); }, false);
    }
    PromptAnswer ConfirmReleaseUpdate(bool& force) override {
        if (m_page.m_prompt)
            return m_page.m_prompt(force);
        CReleaseUpdatePromptDlg prompt(&m_page);
        const int result = prompt.exec();
        force = prompt.ForceChoice() != 0;
        return result == QDialog::Accepted ? PromptAnswer::Yes : PromptAnswer::No;
    }
    void ShowProgress(int32_t runState, int position, const std::wstring& percent) override {
        if (runState != kRunRelease) {
            m_page.m_manualProgress->setValue(position);
            m_page.m_manualPercent->setText(widgetkit::Q(percent));
        }
        if (runState != kRunManual) {
            m_page.m_releaseProgress->setValue(position);
            m_page.m_releasePercent->setText(widgetkit::Q(percent));
        }
    }
    void ShowStatus(int32_t runState, const std::wstring& text) override {
        if (runState != kRunRelease)
            m_page.m_manualStatus->setText(widgetkit::Q(text));
        if (runState != kRunManual)
            m_page.m_releaseStatus->setText(widgetkit::Q(text));
    }
    void SetBusy(bool busy) override { m_page.ApplyBusyRule(busy); }
    void RunStarted(ModuleOperationKind kind, const std::wstring& file,
                    const std::wstring& component, VersionNumber release) override {
        m_page.m_services->OperationStarted(kind, file, component, release);
    }
    void RunEnded(upd::Code result, const std::wstring& text) override {
        m_page.m_services->OperationEnded(Number(result), text);
    }
    void StartTicks() override { m_page.m_timer.start(); }
    void StopTicks() override { m_page.m_timer.stop(); }

private:
    CUpdate& m_page;
};
