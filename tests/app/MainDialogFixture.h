#pragma once

#include "AppTestSupport.h"
#include "app/COstrand.h"
#include "app/COstrandDlg.h"
#include "app/ModuleDiscovery.h"
#include "simulator/Profiles.h"
#include "simulator/SimulatedModule.h"
#include "support/ScriptedDialogs.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

// The application with its main dialog in a fresh working directory, scripted
// boxes, test pages, and simulated modules to find.
class AppMainDialogTest : public ::testing::Test {
protected:
    void TearDown() override {
        app.reset(); // closes the port before the modules go
        modules.clear();
    }

    sim::SimulatedModule& AddModule(sim::Profile profile = sim::Profile::Tarn,
                                    const std::function<void(sim::ModuleConfig&)>& change = {}) {
        auto config = sim::MakeModule(profile);
        EXPECT_TRUE(config.has_value());
        if (change)
            change(*config);
        modules.push_back(std::make_unique<sim::SimulatedModule>(*config));
        EXPECT_TRUE(modules.back()->Start()) << modules.back()->Error();
        return *modules.back();
    }

    void StartApp(const std::vector<std::wstring>& args = {}) {
        app = std::make_unique<COstrand>(dialogs, &pages);
        ASSERT_TRUE(app->Start(args));
        ASSERT_NE(app->MainDialog(), nullptr);
    }

    COstrandDlg& Dlg() { return *app->MainDialog(); }
    CCmdEngine& Engine() { return *app->Engine(); }

    template <class Widget> Widget* Control(int id) {
        auto* widget = qobject_cast<Widget*>(Dlg().Control(id));
        EXPECT_NE(widget, nullptr) << "control " << id;
        return widget;
    }
    std::wstring Status() {
        return Control<QLabel>(COstrandDlg::kStatusLine)->text().toStdWString();
    }
    QComboBox* Combo() { return Control<QComboBox>(COstrandDlg::kModuleCombo); }
    QPushButton* ConnectButton() { return Control<QPushButton>(COstrandDlg::kConnectButton); }
    std::vector<std::wstring> Entries() {
        std::vector<std::wstring> entries;
        for (int i = 0; i < Combo()->count(); ++i)
            entries.push_back(Combo()->itemText(i).toStdWString());
        return entries;
    }
    static std::wstring Entry(const sim::SimulatedModule& module, const std::wstring& name) {
        std::wstring text = L"COM" + std::to_wstring(module.PortNumber());
        return name.empty() ? text : text + L" (" + name + L")";
    }
    // Discovers and connects to the entry of this module.
    bool ConnectTo(const sim::SimulatedModule& module) {
        Dlg().Discover();
        for (int i = 0; i < Combo()->count(); ++i) {
            if (discovery::PortNumberOfEntry(Combo()->itemText(i).toStdWString()) ==
                module.PortNumber()) {
                Combo()->setCurrentIndex(i);
                return Dlg().Connect({});
            }
        }
        ADD_FAILURE() << "COM" << module.PortNumber() << " was not discovered";
        return false;
    }

    ProgramDirectory directory;
    ScriptedDialogs dialogs;
    TestPageFactory pages;
    std::vector<std::unique_ptr<sim::SimulatedModule>> modules;
    std::unique_ptr<COstrand> app;
};
