#include "platform/base/bstr.h"

#include <gtest/gtest.h>

namespace velora::platform {
namespace {

TEST(Bstr, NullAndEmptyDiffer) {
    const Bstr null;
    EXPECT_EQ(SysStringLen(null), 0u);
    const Bstr empty = SysAllocStringLen(nullptr, 0);
    EXPECT_FALSE(empty.IsNull());
    EXPECT_EQ(empty.Data()[0], u'\0');
}

TEST(Bstr, CopiesAreIndependentAndFreeLeavesNull) {
    Bstr text = SysAllocString(u"word");
    Bstr copy = text;
    SysFreeString(text);
    EXPECT_TRUE(text.IsNull());
    EXPECT_EQ(copy.View(), u"word");
}

}  // namespace
}  // namespace velora::platform
