#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "descriptions/ModuleTypeNames.h"

class CConfigBlockIF;

// A setup block as the tool shows it: every field under the name and with
// the word that the module type's setup file gives it, in file order, so
// that what is shown is what "setup save" writes.
namespace cli {

struct SetupField {
    std::wstring name;  // the setup file's parameter name ("HDMI/DVI")
    uint32_t value = 0; // the field (Output2KCenterCut: 1 on, 0 off)
    std::wstring word;  // the file's word; empty when the value has none
};

struct SetupView {
    uint8_t fpgaId = 0;
    uint8_t blockId = 0;
    uint8_t bytes[4] = {}; // the block as it goes to the module
    std::vector<SetupField> fields;
};

// The block of a module type described through that type's setup file
// writer. False, with the writer's error text, when the words cannot be had;
// false with an empty error when the block is not of a type with a setup.
bool DescribeSetup(CConfigBlockIF& block, ModuleTypeId type, SetupView& view, std::wstring& error);

// "00 1F 00 20".
std::wstring BlockBytesText(const SetupView& view);

} // namespace cli
