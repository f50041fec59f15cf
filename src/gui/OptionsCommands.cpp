#include "gui/OptionsCommands.h"

#include "core/session/OptionsVisit.h"
#include "core/session/Roles.h"
#include "core/session/Session.h"
#include "gui/ChannelTreeView.h"
#include "gui/frmMain.h"
#include "gui/frmOptions.h"

#include <QAction>

#include <memory>

namespace kw {

OptionsLinks optionsLinks(frmMain& main) {
    OptionsLinks links;
    links.anchor = &main;
    links.run = [&main](const std::function<void()>& command) { main.runCommand(command); };
    links.setHideOnDeactive = [&main](bool hide) { main.setHideOnDeactive(hide); };
    links.packMDB = main.command(MainCommand::actPackMDB);
    links.exportUserChannel = main.command(MainCommand::actExportUserChannel);
    links.authorHomePage = main.command(MainCommand::actAuthorHomePage);
    links.authorEmail = main.command(MainCommand::actAuthorEmail);
    return links;
}

void openOptions(frmMain& main, OptionsPage page) {
    if (frmOptions* window = frmOptions::current()) {
        window->raise();
        window->activateWindow();
    }
    Session& session = main.session();
    std::unique_ptr<OptionsVisit> visit = session.visitOptions(page);
    if (!visit) return;
    std::unique_ptr<frmOptions> dialog;
    main.runCommand([&] { dialog = std::make_unique<frmOptions>(*visit, optionsLinks(main)); });
    // Nothing was shown: the visit ends as a cancel, without a rebuild.
    if (!dialog) return;
    main.ui().setOwner(dialog.get());
    main.hide();
    dialog->exec();
    main.ui().setOwner(&main);
    dialog.reset();
    visit.reset();
    main.show();
    main.activateWindow();
    if (main.widgets().tvSelectChannel != nullptr) main.widgets().tvSelectChannel->setFocus();
    if (page == OptionsPage::Edit) main.ShowNodeDetails(session.view().tree().selected());
}

void connectOptionsCommands(frmMain& main) {
    const auto page = [&main](MainCommand id, OptionsPage opened) {
        QObject::connect(main.command(id), &QAction::triggered, &main,
                         [&main, opened] { openOptions(main, opened); });
    };
    page(MainCommand::actSetup, OptionsPage::Settings);
    page(MainCommand::actUserAddChannel, OptionsPage::Add);
    page(MainCommand::actEditChannel, OptionsPage::Edit);
    page(MainCommand::actSetTimerSwitchChannel, OptionsPage::Timer);
    page(MainCommand::actAbout, OptionsPage::About);
    const auto onSession = [&main](MainCommand id, auto sessionCommand) {
        QObject::connect(main.command(id), &QAction::triggered, &main, [&main, sessionCommand] {
            main.runCommand([&main, sessionCommand] { sessionCommand(main.session()); });
        });
    };
    onSession(MainCommand::actExportUserChannel, [](Session& s) { s.exchange().actExportUserChannel(); });
    onSession(MainCommand::actUserBatchAddChannel, [](Session& s) { s.exchange().actUserBatchAddChannel(); });
    onSession(MainCommand::actPackMDB, [](Session& s) { s.database().actPackMDB(); });
}

}  // namespace kw
