#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "engine/TurbineIds.h"

using namespace engine;

namespace {

struct TypedCase {
    const char* text;
    std::int32_t value;
    std::int32_t target;
};

// What the operator may type into the Turbine ID box.
TEST(TurbineIdTest, ValueAndTargetOfTypedText) {
    const TypedCase cases[] = {
        {"QOR123-7654321", 7654321, 7654321},     // "QOR" drops the first six characters
        {"qor123-7654321", 1237654321, 7654321},  // the prefix is case sensitive
        {"T-12a34", 1234, 1234},
        {"QOR12", 0, 0},  // nothing left after the skip
        {"QOR", 0, 0},
        {"", 0, 0},
        {"0000", 0, 0},
        {"20000000", 20000000, 0},              // accepted, but no search follows
        {"4294967297", 1, 1},                   // wraps at 32 bits
        {"3000000000", -1294967296, -4967296},  // wraps negative; no search follows
    };
    for (const TypedCase& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(turbineIdValue(c.text), c.value);
        EXPECT_EQ(targetOf(turbineIdValue(c.text)), c.target);
    }
}

struct NameCase {
    const char* name;
    std::optional<std::int32_t> target;
};

// The identifier a node's name carries, from its seventh character on.
TEST(TurbineIdTest, TargetOfNodeName) {
    const NameCase cases[] = {
        {"ABCDE", std::nullopt},  // too short: neither a match nor counted
        {"ABCDEF", 0},            // exactly six characters: no digits
        {"NODE0-1234567", 1234567},
        {"12345X1234567", 1234567},     // digits before index 6 do not count
        {"AB-CD-8761234567", 1299975},  // 8761234567 wraps to 171299975
        {"WT-01-11234567", 1234567},
        {"WT-01-a1b2c3", 123},
        // 17 digits from index 6: only the first 15 count. 123456789012345 wraps to
        // -2045911175, whose remainder keeps the sign.
        {"WT-01-12345678901234567", -5911175},
        {"WT-01-123456789012345", -5911175},
    };
    for (const NameCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(nodeNameTarget(c.name), c.target);
    }
}

TEST(TurbineIdTest, DigitLimitCountsDigitsOnly) {
    EXPECT_EQ(digitValue("1a2b3c4", 3), 123);
    EXPECT_EQ(digitValue("1a2b3c4", 0), 0);
    EXPECT_EQ(digitValue("x"), 0);
}

}  // namespace
