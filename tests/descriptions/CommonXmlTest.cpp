#include "DescTestSupport.h"

#include "descriptions/CAssembliesXML.h"
#include "descriptions/CCommonXML.h"
#include "descriptions/CModuleTypeXML.h"
#include "descriptions/CXMLFileReader.h"
#include "descriptions/XmlText.h"

#include <gtest/gtest.h>

#include <xercesc/dom/DOMDocument.hpp>
#include <xercesc/dom/DOMElement.hpp>

#include <chrono>

namespace {

// A file reader without a version check, to reach the shared lookups.
class PlainReader : public CXMLFileReader {
public:
    PlainReader() : CXMLFileReader(L"0.1") {}
    bool Parse(const std::wstring& path) { return ParseDocument(path); }
};

bool StartsWith(const std::wstring& text, const std::wstring& prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

TEST(CommonXml, DataFormatVersionDecidesTheParse) {
    struct Case {
        const char* name;
        std::string xml;
        bool ok;
        std::wstring error; // expected text when not ok
    };
    const Case cases[] = {
        {"current", R"(<R><ModuleType version="0.1" type="TARN"/></R>)", true, L""},
        {"newer", R"(<R><ModuleType version="0.2" type="TARN"/></R>)", false,
         L"Expected data format version '0.1', received '0.2"},
        {"missing", R"(<R><ModuleType type="TARN"/></R>)", false,
         L"Expected data format version '0.1', received 'unknown"},
        {"two elements", R"(<R><ModuleType version="0.1"/><X><ModuleType version="0.1"/></X></R>)",
         false, L"Expected data format version '0.1', received 'unknown"},
        {"no element", R"(<R/>)", false, L"Expected data format version '0.1', received 'unknown"},
        {"padded", R"(<R><ModuleType version=" 0.1"/></R>)", false,
         L"Expected data format version '0.1', received ' 0.1"},
    };
    TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::wstring path = dir.Write("type.xml", c.xml);
        CModuleTypeXML reader;
        EXPECT_EQ(reader.Parse(L"", path), c.ok);
        EXPECT_EQ(reader.Document() != nullptr, c.ok);
        std::wstring error;
        reader.TakeError(error);
        EXPECT_EQ(error, c.error);
        EXPECT_FALSE(reader.HasError());
    }
}

TEST(CommonXml, BadFilesBecomeErrorTextWithoutDocument) {
    struct Case {
        const char* name;
        std::string content;
        bool create;
    };
    const Case cases[] = {
        {"not xml", "hello, world\n", true},
        {"empty", "", true},
        {"missing", "", false},
        {"truncated", "<R><Module version=\"0.1\"", true},
        {"binary", std::string("\x00\xff\xfe\x01<<>>", 8), true},
        {"two roots", "<R/><S/>", true},
        {"undefined entity", "<R a=\"&nope;\"/>", true},
    };
    TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::wstring path = c.create ? dir.Write("bad.xml", c.content) : dir.Wide("none.xml");
        CAssembliesXML reader;
        bool ok = true;
        EXPECT_NO_THROW(ok = reader.Parse(L"", path));
        EXPECT_FALSE(ok);
        EXPECT_TRUE(reader.HasError());
        EXPECT_EQ(reader.Document(), nullptr);
        std::wstring error;
        reader.TakeError(error);
        EXPECT_TRUE(StartsWith(error, L"XML Exception parsing " + path + L" reports: ") ||
                    StartsWith(error, L"Parsing " + path + L" error count: "))
            << WideToUtf8(error);
        // Getters of a reader without a document return their "missing" results.
        EXPECT_EQ(reader.GetVersion(), L"unknown");
        EXPECT_EQ(reader.GetModuleType(), 0u);
        AssemblyReaders assemblies;
        reader.GetAssemblies(assemblies);
        EXPECT_TRUE(assemblies.empty());
    }
}

