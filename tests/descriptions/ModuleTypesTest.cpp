#include "DescTestSupport.h"

#include "descriptions/CModuleTypesLinux.h"
#include "descriptions/XmlText.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::string Assembly(const std::string& type, const std::string& version = "0.1") {
    return "<Releases><Module version=\"" + version + "\" type=\"" + type +
           "\"><Assembly id=\"1\"/></Module></Releases>";
}

TEST(ModuleTypes, MissingOrEmptyDirectoryGivesEmptyRegistry) {
    TempDir dir;
    for (const std::wstring& types : {dir.Wide("nothing-here"), dir.Wide(), std::wstring()}) {
        CModuleTypesLinux registry(types);
        registry.Scan();
        EXPECT_TRUE(registry.Directories().empty());
        EXPECT_FALSE(registry.HasModuleType(2));
        EXPECT_EQ(registry.GetTypeDirectory(2), L"");
    }
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
    // Relative to the working directory, as the program passes it.
    WorkingDirectory cwd(dir.Path());
    CModuleTypesLinux registry(L"types");
    registry.Scan();
    EXPECT_EQ(registry.Directories().size(), 3u);
    EXPECT_EQ(registry.GetTypeDirectory(2), L"types/tarn/");
    EXPECT_EQ(registry.GetTypeDirectory(1), L"types/orlan/");
    EXPECT_EQ(registry.GetTypeDirectory(0), L"types/other/");
    EXPECT_FALSE(registry.HasModuleType(3));
}

TEST(ModuleTypes, LaterSubdirectoryOfTheSameTypeWins) {
    TempDir dir;
    for (const char* name : {"a", "b", "c", "d"}) {
        dir.Write(std::string("types/") + name + "/assembly.xml", Assembly("TARN"));
    }
    std::wstring last;
    for (const fs::directory_entry& entry : fs::directory_iterator(dir.Path() / "types")) {
        last = Utf8ToWide(entry.path().filename().string());
    }
    // A trailing separator on the types directory is not doubled.
    CModuleTypesLinux registry(dir.Wide("types") + L"/");
    registry.Scan();
    EXPECT_EQ(registry.GetTypeDirectory(2), dir.Wide("types") + L"/" + last + L"/");
}

TEST(ModuleTypes, ScanAddsButNeverClears) {
    TempDir dir;
    dir.Write("types/tarn/assembly.xml", Assembly("TARN"));
    CModuleTypesLinux registry(dir.Wide("types"));
    registry.Scan();
    ASSERT_TRUE(registry.HasModuleType(2));
    fs::remove_all(dir.Path() / "types" / "tarn");
    dir.Write("types/orlan/assembly.xml", Assembly("ORLAN6"));
    registry.Scan();
    EXPECT_TRUE(registry.HasModuleType(2));
    EXPECT_TRUE(registry.HasModuleType(1));
    fs::remove_all(dir.Path() / "types");
    registry.Scan();
    EXPECT_EQ(registry.Directories().size(), 2u);
}

} // namespace
