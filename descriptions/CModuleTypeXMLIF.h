#pragma once

#include "descriptions/ModuleTypeNames.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// Interfaces of the module type file reader and its element readers. Element
// readers hold an element of the file reader's document: the caller owns
// them and must drop them before the file reader parses again or is
// destroyed.

class CModuleTypeBlockXMLIF {
public:
    virtual ~CModuleTypeBlockXMLIF() = default;
    virtual uint8_t GetId() const = 0;
    virtual std::wstring GetName() const = 0;
    virtual uint16_t GetStart() const = 0;
    virtual uint16_t GetLength() const = 0;
};

class CModuleTypeLookupTableXMLIF {
public:
    virtual ~CModuleTypeLookupTableXMLIF() = default;
    virtual uint8_t GetId() const = 0;
    virtual std::wstring GetName() const = 0;
    virtual uint8_t GetDeviceId() const = 0;
    virtual uint32_t GetStart() const = 0;
    virtual uint32_t GetLength() const = 0;
};

using ModuleTypeBlockReaders = std::vector<std::unique_ptr<CModuleTypeBlockXMLIF>>;
using ModuleTypeLookupTableReaders = std::vector<std::unique_ptr<CModuleTypeLookupTableXMLIF>>;

class CModuleTypeFPGAXMLIF {
public:
    virtual ~CModuleTypeFPGAXMLIF() = default;
    virtual uint8_t GetId() const = 0;
    virtual std::wstring GetName() const = 0;
    virtual int32_t GetInterfaceId() const = 0;
    virtual uint8_t GetDeviceId() const = 0;
    // Append one reader per element, in document order.
    virtual void GetParamBlocks(ModuleTypeBlockReaders& blocks) const = 0;
    virtual void GetLookupTables(ModuleTypeLookupTableReaders& tables) const = 0;
    virtual int32_t GetFirmwareInterfaceId() const = 0;
    virtual uint8_t GetFirmwareDeviceId() const = 0;
    virtual uint32_t GetFirmwareStart() const = 0;
    virtual uint32_t GetFirmwareRevisionStart() const = 0;
    virtual uint32_t GetLookupTableRegisterStart() const = 0;
};

using ModuleTypeFPGAReaders = std::vector<std::unique_ptr<CModuleTypeFPGAXMLIF>>;

class CModuleTypeXMLIF {
public:
    virtual ~CModuleTypeXMLIF() = default;
    // The first argument is not used; callers pass an empty string.
    virtual bool Parse(const std::wstring& ignored, const std::wstring& path) = 0;
    virtual std::wstring GetVersion() const = 0;
    virtual ModuleTypeId GetModuleType() const = 0;
    virtual uint8_t GetFpgaId() const = 0;
    virtual uint16_t GetAddr() const = 0;
    // Appends one reader per FPGA element below ModuleType, in document order.
    virtual void GetFpgas(ModuleTypeFPGAReaders& fpgas) const = 0;
    virtual bool HasError() const = 0;
    virtual void TakeError(std::wstring& text) = 0;
};
