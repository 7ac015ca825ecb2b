#pragma once

#include "pages/CTabPage.h"
#include <QString>

#include <QWidget>

#include <array>
#include <cstdint>
#include <optional>
#include <string>

class CPageServicesIF;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

// The "Peek/Poke/CSV" tab (template 165): reads and writes single byte
// registers of a device inside the connected module on four independent rows,
// and plays CSV files of register writes into the module. All values are
// hexadecimal. Every control is named for what it is and carries its id as a property
// (widgetkit::FindControl).
//
// Everything runs on the GUI thread; peek, poke and load are refused while an
// update run holds the engine. The main window needs no refresh call: the
// controls always show the page's texts.
class CPeekPoke : public CTabPage {
public:
    enum Control : int {
        kPokeButton1 = 1027,
        kLoad = 1028,
        kDevice = 1029,
        kPeekButton2 = 1030,
        kPeekButton3 = 1032,
        kPokeButton3 = 1033,
        kPeekButton4 = 1034,
        kInterface = 1110,
        kAddress1 = 1111,
        kPeekData1 = 1112,
        kPokeData1 = 1113,
        kAddress2 = 1114,
        kPeekData2 = 1115,
        kPokeData2 = 1116,
        kAddress3 = 1117,
        kPeekData3 = 1118,
        kPokeData3 = 1119,
        kAddress4 = 1120,
        kPeekData4 = 1121,
        kPokeData4 = 1122,
        kPeekButton1 = 1123,
        kPokeButton2 = 1124,
        kPokeButton4 = 1125,
        kCsvGroup = 1131,
        kCsvBrowse = 1132,
        kCsvPercent = 1133,
        kCsvFile = 1134,
        kCsvProgress = 1135,
        kNoPeek1 = 1173,
        kNoPeek2 = 1174,
        kNoPeek3 = 1175,
        kNoPeek4 = 1176,
    };

    // The control ids of one row.
    struct RowIds {
        int address;
        int peekButton;
        int peekData;
        int pokeData;
        int pokeButton;
        int noPeek;
    };
    static constexpr int kRows = 4;
    static constexpr std::array<RowIds, kRows> kRowIds{{
        {kAddress1, kPeekButton1, kPeekData1, kPokeData1, kPokeButton1, kNoPeek1},
        {kAddress2, kPeekButton2, kPeekData2, kPokeData2, kPokeButton2, kNoPeek2},
        {kAddress3, kPeekButton3, kPeekData3, kPokeData3, kPokeButton3, kNoPeek3},
        {kAddress4, kPeekButton4, kPeekData4, kPokeData4, kPokeButton4, kNoPeek4},
    }};

    // The services (and their engine, which must exist) outlive the page.
    explicit CPeekPoke(CPageServicesIF* services, QWidget* parent = nullptr);
    CPeekPoke(const CPeekPoke&) = delete;
    CPeekPoke& operator=(const CPeekPoke&) = delete;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    struct Row {
        QLineEdit* address = nullptr;
        QPushButton* peek = nullptr;
        QLineEdit* peekData = nullptr;
        QLineEdit* pokeData = nullptr;
        QPushButton* poke = nullptr;
        QCheckBox* noPeek = nullptr;
    };
    // An edit under the hexadecimal filter and the last text it accepted.
    struct FilteredEdit {
        QLineEdit* edit = nullptr;
        size_t digits = 0;
        QString accepted;
    };
    // The register a row addresses.
    struct Target {
        uint32_t interface = 0;
        uint8_t device = 0;
        uint32_t address = 0;
    };

    void BuildControls();
    void ConnectHandlers();
    void Filter(FilteredEdit& filtered, const QString& text);

    // Handlers.
    void OnPeek(int row);
    void OnPoke(int row);
    void OnCsvBrowse();
    void OnCsvSelected();
    void OnLoad();

    // Checks shared by peek and poke; false after reporting why not.
    bool MayAccessModule(const std::wstring& operation);
    std::optional<Target> ReadTarget(int row, const std::wstring& operation);
    void AddCsvPath(const std::wstring& path);
    void WidenCsvList();
    void ResetCsvProgress();
    std::wstring SelectedCsv() const;
    bool TestOpen(const std::wstring& path);

    CPageServicesIF* m_services;

    QComboBox* m_interface = nullptr;
    QLineEdit* m_device = nullptr;
    std::array<Row, kRows> m_rows;
    // The device edit, the four address edits and the four poke data edits.
    std::array<FilteredEdit, 1 + 2 * kRows> m_filtered;

    QComboBox* m_csvFile = nullptr;
    QPushButton* m_csvBrowse = nullptr;
    QPushButton* m_load = nullptr;
    QProgressBar* m_csvProgress = nullptr;
    QLabel* m_csvPercent = nullptr;
    int m_csvFilterIndex = 1;
    std::wstring m_csvFolder;
};
