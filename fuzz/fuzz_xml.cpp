// The XML readers on a file of any content: module type files, assembly
// files, and TARN and ORLAN6 setup files loaded into their blocks. Built once
// per reader (PELLWORTH_FUZZ_READER).

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

template <class Reader, class Block> void LoadSetup(const std::wstring& path) {
    Reader reader;
    if (!reader.Parse(L"", path))
        return;
    Block block(nullptr, 0, 0);
    block.LoadFromSetup(reader);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const CXercesSession xerces;
    const std::wstring path = Utf8ToWide(fuzz::WriteScratch(data, size));
#if PELLWORTH_FUZZ_READER == 1
    CModuleTypeXML reader;
    ModuleDescription description;
    LoadModuleDescription(description, reader, path);
#elif PELLWORTH_FUZZ_READER == 2
    CAssembliesXML reader;
    reader.Parse(L"", path);
    ReleaseTable table;
    LoadReleaseTable(table, reader);
    FindLatest(table);
    SelectAssembly(table, {1, 1}, "B7");
#elif PELLWORTH_FUZZ_READER == 3
    LoadSetup<CDefaultsTARNXML, CConfigModTarn>(path);
#else
    LoadSetup<CDefaultsOrlan6XML, CConfigModORLAN6>(path);
#endif
    return 0;
}
