#include "commands/reader_wiring.h"

#include "platform/base/program_services.h"
#include "services/dialog.h"

namespace velora::commands {

std::unique_ptr<reader::FindCommands> WireReaderCommands(ReaderWiring wiring) {
    reader::ReaderWindow* window = &wiring.reader;
    auto find =
        std::make_unique<reader::FindCommands>(wiring.player, wiring.settings, wiring.findState,
                                               reader::FindReaderHooks{
                                                   window,
                                                   [window] { window->StopPlayback(); },
                                                   [window] { window->EnterFindMode(); },
                                                   [window] { window->ShowCurrentFrame(); },
                                               });
    reader::FindCommands* commands = find.get();

    reader::ReaderWindow::Commands reader;
    reader.find = [commands] { commands->Find(); };
    reader.findNext = [commands] { commands->FindNext(); };
    reader.markAsUnread = std::move(wiring.markAsUnread);
    reader.deleteMessage = std::move(wiring.deleteMessage);
    window->SetCommands(std::move(reader));

    services::DialogContext context;
    context.screen = &wiring.screen;
    context.instance = wiring.instance;
    context.aboutText = std::move(wiring.aboutText);
    reader::FindState* state = &wiring.findState;
    context.lastFindText = [state] { return state->findText; };
    context.showInboxFrame = std::move(wiring.showInboxFrame);
    context.findProcedure = [commands](services::DialogWindow& dialog, platform::UINT message,
                                       platform::WPARAM wParam, platform::LPARAM lParam) {
        return commands->DialogProcedure(dialog, message, wParam, lParam);
    };
    platform::CurrentProgramServices().Get<services::DialogContext>() = std::move(context);
    return find;
}

}  // namespace velora::commands
