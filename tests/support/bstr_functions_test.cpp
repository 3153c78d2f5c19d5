#include "support/bstr_functions.h"

#include <gtest/gtest.h>

#include "support/list_compare.h"

namespace velora::support {
namespace {

TEST(BstrFunctions, EmptyAndNullTextsGiveAnEmptyNonNullBstr) {
    EXPECT_FALSE(MakeBstr(nullptr).IsNull());
    EXPECT_EQ(BstrLength(MakeBstr(u"mail")), 4u);
    EXPECT_EQ(BstrLength(platform::Bstr()), 0u);
}

TEST(ListCompare, KindsOrderStringsAsTheDeviceDid) {
    EXPECT_LT(CompareOrdinal(u"Apple", u"apple"), 0);
    EXPECT_GT(CompareOrdinal(u"ab", u"a"), 0);
    EXPECT_EQ(CompareOrdinal(nullptr, u""), 0);
    EXPECT_EQ(CompareOrdinalIgnoreCase(u"MAIL", u"mail"), 0);
    // Lower-casing, not upper-casing: '_' (0x5F) sorts before 'a' (0x61).
    EXPECT_LT(CompareOrdinalIgnoreCase(u"_", u"A"), 0);
    EXPECT_NE(CompareOrdinalIgnoreCase(u"\u00c9", u"\u00e9"), 0) << "only A-Z fold";
}

}  // namespace
}  // namespace velora::support
