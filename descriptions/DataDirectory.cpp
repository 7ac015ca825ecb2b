#include "descriptions/DataDirectory.h"

#include "descriptions/XmlText.h"

#include <cstdlib>
#include <system_error>

namespace fs = std::filesystem;

namespace datadir {

namespace {

fs::path Installed(const fs::path& executable) {
    return (executable.parent_path() / ".." / "share" / "pellworth").lexically_normal();
}

bool HoldsTypes(const fs::path& directory) {
    std::error_code ec;
    return fs::is_directory(directory / "types", ec);
}

fs::path Executable() {
    std::error_code ec;
    fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    return ec ? fs::path() : exe;
}

} // namespace

fs::path Find(const fs::path& executable) {
    if (HoldsTypes(fs::path()) || executable.empty())
        return {};
    const fs::path installed = Installed(executable);
    return HoldsTypes(installed) ? installed : fs::path();
}

const fs::path& Directory() {
    static const fs::path directory = Find(Executable());
    return directory;
}

std::wstring DataFile(const std::wstring& name) {
    if (name.empty() || Directory().empty() || fs::path(WideToUtf8(name)).is_absolute())
        return name;
    return Utf8ToWide((Directory() / WideToUtf8(name)).string());
}

std::wstring UserFolder(const fs::path& executable, const std::wstring& home) {
    std::error_code ec;
    const bool installed =
        !Find(executable).empty() ||
        (!executable.empty() && fs::equivalent(fs::path("."), Installed(executable), ec));
    return installed ? home : std::wstring();
}

std::wstring UserFolder() {
    const char* home = std::getenv("HOME");
    return UserFolder(Executable(), Utf8ToWide(home ? home : ""));
}

} // namespace datadir
