#include "TestInstallation.h"
#include "support/DatabaseQuery.h"
#include "support/FakeDesktop.h"
#include "support/Kwave.h"
#include "support/SessionProbe.h"

#include "core/session/OptionsVisit.h"
#include "core/session/Roles.h"
#include "core/session/Session.h"
#include "core/store/ChannelStore.h"
#include "core/store/DatabaseLocks.h"
#include "gui/FileDialogs.h"
#include "gui/OptionsCommands.h"
#include "gui/Program.h"
#include "gui/frmADWindow.h"
#include "gui/frmMain.h"
#include "gui/frmOptions.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QMessageBox>
#include <QPushButton>
#include <QtTest>

#include <memory>

using kw::test::TestInstallation;

namespace {

// Answers every modal window while it lives: a file dialog is made to list
// the program directory in detail, as a user who went there would see it,
// and is cancelled once its list has loaded; other dialogs are accepted.
class DialogVisitor : public QObject {
public:
    explicit DialogVisitor(QString folder) : folder_(std::move(folder)) {
        timer_.setInterval(10);
        connect(&timer_, &QTimer::timeout, this, [this] { visit(); });
        timer_.start();
    }
    int fileDialogs = 0;
    QStringList startFolders;

private:
    void visit() {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr || !modal->isVisible() || modal == busy_) return;
        busy_ = modal;
        if (auto* files = qobject_cast<QFileDialog*>(modal)) {
            ++fileDialogs;
            startFolders << files->directory().absolutePath();
            auto* model = files->findChild<QFileSystemModel*>();
            QSignalSpy loaded(model, &QFileSystemModel::directoryLoaded);
            files->setViewMode(QFileDialog::Detail);
            files->setDirectory(folder_);
            loaded.wait(3000);
            // The icons and types of the listed files come from a thread of the model.
            QTest::qWait(300);
            files->reject();
        } else if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            box->buttons().constFirst()->click();
        } else if (auto* buttons = modal->findChild<QDialogButtonBox*>()) {
            buttons->button(QDialogButtonBox::Ok)->click();
        }
        busy_ = nullptr;
    }

    QString folder_;
    QTimer timer_;
    QWidget* busy_ = nullptr;
};

}  // namespace

class FileDialogsTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { kw::setUpApplication(*qApp); }

    // Every file dialog of the window, shown in the program directory, leaves
    // the process's locks on the database in place; then kwave and the window
    // both write, and every row is kept in a sound file.
    void fileDialogsInTheProgramDirectoryKeepTheDatabaseWhole() {
        TestInstallation install(TestInstallation::Content::Initialised);
        const std::filesystem::path database = install.file(std::string(kw::ChannelStore::kFileName));
        kw::test::FakeDesktop desktop;
        kw::frmMain main(install.dir(), desktop);
        {
            kw::test::MessageBoxCatcher boxes;
            main.startUp();
        }
        QVERIFY(kw::holdsDatabaseLocks(database));

        const QString programDir = QString::fromStdString(install.dir().string());
        DialogVisitor visitor(programDir);
        for (const char* command :
             {"actUserBatchAddChannel", "actExportUserChannel", "actImportPlaylist", "actExportPlaylist"})
            kw::test::commandNamed(main, command)->trigger();
        main.findChild<QAbstractButton*>(QStringLiteral("SpeedChannelSave"))->click();
        main.findChild<QAbstractButton*>(QStringLiteral("SpeedChannelOpen"))->click();
        for (const int page : {0, 1}) {
            const auto visit = main.session().visitOptions(kw::OptionsPage(page));
            QVERIFY(visit);
            kw::frmOptions options(*visit, kw::optionsLinks(main));
            options.show();
            if (page == 0)
                options.findChild<QPushButton*>(QStringLiteral("spSetupSNDREC"))->click();
            else
                options.findChild<QCheckBox*>(QStringLiteral("chkIsAddToTextFile"))->click();
            options.reject();
        }
        QCOMPARE(visitor.fileDialogs, 8);
        for (const QString& folder : visitor.startFolders) QVERIFY2(folder != programDir, qPrintable(folder));
        QVERIFY(kw::holdsDatabaseLocks(database));

        const kw::test::KwaveRun add = kw::test::runKwave(
            install.dir(), {"add", "--class0", "B电视台", "--name", "终端台", "--url", "mms://1/"});
        QCOMPARE(add.status, 0);
        kw::ChannelRecord record;
        record.class0 = "B电视台";
        record.name = "窗口台";
        record.scrambledUrl = "x";
        kw::test::SessionProbe::store(main.session()).insertChannel(record, 2, "User");
        main.session().exit();
        kw::test::SessionProbe::store(main.session()).close();

        QCOMPARE(kw::test::queryText(
                     database, "select count(*) from ChannelInfo where ci_Name in ('终端台', '窗口台')"),
                 std::string("2"));
        QCOMPARE(kw::test::queryText(database, "pragma integrity_check"), std::string("ok"));
    }

    // A dialog asked to start in the folder of the database starts in the
    // folder last chosen in, else the home folder.
    void theProgramDirectoryIsNeverTheStartFolder() {
        TestInstallation install(TestInstallation::Content::Initialised);
        const QString programDir = QString::fromStdString(install.dir().string());
        QCOMPARE(kw::fileDialogFolder(programDir), QDir::homePath());
        QCOMPARE(kw::fileDialogFolder(programDir + QStringLiteral("/SCS")),
                 programDir + QStringLiteral("/SCS"));
    }
};

QTEST_MAIN(FileDialogsTest)
#include "FileDialogsTest.moc"
