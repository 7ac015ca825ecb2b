#pragma once

#include "descriptions/ModuleTypeNames.h"
#include "engine/CCmdEngine.h"
#include "frontend/CPageServicesIF.h"
#include "pages/CTabPage.h"
#include "setups/SetupFileProcedures.h"
#include "setups/SetupPageRules.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <span>
#include <stdexcept>
#include <vector>

// The machinery the setup pages share. A page is described by tables: its
// group boxes, its radio buttons (control id, text, the value it gives its
// field), the side effects of choices, and the conditions that grey controls
// out. Every control with an id is named for what it is and carries its id as
// the property "control" (widgetkit::FindControl finds it).

// A group box: label, control id (0: none), the group it sits in (-1: the
// page) and its cells in that group's grid.
struct GroupDef {
    const wchar_t* label;
    int id;
    int parent;
    int row;
    int column;
    int rowSpan = 1;
    int columnSpan = 1;
};

// A radio button: choosing it sets field to value.
template <class Block> struct RadioDef {
    int id;
    const wchar_t* text;
    uint32_t value;
    uint32_t Block::*field;
    int group;
};

// Before choice `choice` is applied: when field holds `when` or `orWhen`, it
// becomes `setTo` and the block is written.
template <class Block> struct SideEffectDef {
    int choice;
    uint32_t Block::*field;
    uint32_t when;
    uint32_t orWhen;
    uint32_t setTo;
};

// Control `id` is enabled only when allowed(block) holds, and (withE) the page
// is enabled as a whole.
template <class Block> struct EnableRule {
    int id;
    bool (*allowed)(const Block&);
    bool withE;
};

// What does not depend on the block type: the enabled condition E, its
// reasons, the not-connected warning and the control registry.
class CSetupPageBase : public CTabPage {
public:
    CSetupPageBase(CPageServicesIF* services, ModuleTypeId ownType, QWidget* parent);
    ~CSetupPageBase() override;

    // Called when the connected module changes: attaches the page's block
    // when the module is of the page's type, then refreshes.
    void ReloadForModule() override = 0;
    // Shows the block and greys out what cannot be chosen now.
    void UpdateControls() override = 0;
    // Clears the status line, then names the first reason why the page is greyed.
    void ReportDisabledReason() override;
    // "Not connected to a module!" unless option m or d is set or a module is connected.
    void WarnIfNotConnected();
    // E: no update running, not in SafeBoot, the release matches, the module
    // entry is known, and the module is of this page's type.
    bool ControlsEnabled() const;
    // Option m without a connected module: the page edits a setup for a file.
    bool WithoutModule(const CCmdEngine& engine) const;

    // The control with this id, or null.
    QWidget* Control(int id) const;
    ModuleTypeId OwnType() const { return m_ownType; }

protected:
    CCmdEngine* Engine() const;
    void BuildGroups(std::span<const GroupDef> groups);
    QGroupBox* Group(int index) const { return m_groups.at(static_cast<size_t>(index)); }
    QGridLayout* GroupGrid(int index) const { return m_grids.at(static_cast<size_t>(index)); }
    // Names the control for what it is (from its text and group unless
    // given) with its control number as a property.
    void Register(int id, QWidget* control, QString name = {});
    QPushButton* AddButton(int group, int id, const wchar_t* text, int row, int column,
                           std::function<void()> onClick);
    // Load/Save buttons and the Factory Defaults "Load" button (id 1181).
    void AddFileButtons(int loadSaveGroup, int loadId, int saveId, int factoryGroup);
    void EnableFileButtons(bool enabled);
    SetupFileContext FileContext();

    virtual void OnLoad() = 0;
    virtual void OnSave() = 0;
    virtual void OnFactoryDefaults() = 0;

    CPageServicesIF* m_services;
    ModuleTypeId m_ownType;
    std::wstring m_filter;
    SetupFolderState m_folder;
    SetupDocumentFactory m_makeDocument;

private:
    QGridLayout* m_pageGrid;
    std::vector<QGroupBox*> m_groups;
    std::vector<QGridLayout*> m_grids;
    std::map<int, QWidget*> m_controls;
    std::vector<int> m_fileButtons;
};

