#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

// Virtual serial ports (the module simulator, test rigs) are published in a
// port directory: per port a symlink "COM<n>" to the device node and a file
// "COM<n>.description" holding the device description text. The directory is
// $PELLWORTH_PORT_DIR, else $XDG_RUNTIME_DIR/pellworth/ports, else
// $TMPDIR/pellworth-<uid>/ports ($TMPDIR defaults to /tmp).
namespace portdir {

std::filesystem::path Directory();
// Why the directory must not be used, or empty. In the shared temporary
// directory anyone may create "pellworth-<uid>" first and publish a module
// there: that folder is trusted only when it is a real folder of the user's
// own that nobody else can write. Nothing there yet is no problem.
std::string Untrusted();
std::filesystem::path LinkPath(uint16_t portNumber);
std::filesystem::path DescriptionPath(uint16_t portNumber);

// Publishes a device node as COM<n>, replacing an earlier entry of that number.
// Returns false (and publishes nothing) when the directory cannot be written
// or is untrusted; a missing temporary folder is made private (0700).
bool Publish(uint16_t portNumber, const std::filesystem::path& deviceNode,
             const std::string& description);
// Removes the entry of COM<n> if it exists.
void Unpublish(uint16_t portNumber);

} // namespace portdir
