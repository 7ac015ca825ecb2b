#pragma once

#include "descriptions/ModuleTypeNames.h"
#include "descriptions/VersionNumber.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

class CModuleTypeXMLIF;

struct FirmwareDescription {
    std::wstring imageFile;
    VersionNumber version = kNoVersion; // what the module reports for this FPGA
    int32_t interface = -1;
    uint8_t deviceId = 0;
    uint32_t start = 0;
    uint16_t revisionStart = 0;
};

struct ParamBlockDescription {
    uint8_t id = 0;
    std::wstring name;
    uint16_t start = 0;
    uint16_t length = 0;
};

struct LookupTableDescription {
    uint8_t id = 0;
    std::wstring name;
    std::wstring text2;
    uint8_t deviceId = 0;
    uint32_t start = 0;
    uint32_t length = 0;
    VersionNumber version{0, 0}; // what the module reports for this table
};

struct FpgaDescription {
    uint8_t id = 0;
    std::wstring name;
    int32_t interface = -1;
    uint8_t deviceId = 0;
    uint32_t lookupTableRegisterStart = 0;
    FirmwareDescription firmware;
    std::map<uint8_t, ParamBlockDescription> paramBlocks;
    std::map<uint8_t, LookupTableDescription> lookupTables;

    const LookupTableDescription* FindLookupTable(uint8_t tableId) const;
    LookupTableDescription* FindLookupTable(uint8_t tableId);
    void ListLookupTableIds(std::vector<uint8_t>& ids) const;
};

struct ModuleDescription {
    ModuleTypeId moduleType = 0;
    uint8_t fpgaId = 0;
    uint16_t address = 0;
    std::map<uint8_t, FpgaDescription> fpgas;

    bool HasFpga(uint8_t fpgaId) const;
    const FpgaDescription* FindFpga(uint8_t fpgaId) const;
    FpgaDescription* FindFpga(uint8_t fpgaId);
    std::wstring FpgaName(uint8_t fpgaId) const;
    int32_t FirmwareInterface(uint8_t fpgaId) const;
    uint8_t FirmwareDeviceId(uint8_t fpgaId) const;
    uint32_t FirmwareStart(uint8_t fpgaId) const;
    VersionNumber* FirmwareVersion(uint8_t fpgaId);               // null when absent
    VersionNumber* TableVersion(uint8_t fpgaId, uint8_t tableId); // null when absent
    void ListFpgaIds(std::vector<uint8_t>& ids) const;

    // Null when the FPGA or the block is absent.
    ParamBlockDescription* FindParamBlock(uint8_t fpgaId, uint8_t blockId);
    const ParamBlockDescription* FindParamBlock(uint8_t fpgaId, uint8_t blockId) const;
};

// Empties the FPGA map, parses the module type file at path with reader
// (first Parse argument empty) and fills the description from it. A file that
// fails to parse leaves no FPGAs and the other fields as they were; its error
// text is taken and dropped. Returns whether the file was read.
bool LoadModuleDescription(ModuleDescription& description, CModuleTypeXMLIF& reader,
                           const std::wstring& path);

// Appends the wire form of the description (payload of the module layout command).
void SerializeModuleDescription(const ModuleDescription& description, std::vector<uint8_t>& out);
void SerializeFpga(const FpgaDescription& fpga, std::vector<uint8_t>& out);
