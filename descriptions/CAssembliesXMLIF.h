#pragma once

#include "descriptions/ModuleTypeNames.h"
#include "descriptions/VersionNumber.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// Interfaces of the release assembly file reader and its element readers.
// Element readers hold an element of the file reader's document: the caller
// owns them and must drop them before the file reader parses again or is
// destroyed. Versions missing from the file read as 0.0.

class CAssemblyLookupTableXMLIF {
public:
    virtual ~CAssemblyLookupTableXMLIF() = default;
    virtual uint8_t GetId() const = 0;
    virtual VersionNumber GetComponentVersion() const = 0;
    virtual std::wstring GetFilename() const = 0;
};

using AssemblyLookupTableReaders = std::vector<std::unique_ptr<CAssemblyLookupTableXMLIF>>;

class CAssemblyFPGAXMLIF {
public:
    virtual ~CAssemblyFPGAXMLIF() = default;
    virtual uint8_t GetId() const = 0;
    virtual VersionNumber GetComponentVersion() const = 0;
    virtual std::wstring GetFilename() const = 0;
    // Appends one reader per LookupTable below this FPGA, in document order.
    virtual void GetLookupTables(AssemblyLookupTableReaders& tables) const = 0;
};

using AssemblyFPGAReaders = std::vector<std::unique_ptr<CAssemblyFPGAXMLIF>>;

class CAssemblyXMLIF {
public:
    virtual ~CAssemblyXMLIF() = default;
    virtual uint8_t GetId() const = 0;
    virtual VersionNumber GetReleaseVersion() const = 0;
    virtual std::wstring GetBoardAssemblyNumber() const = 0;
    virtual std::wstring GetModuleTypeFilename() const = 0;
    virtual VersionNumber GetSafeBootVersion() const = 0;
    virtual std::wstring GetSafeBootFilename() const = 0;
    virtual VersionNumber GetFerrinVersion() const = 0;
    virtual std::wstring GetFerrinFilename() const = 0;
    // Appends one reader per FPGA below this Assembly, in document order.
    virtual void GetFpgas(AssemblyFPGAReaders& fpgas) const = 0;
};

using AssemblyReaders = std::vector<std::unique_ptr<CAssemblyXMLIF>>;

class CAssembliesXMLIF {
public:
    virtual ~CAssembliesXMLIF() = default;
    // The first argument is not used; callers pass an empty string.
    virtual bool Parse(const std::wstring& ignored, const std::wstring& path) = 0;
    virtual ModuleTypeId GetModuleType() const = 0;
    // Appends one reader per Assembly below Module, in document order.
    virtual void GetAssemblies(AssemblyReaders& assemblies) const = 0;
    virtual std::wstring GetVersion() const = 0;
    virtual bool HasError() const = 0;
    virtual void TakeError(std::wstring& text) = 0;
};
