#include "gui/Program.h"

#include "core/base/Error.h"
#include "core/session/AppTexts.h"
#include "core/session/ProgramDirectory.h"
#include "core/session/Roles.h"
#include "core/session/Session.h"
#include "gui/LaunchWatch.h"
#include "gui/QtUi.h"
#include "gui/SkinPainter.h"
#include "gui/frmADWindow.h"
#include "gui/frmMain.h"
#include "gui/frmPasswordDlg.h"
#include "gui/frmSplash.h"
#include "platform/LinuxDesktop.h"
#include "platform/SingleInstance.h"

#include <QIcon>
#include <QLibraryInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLocale>
#include <QLoggingCategory>
#include <QMessageBox>
#include <QPointer>
#include <QProxyStyle>
#include <QTranslator>

#include <iostream>

namespace kw {
namespace {

constexpr int kHintDelayMs = 100;
constexpr int kHintShownMs = 2500;

// Hints show 100 ms after the mouse comes to rest.
class HintStyle : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override {
        if (hint == SH_ToolTip_WakeUpDelay) return kHintDelayMs;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

// Hints hide after 2500 ms: every widget that shows one without a time of
// its own gets that time just before its first hint.
class HintDuration : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::ToolTip && watched->isWidgetType()) {
            auto* widget = static_cast<QWidget*>(watched);
            if (widget->toolTipDuration() < 0) widget->setToolTipDuration(kHintShownMs);
        }
        return false;
    }
};

// Asks the running instance to bring its window forward; it does so when it
// has no icon that the message could point at.
void askFirstInstanceForward(const SingleInstance& lock) {
    const std::filesystem::path socket = lock.socketPath();
    if (socket.empty()) return;
    QLocalSocket request;
    request.connectToServer(QString::fromStdString(socket.string()));
    if (!request.waitForConnected(1000)) return;
    request.write("show\n");
    request.waitForBytesWritten(1000);
    request.disconnectFromServer();
}

void refuseSecondInstance() {
    QMessageBox box(QMessageBox::NoIcon, qs(texts::kSecondInstanceCaption),
                    toDisplayText(texts::kSecondInstanceText), QMessageBox::Ok);
    box.setObjectName(QStringLiteral("SecondInstanceMessage"));
    execMessageBox(box, nullptr);
}

void reportProgramDirFailure(const std::string& reason) {
    QMessageBox box(QMessageBox::Critical, qs(texts::kProgramDirCaption),
                    qs(texts::kProgramDirFailed) + QStringLiteral("\n\n") + QString::fromStdString(reason),
                    QMessageBox::Ok);
    box.setObjectName(QStringLiteral("ProgramDirMessage"));
    execMessageBox(box, nullptr);
}

}  // namespace

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {}

bool Application::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        QtUi().ShowError(error.what());
        return false;
    }
}

void setUpApplication(QApplication& application) {
    application.setApplicationName(QStringLiteral("Kestrelwave"));
    QIcon icon;
    for (const char* size : {"-16", "-32", "-48", "-64", ""}) {
        icon.addFile(QStringLiteral(":/kestrelwave/icons/kestrelwave%1.png").arg(QLatin1String(size)));
    }
    application.setWindowIcon(icon);
    application.setStyle(new HintStyle);
    // The program's dialogs are laid out for the windows' 12-pixel font.
    QApplication::setFont(programFont());
    applyTooltipStyle();
    setUpLanguage(application);
    // The web engine's start-up report and the news pages' script messages
    // say nothing a user needs; QT_LOGGING_RULES still turns them on.
    QLoggingCategory::setFilterRules(QStringLiteral("qt.webenginecontext*=false\njs*=false"));
    application.installEventFilter(new HintDuration(&application));
    // The splash closing or the main window hiding must not end the program.
    application.setQuitOnLastWindowClosed(false);
}

