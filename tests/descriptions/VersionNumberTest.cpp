#include "descriptions/VersionNumber.h"
#include "descriptions/ModuleTypeNames.h"

#include <gtest/gtest.h>

namespace {

TEST(VersionNumber, ParseNeedsExactlyTwoNumbers) {
    struct Case {
        std::wstring text;
        VersionNumber version;
    };
    const Case cases[] = {
        {L"2.5", {2, 5}},
        {L"2", {0, 0}},
        {L"1.300", {1, 44}},
        {L"300.1", {44, 1}},
        {L"1.10", {1, 10}},
        {L"", {0, 0}},
        {L"a.b", {0, 0}},
        {L"2.", {0, 0}},
        {L".5", {0, 0}},
        {L" 3. 4", {3, 4}},
        {L"3 .4", {0, 0}},
        {L"1.2.3", {1, 2}},
        {L"1.2beta", {1, 2}},
        {L"-1.0", {255, 0}},
        {L"+2.+3", {2, 3}},
        {L"1,2", {0, 0}},
        {L"1.99999999999999999999999999", {1, 255}},
        {L"255.255", {255, 255}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.text.begin(), c.text.end()));
        EXPECT_EQ(ParseVersionNumber(c.text), c.version);
    }
}

TEST(VersionNumber, TextShowsNoneAndPending) {
    struct Case {
        VersionNumber version;
        std::wstring text;
    };
    const Case cases[] = {
        {{0, 0}, L"None"},        {{255, 255}, L"None"},    {{254, 3}, L"Pending"},
        {{254, 255}, L"Pending"}, {{4, 255}, L"Pending"},   {{0, 255}, L"Pending"},
        {{1, 2}, L"1.2"},         {{1, 12}, L"1.12"},       {{255, 3}, L"255.3"},
        {{0, 1}, L"0.1"},         {{253, 254}, L"253.254"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.version.major) * 256 + c.version.minor);
        EXPECT_EQ(VersionText(c.version), c.text);
    }
}

TEST(VersionNumber, OrderIsMajorThenMinorAsNumbers) {
    EXPECT_TRUE(IsNewer({1, 10}, {1, 9}));
    EXPECT_FALSE(IsNewer({1, 9}, {1, 10}));
    EXPECT_TRUE(IsNewer({2, 0}, {1, 255}));
    EXPECT_FALSE(IsNewer({1, 1}, {1, 1}));
    EXPECT_TRUE(IsNewer({255, 255}, {254, 0}));
    EXPECT_EQ((VersionNumber{1, 2}), (VersionNumber{1, 2}));
    EXPECT_NE((VersionNumber{1, 2}), (VersionNumber{2, 1}));
    EXPECT_TRUE(kNoVersion.IsNone());
}

TEST(ModuleTypeNames, LookupsAreExact) {
    struct Case {
        std::wstring name;
        ModuleTypeId id;
    };
    const Case cases[] = {{L"Unknown", 0}, {L"ORLAN6", 1}, {L"TARN", 2},  {L"tarn", 0},
                          {L"TARN ", 0},   {L"", 0},       {L"Orlan6", 0}};
    for (const Case& c : cases) {
        EXPECT_EQ(ModuleTypeFromName(c.name), c.id);
    }
    EXPECT_EQ(ModuleTypeName(0), L"Unknown");
    EXPECT_EQ(ModuleTypeName(1), L"ORLAN6");
    EXPECT_EQ(ModuleTypeName(2), L"TARN");
    EXPECT_EQ(ModuleTypeName(3), L"");
    EXPECT_EQ(ModuleTypeName(0xFFFFFFFFu), L"");
}

TEST(ModuleTypeNames, InterfaceNamesGiveTheirPosition) {
    struct Case {
        std::wstring name;
        int32_t id;
    };
    const Case cases[] = {{L"I2C", 0},  {L"SPI Control", 1}, {L"SPI Config", 2},   {L"JTAG", 3},
                          {L"SPI", -1}, {L"spi config", -1}, {L"SPI  Config", -1}, {L"", -1}};
    for (const Case& c : cases) {
        EXPECT_EQ(InterfaceFromName(c.name), c.id);
    }
}

} // namespace
