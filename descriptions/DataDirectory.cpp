#include "descriptions/DataDirectory.h"

#include "descriptions/XmlText.h"

#include <cstdlib>
#include <mutex>
#include <optional>
#include <system_error>

namespace fs = std::filesystem;

namespace datadir {

namespace {

fs::path Installed(const fs::path& executable, const char* folder) {
    return (executable.parent_path() / ".." / "share" / folder).lexically_normal();
}

bool HoldsTypes(const fs::path& directory) {
    std::error_code ec;
    return fs::is_directory(directory / "types", ec);
}

bool IsSample(const fs::path& directory) {
    std::error_code ec;
    return fs::exists(directory / kSampleMarker, ec);
}

std::string Absolute(const fs::path& directory) {
    std::error_code ec;
    const fs::path path = fs::absolute(directory, ec);
    fs::path normal = (ec ? directory : path).lexically_normal();
    if (normal.filename().empty() && normal.has_parent_path())
        normal = normal.parent_path(); // "/data/." is "/data", not "/data/"
    return normal.string();
}

fs::path Executable() {
    std::error_code ec;
    fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    return ec ? fs::path() : exe;
}

std::mutex g_mutex;
std::optional<Choice> g_choice;

} // namespace

Choice Find(const fs::path& option, const char* environment, const fs::path& executable) {
    Choice choice;
    const auto take = [&choice](Source source, const fs::path& directory) {
        choice.source = source;
        choice.directory = directory;
        choice.sample = IsSample(directory);
    };
    // A folder asked for by name is that folder or nothing: falling back to
    // another could flash other images than the ones meant.
    if (!option.empty() || (environment && *environment)) {
        const bool byOption = !option.empty();
        const fs::path named = byOption ? option : fs::path(environment);
        choice.searched.push_back(Absolute(named));
        if (HoldsTypes(named))
            take(byOption ? Source::Option : Source::Environment, Absolute(named));
        else
            choice.error = (byOption ? std::string("--data ") : std::string(kEnvironment) + "=") +
                           Absolute(named) + ": no release data there (no types folder)";
        return choice;
    }
    choice.searched.push_back(Absolute(fs::path(".")));
    if (HoldsTypes(fs::path())) {
        take(Source::WorkingDirectory, fs::path());
        return choice;
    }
    if (!executable.empty()) {
        const fs::path vendor = Installed(executable, "pellworth");
        choice.searched.push_back(vendor.string());
        if (HoldsTypes(vendor))
            take(Source::Vendor, vendor);
    }
    return choice;
}

const Choice& Use(const fs::path& option) {
    const std::lock_guard lock(g_mutex);
    g_choice = Find(option, std::getenv(kEnvironment), Executable());
    return *g_choice;
}

const Choice& Current() {
    {
        const std::lock_guard lock(g_mutex);
        if (g_choice)
            return *g_choice;
    }
    return Use({});
}

const fs::path& Directory() {
    return Current().directory;
}

std::string AbsoluteDirectory() {
    return Current().Found() ? Absolute(Directory().empty() ? fs::path(".") : Directory())
                             : std::string();
}

std::wstring DataFile(const std::wstring& name) {
    if (name.empty() || Directory().empty() || fs::path(WideToUtf8(name)).is_absolute())
        return name;
    return Utf8ToWide((Directory() / WideToUtf8(name)).string());
}

std::string Notice(const Choice& choice) {
    if (!choice.error.empty())
        return choice.error;
    if (!choice.Found()) {
        std::string places;
        for (const std::string& place : choice.searched)
            places += (places.empty() ? "" : ", ") + place;
        return "no release data found (looked in " + places +
               "); give --data DIR or set PELLWORTH_DATA, or install the vendor's release data";
    }
    if (choice.sample)
        return "SAMPLE data in use (" +
               Absolute(choice.directory.empty() ? "." : choice.directory) +
               "): their images are no vendor release and must not go to a production module";
    return {};
}

std::wstring UserFolder(const Choice& choice, const fs::path& executable,
                        const std::wstring& home) {
    if (choice.source != Source::WorkingDirectory)
        return home;
    // A desktop entry or launcher may start the program in an installed data folder.
    std::error_code ec;
    for (const char* folder : {"pellworth", "pellworth-demo"})
        if (!executable.empty() && fs::equivalent(fs::path("."), Installed(executable, folder), ec))
            return home;
    return {};
}

std::wstring UserFolder() {
    const char* home = std::getenv("HOME");
    return UserFolder(Current(), Executable(), Utf8ToWide(home ? home : ""));
}

} // namespace datadir
