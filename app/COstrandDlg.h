#pragma once

#include "app/CDeviceWatcher.h"
#include "descriptions/ModuleTypeNames.h"
#include "frontend/ConnectReport.h"
#include "frontend/ModuleSession.h"
#include "pages/CTabPage.h"

#include <QDialog>
#include <QPointer>
#include <QTimer>

#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

class COstrand;
class CPageFactoryIF;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollArea;
class QStackedWidget;
class QTabBar;
class QToolButton;

// The program's only top-level window: discovers modules, connects to one and
// disconnects, shows the connected module's type and identity, hosts the tab
// pages and reports in one status line. Every control is named for what it is
// and carries its control number (the Connect button's is 1033) as a
// property; pages do the same with numbers of their own, so look controls up
// with Control(id).
class COstrandDlg : public QDialog, public frontend::SessionObserverIF {
public:
    // Control numbers.
    enum ControlId {
        kHelpButton = 9,
        kTypeEdit = 1007,
        kNameEdit = 1009,
        kSerialEdit = 1011,
        kModuleCombo = 1032,
        kConnectButton = 1033,
        kDiscoverButton = 1034,
        kDisableTimeoutsCheck = 1043,
        kStatusLine = 1045,
        kSafeBootWarning = 1046,
        kLogo = 1048,
        kAssemblyEdit = 1084,
        kTabControl = 1174,
        kResultsLogWarning = 1300,
        kDataNotice = 1301,
    };
    // Page codes of the tab control.
    enum PageCode { kUpdatePage = 0, kPeekPokePage = 1, kLookupTablePage = 2, kSetupPage = 3 };

    static constexpr const wchar_t* kTitle = connectreport::kTitle;
    static constexpr const wchar_t* kAboutText = L"Pellworth, Version "; // and the build's version
    static constexpr const wchar_t* kMakerAddress = connectreport::kMakerAddress;
    // How often the open port is checked for a hang-up (a module that went away).
    static constexpr int kHangUpPollMs = 250;
    // How often the listed modules' ports are checked for being still there.
    static constexpr int kPresencePollMs = 1000;

    COstrandDlg(COstrand& app, CPageFactoryIF& pages);
    ~COstrandDlg() override;

    // What a window's creation does: title from the version file, pages and
    // tabs, time-outs, control refresh, one discovery.
    void OnInitDialog();

    // Operations the application passes on.
    void UpdateControls();
    // The operator's connect to the selected entry.
    bool Connect();
    void Disconnect();
    void ReportStatus(const std::wstring& text);
    // The results log could not be written: said until the window closes.
    void ShowResultsLogWarning(const std::wstring& text);
    CTabPage* UpdatePage() { return m_updatePage.data(); }

    // What the session says.
    void StatusChanged(const std::wstring& text) override;
    void ModuleChanged() override;
    void IdentityChanged() override;
    void Connected() override;
    void ModuleLost() override;

    // Events.
    void Discover();
    void OnConnectButton();
    void OnDisableTimeouts();
    void OnTabSelChange();
    void OnAbout();
    void OnLogoClicked();
    // A device went away: when it is the open port's, the connection ends.
    void OnDeviceRemoved(const std::filesystem::path& deviceNode);
    // A device came (a module plugged in again): the list is found again
    // while no module is connected and nothing else runs.
    void OnDeviceAdded(const std::filesystem::path& deviceNode);

    // What opens a web address (the default web browser); tests replace it.
    using UrlOpener = std::function<bool(const std::wstring& address)>;
    void SetUrlOpener(UrlOpener opener) { m_openUrl = std::move(opener); }

    // This window's control of that number (pages have numbers of their own).
    QWidget* Control(int id) const;
    ModuleTypeId CurrentSetupKey() const { return m_setupKey; }
    // The page code shown now (-1 before the tabs exist).
    int CurrentPageCode() const;
    CTabPage* SetupPage(ModuleTypeId key);

    // Closing (the window's close button; never Escape) asks the pages first.
    void done(int result) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildControls();
    void CreatePagesAndTabs();
    // Puts a page (a placeholder for none) into a scroll area of its own on
    // the page stack, which owns it from then on.
    CTabPage* AdoptPage(std::unique_ptr<CTabPage> page);
    // Every page: the update, peek/poke and lookup table pages, then the setup pages.
    std::vector<CTabPage*> Pages() const;
    void FitToScreen();
    void InsertTab(int position, const wchar_t* text, PageCode code);
    QWidget* PageWidget(PageCode code) const;
    void ShowCurrentPage();
    void ApplyTimeouts();
    void ReadVersionTitle();
    // Drops the list's modules whose ports are gone (unplugged while listed).
    void DropAbsentModules();
    void FindReplugged();
    void ReportSetupBlocked();
    bool InNestedOperation() const;

    COstrand& m_app;
    CPageFactoryIF& m_pages;

    // The pages belong to the page area (Qt); the window only points at them.
    QPointer<CTabPage> m_updatePage;
    QPointer<CTabPage> m_peekPokePage;
    QPointer<CTabPage> m_lookupTablePage;
    std::map<ModuleTypeId, QPointer<CTabPage>> m_setupPages;
    std::map<int, int> m_tabToPage;
    std::map<int, int> m_pageToTab;
    ModuleTypeId m_setupKey = 0;
    int m_currentTab = -1;

    int m_busy = 0; // connect or discovery running (they may show boxes)
    CDeviceWatcher m_deviceWatcher;
    QTimer m_hangUpTimer;
    QTimer m_presenceTimer;
    std::set<uint16_t> m_droppedPorts; // numbers dropped from the list as absent

    UrlOpener m_openUrl;
    std::map<int, QWidget*> m_controls;

    QComboBox* m_moduleCombo = nullptr;
    QPushButton* m_connectButton = nullptr;
    QPushButton* m_discoverButton = nullptr;
    QCheckBox* m_disableTimeouts = nullptr;
    QLabel* m_statusLine = nullptr;
    QLabel* m_safeBootWarning = nullptr;
    QLabel* m_resultsLogWarning = nullptr;
    QLabel* m_dataNotice = nullptr; // sample data in use, or none found
    QLineEdit* m_typeEdit = nullptr;
    QLineEdit* m_nameEdit = nullptr;
    QLineEdit* m_assemblyEdit = nullptr;
    QLineEdit* m_serialEdit = nullptr;
    QTabBar* m_tabs = nullptr;
    // The page stack holds a scroll area for each page widget.
    QStackedWidget* m_pageArea = nullptr;
    std::map<const QWidget*, QScrollArea*> m_pageScrolls;
    QToolButton* m_logo = nullptr;
    QPushButton* m_helpButton = nullptr;
};