TEST(CommonXml, ValidationErrorsAreCountedAndFail) {
    TempDir dir;
    const std::wstring path = dir.Write("invalid.xml", "<!DOCTYPE R [<!ELEMENT R EMPTY>]>\n"
                                                       "<R><ModuleType version=\"0.1\"/></R>\n");
    CModuleTypeXML reader;
    EXPECT_FALSE(reader.Parse(L"", path));
    std::wstring error;
    reader.TakeError(error);
    EXPECT_TRUE(StartsWith(error, L"Parsing " + path + L" error count: ")) << WideToUtf8(error);
    EXPECT_EQ(error.back(), L'\n');
    EXPECT_EQ(reader.Document(), nullptr);
}

TEST(CommonXml, ErrorCountIsFollowedByTheParserMessages) {
    TempDir dir;
    const std::wstring missing = dir.Wide("missing.xml");
    CModuleTypeXML reader;
    EXPECT_FALSE(reader.Parse(L"", missing));
    std::wstring error;
    reader.TakeError(error);
    const std::wstring head = L"Parsing " + missing + L" error count: 1\n";
    ASSERT_TRUE(StartsWith(error, head)) << WideToUtf8(error);
    EXPECT_NE(error.find(L"missing.xml", head.size()), std::wstring::npos) << WideToUtf8(error);

    EXPECT_FALSE(reader.Parse(L"", dir.Write("cut.xml", "<R>\n<ModuleType version=\"0.1\">")));
    reader.TakeError(error);
    EXPECT_NE(error.find(L"line 2, column"), std::wstring::npos) << WideToUtf8(error);
}

TEST(CommonXml, LocalGrammarsValidateAndNetworkOnesAreNotFetched) {
    TempDir dir;
    dir.Write("grammar.dtd", "<!ELEMENT R (ModuleType)>\n<!ELEMENT ModuleType EMPTY>\n"
                             "<!ATTLIST ModuleType version CDATA #REQUIRED>\n");
    CModuleTypeXML reader;
    EXPECT_TRUE(reader.Parse(L"", dir.Write("valid.xml", "<!DOCTYPE R SYSTEM \"grammar.dtd\">"
                                                         "<R><ModuleType version=\"0.1\"/></R>")));
    EXPECT_FALSE(reader.Parse(L"", dir.Write("invalid.xml", "<!DOCTYPE R SYSTEM \"grammar.dtd\">"
                                                            "<R><ModuleType/></R>")));
    std::wstring error;
    reader.TakeError(error);
    EXPECT_NE(error.find(L"version"), std::wstring::npos) << WideToUtf8(error);

    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(reader.Parse(L"", dir.Write("remote.xml",
                                             "<!DOCTYPE R SYSTEM \"http://example.invalid/g.dtd\">"
                                             "<R><ModuleType version=\"0.1\"/></R>")));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(60));
    reader.TakeError(error);
    EXPECT_NE(error.find(L"not fetched: http://example.invalid/g.dtd"), std::wstring::npos)
        << WideToUtf8(error);
}

TEST(CommonXml, EntityExpansionIsBoundedAndReturns) {
    std::string xml = "<!DOCTYPE R [<!ENTITY a0 \"xxxxxxxxxx\">\n";
    for (int i = 1; i < 10; ++i) {
        xml += "<!ENTITY a" + std::to_string(i) + " \"";
        for (int k = 0; k < 10; ++k) {
            xml += "&a" + std::to_string(i - 1) + ";";
        }
        xml += "\">\n";
    }
    xml += "]><R><ModuleType version=\"0.1\" type=\"&a9;\"/></R>";
    TempDir dir;
    const std::wstring path = dir.Write("laughs.xml", xml);
    CModuleTypeXML reader;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(reader.Parse(L"", path));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(60));
    EXPECT_TRUE(reader.HasError());
}

