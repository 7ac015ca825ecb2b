#pragma once

#include <cstdint>
#include <string>
#include <vector>

class CConfigModTarn;
class CConfigModORLAN6;

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

// False, with the setup file writer's error text, when the words cannot be had.
bool DescribeSetup(const CConfigModTarn& block, SetupView& view, std::wstring& error);
bool DescribeSetup(const CConfigModORLAN6& block, SetupView& view, std::wstring& error);

// "00 1F 00 20".
std::wstring BlockBytesText(const SetupView& view);

} // namespace cli
