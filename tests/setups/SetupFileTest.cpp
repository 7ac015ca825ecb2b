// Setup files: the document the writers produce, the words and comments of
// every parameter, and how the readers take a file apart.
#include "SetupTestSupport.h"

#include "descriptions/XercesSession.h"
#include "descriptions/XmlText.h"
#include "setups/CConfigModORLAN6.h"
#include "setups/CConfigModTarn.h"
#include "setups/CDefaultsOrlan6XML.h"
#include "setups/CDefaultsTARNXML.h"

#include <map>

namespace fs = std::filesystem;

namespace {

using T = CConfigModTarn;
using O = CConfigModORLAN6;

std::string Narrow(const std::wstring& text) {
    return WideToUtf8(text);
}

std::string Param(const std::string& name, const std::string& value) {
    return "    <Param name=\"" + name + "\" value=\"" + value + "\"/>\n";
}

// The Module element's line carries these attributes (in the serializer's order).
bool ModuleLineHas(const std::string& text, std::initializer_list<const char*> attributes) {
    const size_t start = text.find("<Module ");
    if (start == std::string::npos)
        return false;
    const std::string line = text.substr(start, text.find('\n', start) - start);
    for (const char* attribute : attributes)
        if (line.find(std::string(" ") + attribute) == std::string::npos)
            return false;
    return true;
}

template <class Block, class File>
std::string Save(const Block& block, const TempDir& dir, const std::string& name,
                 const std::wstring& type) {
    File file;
    EXPECT_TRUE(file.CreateDocument(type));
    EXPECT_TRUE(block.SaveToSetup(file));
    const std::wstring path = dir.Wide(name);
    EXPECT_TRUE(file.WriteFile(path));
    std::wstring error;
    file.TakeError(error);
    EXPECT_EQ(error, L"");
    return ReadFile(path);
}

template <class Block, class File> bool Load(Block& block, const std::wstring& path) {
    File file;
    if (!file.Parse(L"", path))
        return false;
    return block.LoadFromSetup(file);
}

TEST(SetupFile, TarnDocumentHasTheFileFormat) {
    TempDir dir;
    T block(nullptr, 0, 0);
    block.VideoFormat = 3;
    block.HDMIDVI = 2;
    block.OutputFormat = 5;
    block.FrameRate = 7;
    const std::string text = Save<T, CDefaultsTARNXML>(block, dir, "a.xml", L"TARN");

    ASSERT_GE(text.size(), 5u);
    EXPECT_EQ(text.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"", 0), 0u) << text;
    EXPECT_NE(text.find("<!DOCTYPE ModuleParams>"), std::string::npos) << text;
    EXPECT_TRUE(ModuleLineHas(text, {"version=\"0.2\"", "type=\"TARN\""})) << text;
    // One element or comment per line, indented by nesting.
    EXPECT_NE(text.find("\n  <Module"), std::string::npos) << text;
    EXPECT_NE(text.find("\n    <Param name=\"VideoFormat\" value=\"4:4:4 YCbCr\"/>"),
              std::string::npos)
        << text;

    // Parameters in file order, each after its comment, with its word.
    const char* const order[] = {"VideoFormat", "DeepColor",  "ColorRange", "OutputFormat",
                                 "HDMI/DVI",    "FrameRate",  "Scaling",    "SDFormat",
                                 "HDMIAudio",   "AnalogAudio"};
    size_t at = 0;
    for (const char* name : order) {
        const std::string comment =
            std::string("<!--Param name=\"") + name + "\" value can be any of ";
        const size_t c = text.find(comment, at);
        ASSERT_NE(c, std::string::npos) << name;
        const size_t p = text.find(std::string("<Param name=\"") + name + "\"", c);
        ASSERT_NE(p, std::string::npos) << name;
        EXPECT_GT(text.find("<!--", c + 4), p) << name << ": its Param follows its comment";
        at = p;
    }
    EXPECT_NE(text.find("<Param name=\"HDMI/DVI\" value=\"DVI\"/>"), std::string::npos);
    EXPECT_NE(text.find("<Param name=\"OutputFormat\" value=\"invalid\"/>"), std::string::npos);
    EXPECT_NE(text.find("<Param name=\"FrameRate\" value=\"\"/>"), std::string::npos);
}

