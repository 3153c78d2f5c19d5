// velora list [--sort read|sender|date]...: the Inbox list of the stores, one message a line.

#include <ostream>
#include <string>
#include <vector>

#include "commands/command_input.h"
#include "commands/commands.h"
#include "commands/store_config.h"
#include "inbox/inbox_sort.h"
#include "mail/inbox_list.h"
#include "mail/mail_store_session.h"
#include "platform/base/program_services.h"
#include "platform/base/text_codec.h"
#include "platform/desktop/locale_format.h"
#include "platform/maildir/folder_index.h"

namespace velora::commands {
namespace {

using inbox::InboxSortKey;

InboxSortKey ParseSortKey(std::string_view value) {
    if (value == "read") return InboxSortKey::Read;
    if (value == "sender") return InboxSortKey::Sender;
    if (value == "date") return InboxSortKey::Date;
    throw UsageError{"--sort takes read, sender or date, not '" + std::string(value) + "'"};
}

std::vector<InboxSortKey> ParseListArguments(const std::vector<std::string>& arguments) {
    std::vector<InboxSortKey> sorts;
    ParseCommandOptions(
        arguments,
        {.command = "list",
         .options = {Valued("--sort", "--sort needs read, sender or date",
                            [&](std::string_view value) { sorts.push_back(ParseSortKey(value)); })},
         .operands = Operands::None,
         .unknown = "unexpected argument"});
    return sorts;
}

// C0 controls, DEL and C1 controls.
bool IsControlCharacter(char16_t c) {
    return c < 0x20 || (c >= 0x7F && c <= 0x9F);
}

// A field of a tab-separated line, safe to print on a terminal: a control character would break
// the line format (tab, line breaks) or drive the terminal (ESC and the C1 controls start its
// command sequences), so white space controls become a space and every other one U+FFFD.
void AppendField(std::string& line, std::u16string_view text) {
    // Most fields are printable ASCII: copied straight in, without an intermediate string.
    bool printableAscii = true;
    for (char16_t c : text) printableAscii = printableAscii && c < 0x80 && !IsControlCharacter(c);
    if (printableAscii) {
        for (char16_t c : text) line += static_cast<char>(c);
        return;
    }
    std::u16string printable(text);
    for (char16_t& c : printable) {
        if (!IsControlCharacter(c)) continue;
        c = (c == u'\t' || c == u'\n' || c == u'\r' || c == u'\v' || c == u'\f') ? u' ' : u'\uFFFD';
    }
    line += platform::EncodeUtf8(printable);
}

// The decimal digits of a number, zero-padded to at least `width` (as printf's "%0*u" would).
void AppendNumber(std::string& line, unsigned value, int width) {
    char digits[12];
    int count = 0;
    do {
        digits[count++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value != 0);
    for (int pad = count; pad < width; ++pad) line += '0';
    while (count > 0) line += digits[--count];
}

void AppendTime(std::string& line, const platform::FILETIME& time) {
    platform::SYSTEMTIME fields{};
    if (!platform::FileTimeToSystemTime(&time, &fields))
        fields = platform::SYSTEMTIME{1601, 1, 1, 1, 0, 0, 0, 0};
    AppendNumber(line, fields.wYear, 4);
    line += '-';
    AppendNumber(line, fields.wMonth, 2);
    line += '-';
    AppendNumber(line, fields.wDay, 2);
    line += ' ';
    AppendNumber(line, fields.wHour, 2);
    line += ':';
    AppendNumber(line, fields.wMinute, 2);
}

// One line of the list: R or -, A or -, D or -, the delivery time, sender and subject.
void AppendSummaryLine(std::string& out, const mail::MessageSummary& summary) {
    out += summary.read != 0 ? 'R' : '-';
    out += '\t';
    out += summary.hasAttachments != 0 ? 'A' : '-';
    out += '\t';
    out += summary.markedForDownload != 0 ? 'D' : '-';
    out += '\t';
    AppendTime(out, summary.deliveryTime);
    out += '\t';
    AppendField(out, summary.sender);
    out += '\t';
    AppendField(out, summary.subject);
    out += '\n';
}

// Written in pieces, so a long list never sits in memory twice. (Index access moves the list's
// cursor, hence not const.)
void WriteList(mail::InboxList& list, std::ostream& stream) {
    constexpr std::size_t kChunk = 64 * 1024;
    std::string out;
    out.reserve(kChunk + 4096);
    for (std::int32_t i = 0; i < list.summaries.Count(); ++i) {
        AppendSummaryLine(out, **list.summaries.Find(i));
        if (out.size() >= kChunk) {
            stream << out;
            out.clear();
        }
    }
    stream << out;
}

}  // namespace

int RunListCommand(const CommandContext& context) {
    const std::vector<InboxSortKey> sorts = ParseListArguments(context.arguments);
    std::string error;
    auto stores = ResolveMessageStores(context.maildirs, error);
    if (!stores) {
        context.err << "velora: " << error << "\n";
        return kExitInputError;
    }
    platform::MessageStoreProfile& profile =
        platform::CurrentProgramServices().Get<platform::MessageStoreProfile>();
    // One pass over each folder: its index need not outlive the listing.
    profile = {std::move(*stores), platform::FolderIndexUse::ReleasedAfterListing};
    mail::MapiRuntime runtime;
    int status = kExitSuccess;
    {
        mail::MailStoreSession session;
        if (platform::FAILED(session.Logon())) {
            context.err << "velora: the mail stores cannot be opened\n";
            status = kExitInputError;
        } else {
            mail::InboxList list;
            mail::LoadInboxList(session, list);
            inbox::InboxSortState state;
            for (InboxSortKey key : sorts) inbox::SortInboxList(list, key, state);
            WriteList(list, context.out);
            status = FinishOutput(context, "the list could not be written");
        }
    }
    profile = {};
    return status;
}

}  // namespace velora::commands
