#include "descriptions/ModuleDescription.h"

#include "descriptions/CModuleTypeXMLIF.h"

const LookupTableDescription* FpgaDescription::FindLookupTable(uint8_t tableId) const {
    const auto it = lookupTables.find(tableId);
    return it != lookupTables.end() ? &it->second : nullptr;
}

LookupTableDescription* FpgaDescription::FindLookupTable(uint8_t tableId) {
    const auto it = lookupTables.find(tableId);
    return it != lookupTables.end() ? &it->second : nullptr;
}

void FpgaDescription::ListLookupTableIds(std::vector<uint8_t>& ids) const {
    ids.clear();
    for (const auto& [tableId, table] : lookupTables) {
        ids.push_back(tableId);
    }
}

bool ModuleDescription::HasFpga(uint8_t id) const {
    return fpgas.count(id) != 0;
}

const FpgaDescription* ModuleDescription::FindFpga(uint8_t id) const {
    const auto it = fpgas.find(id);
    return it != fpgas.end() ? &it->second : nullptr;
}

FpgaDescription* ModuleDescription::FindFpga(uint8_t id) {
    const auto it = fpgas.find(id);
    return it != fpgas.end() ? &it->second : nullptr;
}

std::wstring ModuleDescription::FpgaName(uint8_t id) const {
    const FpgaDescription* fpga = FindFpga(id);
    return fpga != nullptr ? fpga->name : std::wstring();
}

int32_t ModuleDescription::FirmwareInterface(uint8_t id) const {
    const FpgaDescription* fpga = FindFpga(id);
    return fpga != nullptr ? fpga->firmware.interface : -1;
}

uint8_t ModuleDescription::FirmwareDeviceId(uint8_t id) const {
    const FpgaDescription* fpga = FindFpga(id);
    return fpga != nullptr ? fpga->firmware.deviceId : 0;
}

uint32_t ModuleDescription::FirmwareStart(uint8_t id) const {
    const FpgaDescription* fpga = FindFpga(id);
    return fpga != nullptr ? fpga->firmware.start : 0;
}

VersionNumber* ModuleDescription::FirmwareVersion(uint8_t id) {
    FpgaDescription* fpga = FindFpga(id);
    return fpga != nullptr ? &fpga->firmware.version : nullptr;
}

VersionNumber* ModuleDescription::TableVersion(uint8_t id, uint8_t tableId) {
    FpgaDescription* fpga = FindFpga(id);
    LookupTableDescription* table = fpga != nullptr ? fpga->FindLookupTable(tableId) : nullptr;
    return table != nullptr ? &table->version : nullptr;
}

void ModuleDescription::ListFpgaIds(std::vector<uint8_t>& ids) const {
    ids.clear();
    for (const auto& [key, fpga] : fpgas) {
        ids.push_back(key);
    }
}

ParamBlockDescription* ModuleDescription::FindParamBlock(uint8_t id, uint8_t blockId) {
    FpgaDescription* fpga = FindFpga(id);
    if (fpga == nullptr) {
        return nullptr;
    }
    const auto it = fpga->paramBlocks.find(blockId);
    return it != fpga->paramBlocks.end() ? &it->second : nullptr;
}

const ParamBlockDescription* ModuleDescription::FindParamBlock(uint8_t id, uint8_t blockId) const {
    return const_cast<ModuleDescription*>(this)->FindParamBlock(id, blockId);
}

void SerializeFpga(const FpgaDescription& fpga, std::vector<uint8_t>& out) {
    out.push_back(fpga.id);
    out.push_back(static_cast<uint8_t>(fpga.paramBlocks.size()));
    out.push_back(static_cast<uint8_t>(fpga.interface));
    out.push_back(fpga.deviceId);
    for (const auto& [id, block] : fpga.paramBlocks) {
        out.push_back(block.id);
        out.push_back(static_cast<uint8_t>(block.start >> 8));
        out.push_back(static_cast<uint8_t>(block.start));
        out.push_back(static_cast<uint8_t>(block.length >> 8));
        out.push_back(static_cast<uint8_t>(block.length));
    }
}

void SerializeModuleDescription(const ModuleDescription& description, std::vector<uint8_t>& out) {
    out.push_back(static_cast<uint8_t>(description.fpgas.size()));
    for (const auto& [id, fpga] : description.fpgas) {
        SerializeFpga(fpga, out);
    }
}

bool LoadModuleDescription(ModuleDescription& description, CModuleTypeXMLIF& reader,
                           const std::wstring& path) {
    description.fpgas.clear();
    if (!reader.Parse(std::wstring(), path)) {
        std::wstring dropped;
        reader.TakeError(dropped);
        return false;
    }
    description.moduleType = reader.GetModuleType();
    description.fpgaId = reader.GetFpgaId();
    description.address = reader.GetAddr();

    ModuleTypeFPGAReaders fpgaReaders;
    reader.GetFpgas(fpgaReaders);
    for (const auto& fpgaReader : fpgaReaders) {
        FpgaDescription fpga;
        fpga.id = fpgaReader->GetId();
        fpga.name = fpgaReader->GetName();
        fpga.interface = fpgaReader->GetInterfaceId();
        fpga.deviceId = fpgaReader->GetDeviceId();
        fpga.lookupTableRegisterStart = fpgaReader->GetLookupTableRegisterStart();
        fpga.firmware.interface = fpgaReader->GetFirmwareInterfaceId();
        fpga.firmware.deviceId = fpgaReader->GetFirmwareDeviceId();
        fpga.firmware.start = fpgaReader->GetFirmwareStart();
        fpga.firmware.revisionStart = static_cast<uint16_t>(fpgaReader->GetFirmwareRevisionStart());

        ModuleTypeBlockReaders blockReaders;
        fpgaReader->GetParamBlocks(blockReaders);
        for (const auto& blockReader : blockReaders) {
            ParamBlockDescription block;
            block.id = blockReader->GetId();
            block.name = blockReader->GetName();
            block.start = blockReader->GetStart();
            block.length = blockReader->GetLength();
            fpga.paramBlocks[block.id] = block; // a later id replaces an earlier one
        }

        ModuleTypeLookupTableReaders tableReaders;
        fpgaReader->GetLookupTables(tableReaders);
        for (const auto& tableReader : tableReaders) {
            LookupTableDescription table;
            table.id = tableReader->GetId();
            table.name = tableReader->GetName();
            table.deviceId = tableReader->GetDeviceId();
            table.start = tableReader->GetStart();
            table.length = tableReader->GetLength();
            fpga.lookupTables[table.id] = table;
        }

        const uint8_t id = fpga.id;
        description.fpgas[id] = std::move(fpga);
    }
    return true;
}
