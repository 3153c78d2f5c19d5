#include "inbox/inbox_sort.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/base/text_codec.h"
#include "platform/desktop/locale_format.h"

namespace velora::inbox {
namespace {

using mail::InboxList;
using mail::MessageSummary;

// Summaries named by their subject, with the fields the sorts look at.
void Add(InboxList& list, const std::string& name, std::int32_t read,
         const std::u16string& sender = u"x", std::uint64_t time = 0) {
    auto summary = std::make_unique<MessageSummary>();
    summary->subject = platform::DecodeUtf8(name);
    summary->read = read;
    summary->sender = sender;
    summary->deliveryTime = platform::MakeFileTime(time);
    list.summaries.Append(std::move(summary));
}

std::string Order(InboxList& list) {
    std::string order;
    for (std::int32_t i = 0; i < list.summaries.Count(); ++i) {
        if (!order.empty()) order += ' ';
        order += platform::EncodeUtf8((*list.summaries.Find(i))->subject);
    }
    return order;
}

class InboxSortTest : public ::testing::Test {
  protected:
    void SetUp() override { locale_ = "en_US"; }
    platform::ProgramServices services_;
    std::string& locale_ = services_.Get<platform::UserLocale>().name;
    InboxSortState state_;
};

TEST_F(InboxSortTest, EqualElementsEndWhereThePartitionLeavesThem) {
    // All unread: every element equals the pivot, so the scans exchange pairs from both ends.
    InboxList list;
    for (const char* name : {"a", "b", "c", "d", "e"}) Add(list, name, 0);
    SortInboxList(list, InboxSortKey::Read, state_);
    EXPECT_EQ(Order(list), "d e c a b");
    // Read ascending puts unread first; equal keys are not kept in their order.
    InboxList mixed;
    Add(mixed, "r1", 1);
    Add(mixed, "u1", 0);
    Add(mixed, "r2", 1);
    Add(mixed, "u2", 0);
    Add(mixed, "u3", 0);
    Add(mixed, "r3", 1);
    InboxSortState fresh;
    SortInboxList(mixed, InboxSortKey::Read, fresh);
    EXPECT_EQ(Order(mixed), "u3 u2 u1 r3 r1 r2");
}

TEST_F(InboxSortTest, RepeatedChoiceReversesAndANewKeyStartsAscending) {
    InboxList list;
    Add(list, "mid", 0, u"bob", 200);
    Add(list, "old", 1, u"Carol", 100);
    Add(list, "new", 0, u"alice", 300);
    SortInboxList(list, InboxSortKey::Date, state_);
    EXPECT_EQ(Order(list), "old mid new");
    SortInboxList(list, InboxSortKey::Date, state_);
    EXPECT_EQ(Order(list), "new mid old");
    SortInboxList(list, InboxSortKey::Sender, state_);
    EXPECT_EQ(Order(list), "new mid old");  // alice, bob, Carol: case does not order
    SortInboxList(list, InboxSortKey::Date, state_);
    EXPECT_EQ(Order(list), "old mid new");  // back to date: ascending again, not reversed
    SortInboxList(list, InboxSortKey::Sender, state_);
    SortInboxList(list, InboxSortKey::Sender, state_);
    EXPECT_EQ(Order(list), "old mid new");
}

TEST_F(InboxSortTest, SenderComparisonIgnoresCase) {
    MessageSummary a;
    MessageSummary b;
    a.sender = u"Zoë Ångström";
    b.sender = u"zoë ångström";
    EXPECT_EQ(CompareSummaries(InboxSortKey::Sender, &a, &b), 0);
    b.sender = u"Zoe";
    EXPECT_GT(CompareSummaries(InboxSortKey::Sender, &a, &b), 0);
    EXPECT_EQ(CompareSummaries(InboxSortKey::None, &a, &b), 0);
}

TEST_F(InboxSortTest, ASingleSummaryStaysAsItIs) {
    InboxList one;
    Add(one, "only", 1);
    SortInboxList(one, InboxSortKey::Read, state_);
    EXPECT_EQ(Order(one), "only");
}

TEST_F(InboxSortTest, DateAndTimeTextsShowUtcWithABullet) {
    MessageSummary summary;
    // 2024-03-09 17:45:30 UTC.
    summary.deliveryTime = platform::MakeFileTime((1710006330ULL + 11644473600ULL) * 10000000ULL);
    EXPECT_EQ(FormatDateText(summary), u"3/9/24 \u2022 ");
    const std::u16string time = FormatTimeText(summary);  // the space before PM varies by CLDR
    EXPECT_TRUE(time.starts_with(u"5:45") && time.ends_with(u"PM \u2022 "))
        << platform::EncodeUtf8(time);
    locale_ = "de_DE";
    EXPECT_EQ(FormatDateText(summary), u"09.03.24 \u2022 ");
    EXPECT_EQ(FormatTimeText(summary), u"17:45 \u2022 ");  // the seconds are left out
}

}  // namespace
}  // namespace velora::inbox