TEST(SetupFile, CommentTextsAreExact) {
    TempDir dir;
    const std::string tarn = Save<T, CDefaultsTARNXML>(T(nullptr, 0, 0), dir, "t.xml", L"TARN");
    const std::string orlan =
        Save<O, CDefaultsOrlan6XML>(O(nullptr, 0, 0), dir, "o.xml", L"ORLAN6");
    const std::pair<const std::string*, const char*> comments[] = {
        {&tarn,
         R"(Param name="FrameRate" value can be any of "Auto","24/23.98","25","30/29.97","48/47.95","50","60/59.94","VESA")"},
        {&tarn,
         R"(Param name="OutputFormat" value can be any of "Auto","Native","720p","1080p","1080i","480p","576p","WUXGA")"},
        {&tarn, R"(Param name="HDMI/DVI" value can be any of "Auto","HDMI","DVI")"},
        {&tarn,
         R"(Param name="AnalogAudio" value can be any of "Ch. 1+2","Ch. 3+4","Ch. 5+6","Ch. 7+8")"},
        {&orlan, R"(Param name="InputVideoBitDepth" value can be any of "Auto","10-bit","12-bit")"},
        {&orlan, R"(Param name="Output2KCenterCut" value can be any of "On","Off")"},
        {&orlan, R"(Param name="InputVideoColorRange" value can be any of "SMPTE","Full")"},
    };
    for (const auto& [text, comment] : comments)
        EXPECT_NE(text->find(std::string("<!--") + comment + "-->"), std::string::npos) << comment;
    EXPECT_TRUE(ModuleLineHas(orlan, {"version=\"0.1\"", "type=\"ORLAN6\""})) << orlan;
    EXPECT_NE(orlan.find("<Param name=\"Output2KCenterCut\" value=\"On\"/>"), std::string::npos);
}

// Every field at every value its bits can hold, saved and loaded again: a
// value with a word of its own comes back, the two rasters without a raster
// come back as the first of them (5), a value without a word as 0.
TEST(SetupFile, TarnRoundTripOfEveryFieldValue) {
    struct Field {
        uint32_t T::*field;
        uint32_t values;                // how many values the bits hold
        std::vector<uint32_t> withWord; // values that have a word
    };
    const Field fields[] = {
        {&T::VideoFormat, 4, {0, 1, 2, 3}},
        {&T::DeepColor, 4, {0, 1, 2}},
        {&T::ColorRange, 4, {0, 1, 2}},
        {&T::HDMIDVI, 4, {0, 1, 2}},
        {&T::HDMIAudio, 4, {0, 1, 2}},
        {&T::AnalogAudio, 4, {0, 1, 2, 3}},
        {&T::Scaling, 4, {0, 1, 2}},
        {&T::SDFormat, 2, {0, 1}},
        {&T::OutputFormat, 16, {0, 1, 2, 3, 4, 6, 8, 9}},
        {&T::FrameRate, 16, {0, 1, 2, 3, 4, 5, 6, 15}},
    };
    TempDir dir;
    int n = 0;
    for (const auto& f : fields) {
        for (uint32_t v = 0; v < f.values; ++v) {
            T block(nullptr, 0, 0);
            block.*f.field = v;
            const std::string name = "t" + std::to_string(n++) + ".xml";
            Save<T, CDefaultsTARNXML>(block, dir, name, L"TARN");
            T back(nullptr, 0, 0);
            back.AnalogAudio = 1;
            ASSERT_TRUE((Load<T, CDefaultsTARNXML>(back, dir.Wide(name))));
            uint32_t expected = 0;
            if (std::find(f.withWord.begin(), f.withWord.end(), v) != f.withWord.end())
                expected = v;
            else if (f.field == &T::OutputFormat && (v == 5 || v == 7))
                expected = 5;
            EXPECT_EQ(back.*f.field, expected) << "value " << v;
            block.*f.field = expected;
            EXPECT_EQ(back.EncodeByte(0), block.EncodeByte(0));
            EXPECT_EQ(back.EncodeByte(1), block.EncodeByte(1));
            EXPECT_EQ(back.EncodeByte(2), block.EncodeByte(2));
            EXPECT_EQ(back.EncodeByte(3), block.EncodeByte(3));
        }
    }
}

