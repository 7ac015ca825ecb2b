#pragma once

#include "descriptions/CAssembliesXML.h"
#include "descriptions/CModuleTypeXML.h"
#include "descriptions/CModuleTypesLinux.h"
#include "engine/CAppIF.h"
#include "engine/CCmdEngine.h"
#include "engine/CErrorReportIF.h"
#include "link/CUSBSerialPort.h"
#include "simulator/Profiles.h"
#include "simulator/SimulatedModule.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

using Bytes = std::vector<uint8_t>;

// The four block bytes a parameter block sends.
template <class Block> Bytes Encode(const Block& b) {
    return {b.EncodeByte(0), b.EncodeByte(1), b.EncodeByte(2), b.EncodeByte(3)};
}
// Four block bytes written as one number, the first byte most significant.
inline Bytes Wire(uint32_t bytes) {
    return {uint8_t(bytes >> 24), uint8_t(bytes >> 16), uint8_t(bytes >> 8), uint8_t(bytes)};
}

// A fresh directory below the system's temp directory, removed with its
// contents when the object goes away.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& Path() const { return m_path; }
    std::wstring Wide(const std::string& relative) const;
    // Writes the file and returns its path.
    std::wstring Write(const std::string& relative, const std::string& content) const;

private:
    std::filesystem::path m_path;
};

// Runs fn with the size of files this process writes limited (as a full
// disk would): writes beyond the limit fail instead of raising a signal.
void WithFileSizeLimit(uint64_t bytes, const std::function<void()>& fn);
std::string ReadFile(const std::wstring& path);
// Names in a directory, sorted.
std::vector<std::string> ListDirectory(const std::filesystem::path& directory);

// A setup file as a test writes it by hand.
std::string Param(const std::string& name, const std::string& value);
std::string SetupXml(const std::string& type, const std::string& version,
                     const std::string& params);

// The application as the engine sees it.
class TestApp : public CAppIF, public CErrorReportIF {
public:
    void OnModuleChanged() override {
        if (onModuleChanged)
            onModuleChanged();
    }
    void OnIdentityChanged() override {}
    void OnDisconnected() override {}
    bool IsOptionM() override { return false; }
    bool IsOptionD() override { return false; }
    CModuleTypeXML* CreateModuleTypeReader() override { return new CModuleTypeXML(); }
    CAssembliesXML* CreateAssembliesReader() override { return new CAssembliesXML(); }
    void ReportError(std::wstring) override {}

    std::function<void()> onModuleChanged;
};

// A simulated module on a pty in a private port directory, the serial port
// opened on it, and the engine over it, run from the demo working directory.
class SimulatedModuleFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Starts a module of the profile (release 0.0: the latest) and opens the port.
    void StartModule(sim::Profile profile, const Bytes& block);
    // The engine, optionally with a forced module type and no module at all.
    void MakeEngine(ModuleTypeId initial = 0);

    // The bytes of each block write (0x8B) the module received since the last ClearLog.
    std::vector<Bytes> BlockWriteData() const;
    // What the module holds in parameter block (0, 0).
    Bytes ModuleBlock() const;

    std::filesystem::path previousDirectory;
    std::unique_ptr<sim::ScopedPortDirectory> portDirectory;
    std::unique_ptr<sim::SimulatedModule> module;
    CUSBSerialPort port;
    TestApp app;
    std::unique_ptr<CModuleTypesLinux> registry;
    std::unique_ptr<CCmdEngine> engine;
};
