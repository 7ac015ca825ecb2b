#pragma once

#include "maintenance/CLookupTableRun.h"

#include "pages/CTabPage.h"
#include <QTimer>

#include <QWidget>

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>

class CPageServicesIF;
class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

// The "Lookup Table" tab (template 167): downloads one lookup table image into
// one FPGA of the connected module on a worker thread watched by a 100 ms
// timer. Every control is named for what it is and carries its id as a property
// (widgetkit::FindControl).
//
// The main window drives it with UpdateControls() (the page refresh) and
// ReloadForModule() (initialisation after the connected module changed), and
// asks QueryClose() (or IsRunning()) before it closes: the worker uses the
// engine until it is joined. The destructor aborts and joins a running worker.
class CLookupTable : public CTabPage {
public:
    enum Control : int {
        kInstalledVersion = 1010,
        kDesiredVersion = 1011,
        kFpgaCombo = 1159,
        kFileCombo = 1162,
        kProgress = 1164,
        kPercent = 1165,
        kBrowse = 1166,
        kUpdate = 1167,
        kAbort = 1168,
        kTableCombo = 1169,
        kStatus = 1171,
    };

    // The services (and their engine, which must exist) outlive the page. The version source is
    // the update page; without one every desired version is 255.255.
    explicit CLookupTable(CPageServicesIF* services, QWidget* parent = nullptr);
    ~CLookupTable() override;
    CLookupTable(const CLookupTable&) = delete;
    CLookupTable& operator=(const CLookupTable&) = delete;

    // Initialisation: FPGA and table combos from the connected module's
    // record, file entries from the selected release, then the page refresh.
    void ReloadForModule() override;
    // The page refresh: enabling and the Installed and Desired texts.
    void UpdateControls() override;
    // A download is going (its worker uses the engine).
    bool IsRunning() const { return m_run.IsRunning(); }
    // Before the main window closes: true when it may close. During a
    // download the operator is asked; Yes aborts and joins it.
    bool QueryClose() override;

    // ---- For tests ---------------------------------------------------------------------------

    void SetTickInterval(int interval) { m_timer.setInterval(interval); }
    // The file remembered for an (FPGA id, table id) pair; empty when none.
    std::wstring FileEntry(uint8_t fpgaId, uint8_t tableId) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    using Pair = std::pair<uint8_t, uint8_t>;

    void BuildControls();
    void ConnectHandlers();

    // Handlers.
    void OnFpgaSelected(int index);
    void OnTableSelected(int index);
    void OnFileSelected();
    void OnBrowse();
    void OnUpdate();
    void OnAbort();
    void OnTick();
    void CloseRun();

    // Algorithms.
    void FillTableCombo(std::optional<uint8_t> fpgaId);
    void FillFileCombo(const Pair& pair);
    void SetNoTables();
    void ApplyEnableRules();
    void ShowVersions();
    void ApplyBusyRule(bool busy);
    void ResetProgress();
    void ShowProgress(float fraction);
    void RememberSelectedFile();
    std::optional<uint8_t> SelectedFpga() const;
    std::optional<Pair> SelectedPair() const;
    std::wstring SelectedFile() const;
    bool TestOpen(const std::wstring& path);

    CPageServicesIF* m_services;

    QComboBox* m_fpgaCombo = nullptr;
    QComboBox* m_tableCombo = nullptr;
    QLineEdit* m_installed = nullptr;
    QLineEdit* m_desired = nullptr;
    QComboBox* m_fileCombo = nullptr;
    QPushButton* m_browse = nullptr;
    QProgressBar* m_progress = nullptr;
    QPushButton* m_update = nullptr;
    QLabel* m_status = nullptr;
    QLabel* m_percent = nullptr;
    QPushButton* m_abort = nullptr;

    // The (FPGA, table) pair the combos showed before a selection change.
    std::optional<Pair> m_shownPair;
    bool m_noTables = true;
    bool m_busy = false;
    std::map<Pair, std::wstring> m_fileEntries;
    int m_filterIndex = 1;
    std::wstring m_lastFolder;

    QTimer m_timer;
    CLookupTableRun m_run;
};
