// The XML readers on a document of any content, read from memory with every
// setting a file gets (the file handling has fuzz_xml_file): module type
// files, assembly files, and TARN and ORLAN6 setup files loaded into their
// blocks. Built once per reader (PELLWORTH_FUZZ_READER).

#include "FuzzSupport.h"

#include "descriptions/CAssembliesXML.h"
#include "descriptions/CModuleTypeXML.h"
#include "descriptions/ModuleDescription.h"
#include "descriptions/ReleaseTable.h"
#include "descriptions/XercesSession.h"
#include "descriptions/XmlText.h"
#include "setups/CConfigModORLAN6.h"
#include "setups/CConfigModTarn.h"
#include "setups/CDefaultsOrlan6XML.h"
#include "setups/CDefaultsTARNXML.h"

namespace {

template <class Reader, class Block> void LoadSetup(std::string bytes, const std::wstring& path) {
    Reader reader;
    reader.SetDocumentBytes(std::move(bytes));
    if (!reader.Parse(L"", path))
        return;
    Block block(nullptr, 0, 0);
    block.LoadFromSetup(reader);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const CXercesSession xerces;
    // The name only: relative system ids resolve against the scratch folder.
    static const std::wstring path = Utf8ToWide((fuzz::Scratch() / "document.xml").string());
    std::string bytes(reinterpret_cast<const char*>(data), size);
#if PELLWORTH_FUZZ_READER == 1
    CModuleTypeXML reader;
    reader.SetDocumentBytes(std::move(bytes));
    ModuleDescription description;
    if (LoadModuleDescription(description, reader, path)) {
        std::vector<uint8_t> wire;
        SerializeModuleDescription(description, wire);
    }
#elif PELLWORTH_FUZZ_READER == 2
    CAssembliesXML reader;
    reader.SetDocumentBytes(std::move(bytes));
    reader.Parse(L"", path);
    ReleaseTable table;
    LoadReleaseTable(table, reader);
    FindLatest(table);
    SelectAssembly(table, {1, 1}, "B7");
#elif PELLWORTH_FUZZ_READER == 3
    LoadSetup<CDefaultsTARNXML, CConfigModTarn>(std::move(bytes), path);
#else
    LoadSetup<CDefaultsOrlan6XML, CConfigModORLAN6>(std::move(bytes), path);
#endif
    return 0;
}
