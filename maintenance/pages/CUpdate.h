#pragma once

#include "descriptions/ModuleDescription.h"
#include "descriptions/ReleaseTable.h"
#include "maintenance/ModuleOperations.h"
#include "maintenance/UpdatePageRules.h"
#include "maintenance/UpdateRun.h"
#include "pages/CTabPage.h"

#include <QTimer>
#include <QWidget>

#include <array>
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <string>

class CPageServicesIF;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
struct ModuleRecord;

// The "Update" tab (template 135): installed and desired firmware, the
// release update, single-component downloads, the module's identity texts and
// module type. Every control is named for what it is and carries its id as a property
// (widgetkit::FindControl).
//
// The main window drives it with UpdateControls() (page refresh),
// ReloadForModule() (module type selection) and CopyIdentity() (after a
// connect), and must ask QueryClose() before it closes: a run's worker uses the
// engine until it is joined.
class CUpdate : public CTabPage {
public:
    enum Control : int {
        kInstalledVersion = 1007,
        kDesiredVersion = 1008,
        kInstalledRelease = 1009,
        kAssemblyEdit = 1012,
        kSerialEdit = 1013,
        kNameEdit = 1014,
        kSetModuleType = 1026,
        kManualUpdate = 1027,
        kManualAbort = 1028,
        kReleaseUpdate = 1029,
        kReleaseAbort = 1030,
        kBrowse = 1036,
        kFileCombo = 1037,
        kManualPercent = 1038,
        kReleasePercent = 1039,
        kModuleTypeCombo = 1040,
        kManualProgress = 1042,
        kFirmwareCombo = 1043,
        kDesiredRelease = 1044,
        kReleaseProgress = 1045,
        kAssemblyEnter = 1083,
        kSerialEnter = 1084,
        kNameEnter = 1085,
        kHardwareGroup = 1086,
        kModuleTypeGroup = 1089,
        kFirmwareUpdateGroup = 1091,
        kVersionGroup = 1093,
        kDownloadGroup = 1096,
        kSafeBootVersion = 1100,
        kFerrinLabel = 1102,
        kFerrinVersion = 1103,
        kFpgaVersion = 1105,
        kFirmwareVersionsGroup = 1106,
        kReleaseStatus = 1107,
        kManualStatus = 1108,
        kTableVersion = 1109,
        kFpgaCombo = 1156,
        kTableCombo = 1157,
    };
    // The two groups without an id of their own.
    static constexpr const char* kReleaseGroupName = "grpReleaseUpdate";
    static constexpr const char* kIdentificationGroupName = "grpModuleIdentification";

    // The services (and their engine) outlive the page.
    explicit CUpdate(CPageServicesIF* services, QWidget* parent = nullptr);
    ~CUpdate() override;
    CUpdate(const CUpdate&) = delete;
    CUpdate& operator=(const CUpdate&) = delete;

    // ---- Services to the rest of the program -------------------------------------------------

    // After a connect: copy the module's name, assembly and serial, then
    // refresh the release.
    void CopyIdentity() override;
    // The connected module changed: select its type, refresh the release.
    void ReloadForModule() override;
    // The page refresh: visibility, texts and enabling.
    void UpdateControls() override;
    // The selected release (valid until the next release refresh), or null.
    const AssemblyRecord* CurrentRelease() const;

    // A run is going (its worker may still use the engine).
    bool IsRunning() const { return m_run->IsRunning(); }
    // Before the main window closes: true when it may close (after stopping a
    // run the operator agreed to stop), false to keep it open.
    bool QueryClose() override { return m_run->QueryClose(); }

    // ---- For front ends and tests ------------------------------------------------------------

    // Replaces the release update's confirmation dialog.
    void SetReleasePrompt(std::function<PromptAnswer(bool& force)> prompt);
    // The run's tick period (100 ms).
    void SetTickInterval(std::chrono::milliseconds interval);
    UpdateRun& Run() { return *m_run; }
    const ModuleDescription& DesiredDescription() const;
    const ReleaseTable& Releases() const;
    // The file remembered for a component (kComponentFerrin, kComponentSafeBoot, an FPGA id).
    std::wstring FileEntry(int32_t component) const;
    // The release the page shows as installed (255.255 when unknown).
    VersionNumber InstalledRelease() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void BuildControls();
    void ConnectHandlers();

