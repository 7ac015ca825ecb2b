#pragma once

#include <string>
#include <string_view>
#include <vector>

// The program's command line. Parameters that begin with "/" or "-" are flags,
// compared without the prefix and in any letter case:
//   m      option m (setup pages without a module, more update controls)
//   d      options m and d (engineering tabs, "Disable Timeouts")
//   tarn, orlan, ...  the flag of a module type (descriptions/ModuleTypeNames.h)
//                     forces that type
// The later of two type flags wins; anything else is ignored, but for
// --data DIR (the release data) and --help and --version, which print and
// end the program before any window opens.
class CUSBCommandLineInfo {
public:
    // Offers one parameter; `flag` tells whether it had the prefix (given
    // without it then). `last` marks the final parameter.
    void ParseParam(const std::wstring& param, bool flag, bool last);
    // Offers every parameter in order (the program name not included).
    void ParseCommandLine(const std::vector<std::wstring>& args);

    int m_optionM = 0;          // 1 when set
    int m_optionD = 0;          // 1 when set
    int m_forcedModuleType = 0; // a ModuleTypeId; 0 none

    // Takes "--data DIR" or "--data=DIR" (the release data's folder) out of
    // args into folder, before the flags are parsed; false when --data has no
    // folder. The last one given counts.
    static bool TakeDataOption(std::vector<std::wstring>& args, std::wstring& folder);

    // --help or --version (the first one given), else none; "--" ends the search.
    enum class Request { None, Help, Version };
    static Request FindRequest(const std::vector<std::string_view>& args);
    // What --help prints.
    static const char* HelpText();
};
