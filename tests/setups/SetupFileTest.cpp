// Setup files: the document the writers produce, the words and comments of
// the parameters, and how the readers take a file apart.
#include "SetupTestSupport.h"

#include "setups/CConfigModORLAN6.h"
#include "setups/CConfigModTarn.h"
#include "setups/CDefaultsOrlan6XML.h"
#include "setups/CDefaultsTARNXML.h"

#include <malloc.h>

namespace {

using T = CConfigModTarn;
using O = CConfigModORLAN6;

// What each value of a field comes back as from a file, digit v (hex) for
// value v: itself when it has a word of its own, the first value of its word
// when it shares one, 0 (also beyond the digits) when it has none.
template <class Block> struct FieldWords {
    uint32_t Block::*field;
    std::string comesBackAs;
};

template <class Block, class File> bool Load(Block& setup, const std::wstring& path) {
    File file;
    return file.Parse(L"", path) && setup.LoadFromSetup(file);
}

class SetupFile : public SetupFixture {
protected:
    template <class Block, class File>
    std::string Save(const Block& setup, const std::string& name, const std::wstring& type) {
        File file;
        EXPECT_TRUE(file.CreateDocument(type));
        EXPECT_TRUE(setup.SaveToSetup(file));
        EXPECT_TRUE(file.WriteFile(WorkWide(name)));
        std::wstring error;
        file.TakeError(error);
        EXPECT_EQ(error, L"");
        return ReadFile(Work(name));
    }

    // Every field at each value its bits can hold, saved and loaded again;
    // field i holds v + i, so that no two fields hold the same value.
    template <class Block, class File, size_t N>
    void CheckRoundTrip(const FieldWords<Block> (&fields)[N], const std::wstring& type) {
        for (uint32_t v = 0; v < 16; ++v) {
            SCOPED_TRACE(v);
            Block setup(nullptr, 0, 0);
            Block back(nullptr, 0, 0);
            for (size_t i = 0; i < N; ++i) {
                setup.*fields[i].field = (v + i) % 16;
                back.*fields[i].field = 1;
            }
            if constexpr (std::is_same_v<Block, O>) {
                setup.Output2KCenterCut = v % 2 == 0;
                back.Output2KCenterCut = !setup.Output2KCenterCut;
            }
            Save<Block, File>(setup, "v.xml", type);
            ASSERT_TRUE((Load<Block, File>(back, WorkWide("v.xml"))));
            for (size_t i = 0; i < N; ++i) {
                const std::string& words = fields[i].comesBackAs;
                const size_t value = (v + i) % 16;
                EXPECT_EQ(back.*fields[i].field,
                          value < words.size() ? std::stoul(words.substr(value, 1), nullptr, 16)
                                               : 0)
                    << "field " << i;
            }
            if constexpr (std::is_same_v<Block, O>) {
                EXPECT_EQ(back.Output2KCenterCut, v % 2 == 0);
            }
        }
    }
};

// The parameters in file order, each after the comment listing its words in
// ascending value order ("invalid" left out); a value without a word is
// written as an empty one.
TEST_F(SetupFile, WrittenDocumentHasTheFileFormat) {
    T setup(nullptr, 0, 0);
    setup.VideoFormat = 3;
    setup.OutputFormat = 5;
    setup.FrameRate = 7;
    std::string text = Save<T, CDefaultsTARNXML>(setup, "a.xml", L"TARN");
    for (size_t at; (at = text.find("\n\n")) != std::string::npos;)
        text.erase(at, 1);
    EXPECT_EQ(text.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\" ?>\n"
                         "<!DOCTYPE ModuleParams>\n<ModuleParams>\n",
                         0),
              0u);
    std::string names;
    for (size_t at = 0; (at = text.find("<Param name=\"", at)) != std::string::npos; ++at)
        names += text.substr(at + 13, text.find('"', at + 13) - at - 13) + ",";
    EXPECT_EQ(names, "VideoFormat,DeepColor,ColorRange,OutputFormat,HDMI/DVI,FrameRate,Scaling,"
                     "SDFormat,HDMIAudio,AnalogAudio,");
    const char* tarnParts[] = {
        R"(<Module type="TARN" version="0.2">)",
        R"(<!--Param name="VideoFormat" value can be any of "Auto","4:2:2 YCbCr","4:4:4 RGB","4:4:4 YCbCr"-->
    <Param name="VideoFormat" value="4:4:4 YCbCr"/>)",
        R"(<Param name="OutputFormat" value="invalid"/>)", R"(<Param name="FrameRate" value=""/>)"};
    for (const char* part : tarnParts)
        EXPECT_NE(text.find(part), std::string::npos) << part;

    const std::string orlan = Save<O, CDefaultsOrlan6XML>(O(nullptr, 0, 0), "o.xml", L"ORLAN6");
    for (const char* part : {R"(<Module type="ORLAN6" version="0.1">)",
                             R"(<!--Param name="Output2KCenterCut" value can be any of "On","Off"-->
    <Param name="Output2KCenterCut" value="On"/>)"})
        EXPECT_NE(orlan.find(part), std::string::npos) << part;

    // Saving again and again keeps nothing behind (a leak was 4.6 KB a save).
    const auto inUse = [] { return mallinfo2().uordblks; };
    const size_t before = inUse();
    for (int i = 0; i < 100; ++i)
        Save<O, CDefaultsOrlan6XML>(O(nullptr, 0, 0), "o.xml", L"ORLAN6");
    EXPECT_LT(inUse(), before + 64 * 1024);
}

