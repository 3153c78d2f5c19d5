#include "content/text_sources.h"

#include <exception>
#include <new>

#include "content/message_reader.h"
#include "platform/ui/message_box.h"
#include "reader/reading_document.h"
#include "reader/segment_text.h"
#include "reader/wait_cursor.h"

namespace velora::content {
namespace {

constexpr std::size_t kDefaultDocumentUnits = 5000;

void ShowOutOfMemory() {
    platform::MessageBoxW(nullptr, kOutOfMemoryText, kLoadFailureCaption,
                          platform::MB_OK | platform::MB_ICONWARNING);
}

}  // namespace

std::u16string DefaultDocument() {
    static constexpr const char16_t* kSentences[] = {
        u"Velora.",
        u"Copyright 2004-2026 Quenrick. All rights reserved.",
        u"Velora lets you read your e-mail at high speed using RSVP and the Tintline.",
        u"Select 'About' from the menu for more information on this software and how it works.",
    };
    std::u16string document;
    document.reserve(kDefaultDocumentUnits);
    for (std::size_t i = 0; i < std::size(kSentences); ++i) {
        document += kSentences[i];
        document += u' ';
        document += reader::kSentenceEndMark;
        document += u' ';
        if (i + 1 < std::size(kSentences)) {
            document += reader::kParagraphMark;
            document += u' ';
        }
    }
    return document;
}

void LoadDefaultDocument(reader::Player& player, services::ReadingSettings& settings,
                         std::size_t position) {
    reader::InstallDocument(player, std::u16string());
    std::u16string document;
    try {
        document = DefaultDocument();
    } catch (const std::bad_alloc&) {
        ShowOutOfMemory();
        return;
    }
    reader::InstallDocument(player, std::move(document));
    reader::JumpToPosition(player, settings, position);
}

void LoadMessageDocument(reader::Player& player, services::ReadingSettings& settings,
                         mail::MailStoreSession& session, platform::ULONG entryIdSize,
                         const platform::BYTE* entryId) {
    reader::InstallDocument(player, std::u16string());
    MessageReader messageReader;
    std::u16string text;
    bool copied = true;
    try {
        BuildMessageReader(messageReader, session, entryIdSize, entryId, 0);
        const platform::Bstr& body = ReadingText(messageReader);
        text = body.IsNull() ? std::u16string(kMissingBodyText) : std::u16string(body.View());
    } catch (...) {
        // The catch-all guard around loading a message: whatever went wrong, the reader gets a
        // document that says so.
        try {
            text = kLoadErrorText;
        } catch (...) {
            copied = false;
        }
    }
    if (copied) {
        try {
            const reader::WaitCursor waitCursor;  // a long text takes a while to segment
            std::u16string document = reader::SegmentText(text);
            std::u16string().swap(text);
            reader::InstallDocument(player, std::move(document));
            reader::JumpToPosition(player, settings, 0);
            reader::PrepareNextFrame(player, settings, reader::TintStart::Reset);
        } catch (const std::bad_alloc&) {
            copied = false;
        }
    }
    if (!copied) {
        reader::InstallDocument(player, std::u16string());
        ShowOutOfMemory();
    }
    DestroyMessageReader(messageReader);
}

void LoadAboutText(std::u16string& aboutBuffer) {
    static constexpr char16_t kAbout[] =
        u"            Velora v1.0p\r\n"
        u"   Copyright 2004-2026 Quenrick\r\n"
        u"        All rights reserved.\r\n"
        u"     https://velora.example.org\r\n"
        u"\r\n"
        u"Velora uses RSVP (Rapid Serial Visual Presentation), flashing one word at a time, so "
        u"that you can read your e-mail on your phone much faster. An average reader manages "
        u"about 150 words per minute and can double, triple or even quadruple that speed. The "
        u"Tintline under each word runs from green at the beginning of a sentence to red at its "
        u"end, which gives you a sense of where the word stands in its sentence; at high speeds "
        u"it seems to pulse.\r\n"
        u"\r\n"
        u"Practice makes the difference: a typical reader starts at 150 words per minute and can "
        u"speed up within 10 to 20 minutes. Many people read at around 500 words per minute and "
        u"more.\r\n"
        u"\r\n"
        u"Cool Tips:\r\n"
        u"\r\n"
        u"Press the Action key left to make the reader slower and right to make it faster.\r\n"
        u"\r\n"
        u"Press the Action key up or down to go backward or forward one sentence at a time.\r\n"
        u"\r\n"
        u"Press the Action key to start the reader, and press it again to pause.\r\n"
        u"\r\n"
        u"Choose \"Options\" in the menu to adjust the other settings: the extra time for "
        u"punctuation marks, long words and numbers, and the Reading Light, Tintline and Speed "
        u"Boost switches.\r\n"
        u"\r\n"
        u"The Reading Light keeps the backlight on while words are flashing, and returns to your "
        u"own settings when the reader pauses, another application comes forward, or the reader "
        u"exits.\r\n"
        u"\r\n"
        u"Speed Boost shortens the time each word is visible.\r\n"
        u"\r\n"
        u"Enjoy!\r\n";
    aboutBuffer += kAbout;
}

}  // namespace velora::content