    // Handlers.
    void OnBrowse();
    void OnFileSelected();
    void OnComponentSelected();
    void OnManualUpdate();
    void OnManualAbort();
    void OnReleaseUpdate();
    void OnNameEnter();
    void OnSerialEnter();
    void OnAssemblyEnter();
    void OnModuleTypeSelected();
    void OnSetModuleType();
    void WriteIdentity(operations::IdentityField field, const QLineEdit* edit);

    // Algorithms.
    void FillModuleTypeCombo();
    void SelectModuleTypeOfRecord();
    void RefreshRelease();
    void FillComponentCombos(bool moduleRunsFerrinOrAbsent);
    void FillFileCombo();
    void ApplyBusyRule(bool busy);
    // Shows the groups and enables the controls the rules allow now.
    void ApplyRules();
    UpdatePageState RuleState() const;
    int32_t SelectedComponent() const;
    ModuleTypeId SelectedModuleType() const;
    bool ModuleRunsFerrin() const;
    std::wstring* FileEntrySlot(int32_t component);
    bool TestOpen(const std::wstring& path);

    CPageServicesIF* m_services;

    // Controls.
    QGroupBox* m_releaseGroup = nullptr;
    QGroupBox* m_identificationGroup = nullptr;
    QGroupBox* m_hardwareGroup = nullptr;
    QGroupBox* m_moduleTypeGroup = nullptr;
    QGroupBox* m_versionsGroup = nullptr;
    QGroupBox* m_firmwareUpdateGroup = nullptr;
    QGroupBox* m_versionGroup = nullptr;
    QGroupBox* m_downloadGroup = nullptr;
    QLineEdit* m_installedRelease = nullptr;
    QLineEdit* m_desiredRelease = nullptr;
    QPushButton* m_releaseUpdate = nullptr;
    QCheckBox* m_keepSetup = nullptr;
    QProgressBar* m_releaseProgress = nullptr;
    QLabel* m_releaseStatus = nullptr;
    QLabel* m_releasePercent = nullptr;
    QPushButton* m_releaseAbort = nullptr;
    QLineEdit* m_nameEdit = nullptr;
    QPushButton* m_nameEnter = nullptr;
    QLineEdit* m_assemblyEdit = nullptr;
    QPushButton* m_assemblyEnter = nullptr;
    QLineEdit* m_serialEdit = nullptr;
    QPushButton* m_serialEnter = nullptr;
    QComboBox* m_moduleTypeCombo = nullptr;
    QPushButton* m_setModuleType = nullptr;
    QLineEdit* m_safeBootVersion = nullptr;
    QLabel* m_ferrinLabel = nullptr;
    QLineEdit* m_ferrinVersion = nullptr;
    QComboBox* m_fpgaCombo = nullptr;
    QLineEdit* m_fpgaVersion = nullptr;
    QComboBox* m_tableCombo = nullptr;
    QLineEdit* m_tableVersion = nullptr;
    QComboBox* m_firmwareCombo = nullptr;
    QLineEdit* m_installedVersion = nullptr;
    QLineEdit* m_desiredVersion = nullptr;
    QComboBox* m_fileCombo = nullptr;
    QPushButton* m_browse = nullptr;
    QProgressBar* m_manualProgress = nullptr;
    QLabel* m_manualPercent = nullptr;
    QPushButton* m_manualUpdate = nullptr;
    QLabel* m_manualStatus = nullptr;
    QPushButton* m_manualAbort = nullptr;

    // File entries: SafeBoot, Ferrin and one per FPGA id.
    std::wstring m_safeBootFile;
    std::wstring m_ferrinFile;
    std::map<uint8_t, std::wstring> m_fpgaFiles;

    int m_moduleTypeIndex = -1;
    bool m_busy = false;

    // Per file kind (0 SafeBoot/Ferrin image, 1 FPGA image): filter index and folder.
    std::array<int, 2> m_filterIndex{1, 1};
    std::array<std::wstring, 2> m_lastFolder;

    std::function<PromptAnswer(bool&)> m_prompt;
    QTimer m_timer;
    // The run's view of the page and the program (a class of its own: the
    // host's UpdateControls is the program's refresh, not this page's).
    class Host;
    std::unique_ptr<Host> m_host;
    std::unique_ptr<UpdateRun> m_run;
};
