#pragma once

#include "CodePrinters.h"
#include "ModuleFixture.h"

#include "descriptions/CAssembliesXML.h"
#include "descriptions/CModuleTypeXML.h"
#include "descriptions/CModuleTypesLinux.h"
#include "descriptions/XercesSession.h"
#include "engine/CAppIF.h"
#include "engine/CCmdEngine.h"
#include "engine/CConfigBlockIF.h"
#include "engine/CErrorReportIF.h"

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <utility>

// The application as the engine sees it, counting identity changes.
class TestApp : public CAppIF, public CErrorReportIF {
public:
    void OnModuleChanged() override {
        if (onModuleChanged)
            onModuleChanged();
    }
    void OnIdentityChanged() override { ++identityChanged; }
    void OnDisconnected() override {}
    bool IsOptionM() override { return optionM; }
    bool IsOptionD() override { return optionD; }
    CModuleTypeXML* CreateModuleTypeReader() override { return new CModuleTypeXML(); }
    CAssembliesXML* CreateAssembliesReader() override { return new CAssembliesXML(); }
    void ReportError(std::wstring) override {}

    int identityChanged = 0;
    bool optionM = false;
    bool optionD = false;
    std::function<void()> onModuleChanged;
};

// A block object that only moves the 4 bytes, as a setup page's block would.
class RawBlock : public CConfigBlockIF {
public:
    RawBlock(CCmdEngine* engine) : CConfigBlockIF(engine, 0, 0) {}
    chan::Code Read(CCmdChannel& channel) override {
        return channel.ReadConfigBlock(m_fpgaId, m_blockId, bytes, 4);
    }
    chan::Code Write(CCmdChannel& channel) override {
        ++writes;
        return channel.WriteConfigBlock(m_fpgaId, m_blockId, bytes, 4);
    }
    std::vector<uint8_t> Encoded() const override { return {bytes, bytes + 4}; }
    uint8_t bytes[4] = {};
    int writes = 0;
};

// A simulated module, run from the demo working directory with the XML library up.
class DemoDataFixture : public ModuleFixture {
protected:
    static void SetUpTestSuite() {
        const char* data = std::getenv("PELLWORTH_TEST_DATA");
        ASSERT_NE(data, nullptr);
        std::filesystem::current_path(data);
        xerces = new CXercesSession();
    }
    static void TearDownTestSuite() { delete std::exchange(xerces, nullptr); }

    static inline CXercesSession* xerces = nullptr;
};

// The engine over a simulated module, run from the demo working directory.
class EngineFixture : public DemoDataFixture {
protected:
    // Makes the engine (scanning `types`, or another directory) and lets the
    // test app attach a block object whenever a module of type 1 or 2 is selected.
    void MakeEngine(const std::wstring& typesDirectory = L"types", ModuleTypeId initial = 0) {
        engine.reset();
        block.reset();
        registry = std::make_unique<CModuleTypesLinux>(typesDirectory);
        engine = std::make_unique<CCmdEngine>(&port, &app, &app, registry.get(), initial);
        block = std::make_unique<RawBlock>(engine.get());
        app.onModuleChanged = [this] {
            if (!engine || !block)
                return;
            const auto type = engine->Module().moduleType;
            if (type == 1 || type == 2)
                engine->AttachConfigBlock(block.get());
        };
    }

    TestApp app;
    std::unique_ptr<CModuleTypesLinux> registry;
    std::unique_ptr<CCmdEngine> engine;
    std::unique_ptr<RawBlock> block;
};
