#include "link/UsbPortNumbers.h"

#include "link/XdgPaths.h"

#include <fstream>
#include <set>
#include <sstream>
#include <system_error>

namespace fs = std::filesystem;

namespace portnames {

UsbPortNumbers::UsbPortNumbers(fs::path stateFile) : m_stateFile(std::move(stateFile)) {
    Load();
}

fs::path UsbPortNumbers::DefaultStateFile() {
    const fs::path state = xdg::StateHome();
    return state.empty() ? fs::path() : state / "pellworth" / "usb-ports";
}

UsbPortNumbers& UsbPortNumbers::Shared() {
    static UsbPortNumbers shared(DefaultStateFile());
    return shared;
}

void UsbPortNumbers::Load() {
    // One "<number> <location>" per line; anything else is passed over.
    std::ifstream in(m_stateFile);
    std::set<uint16_t> used;
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        unsigned long number = 0;
        std::string location;
        if (!(fields >> number >> location) || number == 0 || number > 0xFFFF ||
            used.contains(static_cast<uint16_t>(number)) || m_numbers.contains(location))
            continue;
        used.insert(static_cast<uint16_t>(number));
        m_numbers.emplace(location, static_cast<uint16_t>(number));
    }
}

void UsbPortNumbers::Save() const {
    if (m_stateFile.empty())
        return; // no home: the numbers hold for this process
    std::error_code ec;
    fs::create_directories(m_stateFile.parent_path(), ec);
    const fs::path temporary = m_stateFile.string() + ".new";
    {
        std::ofstream out(temporary, std::ios::trunc);
        for (const auto& [location, number] : m_numbers) {
            // The lines cannot hold a location with white space (kernel names
            // have none): written, it would give its number to a stranger on
            // the next load. It holds for this process only.
            if (location.empty() ||
                location.find_first_of(" \t\n\r\v\f") != std::string::npos)
                continue;
            out << number << ' ' << location << '\n';
        }
        if (!out)
            return; // the numbers still hold for this process
    }
    fs::rename(temporary, m_stateFile, ec);
}

std::optional<uint16_t> UsbPortNumbers::NumberFor(const std::string& location) {
    std::lock_guard lock(m_mutex);
    if (const auto it = m_numbers.find(location); it != m_numbers.end())
        return it->second;
    std::set<uint16_t> used;
    for (const auto& entry : m_numbers)
        used.insert(entry.second);
    uint32_t number = 1;
    while (used.contains(static_cast<uint16_t>(number)))
        ++number;
    if (number > 0xFFFF)
        return std::nullopt;
    m_numbers.emplace(location, static_cast<uint16_t>(number));
    Save();
    return static_cast<uint16_t>(number);
}

std::optional<std::string> UsbPortNumbers::LocationOf(uint16_t number) {
    std::lock_guard lock(m_mutex);
    for (const auto& [location, assigned] : m_numbers)
        if (assigned == number)
            return location;
    return std::nullopt;
}

} // namespace portnames
