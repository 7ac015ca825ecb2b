#pragma once

#include <QWidget>

// A page of the main window's tab control. The window owns it through Qt (it
// sits in the window's page area) and drives it with these calls; a page
// overrides those it needs, and `override` makes a misspelt one fail to compile.
class CTabPage : public QWidget {
public:
    explicit CTabPage(QWidget* parent = nullptr) : QWidget(parent) {}

    // The window's control refresh, for every page whether its tab shows or not.
    virtual void UpdateControls() {}
    // The connected module changed: the update page selects the module's type,
    // the lookup table page initialises again, a setup page reloads for it.
    virtual void ReloadForModule() {}
    // The operator switched to the Setup tab and this is the setup page on show.
    virtual void ReportDisabledReason() {}
    // After a connect: the page copies the module's identity (the Update page).
    virtual void CopyIdentity() {}
    // The window is about to close: false keeps it open (a download the
    // operator does not want to stop).
    virtual bool QueryClose() { return true; }
};
