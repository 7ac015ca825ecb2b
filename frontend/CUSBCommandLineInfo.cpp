#include "frontend/CUSBCommandLineInfo.h"

#include "descriptions/ModuleTypeNames.h"

#include <algorithm>
#include <cwctype>

namespace {

bool SameFlag(const std::wstring& given, const wchar_t* flag) {
    const std::wstring wanted(flag);
    return given.size() == wanted.size() &&
           std::equal(given.begin(), given.end(), wanted.begin(), [](wchar_t a, wchar_t b) {
               return std::towlower(static_cast<wint_t>(a)) ==
                      std::towlower(static_cast<wint_t>(b));
           });
}

} // namespace

void CUSBCommandLineInfo::ParseParam(const std::wstring& param, bool flag, bool /*last*/) {
    if (!flag)
        return;
    if (SameFlag(param, L"m")) {
        m_optionM = 1;
    } else if (SameFlag(param, L"d")) {
        m_optionM = 1;
        m_optionD = 1;
    } else if (const ModuleTypeId type = ModuleTypeFromFlag(param); type != kModuleTypeUnknown) {
        m_forcedModuleType = static_cast<int>(type);
    }
}

void CUSBCommandLineInfo::ParseCommandLine(const std::vector<std::wstring>& args) {
    for (size_t i = 0; i < args.size(); ++i) {
        const std::wstring& arg = args[i];
        const bool flag = !arg.empty() && (arg[0] == L'/' || arg[0] == L'-');
        ParseParam(flag ? arg.substr(1) : arg, flag, i + 1 == args.size());
    }
}

bool CUSBCommandLineInfo::TakeDataOption(std::vector<std::wstring>& args, std::wstring& folder) {
    static const std::wstring kOption = L"--data";
    for (size_t i = 0; i < args.size();) {
        if (args[i] == kOption) {
            if (i + 1 == args.size() || args[i + 1].empty())
                return false;
            folder = args[i + 1];
            args.erase(args.begin() + static_cast<std::ptrdiff_t>(i),
                       args.begin() + static_cast<std::ptrdiff_t>(i) + 2);
        } else if (args[i].rfind(kOption + L"=", 0) == 0) {
            folder = args[i].substr(kOption.size() + 1);
            if (folder.empty())
                return false;
            args.erase(args.begin() + static_cast<std::ptrdiff_t>(i));
        } else {
            ++i;
        }
    }
    return true;
}

CUSBCommandLineInfo::Request
CUSBCommandLineInfo::FindRequest(const std::vector<std::string_view>& args) {
    for (const std::string_view arg : args) {
        if (arg == "--")
            break;
        if (arg == "--help" || arg == "-h")
            return Request::Help;
        if (arg == "--version")
            return Request::Version;
    }
    return Request::None;
}

const char* CUSBCommandLineInfo::HelpText() {
    return R"(usage: pellworth [--data DIR] [-m|-d] [-tarn|-orlan]

Configures Varnet video converter modules attached over USB.

  --data DIR   the release data's folder (it holds types/); else $PELLWORTH_DATA,
               the working directory when it holds types/, /usr/share/pellworth
  -m           more controls on the Update tab; with -tarn or -orlan that type's
               Setup page without a module
  -d           as -m, plus the Peek/Poke/CSV and Lookup Table tabs and
               "Disable Timeouts"
  -tarn        start with the TARN module type selected
  -orlan       start with the ORLAN6 module type selected
  -h, --help   print this text and exit
  --version    print the version and exit

Flags also begin with "/" and take any letter case; other arguments are
ignored. PELLWORTH_TRACE=FILE appends every write, read and purge at the
serial port to FILE.
)";
}
