#include "descriptions/ReleaseManifest.h"

#include "descriptions/DataDirectory.h"
#include "descriptions/InputFile.h"
#include "descriptions/Sha256.h"
#include "descriptions/XmlText.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <map>
#include <system_error>

namespace fs = std::filesystem;

namespace manifest {

namespace {

fs::path Absolute(const fs::path& path) {
    std::error_code ec;
    const fs::path absolute = fs::absolute(path.empty() ? fs::path(".") : path, ec);
    return (ec ? path : absolute).lexically_normal();
}

bool IsHex(const std::string& text) {
    return text.size() == 64 && std::all_of(text.begin(), text.end(), [](unsigned char c) {
               return std::isdigit(c) || (c >= 'a' && c <= 'f');
           });
}

} // namespace

std::optional<Mismatch> Check(const fs::path& dataFolder, const std::vector<std::wstring>& files) {
    const fs::path folder = Absolute(dataFolder);
    const fs::path path = folder / datadir::kManifest;
    std::error_code ec;
    if (!fs::exists(path, ec))
        return std::nullopt;

    std::map<std::string, std::string> hashes; // relative name -> digest
    std::ifstream in;
    uint64_t size = 0;
    const int error = inputfile::Open(in, path.string(), size);
    std::string line;
    while (error == 0 && std::getline(in, line)) {
        // "<digest>  <name>" (text mode) or "<digest> *<name>" (binary mode).
        if (line.size() < 67 || line[64] != ' ' || (line[65] != ' ' && line[65] != '*'))
            continue;
        std::string digest = line.substr(0, 64);
        std::transform(digest.begin(), digest.end(), digest.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        if (IsHex(digest))
            hashes[fs::path(line.substr(66)).lexically_normal().string()] = digest;
    }
    for (const std::wstring& file : files) {
        if (error != 0 || hashes.empty())
            return Mismatch{file, L"the manifest " + Utf8ToWide(path.string()) +
                                      L" cannot be read or lists no file"};
        const fs::path relative = Absolute(WideToUtf8(file)).lexically_relative(folder);
        const auto listed = hashes.find(relative.string());
        if (relative.empty() || *relative.begin() == ".." || listed == hashes.end())
            return Mismatch{file, L"it is not listed in the release data's manifest"};
        const std::optional<std::string> digest = Sha256::OfFile(WideToUtf8(file));
        if (!digest)
            return Mismatch{file, L"it cannot be read"};
        if (*digest != listed->second)
            return Mismatch{file, L"its SHA-256 differs from the release data's manifest"};
    }
    return std::nullopt;
}

} // namespace manifest
