// The main window's news and advertisement commands and its desktop helpers:
// the search box, volume control, recorder, help, home page, e-mail and the
// splash picture. The rules are the session's; this wires the controls.
#include "core/session/Roles.h"
#include "core/session/Session.h"
#include "gui/QtText.h"
#include "gui/frmADWindow.h"
#include "gui/frmMain.h"
#include "gui/frmSplash.h"

#include <QAction>
#include <QEvent>
#include <QLineEdit>
#include <QToolButton>

namespace kw {

void frmMain::connectHelperCommands() {
    connect(command(MainCommand::actAD), &QAction::triggered, this,
            [this] { runCommand([this] { adWindow_->showMode(AdMode::Advertisement); }); });
    connect(command(MainCommand::actNews), &QAction::triggered, this,
            [this] { runCommand([this] { adWindow_->showMode(AdMode::News); }); });

    const auto onHelpers = [this](void (DesktopHelpers::*helper)()) {
        return [this, helper] { runCommand([this, helper] { (session_->helpers().*helper)(); }); };
    };
    connect(w_.spVolum, &QToolButton::clicked, this, onHelpers(&DesktopHelpers::spVolumClick));
    connect(w_.spSoundRecord, &QToolButton::clicked, this, onHelpers(&DesktopHelpers::spSoundRecordClick));
    connect(command(MainCommand::actHelp), &QAction::triggered, this,
            onHelpers(&DesktopHelpers::actHelpExecute));
    connect(command(MainCommand::actAuthorHomePage), &QAction::triggered, this,
            onHelpers(&DesktopHelpers::actAuthorHomePageExecute));
    connect(command(MainCommand::actAuthorEmail), &QAction::triggered, this,
            onHelpers(&DesktopHelpers::actAuthorEmailExecute));
    connect(command(MainCommand::actSplash), &QAction::triggered, this, &frmMain::actSplashExecute);

    // The button searches for what the box holds: the typed words while the
    // box has the focus (a click on the button leaves it there), else the
    // prompt. Enter in the box searches too, for keyboard users.
    const auto search = [this] {
        const std::string text = w_.edGoogle->text().toStdString();
        runCommand([this, text] { session_->helpers().spGoogleClick(text); });
    };
    connect(w_.spGoogle, &QToolButton::clicked, this, search);
    connect(w_.edGoogle, &QLineEdit::returnPressed, this, search);
    w_.edGoogle->installEventFilter(this);
}

void frmMain::searchBoxEvent(QEvent* event) {
    if (event->type() != QEvent::FocusIn && event->type() != QEvent::FocusOut) return;
    w_.edGoogle->setText(qs(DesktopHelpers::searchBoxText(event->type() == QEvent::FocusIn)));
    w_.edGoogle->setCursorPosition(0);
}

void frmMain::actSplashExecute() {
    // A new splash each time, even while another is open; it frees itself
    // when it closes.
    auto* splash = new frmSplash;
    splash->show();
    if (!splash->isVisible()) splash->close();
}

}  // namespace kw