// A page whose block fields are chosen with radio buttons.
template <class Block, class File> class CRadioSetupPage : public CSetupPageBase {
public:
    using Radio = RadioDef<Block>;
    using SideEffect = SideEffectDef<Block>;
    using Rule = EnableRule<Block>;

    Block& ConfigBlock() { return m_block; }
    const Block& ConfigBlock() const { return m_block; }

    void ReloadForModule() override {
        if (CCmdEngine* engine = Engine(); engine && engine->Module().moduleType == m_ownType) {
            engine->AttachConfigBlock(&m_block);
        }
        UpdateControls();
    }

    void UpdateControls() override {
        const bool e = ControlsEnabled();
        ShowBlock();
        for (size_t i = 0; i < m_radios.size(); ++i) {
            if (!m_untouched.contains(m_radios[i].id)) {
                m_buttons[i]->setEnabled(e);
            }
        }
        for (const Rule& rule : m_rules) {
            if (QWidget* control = Control(rule.id)) {
                control->setEnabled((!rule.withE || e) && rule.allowed(m_block));
            }
        }
        EnableFileButtons(e);
        UpdateExtras(e);
    }

    // Choosing a value: side effects first (each written), then the value
    // (written), the warning, the refresh.
    void ChooseValue(int controlId, uint32_t Block::*field, uint32_t value) {
        for (const SideEffect& effect : m_sideEffects) {
            if (effect.choice == controlId &&
                (m_block.*effect.field == effect.when || m_block.*effect.field == effect.orWhen)) {
                m_block.*effect.field = effect.setTo;
                BlockChanged();
            }
        }
        m_block.*field = value;
        BlockChanged();
        WarnIfNotConnected();
        UpdateControls();
    }

protected:
    CRadioSetupPage(CPageServicesIF* services, ModuleTypeId ownType, QWidget* parent,
                    std::span<const Radio> radios, std::span<const SideEffect> sideEffects,
                    std::span<const Rule> rules)
        : CSetupPageBase(services, ownType, parent), m_block(SessionBlock(services, ownType)),
          m_radios(radios), m_sideEffects(sideEffects), m_rules(rules) {
        m_makeDocument = [this] { return std::make_unique<CSetupDocument<Block, File>>(m_block); };
    }

    // Controls whose enabled state the page never changes (hidden ones).
    void LeaveUntouched(int id) { m_untouched.insert(id); }

    // The radio buttons, in the groups of BuildGroups.
    void BuildRadios() {
        std::map<int, int> rows;
        for (const Radio& radio : m_radios) {
            auto* button =
                new QRadioButton(QString::fromWCharArray(radio.text), Group(radio.group));
            GroupGrid(radio.group)->addWidget(button, rows[radio.group]++, 0);
            Register(radio.id, button);
            std::unique_ptr<QButtonGroup>& exclusive = m_exclusive[radio.group];
            if (!exclusive) {
                exclusive = std::make_unique<QButtonGroup>();
            }
            exclusive->addButton(button);
            m_buttons.push_back(button);
            QObject::connect(button, &QAbstractButton::clicked, this,
                             [this, &radio] { ChooseValue(radio.id, radio.field, radio.value); });
        }
    }

    // The page's own controls besides the radio buttons.
    virtual void UpdateExtras(bool e) = 0;

    void BlockChanged() {
        if (CCmdEngine* engine = Engine()) {
            engine->ConfigBlockChanged(m_block.FpgaId(), m_block.BlockId());
        }
    }

    void OnLoad() override {
        SetupFileContext context = FileContext();
        context.updateControls = [this] { UpdateControls(); };
        LoadSetupFile(context, m_block);
    }

    void OnSave() override {
        SetupFileContext context = FileContext();
        SaveSetupFile(context);
    }

    void OnFactoryDefaults() override {
        m_services->ReportError(std::wstring());
        // Said only when a module took them: without one only the page changed.
        const CCmdEngine* engine = Engine();
        const bool connected = engine != nullptr && engine->IsConnected();
        if (connected)
            m_services->OperationStarted(ModuleOperationKind::SetupDefaults);
        const bool written = m_block.Reset();
        if (written && connected)
            m_services->ReportError(kFactoryDefaultsLoadedText);
        if (connected)
            m_services->OperationEnded(Number(written ? eng::kOk : eng::kUnknown),
                                       written ? kFactoryDefaultsLoadedText
                                               : kFactoryDefaultsNotWrittenText);
        WarnIfNotConnected();
        UpdateControls();
    }

    // The session's block of this type: the one the engine reads from the
    // module and a run writes back, whichever page or command changed it.
    Block& m_block;

private:
    static Block& SessionBlock(CPageServicesIF* services, ModuleTypeId type) {
        auto* block = dynamic_cast<Block*>(services->SetupBlock(type));
        if (!block)
            throw std::logic_error("no setup block for the page's module type");
        return *block;
    }

    // Each radio button is checked exactly when its field holds its value; a
    // value without a button leaves its group with none checked.
    void ShowBlock() {
        for (auto& [group, exclusive] : m_exclusive) {
            exclusive->setExclusive(false);
        }
        for (size_t i = 0; i < m_radios.size(); ++i) {
            m_buttons[i]->setChecked(m_block.*m_radios[i].field == m_radios[i].value);
        }
        for (auto& [group, exclusive] : m_exclusive) {
            exclusive->setExclusive(true);
        }
    }

    std::span<const Radio> m_radios;
    std::span<const SideEffect> m_sideEffects;
    std::span<const Rule> m_rules;
    std::vector<QRadioButton*> m_buttons; // parallel to m_radios
    std::map<int, std::unique_ptr<QButtonGroup>> m_exclusive;
    std::set<int> m_untouched;
};
