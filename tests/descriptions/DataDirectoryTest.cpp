#include "DescTestSupport.h"

#include "descriptions/DataDirectory.h"
#include "descriptions/ReleaseManifest.h"
#include "descriptions/Sha256.h"

#include <sstream>

namespace fs = std::filesystem;

namespace {

// An installed tree (<prefix>/bin, the vendor's <prefix>/share/pellworth, the
// demo's marked <prefix>/share/pellworth-demo) and operator directories
// beside it: which release data each start finds, whether they are sample
// data, and where the file dialogs start.
TEST(DataDirectory, OptionThenEnvironmentThenWorkingDirectoryThenVendor) {
    TempDir dir;
    dir.Write("prefix/share/pellworth/types/TARN/assembly.xml", "<Releases/>");
    dir.Write("prefix/share/pellworth-demo/types/TARN/assembly.xml", "<Releases/>");
    dir.Write("prefix/share/pellworth-demo/SAMPLE-DATA", "");
    dir.Write("bare/bin/pellworth", "");
    dir.Write("work/types/TARN/assembly.xml", "<Releases/>");
    fs::create_directories(dir.path / "elsewhere");
    const fs::path exe = dir.path / "prefix/bin/pellworth";
    const fs::path bare = dir.path / "bare/bin/pellworth";
    const fs::path vendor = dir.path / "prefix/share/pellworth";
    const fs::path demo = dir.path / "prefix/share/pellworth-demo";
    using datadir::Source;
    struct Case {
        std::string cwd;
        fs::path option;
        const char* environment;
        fs::path executable;
        Source source;
        fs::path data;
        bool sample;
        std::wstring folder;
    } const cases[] = {
        {"work", "", nullptr, exe, Source::WorkingDirectory, "", false, L""},
        {"elsewhere", "", nullptr, exe, Source::Vendor, vendor, false, L"/home/op"},
        {"elsewhere", "", "", exe, Source::Vendor, vendor, false, L"/home/op"}, // empty: unset
        {"prefix/share/pellworth", "", nullptr, exe, Source::WorkingDirectory, "", false,
         L"/home/op"}, // a desktop entry's start folder
        {"work", demo, nullptr, exe, Source::Option, demo, true, L"/home/op"},
        {"work", "", demo.c_str(), exe, Source::Environment, demo, true, L"/home/op"},
        {"work", vendor, demo.c_str(), exe, Source::Option, vendor, false, L"/home/op"},
        // A named folder without types/ never falls back to another.
        {"work", dir.path / "elsewhere", nullptr, exe, Source::None, "", false, L"/home/op"},
        {"work", "", "../elsewhere", exe, Source::None, "", false, L"/home/op"},
        // The demo is never found unasked.
        {"elsewhere", "", nullptr, bare, Source::None, "", false, L"/home/op"},
        {"elsewhere", "", nullptr, fs::path(), Source::None, "", false, L"/home/op"},
    };
    for (const Case& c : cases) {
        WorkingDirectory cwd(dir.path / c.cwd);
        const datadir::Choice choice = datadir::Find(c.option, c.environment, c.executable);
        const std::string what = c.cwd + " " + c.option.string();
        EXPECT_EQ(choice.source, c.source) << what;
        EXPECT_EQ(choice.directory, c.data) << what;
        EXPECT_EQ(choice.sample, c.sample) << what;
        EXPECT_EQ(datadir::UserFolder(choice, c.executable, L"/home/op"), c.folder) << what;
        // Said: sample data, no data (naming where it looked), a bad folder.
        const std::string notice = datadir::Notice(choice);
        EXPECT_EQ(notice.empty(), choice.Found() && !c.sample) << what;
        if (!choice.Found()) {
            EXPECT_NE(notice.find(choice.searched.front()), std::string::npos) << notice;
        }
    }
}

TEST(Sha256, KnownDigestsAndStreamsPutBack) {
    struct Case {
        std::string bytes;
        const char* digest;
    } const cases[] = {
        {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq", // two blocks of padding
         "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
        {std::string(1000000, 'a'),
         "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Sha256::Of(c.bytes), c.digest) << c.bytes.size();
        std::istringstream stream("xx" + c.bytes + "yy");
        stream.seekg(2);
        EXPECT_EQ(Sha256::OfStream(stream, c.bytes.size()), c.digest);
        EXPECT_EQ(stream.tellg(), 2); // the sender reads from where it stood
    }
    std::istringstream shortStream("abc");
    EXPECT_FALSE(Sha256::OfStream(shortStream, 4));
}

// A release checked against its data folder's manifest: the first file that
// is not listed, differs or lies outside is named.
TEST(ReleaseManifest, EveryFileMustMatch) {
    TempDir dir;
    dir.Write("types/T/a.bin", "abc");
    dir.Write("types/T/b.bin", "changed");
    dir.Write("outside.bin", "abc");
    const std::string abc = Sha256::Of("abc");
    const std::wstring a = dir.Wide("types/T/a.bin");
    const std::wstring b = dir.Wide("types/T/b.bin");
    EXPECT_FALSE(manifest::Check(dir.path, {a, b})); // no manifest: nothing to check
    dir.Write("SHA256SUMS", abc + "  types/T/a.bin\n" + Sha256::Of("b") + " *types/T/b.bin\n" +
                                abc + "  outside.bin\n");
    struct Case {
        std::vector<std::wstring> files;
        std::wstring mismatch;
    } const cases[] = {
        {{a}, L""},
        {{a, b}, b},
        {{dir.Wide("types/T/c.bin")}, dir.Wide("types/T/c.bin")},
        {{dir.Wide("types/T/../../outside.bin")}, L""},
        {{dir.Wide("types/../../elsewhere.bin")}, dir.Wide("types/../../elsewhere.bin")},
    };
    for (const Case& c : cases) {
        const auto mismatch = manifest::Check(dir.path, c.files);
        EXPECT_EQ(mismatch ? mismatch->file : L"", c.mismatch) << WideToUtf8(c.files.back());
    }
    // Relative names are the working directory's, as the program opens them.
    WorkingDirectory cwd(dir.path);
    EXPECT_FALSE(manifest::Check("", {L"types/T/a.bin"}));
    EXPECT_TRUE(manifest::Check("", {L"types/T/b.bin"}));
}

} // namespace
