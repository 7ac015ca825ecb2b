#pragma once

#include "descriptions/VersionNumber.h"

class QWidget;
struct AssemblyRecord;
struct ModuleRecord;

// A page of the main dialog's tab control as the dialog drives it. The dialog
// owns the page object; the page object owns its widget (the dialog puts the
// widget into its page area, and deleting a widget takes it out again).
class CTabPageIF {
public:
    virtual ~CTabPageIF() = default;

    virtual QWidget* Widget() = 0;
    // The dialog's control refresh, for every page whether its tab exists or not.
    virtual void UpdateControls() = 0;
    // The connected module changed: the update page selects the module's type,
    // the lookup table page initialises again, a setup page reloads for it.
    virtual void ReloadForModule() {}
    // The operator switched to the Setup tab and this is the setup page on show.
    virtual void ReportDisabledReason() {}
    // The main window is about to close: false keeps it open (a download the
    // operator does not want to stop).
    virtual bool QueryClose() { return true; }
};

// The update page also shows the connected module's identity.
class CUpdatePageIF : public CTabPageIF {
public:
    // Copies the connected module's identity into the page (after a connect).
    virtual void CopyIdentity() = 0;
};
