#include "DescTestSupport.h"

#include "descriptions/DataDirectory.h"

namespace fs = std::filesystem;

namespace {

// An installed tree (<prefix>/bin, <prefix>/share/pellworth/types) and an
// operator's directory beside it; where the program finds its data and where
// its file dialogs start, from each working directory.
TEST(DataDirectory, WorkingDirectoryWithTypesElseTheInstalledOne) {
    TempDir dir;
    dir.Write("prefix/share/pellworth/types/TARN/assembly.xml", "<Releases/>");
    dir.Write("bare/bin/pellworth", "");
    dir.Write("work/types/TARN/assembly.xml", "<Releases/>");
    fs::create_directories(dir.path / "elsewhere");
    const fs::path exe = dir.path / "prefix/bin/pellworth";
    const fs::path installed = dir.path / "prefix/share/pellworth";
    struct Case {
        std::string cwd;
        fs::path executable;
        fs::path data;
        std::wstring folder;
    } const cases[] = {
        {"work", exe, "", L""},                           // a working directory of its own wins
        {"elsewhere", exe, installed, L"/home/op"},       // started from a shell anywhere
        {"prefix/share/pellworth", exe, "", L"/home/op"}, // started by the desktop entry
        {"elsewhere", dir.path / "bare/bin/pellworth", "", L""}, // nothing installed
        {"elsewhere", fs::path(), "", L""},                      // executable unknown
    };
    for (const Case& c : cases) {
        WorkingDirectory cwd(dir.path / c.cwd);
        EXPECT_EQ(datadir::Find(c.executable), c.data) << c.cwd;
        EXPECT_EQ(datadir::UserFolder(c.executable, L"/home/op"), c.folder) << c.cwd;
    }
}

} // namespace