TEST(CommonXml, UntakenErrorKeepsFailingUntilTaken) {
    TempDir dir;
    const std::wstring bad = dir.Write("bad.xml", "<R><ModuleType version=\"0.2\"/></R>");
    const std::wstring good = dir.Write("good.xml", "<R><ModuleType version=\"0.1\"/></R>");
    CModuleTypeXML reader;
    EXPECT_FALSE(reader.Parse(L"", bad));
    EXPECT_FALSE(reader.Parse(L"", good));
    std::wstring error;
    reader.TakeError(error);
    EXPECT_TRUE(StartsWith(error, L"Expected data format version '0.1', received '0.2"));
    EXPECT_TRUE(reader.Parse(L"", good));
    EXPECT_EQ(reader.GetVersion(), L"0.1");
    // Parsing again replaces the document.
    const std::wstring other =
        dir.Write("other.xml", "<R><ModuleType version=\"0.1\" type=\"ORLAN6\"/></R>");
    EXPECT_TRUE(reader.Parse(L"", other));
    EXPECT_EQ(reader.GetModuleType(), 1u);
    reader.ReleaseDocument();
    EXPECT_EQ(reader.Document(), nullptr);
    EXPECT_EQ(reader.GetVersion(), L"unknown");
}

class ElementFixture : public ::testing::Test {
protected:
    void Load(const std::string& xml) {
        const std::wstring path = m_dir.Write("doc.xml", xml);
        ASSERT_TRUE(m_reader.Parse(path));
    }
    xercesc::DOMElement* Root() const { return m_reader.DocumentElement(); }

    TempDir m_dir;
    PlainReader m_reader;
};

TEST_F(ElementFixture, IntegerAttributesFollowBaseZeroConversion) {
    struct Case {
        const char* text;
        uint32_t value;
    };
    const Case cases[] = {
        {"0x1F", 31},
        {"31", 31},
        {"037", 31},
        {"0X1f", 31},
        {"08", 0},
        {"abc", 0},
        {"", 0},
        {"0x", 0},
        {"12abc", 12},
        {" 12", 12},
        {"+7", 7},
        {"-1", 0xFFFFFFFFu},
        {"-0x10", static_cast<uint32_t>(-16)},
        {"2147483647", 0x7FFFFFFFu},
        {"2147483648", 0x7FFFFFFFu},
        {"0xFFFFFFFF", 0x7FFFFFFFu},
        {"99999999999999999999999", 0x7FFFFFFFu},
        {"-2147483648", 0x80000000u},
        {"-99999999999", 0x80000000u},
        {"1e3", 1},
    };
    std::string xml = "<R><E";
    for (size_t i = 0; i < std::size(cases); ++i) {
        xml += " v" + std::to_string(i) + "=\"" + cases[i].text + "\"";
    }
    xml += "/></R>";
    Load(xml);
    const xercesc::DOMElement* e = CCommonXML::FindFirstElement(Root(), L"E");
    ASSERT_NE(e, nullptr);
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].text);
        uint32_t value = 0xDEADBEEF;
        EXPECT_TRUE(CCommonXML::GetIntAttribute(e, L"v" + std::to_wstring(i), value));
        EXPECT_EQ(value, cases[i].value);
    }
    uint32_t untouched = 77;
    EXPECT_FALSE(CCommonXML::GetIntAttribute(e, L"missing", untouched));
    EXPECT_EQ(untouched, 77u);
    EXPECT_FALSE(CCommonXML::GetIntAttribute(nullptr, L"v0", untouched));
    EXPECT_EQ(untouched, 77u);
}

TEST_F(ElementFixture, StringAttributesKeepTextAndReportMissing) {
    Load("<R><E a=\"x &amp; y\" empty=\"\" u=\"\xC3\xA9\xF0\x9F\x98\x80\"/></R>");
    const xercesc::DOMElement* e = CCommonXML::FindFirstElement(Root(), L"E");
    std::wstring text = L"preset";
    EXPECT_TRUE(CCommonXML::GetStringAttribute(e, L"a", text));
    EXPECT_EQ(text, L"x & y");
    EXPECT_TRUE(CCommonXML::GetStringAttribute(e, L"empty", text));
    EXPECT_EQ(text, L"");
    EXPECT_TRUE(CCommonXML::GetStringAttribute(e, L"u", text));
    EXPECT_EQ(text, std::wstring(L"\u00E9") + static_cast<wchar_t>(0x1F600));
    text = L"preset";
    EXPECT_FALSE(CCommonXML::GetStringAttribute(e, L"A", text));
    EXPECT_EQ(text, L"preset");
}

