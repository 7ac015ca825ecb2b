#include "setups/pages/SetupPageKit.h"

#include "pages/WidgetKit.h"

#include "descriptions/ReleaseTable.h"
#include "frontend/CDialogServicesIF.h"
#include "setups/SetupBlocks.h"
#include "setups/SetupPageRules.h"

#include <algorithm>
#include <utility>

CSetupPageBase::CSetupPageBase(CPageServicesIF* services, ModuleTypeId ownType, QWidget* parent)
    : CTabPage(parent), m_services(services), m_ownType(ownType),
      m_filter(SetupFileFilter(ownType)), m_pageGrid(new QGridLayout(this)) {}

CSetupPageBase::~CSetupPageBase() = default;

CCmdEngine* CSetupPageBase::Engine() const {
    return m_services != nullptr ? m_services->Engine() : nullptr;
}

QWidget* CSetupPageBase::Control(int id) const {
    const auto found = m_controls.find(id);
    return found != m_controls.end() ? found->second : nullptr;
}

void CSetupPageBase::Register(int id, QWidget* control, QString name) {
    if (name.isEmpty()) {
        // Named for what it is: its text in its group, and its kind.
        QString text;
        QString kind;
        if (const auto* box = qobject_cast<QGroupBox*>(control)) {
            text = box->title();
            kind = QStringLiteral(" Group");
        } else if (const auto* button = qobject_cast<QAbstractButton*>(control)) {
            text = button->text();
            if (qobject_cast<const QPushButton*>(button))
                kind = QStringLiteral(" Button");
        }
        if (const auto* group = qobject_cast<QGroupBox*>(control->parentWidget());
            group && !qobject_cast<QGroupBox*>(control))
            text = group->title() + QLatin1Char(' ') + text;
        name = widgetkit::NameFromWords(text + kind);
    }
    widgetkit::Named(control, id, name);
    m_controls[id] = control;
}

void CSetupPageBase::BuildGroups(std::span<const GroupDef> groups) {
    int pageRows = 0;
    int pageColumns = 0;
    for (const GroupDef& group : groups) {
        if (group.parent < 0) {
            pageRows = std::max(pageRows, group.row + group.rowSpan);
            pageColumns = std::max(pageColumns, group.column + group.columnSpan);
        }
        QWidget* parent = group.parent < 0 ? static_cast<QWidget*>(this) : Group(group.parent);
        QGridLayout* parentGrid = group.parent < 0 ? m_pageGrid : GroupGrid(group.parent);
        auto* box = new QGroupBox(QString::fromWCharArray(group.label), parent);
        auto* grid = new QGridLayout(box);
        grid->setAlignment(Qt::AlignTop | Qt::AlignLeft);
        parentGrid->addWidget(box, group.row, group.column, group.rowSpan, group.columnSpan);
        if (group.id != 0) {
            Register(group.id, box);
        }
        m_groups.push_back(box);
        m_grids.push_back(grid);
    }
    // A window larger than the page leaves the room right and below, rather
    // than stretching the boxes apart.
    m_pageGrid->setRowStretch(pageRows, 1);
    m_pageGrid->setColumnStretch(pageColumns, 1);
}

QPushButton* CSetupPageBase::AddButton(int group, int id, const wchar_t* text, int row, int column,
                                       std::function<void()> onClick) {
    auto* button = new QPushButton(QString::fromWCharArray(text), Group(group));
    GroupGrid(group)->addWidget(button, row, column);
    Register(id, button);
    QObject::connect(button, &QAbstractButton::clicked, this,
                     [action = std::move(onClick)] { action(); });
    return button;
}

void CSetupPageBase::AddFileButtons(int loadSaveGroup, int loadId, int saveId, int factoryGroup) {
    constexpr int kFactoryLoad = 1181;
    AddButton(loadSaveGroup, loadId, L"Load...", 0, 0, [this] { OnLoad(); });
    AddButton(loadSaveGroup, saveId, L"Save...", 0, 1, [this] { OnSave(); });
    AddButton(factoryGroup, kFactoryLoad, L"Load", 0, 0, [this] { OnFactoryDefaults(); });
    m_fileButtons = {loadId, saveId, kFactoryLoad};
}

void CSetupPageBase::EnableFileButtons(bool enabled) {
    for (const int id : m_fileButtons) {
        Control(id)->setEnabled(enabled);
    }
}

SetupFileContext CSetupPageBase::FileContext() {
    SetupFileContext context;
    context.dialogs = &m_services->Dialogs();
    context.reportStatus = [this](const std::wstring& text) { m_services->ReportError(text); };
    context.engine = Engine();
    context.filter = m_filter;
    context.folder = &m_folder;
    context.makeDocument = m_makeDocument;
    context.writeStarted = [this](const std::wstring& path) {
        m_services->OperationStarted(ModuleOperationKind::SetupLoad, path);
    };
    context.writeEnded = [this](int32_t result, const std::wstring& text) {
        m_services->OperationEnded(result, text);
    };
    return context;
}

bool CSetupPageBase::ControlsEnabled() const {
    const CCmdEngine* engine = Engine();
    if (engine == nullptr || m_services == nullptr) {
        return false;
    }
    const ModuleRecord& module = engine->Module();
    return SetupControlsEnabled(*engine, m_ownType, m_services->ReleaseMatches(module.release),
                                m_services->ModuleEntryValid(module), WithoutModule(*engine));
}

bool CSetupPageBase::WithoutModule(const CCmdEngine& engine) const {
    return m_services->IsOptionM() && !engine.IsConnected();
}

void CSetupPageBase::ReportDisabledReason() {
    m_services->ReportError(std::wstring());
    const CCmdEngine* engine = Engine();
    if (engine == nullptr) {
        return;
    }
    const ModuleRecord& module = engine->Module();
    const AssemblyRecord* selected = m_services->CurrentRelease();
    const bool older = selected && selected->release.Value() > module.release.Value();
    const std::wstring reason = SetupBlockerText(
        FirstSetupBlocker(*engine, m_ownType, m_services->ReleaseMatches(module.release),
                          m_services->ModuleEntryValid(module), WithoutModule(*engine)),
        older);
    if (!reason.empty()) {
        m_services->ReportError(reason);
    }
}

void CSetupPageBase::WarnIfNotConnected() {
    const CCmdEngine* engine = Engine();
    if (m_services->IsOptionM() || m_services->IsOptionD() ||
        (engine != nullptr && engine->IsConnected())) {
        return;
    }
    m_services->Dialogs().MessageBox(L"Not connected to a module!", kAttentionCaption,
                                     MsgButtons::Ok, MsgIcon::Exclamation);
}
