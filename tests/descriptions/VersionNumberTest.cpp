#include "descriptions/VersionNumber.h"
#include "descriptions/XmlText.h"

#include <gtest/gtest.h>

namespace {

TEST(VersionNumber, ParseNeedsExactlyTwoNumbers) {
    const struct {
        std::wstring text;
        VersionNumber version;
    } cases[] = {
        {L"2.5", {2, 5}},   {L"1.300", {1, 44}}, {L"2", {0, 0}},      {L"2.", {0, 0}},
        {L" 3. 4", {3, 4}}, {L"3 .4", {0, 0}},   {L"-1.0", {255, 0}}, {L"1,2", {0, 0}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ParseVersionNumber(c.text), c.version) << WideToUtf8(c.text);
    }
    EXPECT_EQ(ParseVersionNumber(L"1.99999999999999999999999999"), (VersionNumber{1, 255}));
}

TEST(VersionNumber, TextShowsNoneAndPendingAndOrderIsNumeric) {
    const struct {
        VersionNumber version;
        std::wstring text;
    } cases[] = {
        {{0, 0}, L"None"},      {{255, 255}, L"None"}, {{254, 3}, L"Pending"},
        {{4, 255}, L"Pending"}, {{255, 3}, L"255.3"},  {{1, 12}, L"1.12"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(VersionText(c.version), c.text) << WideToUtf8(c.text);
    }
    // Order: major, then minor, as numbers.
    EXPECT_TRUE(IsNewer({1, 10}, {1, 9}) && IsNewer({2, 0}, {1, 255}));
    EXPECT_FALSE(IsNewer({1, 9}, {1, 10}) || IsNewer({1, 1}, {1, 1}));
}

} // namespace
