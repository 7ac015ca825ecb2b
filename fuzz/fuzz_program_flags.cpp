// The program's command line in every spelling: the input split at zero bytes
// into parameters, "/" or "-" prefixed or not, in any letter case.

#include "frontend/CUSBCommandLineInfo.h"

#include "descriptions/XmlText.h"

#include <cstdlib>
#include <cwctype>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<std::wstring> args;
    std::string arg;
    for (size_t i = 0; i <= size; ++i) {
        if (i == size || data[i] == 0) {
            args.push_back(Utf8ToWide(arg));
            arg.clear();
        } else {
            arg.push_back(static_cast<char>(data[i]));
        }
    }
    CUSBCommandLineInfo info;
    info.ParseCommandLine(args);
    // The letter case of a flag changes nothing.
    for (std::wstring& text : args)
        for (wchar_t& c : text)
            if (c < 0x80)
                c = static_cast<wchar_t>(std::towupper(static_cast<wint_t>(c)));
    CUSBCommandLineInfo upper;
    upper.ParseCommandLine(args);
    if (upper.m_optionM != info.m_optionM || upper.m_optionD != info.m_optionD ||
        upper.m_forcedModuleType != info.m_forcedModuleType)
        std::abort();
    return 0;
}