TEST_F(ElementFixture, FindFirstElementSearchesDescendantsInDocumentOrder) {
    Load(R"(<Module n="root"><A><Module n="deep"/></A><Module n="shallow"/></Module>)");
    const xercesc::DOMElement* first = CCommonXML::FindFirstElement(Root(), L"Module");
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(CCommonXML::StringAttributeOr(first, L"n"), L"deep");
    EXPECT_EQ(CCommonXML::FindFirstElement(first, L"Module"), nullptr);
    EXPECT_EQ(CCommonXML::FindFirstElement(nullptr, L"Module"), nullptr);
    EXPECT_EQ(CCommonXML::FindFirstElement(Root(), L"module"), nullptr);
    EXPECT_EQ(CCommonXML::FindElements(Root(), L"Module").size(), 2u);
}

TEST_F(ElementFixture, FindFirstElementNeverMatchesTheParent) {
    Load(R"(<Module version="0.1"><Other/></Module>)");
    EXPECT_EQ(CCommonXML::FindFirstElement(Root(), L"Module"), nullptr);
}

TEST(CommonXml, DocumentAttributeNeedsExactlyOneElement) {
    struct Case {
        const char* name;
        std::string xml;
        std::wstring value;
    };
    const Case cases[] = {
        {"one", R"(<R><Module type="TARN"/></R>)", L"TARN"},
        {"document element", R"(<Module type="TARN"/>)", L"TARN"},
        {"deep", R"(<R><A><B><Module type="ORLAN6"/></B></A></R>)", L"ORLAN6"},
        {"none", R"(<R><Modules type="TARN"/></R>)", L"unknown"},
        {"two", R"(<R><Module type="TARN"/><Module type="TARN"/></R>)", L"unknown"},
        {"nested two", R"(<Module type="TARN"><Module/></Module>)", L"unknown"},
        {"no attribute", R"(<R><Module kind="TARN"/></R>)", L"unknown"},
        {"empty attribute", R"(<R><Module type=""/></R>)", L""},
    };
    TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PlainReader reader;
        ASSERT_TRUE(reader.Parse(dir.Write("doc.xml", c.xml)));
        EXPECT_EQ(reader.GetDocumentAttribute(L"Module", L"type"), c.value);
    }
    PlainReader empty;
    EXPECT_EQ(empty.GetDocumentAttribute(L"Module", L"type"), L"unknown");
}

TEST(XmlText, ConversionsRoundTripAndReplaceInvalidInput) {
    const std::wstring wide = std::wstring(L"a\u00E9\u20AC") + static_cast<wchar_t>(0x1F600);
    EXPECT_EQ(XmlToWide(WideToXml(wide).c_str()), wide);
    EXPECT_EQ(WideToXml(wide).size(), 5u); // the last one needs a surrogate pair
    EXPECT_EQ(Utf8ToWide(WideToUtf8(wide)), wide);
    EXPECT_EQ(WideToUtf8(wide), "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80");
    EXPECT_EQ(XmlToWide(nullptr), L"");

    struct Case {
        const char* name;
        std::string utf8;
        std::wstring wide;
    };
    const Case cases[] = {
        {"lone continuation", "a\x80z", L"a\uFFFDz"},
        {"cut sequence", "a\xE2\x82", L"a\uFFFD"},
        {"overlong", "\xC0\xAF", L"\uFFFD"},
        {"surrogate", "\xED\xA0\x80", L"\uFFFD"},
        {"bad lead",
         "\xFF"
         "b",
         L"\uFFFDb"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Utf8ToWide(c.utf8), c.wide);
    }
    const char16_t lone[] = {u'a', 0xD800, u'b', 0xDC00, 0};
    EXPECT_EQ(XmlToWide(lone), L"a\uFFFDb\uFFFD");

    EXPECT_EQ(NarrowText(L"B7-\u00E9x"), "B7-.x");
    EXPECT_EQ(WidenText("B\xE9"), L"B\u00E9");
}

} // namespace
