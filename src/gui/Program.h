#pragma once

#include <QApplication>
#include <QLocalServer>

#include <filesystem>
#include <functional>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kw {

class DesktopPort;
class SingleInstance;
class frmADWindow;
class frmMain;
class frmPasswordDlg;

// The application object of the desktop program. An error that reaches the
// event loop from an event handler is shown in an error box (the general
// error report) and the program goes on.
class Application : public QApplication {
public:
    Application(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

// The running program: the single-instance lock and the three long-lived
// windows (the main window brings the news window, which its start-up shows).
class Program {
public:
    // The entry sequence up to the event loop, for the program directory
    // given: takes the lock (a second instance shows its message and gets
    // nullptr), sets up the application, shows the splash window, creates the
    // windows in their order, runs the main window's start-up and closes the
    // splash. The start-up runs once the password dialog exists, since
    // playing the last channel at start may ask for the password.
    static std::unique_ptr<Program> start(const std::filesystem::path& programDir);
    // The same on another desktop (tests answer the desktop themselves).
    static std::unique_ptr<Program> start(const std::filesystem::path& programDir,
                                          std::unique_ptr<DesktopPort> desktop);
    // The same for the program in executableFolder: once it holds the lock,
    // it finds its program directory and makes a per-user one on the first
    // start (a directory that cannot be made gets an error box and nullptr).
    static std::unique_ptr<Program> startFrom(const std::filesystem::path& executableFolder);
    // The whole desktop program from executableFolder: start, event loop,
    // end. Returns the exit status: 0 after the exit sequence or a refused
    // second instance; kFailed when it could not start or its run broke off,
    // with the reason on errors.
    static constexpr int kFailed = 1;
    static int runFrom(const std::filesystem::path& executableFolder, std::ostream& errors);
    ~Program();

    // Runs the event loop until the main window's exit sequence ends it;
    // kFailed, with the reason on errors, when a failure breaks it off.
    int run(std::ostream& errors);
    // The same with another loop in place of the event loop (tests fail it).
    int run(const std::function<void()>& loop, std::ostream& errors);

    frmADWindow& adWindow() const;
    frmMain& mainWindow() const { return *mainWindow_; }
    frmPasswordDlg& passwordDialog() const { return *passwordDialog_; }

private:
    explicit Program(std::unique_ptr<SingleInstance> lock);
    // The single-instance lock, or nullptr after refusing a second instance.
    static std::unique_ptr<SingleInstance> takeLock();
    // startFrom; a directory that cannot be made leaves its reason in failure.
    static std::unique_ptr<Program> startFrom(const std::filesystem::path& executableFolder,
                                              std::string& failure);
    static std::unique_ptr<Program> launch(std::unique_ptr<SingleInstance> lock,
                                           const std::filesystem::path& programDir,
                                           std::unique_ptr<DesktopPort> desktop);
    // Answers a second start through the socket beside the lock.
    void listenForSecondStarts();

    std::unique_ptr<SingleInstance> lock_;
    std::unique_ptr<DesktopPort> desktop_;
    std::unique_ptr<frmMain> mainWindow_;
    std::unique_ptr<frmPasswordDlg> passwordDialog_;
    std::unique_ptr<QLocalServer> secondStarts_;
};

// The application title, the hint timings (100 ms to show, 2500 ms shown),
// the program icon, the language; the program ends only through its exit sequence.
void setUpApplication(QApplication& application);
// Chinese for Qt's own buttons and dialogs (OK, Yes, the file dialog's types
// and dates); done before the first box. Once per application.
void setUpLanguage(QApplication& application);

// `--help` and `--version`: the answer on `out` and the exit status, before
// anything else starts; nullopt for a start of the program.
std::optional<int> answerInformationRequest(const std::vector<std::string>& arguments, std::ostream& out,
                                            std::string_view version);

// The folder of the running executable.
std::filesystem::path executableFolder();

}  // namespace kw
