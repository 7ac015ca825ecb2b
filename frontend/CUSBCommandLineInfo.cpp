#include "frontend/CUSBCommandLineInfo.h"

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
    } else if (SameFlag(param, L"tarn")) {
        m_forcedModuleType = 2;
    } else if (SameFlag(param, L"orlan")) {
        m_forcedModuleType = 1;
    }
}

void CUSBCommandLineInfo::ParseCommandLine(const std::vector<std::wstring>& args) {
    for (size_t i = 0; i < args.size(); ++i) {
        const std::wstring& arg = args[i];
        const bool flag = !arg.empty() && (arg[0] == L'/' || arg[0] == L'-');
        ParseParam(flag ? arg.substr(1) : arg, flag, i + 1 == args.size());
    }
}
