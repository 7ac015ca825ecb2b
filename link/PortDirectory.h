#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

// Virtual serial ports (the module simulator, test rigs) are published in a
// port directory: per port a symlink "COM<n>" to the device node and a file
// "COM<n>.description" holding the device description text. The directory is
// $PELLWORTH_PORT_DIR, else $XDG_RUNTIME_DIR/pellworth/ports, else
// /tmp/pellworth-<uid>/ports.
namespace portdir {

std::filesystem::path Directory();
std::filesystem::path LinkPath(uint16_t portNumber);
std::filesystem::path DescriptionPath(uint16_t portNumber);

// Publishes a device node as COM<n>, replacing an earlier entry of that number.
// Returns false (and publishes nothing) when the directory cannot be written.
bool Publish(uint16_t portNumber, const std::filesystem::path& deviceNode,
             const std::string& description);
// Removes the entry of COM<n> if it exists.
void Unpublish(uint16_t portNumber);

} // namespace portdir
