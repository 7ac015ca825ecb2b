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