void setUpLanguage(QApplication& application) {
    static const QString kTranslatorName = QStringLiteral("kwQtTranslations");
    if (application.findChild<QTranslator*>(kTranslatorName) != nullptr) return;
    // Dates, numbers and the file dialog's type names follow the default locale.
    QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::SimplifiedChineseScript, QLocale::China));
    auto* translator = new QTranslator(&application);
    translator->setObjectName(kTranslatorName);
    if (translator->load(QStringLiteral("qt_zh_CN"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        application.installTranslator(translator);
    }
}

std::unique_ptr<Program> Program::start(const std::filesystem::path& programDir) {
    return start(programDir, std::make_unique<LinuxDesktop>());
}

std::unique_ptr<Program> Program::start(const std::filesystem::path& programDir,
                                        std::unique_ptr<DesktopPort> desktop) {
    auto lock = takeLock();
    return lock ? launch(std::move(lock), programDir, std::move(desktop)) : nullptr;
}

std::unique_ptr<Program> Program::startFrom(const std::filesystem::path& executableFolder) {
    std::string failure;
    return startFrom(executableFolder, failure);
}

int Program::runFrom(const std::filesystem::path& executableFolder, std::ostream& errors) {
    try {
        std::string failure;
        const std::unique_ptr<Program> program = startFrom(executableFolder, failure);
        if (program) return program->run(errors);
        if (failure.empty()) return 0;  // a second start: the first one runs on
        errors << "kestrelwave: " << texts::kProgramDirFailed << ' ' << failure << '\n';
    } catch (const std::exception& error) {
        errors << "kestrelwave: " << error.what() << '\n';
    }
    return kFailed;
}

std::unique_ptr<Program> Program::startFrom(const std::filesystem::path& executableFolder,
                                            std::string& failure) {
    auto lock = takeLock();
    if (!lock) return nullptr;
    // Made under the lock, so two first starts never build it at once.
    ProgramLocation location;
    bool made = false;
    try {
        location = locateProgramDirectory(executableFolder);
        made = prepareProgramDirectory(location, shippedDataFolder(executableFolder));
    } catch (const Error& error) {
        failure = error.what();
        reportProgramDirFailure(failure);
        return nullptr;
    }
    std::unique_ptr<Program> program =
        launch(std::move(lock), location.dir, std::make_unique<LinuxDesktop>());
    // Said once: later starts find the directory there.
    if (made)
        program->mainWindow().ui().ShowMessage(std::string(texts::kProgramDirMade) + "\r\n\r\n" +
                                               location.dir.string());
    return program;
}

std::unique_ptr<SingleInstance> Program::takeLock() {
    // The refusal below is the first box a start may show.
    setUpLanguage(*qApp);
    auto lock = std::make_unique<SingleInstance>(kSingleInstanceName);
    if (lock->state() == SingleInstance::State::HeldElsewhere) {
        askFirstInstanceForward(*lock);
        refuseSecondInstance();
        return nullptr;
    }
    if (lock->state() == SingleInstance::State::Unavailable) {
        // Better to run unguarded than not at all.
        std::cerr << "kestrelwave: no single-instance lock: " << lock->error() << '\n';
    }
    return lock;
}

std::unique_ptr<Program> Program::launch(std::unique_ptr<SingleInstance> lock,
                                         const std::filesystem::path& programDir,
                                         std::unique_ptr<DesktopPort> desktop) {
    // The cache is read while the windows are built.
    std::unique_ptr<TreeCachePreload> treeCache = Session::readTreeCacheAhead(programDir);
    setUpApplication(*qApp);

    QPointer<frmSplash> splash = new frmSplash;
    splash->showPainted();

    std::unique_ptr<Program> program(new Program(std::move(lock)));
    // Late failures of the opener reach the window through its event loop.
    program->desktop_ = std::make_unique<LaunchWatch>(std::move(desktop));
    program->mainWindow_ = std::make_unique<frmMain>(programDir, *program->desktop_);
    program->passwordDialog_ = std::make_unique<frmPasswordDlg>();
    frmMain& main = *program->mainWindow_;
    main.setPasswordDialog(program->passwordDialog_.get());
    main.ui().closeBeforeDialogs(splash);
    // The exit sequence has run: the loop ends without asking the windows
    // (quit() would, and the news window and the web engine's own windows
    // may refuse). Dropped with the window when no loop ran meanwhile.
    QObject::connect(
        &main, &frmMain::terminated, &main, [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);
    main.startUp(std::move(treeCache));
    program->listenForSecondStarts();

    if (splash) splash->close();
    return program;
}

Program::Program(std::unique_ptr<SingleInstance> lock) : lock_(std::move(lock)) {}

Program::~Program() = default;

frmADWindow& Program::adWindow() const { return mainWindow_->adWindow(); }

void Program::listenForSecondStarts() {
    const std::filesystem::path socket = lock_->socketPath();
    if (socket.empty() || lock_->state() != SingleInstance::State::Acquired) return;
    const QString name = QString::fromStdString(socket.string());
    // We hold the lock, so a socket file left there is one a crashed run left.
    QLocalServer::removeServer(name);
    secondStarts_ = std::make_unique<QLocalServer>();
    secondStarts_->setSocketOptions(QLocalServer::UserAccessOption);
    if (!secondStarts_->listen(name)) {
        std::cerr << "kestrelwave: no second-start socket: " << secondStarts_->errorString().toStdString()
                  << '\n';
        return;
    }
    frmMain* main = mainWindow_.get();
    QObject::connect(secondStarts_.get(), &QLocalServer::newConnection, main, [this, main] {
        while (QLocalSocket* request = secondStarts_->nextPendingConnection()) {
            QObject::connect(request, &QLocalSocket::disconnected, request, &QObject::deleteLater);
            QObject::connect(request, &QLocalSocket::readyRead, main, [request, main] {
                if (request->readAll().contains("show")) main->bringForwardFromSecondStart();
            });
        }
    });
}

int Program::run(std::ostream& errors) {
    return run([] { QApplication::exec(); }, errors);
}

int Program::run(const std::function<void()>& loop, std::ostream& errors) {
    std::string reason;
    try {
        // The exit sequence may have run before the loop started (a double
        // click on the icon during start-up).
        if (!mainWindow_->hasExited()) loop();
        return 0;
    } catch (const std::exception& error) {
        reason = error.what();
    } catch (...) {
        reason = "the run broke off";
    }
    mainWindow_->session().removeLockFileAfterBrokenRun();
    errors << "kestrelwave: " << reason << '\n';
    return kFailed;
}

std::optional<int> answerInformationRequest(const std::vector<std::string>& arguments, std::ostream& out,
                                            std::string_view version) {
    for (const std::string& argument : arguments) {
        if (argument == "--help" || argument == "-h") {
            out << texts::kCommandLineHelp;
            return 0;
        }
        if (argument == "--version") {
            out << texts::kCommandLineVersion << version << '\n';
            return 0;
        }
    }
    return std::nullopt;
}

std::filesystem::path executableFolder() {
    return std::filesystem::path(QCoreApplication::applicationDirPath().toStdString());
}

}  // namespace kw
