// The file handling of every reader: the path a data file or the operator
// names may be a regular file, an empty one, a directory, a FIFO, a device, a
// link or nothing, and a document's DOCTYPE may name any of them. The input
// chooses what the paths are; the rest of it is the document. Read as the
// program reads them: a module type file, an image, and the version file.

#include "FuzzSupport.h"

#include "descriptions/CModuleTypeXML.h"
#include "descriptions/InputFile.h"
#include "descriptions/ModuleDescription.h"
#include "descriptions/XercesSession.h"
#include "descriptions/XmlText.h"
#include "frontend/VersionFile.h"

#include <sys/stat.h>

namespace {

namespace fs = std::filesystem;

enum class Kind {
    Regular,
    Empty,
    Directory,
    Fifo,
    Device,
    LinkToFile,
    LinkToDevice,
    Dangling,
    Missing
};

// Makes `name` in the scratch folder of that kind.
void Make(const fs::path& path, Kind kind, const std::string& bytes) {
    std::error_code ec;
    switch (kind) {
    case Kind::Regular:
        fuzz::WriteScratch(path.filename().string(), bytes);
        break;
    case Kind::Empty:
        fuzz::WriteScratch(path.filename().string(), "");
        break;
    case Kind::Directory:
        fs::create_directory(path, ec);
        break;
    case Kind::Fifo:
        mkfifo(path.c_str(), 0600);
        break;
    case Kind::Device:
        fs::create_symlink("/dev/zero", path, ec);
        break;
    case Kind::LinkToFile:
        fuzz::WriteScratch("target", bytes);
        fs::create_symlink("target", path, ec);
        break;
    case Kind::LinkToDevice:
        fs::create_symlink("/dev/null", path, ec);
        break;
    case Kind::Dangling:
        fs::create_symlink("nowhere", path, ec);
        break;
    case Kind::Missing:
        break;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const CXercesSession xerces;
    static constexpr Kind kKinds[] = {Kind::Regular,      Kind::Empty,    Kind::Directory,
                                      Kind::Fifo,         Kind::Device,   Kind::LinkToFile,
                                      Kind::LinkToDevice, Kind::Dangling, Kind::Missing};
    fuzz::DataProvider input(data, size);
    fuzz::ClearScratch();
    const fs::path document = fuzz::Scratch() / "document.xml";
    const fs::path other = fuzz::Scratch() / "other.dtd"; // a DOCTYPE may name it
    const Kind documentKind = input.Pick(kKinds);
    const Kind otherKind = input.Pick(kKinds);
    const std::string otherBytes = input.String(256);
    const std::string bytes = input.Rest();
    Make(document, documentKind, bytes);
    Make(other, otherKind, otherBytes);

    CModuleTypeXML reader;
    ModuleDescription description;
    LoadModuleDescription(description, reader, Utf8ToWide(document.string()));

    uint32_t imageSize = 0;
    std::ifstream image;
    inputfile::OpenImage(image, other.string(), imageSize);
    inputfile::ErrorReason(inputfile::CheckImage(document.string(), imageSize));
    versionfile::Read(document);
    return 0;
}
