#pragma once

#include "engine/CCmdEngine.h"
#include "link/CUSBSerialPort.h"
#include "simulator/Profiles.h"
#include "simulator/SimulatedModule.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <vector>

// A simulated module on a pty in a private port directory, and the real serial
// port opened on it.
class ModuleFixture : public ::testing::Test {
protected:
    // openPort false: a session opens the module's port itself.
    void StartModule(sim::ModuleConfig config, bool openPort = true) {
        module = std::make_unique<sim::SimulatedModule>(std::move(config));
        ASSERT_TRUE(module->Start()) << module->Error();
        ASSERT_TRUE(!openPort || port.Open(module->PortNumber()));
    }
    void StartModule(sim::Profile profile = sim::Profile::Tarn) {
        auto config = sim::MakeModule(profile);
        ASSERT_TRUE(config.has_value());
        StartModule(*config);
    }

    // Request frames of one command code, in order.
    std::vector<std::vector<uint8_t>> Frames(uint8_t code) const {
        std::vector<std::vector<uint8_t>> frames;
        for (const auto& request : module->Requests())
            if (request.Code() == code)
                frames.push_back(request.bytes);
        return frames;
    }

    sim::ScopedPortDirectory portDirectory;
    std::unique_ptr<sim::SimulatedModule> module;
    CUSBSerialPort port;
};

// The engine alone (no application, no module types) over a started TARN module.
class EngineOnModule : public ModuleFixture {
protected:
    void SetUp() override {
        StartModule();
        engine = std::make_unique<CCmdEngine>(&port, nullptr, nullptr, nullptr, 0);
    }
    CCmdChannel& Channel() { return engine->Channel(); }
    std::unique_ptr<CCmdEngine> engine;
};

using Bytes = std::vector<uint8_t>;
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;
