#include "DescTestSupport.h"

#include "descriptions/CCommonXML.h"
#include "descriptions/CModuleTypeXML.h"

#include <chrono>
#include <cstdint>

namespace {

// Nine levels of entities, ten references each: 10^10 characters when expanded.
std::string EntityBomb() {
    std::string xml = "<!DOCTYPE R [<!ELEMENT R ANY><!ENTITY a0 \"xxxxxxxxxx\">\n";
    for (int i = 1; i < 10; ++i) {
        xml += "<!ENTITY a" + std::to_string(i) + " \"";
        for (int k = 0; k < 10; ++k) {
            xml += "&a" + std::to_string(i - 1) + ";";
        }
        xml += "\">\n";
    }
    return xml + "]><R>&a9;</R>";
}

TEST(CommonXml, FilesParseOrExplainWhyNot) {
    const std::wstring received = L"Expected data format version '0.1', received '";
    const std::string grammar = "<!DOCTYPE R SYSTEM \"grammar.dtd\">";
    const struct {
        std::string content;
        std::string name;  // empty: the file does not exist
        std::wstring text; // found in the error; empty when the parse succeeds
    } cases[] = {
        {R"(<R><ModuleType version="0.1" type="TARN"/></R>)", "ok.xml", L""},
        {grammar + R"(<R><ModuleType version="0.1"/></R>)", "valid.xml", L""},
        {R"(<R><ModuleType version="0.2" type="TARN"/></R>)", "newer.xml", received + L"0.2"},
        {R"(<R><ModuleType type="TARN"/></R>)", "none.xml", received + L"unknown"},
        {"", "", L"missing.xml"},
        {std::string("\x00\xff\xfe\x01<<>>", 8), "binary.xml", L"line 1, column 1"},
        {"<R>\n<ModuleType version=\"0.1\">", "cut.xml", L"line 2, column"},
        // A validity error is not fatal to the parser, yet fails the file.
        {grammar + "<R><ModuleType/></R>", "invalid.xml", L"version"},
        // A data file must never make the program go online.
        {R"(<!DOCTYPE R SYSTEM "http://example.invalid/g.dtd"><R/>)", "remote.xml",
         L"not fetched: http://example.invalid/g.dtd"},
        {EntityBomb(), "bomb.xml", L"entity expansions"},
    };
    TempDir dir;
    dir.Write("grammar.dtd", "<!ELEMENT R (ModuleType)>\n<!ELEMENT ModuleType EMPTY>\n"
                             "<!ATTLIST ModuleType version CDATA #REQUIRED>\n");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::wstring path =
            c.name.empty() ? dir.Wide("missing.xml") : dir.Write(c.name, c.content);
        CModuleTypeXML reader;
        bool parsed = !c.text.empty();
        const auto start = std::chrono::steady_clock::now();
        EXPECT_NO_THROW(parsed = reader.Parse(L"", path));
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(60));
        EXPECT_EQ(parsed, c.text.empty());
        EXPECT_EQ(reader.GetVersion(), c.text.empty() ? L"0.1" : L"unknown");
        std::wstring error;
        reader.TakeError(error);
        EXPECT_EQ(error.empty(), c.text.empty());
        EXPECT_NE(error.find(c.text), std::wstring::npos) << WideToUtf8(error);
    }
}

TEST(CommonXml, UntakenErrorKeepsFailingUntilTaken) {
    TempDir dir;
    const std::wstring good = dir.Write("good.xml", "<R><ModuleType version=\"0.1\"/></R>");
    CModuleTypeXML reader;
    EXPECT_FALSE(reader.Parse(L"", dir.Write("bad.xml", "<R><ModuleType version=\"0.2\"/></R>")));
    EXPECT_FALSE(reader.Parse(L"", good));
    std::wstring error;
    reader.TakeError(error);
    EXPECT_EQ(error.rfind(L"Expected data format version '0.1', received '0.2", 0), 0u);
    EXPECT_TRUE(reader.Parse(L"", good));
    EXPECT_EQ(reader.GetVersion(), L"0.1");
}

TEST(CommonXml, IntegersFollowBaseZeroConversionClamped) {
    const int32_t max = INT32_MAX, min = INT32_MIN;
    const struct {
        std::wstring text;
        int32_t value;
    } cases[] = {
        {L"0x1F", 31},
        {L"037", 31},
        {L"08", 0},
        {L"12abc", 12},
        {L" 12", 12},
        {L"-0x10", -16},
        {L"2147483648", max},
        {L"-0x80000001", min},
        {L"99999999999999999999999", max}, // beyond 64 bits
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CCommonXML::ConvertInteger(c.text), c.value) << WideToUtf8(c.text);
    }
}

TEST(XmlText, ConversionsRoundTripAndReplaceInvalidInput) {
    const std::wstring wide = std::wstring(L"a\u00E9\u20AC") + static_cast<wchar_t>(0x1F600);
    EXPECT_EQ(XmlToWide(WideToXml(wide).c_str()), wide);
    EXPECT_EQ(WideToUtf8(wide), "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80");
    EXPECT_EQ(Utf8ToWide(WideToUtf8(wide)), wide);
    const char16_t lone[] = {u'a', 0xD800, u'b', 0xDC00, 0};
    EXPECT_EQ(XmlToWide(lone), L"a\uFFFDb\uFFFD");

    // One U+FFFD per maximal part that is no UTF-8, and what follows survives.
    const std::pair<std::string, std::wstring> invalid[] = {
        {"a\x80z", L"a\uFFFDz"},                           // lone continuation byte
        {"a\xE2\x82", L"a\uFFFD"},                         // cut sequence
        {"\xE2\x82z\xFF", L"\uFFFDz\uFFFD"},               // cut before a byte, never a lead
        {"\xC0\xAF", L"\uFFFD\uFFFD"},                     // overlong: C0 never leads
        {"\xE0\x9F\xBF", L"\uFFFD\uFFFD\uFFFD"},           // overlong three bytes
        {"\xED\xA0\x80", L"\uFFFD\uFFFD\uFFFD"},           // surrogate
        {"\xF4\x90\x80\x80", L"\uFFFD\uFFFD\uFFFD\uFFFD"}, // past U+10FFFF
        {"\xF4\x8F\xBF\xBF", L"\U0010FFFF"},
    };
    for (const auto& [bytes, text] : invalid)
        EXPECT_EQ(Utf8ToWide(bytes), text) << testing::PrintToString(bytes);

    // Module texts: every byte survives display and edit; only what has no byte is lost.
    std::string bytes;
    for (int b = 1; b < 256; ++b)
        bytes.push_back(static_cast<char>(b));
    EXPECT_EQ(ModuleTextBytes(WidenText(bytes)), bytes);
    EXPECT_EQ(ModuleTextBytes(L"a\u20ACb"), "a.b");
}

} // namespace