TEST(SetupFile, Orlan6RoundTripOfEveryFieldValue) {
    struct Field {
        uint32_t O::*field;
        uint32_t values;
        std::vector<uint32_t> withWord;
    };
    const Field fields[] = {
        {&O::InputVideoFormat, 4, {0, 1, 2, 3}},
        {&O::InputVideoBitDepth, 4, {0, 2, 3}},
        {&O::InputVideoColor, 4, {0, 1, 2, 3}},
        {&O::InputVideoColorRange, 2, {0, 1}},
        {&O::InputVideoMode, 4, {0, 1, 2}},
        {&O::OutputVideoFormat, 4, {0, 1, 2, 3}},
        {&O::OutputVideoBitDepth, 4, {0, 1, 2, 3}},
        {&O::OutputVideoColorRange, 4, {0, 1, 2}},
        {&O::OutputMode, 4, {0, 1, 2}},
        {&O::OutputHDMIAudio, 4, {0, 1, 2}},
        {&O::OutputAnalogAudio, 4, {0, 1, 2, 3}},
        {&O::Output2xHDChannel, 2, {0, 1}},
    };
    TempDir dir;
    int n = 0;
    for (const auto& f : fields) {
        for (uint32_t v = 0; v < f.values; ++v) {
            for (const bool centerCut : {true, false}) {
                O block(nullptr, 0, 0);
                block.*f.field = v;
                block.Output2KCenterCut = centerCut;
                const std::string name = "o" + std::to_string(n++) + ".xml";
                Save<O, CDefaultsOrlan6XML>(block, dir, name, L"ORLAN6");
                O back(nullptr, 0, 0);
                back.Output2KCenterCut = !centerCut;
                ASSERT_TRUE((Load<O, CDefaultsOrlan6XML>(back, dir.Wide(name))));
                const bool hasWord =
                    std::find(f.withWord.begin(), f.withWord.end(), v) != f.withWord.end();
                EXPECT_EQ(back.*f.field, hasWord ? v : 0u) << "value " << v;
                EXPECT_EQ(back.Output2KCenterCut, centerCut);
            }
        }
    }
    // The hidden bit depth value has no word: an empty value is written.
    O hidden(nullptr, 0, 0);
    hidden.InputVideoBitDepth = 1;
    const std::string text = Save<O, CDefaultsOrlan6XML>(hidden, dir, "h.xml", L"ORLAN6");
    EXPECT_NE(text.find("<Param name=\"InputVideoBitDepth\" value=\"\"/>"), std::string::npos);
}

TEST(SetupFile, ReadersTakeTheFirstMatchingParamWordForWord) {
    struct Case {
        const char* what;
        std::string params;
        uint32_t videoFormat;
    };
    const Case cases[] = {
        {"exact word", Param("VideoFormat", "4:4:4 RGB"), 2},
        {"missing parameter", Param("DeepColor", "On"), 0},
        {"different letter case", Param("VideoFormat", "auto") + Param("DeepColor", "On"), 0},
        {"misspelled", Param("VideoFormat", "4:4:4 RBG"), 0},
        {"trailing space", Param("VideoFormat", "4:4:4 RGB "), 0},
        {"name in other case", Param("videoformat", "4:4:4 RGB"), 0},
        {"first of two wins",
         Param("VideoFormat", "4:2:2 YCbCr") + Param("VideoFormat", "4:4:4 RGB"), 1},
        {"first of two wins even when unknown",
         Param("VideoFormat", "bogus") + Param("VideoFormat", "4:4:4 RGB"), 0},
        {"a Param without value is passed over",
         "    <Param name=\"VideoFormat\"/>\n" + Param("VideoFormat", "4:4:4 YCbCr"), 3},
        {"any tag name counts", "    <Other name=\"VideoFormat\" value=\"4:4:4 RGB\"/>\n", 2},
        {"only direct children of Module",
         "    <Group>\n" + Param("VideoFormat", "4:4:4 RGB") + "    </Group>\n", 0},
    };
    TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::wstring path = dir.Write("r.xml", SetupXml("TARN", "0.2", c.params));
        CDefaultsTARNXML file;
        ASSERT_TRUE(file.Parse(L"", path));
        EXPECT_EQ(file.GetVideoFormat(), c.videoFormat);
    }
}

TEST(SetupFile, VersionTypeAndCenterCutAsRead) {
    struct Case {
        const char* what;
        std::string xml;
        std::wstring type;
        std::wstring version;
        bool centerCut;
    };
    const Case cases[] = {
        {"plain", SetupXml("ORLAN6", "0.1", Param("Output2KCenterCut", "On")), L"ORLAN6", L"0.1",
         true},
        {"off", SetupXml("ORLAN6", "0.1", Param("Output2KCenterCut", "Off")), L"ORLAN6", L"0.1",
         false},
        {"lower case on", SetupXml("ORLAN6", "0.1", Param("Output2KCenterCut", "on")), L"ORLAN6",
         L"0.1", false},
        {"missing", SetupXml("TARN", "0.3", ""), L"TARN", L"0.3", false},
        {"no attributes",
         "<ModuleParams><Module><Param name=\"Output2KCenterCut\" "
         "value=\"On\"/></Module></ModuleParams>",
         L"unknown", L"unknown", true},
        {"two Module elements",
         "<ModuleParams><Module type=\"TARN\" version=\"0.2\"/><Module type=\"TARN\" "
         "version=\"0.2\"/></ModuleParams>",
         L"unknown", L"unknown", false},
    };
    TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::wstring path = dir.Write("v.xml", c.xml);
        CDefaultsOrlan6XML file;
        ASSERT_TRUE(file.Parse(L"", path)) << "parsing does not check the version";
        EXPECT_EQ(file.GetModuleType(), c.type);
        EXPECT_EQ(file.GetVersion(), c.version);
        EXPECT_EQ(file.GetOutput2KCenterCut(), c.centerCut);
    }
}

