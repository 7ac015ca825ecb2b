#include "maintenance/pages/CPeekPoke.h"
#include "maintenance/pages/ReturnKey.h"
#include "pages/WidgetKit.h"

#include "descriptions/InputFile.h"
#include "descriptions/XmlText.h"
#include "engine/CCmdEngine.h"
#include "frontend/CDialogServicesIF.h"
#include "frontend/CPageServicesIF.h"
#include "maintenance/CPeekPokeText.h"
#include "maintenance/ModuleOperations.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>

namespace {

using widgetkit::Named;
using widgetkit::Q;
using widgetkit::ReadOnlyEdit;
using widgetkit::W;

constexpr const wchar_t* kNotConnected = L"Not connected to a module.";
constexpr const wchar_t* kCsvFilter = L"CSV (Comma delimited)(*.csv)|*.csv|All Files(*.*)|*.*||";
constexpr uint32_t kInitialInterface = 1; // "SPI Control"

// A control of register row r (0-based): "address1", "peekButton3".
QString Numbered(const char* name, int r) {
    return QString::fromLatin1(name) + QString::number(r + 1);
}

} // namespace

// ---- Construction ---------------------------------------------------------------------------

CPeekPoke::CPeekPoke(CPageServicesIF* services, QWidget* parent)
    : CTabPage(parent), m_services(services) {
    setObjectName(QStringLiteral("pagePeekPoke"));
    BuildControls();

    m_interface->addItem(Q(peekpoke::InterfaceName(kInitialInterface)),
                         static_cast<uint>(kInitialInterface));
    m_interface->setCurrentIndex(0);
    m_filtered[0] = {m_device, peekpoke::kDeviceDigits, {}};
    for (int r = 0; r < kRows; ++r) {
        m_filtered[1 + r] = {m_rows[r].address, peekpoke::kAddressDigits, {}};
        m_filtered[1 + kRows + r] = {m_rows[r].pokeData, peekpoke::kDataDigits, {}};
    }
    for (FilteredEdit& filtered : m_filtered)
        filtered.edit->setMaxLength(static_cast<int>(filtered.digits));
    ResetCsvProgress();
    ConnectHandlers();

    // Return is taken before anything else on the page sees it.
    for (QWidget* child : findChildren<QWidget*>())
        child->installEventFilter(this);
}

void CPeekPoke::BuildControls() {
    auto* layout = new QVBoxLayout(this);

    auto* registers = new QGridLayout();
    m_interface = Named(new QComboBox(this), kInterface, "interface");
    m_device = Named(new QLineEdit(this), kDevice, "device");
    registers->addWidget(new QLabel(QStringLiteral("Interface:"), this), 0, 0);
    registers->addWidget(m_interface, 0, 1, 1, 2);
    registers->addWidget(new QLabel(QStringLiteral("Device: 0x"), this), 0, 3);
    registers->addWidget(m_device, 0, 4);
    registers->addWidget(new QLabel(QStringLiteral("All values are\nin hexadecimal."), this), 0, 5);
    registers->addWidget(new QLabel(QStringLiteral("  No Peek After Poke"), this), 1, 6);
    for (int r = 0; r < kRows; ++r) {
        const RowIds& ids = kRowIds[static_cast<size_t>(r)];
        Row& row = m_rows[static_cast<size_t>(r)];
        row.address = Named(new QLineEdit(this), ids.address, Numbered("address", r));
        row.peek = widgetkit::Button(QStringLiteral("Peek -->"), this, ids.peekButton,
                                     Numbered("peekButton", r));
        row.peekData = Named(new QLineEdit(this), ids.peekData, Numbered("peekData", r));
        row.peekData->setReadOnly(true);
        // Set apart from the poke column beside it: shows a value, takes none.
        QPalette shown = row.peekData->palette();
        shown.setColor(QPalette::Base, shown.color(QPalette::Window));
        row.peekData->setPalette(shown);
        row.pokeData = Named(new QLineEdit(this), ids.pokeData, Numbered("pokeData", r));
        row.poke = widgetkit::Button(QStringLiteral("--> Poke"), this, ids.pokeButton,
                                     Numbered("pokeButton", r));
        row.noPeek = Named(new QCheckBox(this), ids.noPeek, Numbered("noPeek", r));
        const int line = 2 + r;
        registers->addWidget(new QLabel(QStringLiteral("Address: 0x"), this), line, 0);
        registers->addWidget(row.address, line, 1);
        registers->addWidget(row.peek, line, 2);
        registers->addWidget(row.peekData, line, 3);
        registers->addWidget(row.pokeData, line, 4);
        registers->addWidget(row.poke, line, 5);
        registers->addWidget(row.noPeek, line, 6, Qt::AlignHCenter);
    }
    layout->addLayout(registers);

    auto* csv = Named(new QGroupBox(QStringLiteral("CSV Transfer"), this), kCsvGroup, "csvGroup");
    {
        auto* grid = new QGridLayout(csv);
        m_csvFile = Named(new QComboBox(csv), kCsvFile, "csvFile");
        m_csvBrowse = widgetkit::Button(QStringLiteral("Browse..."), csv, kCsvBrowse, "csvBrowse");
        m_load = widgetkit::Button(QStringLiteral("Load"), csv, kLoad, "load");
        m_csvProgress = Named(new QProgressBar(csv), kCsvProgress, "csvProgress");
        m_csvProgress->setRange(0, 100);
        m_csvProgress->setTextVisible(false);
        m_csvPercent = Named(new QLabel(csv), kCsvPercent, "csvPercent");
        auto* progressLabel = new QLabel(QStringLiteral("Progress:"), csv);
        grid->addWidget(new QLabel(QStringLiteral("File:"), csv), 0, 0);
        grid->addWidget(m_csvFile, 0, 1);
        grid->addWidget(m_csvBrowse, 0, 2);
        grid->addWidget(m_load, 0, 3);
        grid->addWidget(progressLabel, 1, 0);
        grid->addWidget(m_csvProgress, 1, 1);
        grid->addWidget(m_csvPercent, 1, 2);
        grid->setColumnStretch(1, 1);
        // The load runs in one piece on the GUI thread: there is no progress to show.
        for (QWidget* hidden :
             std::initializer_list<QWidget*>{progressLabel, m_csvProgress, m_csvPercent})
            hidden->setVisible(false);
    }
    layout->addWidget(csv);
    layout->addStretch(1);
}

