#pragma once
// The date and time texts the Inbox window puts in front of the sender and subject lines while
// its date display is on: the delivery time as stored (UTC, no conversion to local time) in the
// user's short date format / time format without seconds, followed by " • ".

#include <string>

#include "mail/message_summary.h"

namespace velora::inbox {

std::u16string FormatDateText(const mail::MessageSummary& summary);
std::u16string FormatTimeText(const mail::MessageSummary& summary);

}  // namespace velora::inbox