TEST_F(SetupFile, EveryFieldValueSurvivesSaveAndLoad) {
    // Rasters 5 and 7 are both "invalid".
    const FieldWords<T> tarn[] = {
        {&T::VideoFormat, "0123000000000000"},  {&T::DeepColor, "0120000000000000"},
        {&T::ColorRange, "0120000000000000"},   {&T::HDMIDVI, "0120000000000000"},
        {&T::HDMIAudio, "0120000000000000"},    {&T::AnalogAudio, "0123000000000000"},
        {&T::Scaling, "0120000000000000"},      {&T::SDFormat, "0100000000000000"},
        {&T::OutputFormat, "0123456589000000"}, {&T::FrameRate, "012345600000000F"},
    };
    CheckRoundTrip<T, CDefaultsTARNXML>(tarn, L"TARN");
    // Bit depth 1 belongs to the hidden placeholder: no word.
    const FieldWords<O> orlan[] = {
        {&O::InputVideoFormat, "0123"},    {&O::InputVideoBitDepth, "0023"},
        {&O::InputVideoColor, "0123"},     {&O::InputVideoColorRange, "01"},
        {&O::InputVideoMode, "012"},       {&O::OutputVideoFormat, "0123"},
        {&O::OutputVideoBitDepth, "0123"}, {&O::OutputVideoColorRange, "012"},
        {&O::OutputMode, "012"},           {&O::OutputHDMIAudio, "012"},
        {&O::OutputAnalogAudio, "0123"},   {&O::Output2xHDChannel, "01"},
    };
    CheckRoundTrip<O, CDefaultsOrlan6XML>(orlan, L"ORLAN6");
}

TEST_F(SetupFile, ReadersTakeTheFirstMatchingParamWordForWord) {
    const std::string name = "InputVideoFormat";
    const std::pair<std::string, uint32_t> cases[] = {
        {Param(name, "PsF"), 3},
        {Param("OutputMode", "DVI"), 0},                     // missing
        {Param(name, "psf"), 0},                             // letter case counts
        {Param(name, "bogus") + Param(name, "PsF"), 0},      // the first wins even when unknown
        {"<Other name=\"" + name + "\" value=\"PsF\"/>", 3}, // any tag name counts
        {"<Group>" + Param(name, "PsF") + "</Group>", 0},    // only children of Module
        {Param("Output2KCenterCut", "on"), 0},               // center cut: "On" only
    };
    for (const auto& [params, videoFormat] : cases) {
        SCOPED_TRACE(params);
        CDefaultsOrlan6XML file;
        ASSERT_TRUE(file.Parse(L"", Write("r.xml", SetupXml("ORLAN6", "0.1", params))));
        EXPECT_EQ(file.GetInputVideoFormat(), videoFormat);
        EXPECT_FALSE(file.GetOutput2KCenterCut());
    }
}

// The block's version rules: TARN takes 0.2 and 0.1 (which never sets
// SDFormat) and resets first; ORLAN6 takes 0.1 only.
TEST_F(SetupFile, LoadFollowsTheFileVersion) {
    const std::string tarnParams =
        Param("VideoFormat", "4:4:4 RGB") + Param("SDFormat", "Anamorphic");
    const std::pair<std::string, bool> tarnCases[] = {
        {"0.2", true}, {"0.1", true}, {"0.20", false}};
    for (const auto& [version, loads] : tarnCases) {
        SCOPED_TRACE(version);
        const std::wstring path = Write("t.xml", SetupXml("TARN", version, tarnParams));
        T setup(nullptr, 0, 0);
        setup.AnalogAudio = 2; // not in the file: a load resets it
        setup.SDFormat = 1;
        EXPECT_EQ((Load<T, CDefaultsTARNXML>(setup, path)), loads);
        EXPECT_EQ(setup.VideoFormat, loads ? 2u : 0u);
        EXPECT_EQ(setup.SDFormat, version == "0.1" ? 0u : 1u);
        EXPECT_EQ(setup.AnalogAudio, loads ? 0u : 2u);
    }
    for (const auto& [version, loads] : {std::pair{"0.1", true}, {"0.2", false}}) {
        SCOPED_TRACE(version);
        const std::wstring path =
            Write("o.xml", SetupXml("ORLAN6", version, Param("OutputMode", "DVI")));
        O setup(nullptr, 0, 0);
        EXPECT_EQ((Load<O, CDefaultsOrlan6XML>(setup, path)), loads);
        EXPECT_EQ(setup.OutputMode, loads ? 2u : 0u);
        EXPECT_EQ(setup.Output2KCenterCut, !loads) << "missing: off";
    }
}

TEST_F(SetupFile, FailuresAreReported) {
    const std::wstring path = Write("bad.xml", "<ModuleParams><Module type=\"TARN\">");
    CDefaultsTARNXML file;
    EXPECT_FALSE(file.Parse(L"", path));
    std::wstring error;
    file.TakeError(error);
    EXPECT_EQ(error.rfind(L"Parsing " + path, 0), 0u) << WideToUtf8(error);
    EXPECT_EQ(file.GetModuleType(), L"unknown");

    CDefaultsTARNXML noDocument;
    EXPECT_FALSE(noDocument.SetVideoFormat(1)) << "setters need CreateDocument";
}

} // namespace