void CPeekPoke::ConnectHandlers() {
    for (FilteredEdit& filtered : m_filtered)
        connect(filtered.edit, &QLineEdit::textChanged, this,
                [this, &filtered](const QString& text) { Filter(filtered, text); });
    for (int r = 0; r < kRows; ++r) {
        const Row& row = m_rows[static_cast<size_t>(r)];
        connect(row.peek, &QPushButton::clicked, this, [this, r] { OnPeek(r); });
        connect(row.poke, &QPushButton::clicked, this, [this, r] { OnPoke(r); });
    }
    connect(m_csvBrowse, &QPushButton::clicked, this, [this] { OnCsvBrowse(); });
    connect(m_load, &QPushButton::clicked, this, [this] { OnLoad(); });
    // Operator choices only: adding a file is not a selection.
    connect(m_csvFile, &QComboBox::activated, this, [this](int) { OnCsvSelected(); });
}

// ---- Hexadecimal filter ---------------------------------------------------------------------

void CPeekPoke::Filter(FilteredEdit& filtered, const QString& text) {
    if (peekpoke::AcceptHexText(text.toStdWString(), filtered.digits)) {
        filtered.accepted = text;
        return;
    }
    // Put the last accepted text back, the cursor where the refused input began.
    const int cursor =
        filtered.edit->cursorPosition() - static_cast<int>(text.size() - filtered.accepted.size());
    filtered.edit->setText(filtered.accepted);
    filtered.edit->setCursorPosition(
        std::clamp(cursor, 0, static_cast<int>(filtered.accepted.size())));
}

// ---- Peek and poke --------------------------------------------------------------------------

bool CPeekPoke::MayAccessModule(const std::wstring& operation) {
    const CCmdEngine& engine = *m_services->Engine();
    if (!engine.IsConnected()) {
        m_services->ReportError(kNotConnected);
        return false;
    }
    if (engine.IsUpdateInProgress()) {
        m_services->ReportError(L"Update is in-process! " + operation + L" cancelled.");
        return false;
    }
    return true;
}

std::optional<CPeekPoke::Target> CPeekPoke::ReadTarget(int row, const std::wstring& operation) {
    // An empty field is no register: nothing is sent to "whatever 0 is".
    const auto device = peekpoke::ReadHexText(m_device->text().toStdWString());
    if (!device) {
        m_services->ReportError(L"No device specified! " + operation + L" cancelled.");
        return std::nullopt;
    }
    const auto address =
        peekpoke::ReadHexText(m_rows[static_cast<size_t>(row)].address->text().toStdWString());
    if (!address) {
        m_services->ReportError(L"No address specified! " + operation + L" cancelled.");
        return std::nullopt;
    }
    Target target;
    // Without a selected interface the engine refuses the number as a bad interface.
    const QVariant interface = m_interface->currentData();
    target.interface = interface.isValid() ? interface.toUInt() : UINT32_MAX;
    target.device = static_cast<uint8_t>(*device);
    target.address = *address;
    return target;
}

void CPeekPoke::OnPeek(int row) {
    m_services->ReportError(L"");
    if (!MayAccessModule(L"Peek"))
        return;
    const auto target = ReadTarget(row, L"Peek");
    if (!target)
        return;
    uint8_t value = 0;
    const eng::Code result =
        m_services->Engine()->Peek(target->interface, target->device, target->address, &value);
    if (result == eng::kOk)
        m_rows[static_cast<size_t>(row)].peekData->setText(Q(peekpoke::ByteText(value)));
    else
        m_services->ReportError(peekpoke::FailureText(result, L"Peek"));
}

