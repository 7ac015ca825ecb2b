#include "DescTestSupport.h"

#include "descriptions/CModuleTypesLinux.h"

namespace {

std::string Assembly(const std::string& type, const std::string& version = "0.1") {
    return "<Releases><Module version=\"" + version + "\" type=\"" + type +
           "\"><Assembly id=\"1\"/></Module></Releases>";
}

TEST(ModuleTypes, DataDirectoryHoldsTheTypesDirectory) {
    const std::pair<std::wstring, std::wstring> cases[] = {{L"types/", L""},
                                                           {L"/opt/p/types//", L"/opt/p"},
                                                           {L"/types", L"/"},
                                                           {L"a/b/types", L"a/b"}};
    for (const auto& [types, data] : cases)
        EXPECT_EQ(CModuleTypesLinux(types).DataDirectory(), data) << WideToUtf8(types);
}

TEST(ModuleTypes, RegistersEveryReadableSubdirectoryByItsType) {
    TempDir dir;
    dir.Write("types/tarn/assembly.xml", Assembly("TARN"));
    dir.Write("types/orlan/assembly.xml", Assembly("ORLAN6"));
    dir.Write("types/other/assembly.xml", Assembly("FJORD"));
    dir.Write("types/broken/assembly.xml", "<Releases><Module version=\"0.1\"");
    dir.Write("types/newer/assembly.xml", Assembly("TARN", "0.2"));
    dir.Write("types/empty/readme.txt", "no assembly here");
    dir.Write("types/notafile/assembly.xml/inner.txt", "a directory named like the file");
    dir.Write("types/assembly.xml", Assembly("TARN")); // a file, not a subdirectory
    // Relative to the working directory, as the program passes it; a trailing
    // separator is not doubled.
    WorkingDirectory cwd(dir.path);
    CModuleTypesLinux registry(L"types/");
    registry.Scan();
    EXPECT_EQ(registry.Directories().size(), 3u);
    EXPECT_EQ(registry.GetTypeDirectory(2), L"types/tarn/");
    EXPECT_EQ(registry.GetTypeDirectory(1), L"types/orlan/");
    EXPECT_EQ(registry.GetTypeDirectory(0), L"types/other/");
    // Missing or empty: an empty registry.
    for (const std::wstring& types : {dir.Wide("nothing-here"), std::wstring()}) {
        CModuleTypesLinux none(types);
        none.Scan();
        EXPECT_TRUE(none.Directories().empty());
    }
}

} // namespace