// The block's version rules: TARN takes 0.2 and 0.1 (which never sets
// SDFormat) and resets first; ORLAN6 takes 0.1 only and does not reset.
TEST(SetupFile, LoadFollowsTheFileVersion) {
    const std::string tarnParams =
        Param("VideoFormat", "4:4:4 RGB") + Param("SDFormat", "Anamorphic");
    struct Case {
        const char* type;
        const char* version;
        bool loads;
    };
    const Case cases[] = {
        {"TARN", "0.2", true},    {"TARN", "0.1", true}, {"TARN", "0.3", false},
        {"TARN", "0.20", false},  {"TARN", "", false},   {"ORLAN6", "0.1", true},
        {"ORLAN6", "0.2", false}, {"ORLAN6", "", false},
    };
    TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.type) + " " + c.version);
        const std::string version = c.version;
        if (std::string(c.type) == "TARN") {
            const std::wstring path = dir.Write("v.xml", SetupXml("TARN", version, tarnParams));
            T block(nullptr, 0, 0);
            block.AnalogAudio = 2; // not in the file: a load resets it
            block.SDFormat = 1;
            EXPECT_EQ((Load<T, CDefaultsTARNXML>(block, path)), c.loads);
            EXPECT_EQ(block.VideoFormat, c.loads ? 2u : 0u);
            EXPECT_EQ(block.SDFormat, version == "0.1" ? 0u : 1u);
            EXPECT_EQ(block.AnalogAudio, c.loads ? 0u : 2u);
        } else {
            const std::wstring path =
                dir.Write("v.xml", SetupXml("ORLAN6", version, Param("OutputMode", "DVI")));
            O block(nullptr, 0, 0);
            EXPECT_EQ((Load<O, CDefaultsOrlan6XML>(block, path)), c.loads);
            EXPECT_EQ(block.OutputMode, c.loads ? 2u : 0u);
            EXPECT_EQ(block.Output2KCenterCut, !c.loads) << "missing: off";
        }
    }
}

TEST(SetupFile, FailuresBecomeErrorText) {
    TempDir dir;
    struct Case {
        const char* what;
        std::string content;
        std::wstring start;
    };
    const Case cases[] = {
        {"not XML", "this is not a setup file", L"Parsing "},
        {"cut short", "<ModuleParams><Module type=\"TARN\">", L"Parsing "},
        {"empty", "", L"Parsing "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::wstring path = dir.Write("bad.xml", c.content);
        CDefaultsTARNXML file;
        EXPECT_FALSE(file.Parse(L"", path));
        std::wstring error;
        file.TakeError(error);
        EXPECT_EQ(error.rfind(c.start + path, 0), 0u) << Narrow(error);
        EXPECT_EQ(file.GetModuleType(), L"unknown");
        EXPECT_EQ(file.GetVideoFormat(), 0u);
    }

    CDefaultsTARNXML noDocument;
    EXPECT_FALSE(noDocument.SetVideoFormat(1)) << "setters need CreateDocument";
    EXPECT_TRUE(noDocument.HasError());

    CDefaultsTARNXML writer;
    ASSERT_TRUE(writer.CreateDocument(L"TARN"));
    for (const std::wstring& path : {dir.Wide("missing/dir/x.xml"), dir.Wide("")}) {
        EXPECT_FALSE(writer.WriteFile(path));
        std::wstring error;
        writer.TakeError(error);
        EXPECT_EQ(error, L"Cannot create XML format object.");
    }
    // Data that do not all reach the disk (here: a file size limit, as a full
    // disk would) are a failed write, not a short file reported as success.
    const std::wstring limited = dir.Wide("limited.xml");
    {
        FileSizeLimit limit(100);
        EXPECT_FALSE(writer.WriteFile(limited));
    }
    std::wstring error;
    writer.TakeError(error);
    EXPECT_EQ(error, L"Cannot write XML data to file.");
    EXPECT_TRUE(writer.WriteFile(limited)) << "the same document without the limit";
}

} // namespace