void CPeekPoke::OnPoke(int row) {
    const Row& controls = m_rows[static_cast<size_t>(row)];
    m_services->ReportError(L"");
    if (!MayAccessModule(L"Poke"))
        return;
    const auto target = ReadTarget(row, L"Poke");
    if (!target)
        return;
    const auto value = peekpoke::ReadHexText(controls.pokeData->text().toStdWString());
    if (!value) {
        m_services->ReportError(L"No data specified! Poke cancelled.");
        return;
    }
    const eng::Code result = m_services->Engine()->Poke(
        target->interface, target->device, target->address, static_cast<uint8_t>(*value));
    if (result != eng::kOk) {
        m_services->ReportError(peekpoke::FailureText(result, L"Poke"));
        return;
    }
    if (!controls.noPeek->isChecked())
        OnPeek(row);
}

// ---- CSV ------------------------------------------------------------------------------------

void CPeekPoke::ResetCsvProgress() {
    m_csvProgress->setValue(0);
    m_csvPercent->setText(QStringLiteral("0.0%"));
}

std::wstring CPeekPoke::SelectedCsv() const {
    if (m_csvFile->currentIndex() < 0)
        return {};
    return m_csvFile->currentText().toStdWString();
}

bool CPeekPoke::TestOpen(const std::wstring& path) {
    const int error = inputfile::Check(WideToUtf8(path));
    if (error == 0)
        return true;
    m_services->Dialogs().ReportFileError(path, FileOperation::Open, error);
    return false;
}

void CPeekPoke::AddCsvPath(const std::wstring& path) {
    if (path.empty())
        return;
    const int found = m_csvFile->findText(Q(path), Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (found >= 0) {
        m_csvFile->setCurrentIndex(found);
        return;
    }
    m_csvFile->addItem(Q(path));
    WidenCsvList();
    m_csvFile->setCurrentIndex(m_csvFile->count() - 1);
}

void CPeekPoke::WidenCsvList() {
    // Long paths are read in full in the drop-down, whatever the combo's width.
    QAbstractItemView* list = m_csvFile->view();
    const QFontMetrics metrics(list->font());
    int widest = 0;
    for (int i = 0; i < m_csvFile->count(); ++i)
        widest = std::max(widest, metrics.horizontalAdvance(m_csvFile->itemText(i)));
    const QStyle* look = m_csvFile->style();
    list->setMinimumWidth(widest + metrics.averageCharWidth() +
                          look->pixelMetric(QStyle::PM_ScrollBarExtent) +
                          2 * look->pixelMetric(QStyle::PM_DefaultFrameWidth));
}

void CPeekPoke::OnCsvBrowse() {
    m_services->ReportError(L"");
    ResetCsvProgress();
    FileDialogRequest request;
    request.filter = kCsvFilter;
    request.filterIndex = m_csvFilterIndex;
    request.initialFolder = m_csvFolder;
    const FileDialogResult chosen = m_services->Dialogs().AskFile(request);
    if (!chosen.accepted || chosen.path.empty())
        return;
    m_csvFilterIndex = chosen.filterIndex;
    if (const size_t slash = chosen.path.rfind(L'/'); slash != std::wstring::npos)
        m_csvFolder = chosen.path.substr(0, slash == 0 ? 1 : slash);
    if (!TestOpen(chosen.path))
        return;
    AddCsvPath(chosen.path);
}

void CPeekPoke::OnCsvSelected() {
    m_services->ReportError(L"");
    ResetCsvProgress();
    if (const std::wstring path = SelectedCsv(); !path.empty())
        TestOpen(path);
}

void CPeekPoke::OnLoad() {
    CCmdEngine& engine = *m_services->Engine();
    if (!engine.IsConnected()) {
        m_services->ReportError(kNotConnected);
        return;
    }
    m_services->ReportError(L"");
    ResetCsvProgress();
    // A poke file is pokes: refused like them while an update holds the engine.
    if (engine.IsUpdateInProgress()) {
        m_services->ReportError(L"Update is in-process! Load cancelled.");
        return;
    }
    const std::wstring path = SelectedCsv();
    if (path.empty())
        return;
    operations::LoadCsv(operations::PageContext(*m_services), path);
    m_services->UpdateControls();
}

// ---- Keys -----------------------------------------------------------------------------------

bool CPeekPoke::eventFilter(QObject* watched, QEvent* event) {
    if (IsReturnKeyPress(event))
        return true; // Return never closes the page or presses a button
    return CTabPage::eventFilter(watched, event);
}

void CPeekPoke::keyPressEvent(QKeyEvent* event) {
    if (IsReturnKeyPress(event))
        return event->accept();
    CTabPage::keyPressEvent(event);
}
