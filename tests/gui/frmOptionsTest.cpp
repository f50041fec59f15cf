#include "TestInstallation.h"
#include "support/FakeDesktop.h"
#include "support/LongAddress.h"
#include "support/SessionProbe.h"

#include "core/base/AddressRules.h"
#include "core/browser/ChannelBrowser.h"
#include "core/session/Autostart.h"
#include "core/session/OptionsVisit.h"
#include "core/session/Roles.h"
#include "core/session/Session.h"
#include "core/settings/SettingsFile.h"
#include "core/store/ChannelStore.h"
#include "gui/OptionsCommands.h"
#include "gui/Program.h"
#include "gui/frmADWindow.h"
#include "gui/frmMain.h"
#include "gui/frmOptions.h"
#include "gui/frmPasswordDlg.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextCursor>
#include <QtTest>

#include <memory>

using kw::test::MessageBoxCatcher;
using kw::test::TestInstallation;

class frmOptionsTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { kw::setUpApplication(*qApp); }

    void init() {
        install_ = std::make_unique<TestInstallation>(TestInstallation::Content::Initialised);
        main_ = std::make_unique<kw::frmMain>(install_->dir(), desktop_);
        MessageBoxCatcher boxes;
        main_->startUp();
    }

    void cleanup() {
        main_.reset();
        install_.reset();
    }

    void everyPageFitsItsSize_data() {
        QTest::addColumn<int>("page");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QString>("caption");
        QTest::newRow("settings") << 0 << QSize(632, 455) << QStringLiteral("设置选项");
        QTest::newRow("add") << 1 << QSize(632, 455) << QStringLiteral("添加频道资料");
        QTest::newRow("edit") << 2 << QSize(632, 455) << QStringLiteral("修改选中频道资料");
        QTest::newRow("about") << 4 << QSize(420, 330)
                               << QStringLiteral("关于 (版权信息、版本号、升级信息、作者信息等)");
    }

    // Every control lies inside the window and shows its whole text.
    void everyPageFitsItsSize() {
        QFETCH(int, page);
        QFETCH(QSize, size);
        QFETCH(QString, caption);
        selectFirstChannel();
        const auto visit = main_->session().visitOptions(kw::OptionsPage(page));
        QVERIFY(visit);
        kw::frmOptions window(*visit, kw::optionsLinks(*main_));
        window.show();
        QCOMPARE(window.size(), size);
        QCOMPARE(window.windowTitle(), caption);
        for (QWidget* child : window.findChildren<QWidget*>()) {
            if (!child->isVisibleTo(&window) || child->parentWidget() == nullptr) continue;
            const QRect inWindow(child->mapTo(&window, QPoint(0, 0)), child->size());
            QVERIFY2(window.rect().contains(inWindow),
                     qPrintable(child->objectName() + child->metaObject()->className()));
            const auto* text = qobject_cast<QLabel*>(child);
            if (text != nullptr && !text->wordWrap() && !text->text().isEmpty())
                QVERIFY2(text->sizeHint().width() <= text->width() + 2, qPrintable(text->text()));
            if (const auto* button = qobject_cast<QAbstractButton*>(child))
                QVERIFY2(button->sizeHint().width() <= button->width() + 24, qPrintable(button->text()));
        }
        if (qEnvironmentVariableIsSet("KW_OPTIONS_SHOTS"))
            window.grab().save(qEnvironmentVariable("KW_OPTIONS_SHOTS") +
                               QStringLiteral("/page%1.png").arg(page));
        window.reject();
    }

    void settingsOkStoresTheValuesAndShowsTheTreeAsBuilt() {
        const auto visit = main_->session().visitOptions(kw::OptionsPage::Settings);
        QVERIFY(visit);
        kw::frmOptions window(*visit, kw::optionsLinks(*main_));
        window.findChild<QCheckBox*>(QStringLiteral("chkIsAutoPlayLastChannel"))->setChecked(true);
        window.findChild<QLineEdit*>(QStringLiteral("edSNDREC"))->setText(QStringLiteral("  rec.exe "));
        kw::ChannelBrowser& browser = kw::test::SessionProbe::browser(main_->session());
        browser.select(browser.tree().root());
        window.findChild<QPushButton*>(QStringLiteral("spSetupOK"))->click();
        QCOMPARE(window.result(), int(QDialog::Accepted));
        QVERIFY(visit->readSetupValues().autoPlayLastChannel);
        QCOMPARE(visit->readSetupValues().sndrec, std::string("rec.exe"));
        QVERIFY(browser.tree().text(browser.selected()) == "A我的最爱");
        QVERIFY(!main_->session().optionsOpen());
    }

    // The box writes the desktop's autostart entry at OK and removes it again.
    void autostartBoxWritesAndRemovesTheEntry() {
        const QByteArray home = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(install_->dir().string()));
        const QString entry = QString::fromStdString(kw::Autostart().entryFile().string());
        for (const bool on : {true, false}) {
            const auto visit = main_->session().visitOptions(kw::OptionsPage::Settings);
            QVERIFY(visit);
            kw::frmOptions window(*visit, kw::optionsLinks(*main_));
            auto* box = window.findChild<QCheckBox*>(QStringLiteral("chkAutostart"));
            QCOMPARE(box->isChecked(), !on);
            box->setChecked(on);
            window.findChild<QPushButton*>(QStringLiteral("spSetupOK"))->click();
            QCOMPARE(QFile::exists(entry), on);
        }
        if (home.isEmpty())
            qunsetenv("XDG_CONFIG_HOME");
        else
            qputenv("XDG_CONFIG_HOME", home);
    }

    // The box shows the setting; an OK that leaves it as it was writes no key.
    void reportClicksBoxReadsAndStoresTheSetting() {
        const struct {
            bool checked;
            const char* stored;
        } steps[] = {{true, ""}, {false, "ReportClicks=0"}, {true, "ReportClicks=1"}};
        for (const auto& step : steps) {
            const auto visit = main_->session().visitOptions(kw::OptionsPage::Settings);
            QVERIFY(visit);
            kw::frmOptions window(*visit, kw::optionsLinks(*main_));
            auto* box = window.findChild<QCheckBox*>(QStringLiteral("chkReportDirectoryClicks"));
            QCOMPARE(box->isChecked(), kw::SettingsFile(install_->dir()).reportsDirectoryClicks());
            box->setChecked(step.checked);
            window.findChild<QPushButton*>(QStringLiteral("spSetupOK"))->click();
            QCOMPARE(kw::SettingsFile(install_->dir()).reportsDirectoryClicks(), step.checked);
            const std::string file = install_->read("Kestrelwave.ini");
            QCOMPARE(file.find("ReportClicks") != std::string::npos, *step.stored != '\0');
            if (*step.stored != '\0') QVERIFY(file.find(step.stored) != std::string::npos);
        }
    }

    void addPageStoresTheChannelAndKeepsItsCategory() {
        const auto visit = main_->session().visitOptions(kw::OptionsPage::Add);
        QVERIFY(visit);
        kw::frmOptions window(*visit, kw::optionsLinks(*main_));
        window.findChild<QComboBox*>(QStringLiteral("cbClass0"))->setEditText(QStringLiteral("B电视台"));
        window.findChild<QLineEdit*>(QStringLiteral("edName"))->setText(QStringLiteral("自添一台"));
        window.findChild<QLineEdit*>(QStringLiteral("edURL"))->setText(QStringLiteral("mms://mine/"));
        auto* close = window.findChild<QPushButton*>(QStringLiteral("spClose"));
        QCOMPARE(close->text(), QStringLiteral("取消 (&X)"));
        window.findChild<QPushButton*>(QStringLiteral("spEditChannel"))->click();
        QCOMPARE(kw::test::SessionProbe::store(main_->session()).countChannelsByName("自添一台"), 1);
        QCOMPARE(window.findChild<QComboBox*>(QStringLiteral("cbClass0"))->currentText(),
                 QStringLiteral("B电视台"));
        QVERIFY(window.findChild<QLineEdit*>(QStringLiteral("edName"))->text().isEmpty());
        QCOMPARE(close->text(), QStringLiteral("关闭 (&X)"));
        close->click();
        QVERIFY(!main_->session().optionsOpen());
    }

    // A pasted address stays whole in its box, even one over the limit: the
    // form refuses that, where a cut one would be stored as a wrong address.
    void pastedAddressStaysWhole() {
        const auto visit = main_->session().visitOptions(kw::OptionsPage::Add);
        QVERIFY(visit);
        kw::frmOptions window(*visit, kw::optionsLinks(*main_));
        auto* url = window.findChild<QLineEdit*>(QStringLiteral("edURL"));
        const std::string longer = kw::test::addressOfChars(kw::address::kMaxAddressChars + 1);
        url->insert(QString::fromStdString(longer));
        QCOMPARE(url->text().toStdString(), longer);
    }

    // Typed or pasted, the description keeps what fits its 2,000 characters.
    void descriptionTakesAtMostItsLimit() {
        const auto visit = main_->session().visitOptions(kw::OptionsPage::Add);
        QVERIFY(visit);
        kw::frmOptions window(*visit, kw::optionsLinks(*main_));
        auto* memo = window.findChild<QPlainTextEdit*>(QStringLiteral("meMemo"));
        memo->setPlainText(QStringLiteral("头\n尾"));
        QTextCursor cursor = memo->textCursor();
        cursor.setPosition(1);
        memo->setTextCursor(cursor);
        memo->insertPlainText(QString(3600, QChar(0x8A00)));
        const QString kept = memo->toPlainText();
        QCOMPARE(kept.size(), 2000);
        QVERIFY(kept.startsWith(QStringLiteral("头言")));
        QVERIFY(kept.endsWith(QStringLiteral("言\n尾")));
    }

    // The password dialog of each step and the closing message are placed by
    // the program, as every other dialog is.
    void passwordChangeShowsItsDialogsPlaced() {
        kw::frmPasswordDlg password;
        main_->setPasswordDialog(&password);
        const auto visit = main_->session().visitOptions(kw::OptionsPage::Settings);
        QVERIFY(visit);
        kw::frmOptions window(*visit, kw::optionsLinks(*main_));
        main_->ui().setOwner(&window);
        window.show();
        QList<bool> placed;
        QTimer answer;
        answer.setInterval(5);
        connect(&answer, &QTimer::timeout, this, [&] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (dialog == nullptr || !dialog->isVisible()) return;
            placed << dialog->testAttribute(Qt::WA_Moved);
            if (dialog == &password) {
                // The old password is still empty; the new one is typed twice.
                password.findChild<QLineEdit*>(QStringLiteral("Password"))
                    ->setText(placed.size() == 1 ? QString() : QStringLiteral("abc"));
                password.findChild<QPushButton*>(QStringLiteral("OKBtn"))->click();
            } else if (auto* box = qobject_cast<QMessageBox*>(dialog)) {
                box->buttons().constFirst()->click();
            }
        });
        answer.start();
        window.findChild<QPushButton*>(QStringLiteral("btnSetLockedChannelPassword"))->click();
        QCOMPARE(placed, QList<bool>({true, true, true, true}));
        window.reject();
        main_->ui().setOwner(main_.get());
    }

    void settingsHintShowsWhatIsUnderTheMouse() {
        const auto visit = main_->session().visitOptions(kw::OptionsPage::Settings);
        QVERIFY(visit);
        kw::frmOptions window(*visit, kw::optionsLinks(*main_));
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        auto* hint = window.findChild<QLabel*>(QStringLiteral("stSetupHint"));
        const auto shows = [hint](const char* start) {
            return hint->text().startsWith(QString::fromUtf8(start));
        };
        // The first check box has the focus, the panel the page's own text.
        QVERIFY(shows("    只要将鼠标移到某选项上"));
        // What the window system sends as the mouse moves, innermost control first.
        const auto send = [&window](QEvent::Type type, std::initializer_list<const char*> names) {
            for (const char* name : names) {
                QWidget* control = window.findChild<QWidget*>(QString::fromLatin1(name));
                if (type == QEvent::Enter) {
                    QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), control->mapToGlobal(QPointF(1, 1)));
                    QApplication::sendEvent(control, &enter);
                } else {
                    QEvent leave(QEvent::Leave);
                    QApplication::sendEvent(control, &leave);
                }
            }
        };
        send(QEvent::Enter, {"chkIsAutoPlayLastChannel"});
        QVERIFY(shows("      选中此项(打勾)"));
        send(QEvent::Leave, {"chkIsAutoPlayLastChannel"});  // onto the group's empty part
        QTRY_VERIFY(shows("      设置常规选项"));
        send(QEvent::Enter, {"chkIsHideOnDeactive"});
        send(QEvent::Leave, {"chkIsHideOnDeactive", "gbGeneralOption"});  // onto the page
        QTRY_VERIFY(shows("    只要将鼠标移到某选项上"));
        send(QEvent::Enter, {"Label22"});
        send(QEvent::Leave, {"Label22", "tabSetup"});  // out of the window: the text stays
        QTest::qWait(10);
        QVERIFY(shows("      精简频道数据"));
        window.reject();
    }

    void addFormHintFollowsTheFieldEntered() {
        const auto visit = main_->session().visitOptions(kw::OptionsPage::Add);
        QVERIFY(visit);
        kw::frmOptions window(*visit, kw::optionsLinks(*main_));
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        auto* strip = window.findChild<QLabel*>(QStringLiteral("stHint"));
        auto* name = window.findChild<QLineEdit*>(QStringLiteral("edName"));
        const QString before = strip->text();
        QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), name->mapToGlobal(QPointF(1, 1)));
        QApplication::sendEvent(name, &enter);
        QCOMPARE(strip->text(), before);
        name->setFocus();
        QTRY_VERIFY(strip->text().startsWith(QString::fromUtf8(" 7、频道名称是必须输入的")));
        window.reject();
    }

private:
    void selectFirstChannel() {
        kw::ChannelBrowser& browser = kw::test::SessionProbe::browser(main_->session());
        for (kw::NodeId node = browser.tree().root(); node != kw::kNoNode;
             node = browser.tree().nextInTreeOrder(node)) {
            if (browser.tree().IsChannelLeaf(node)) {
                browser.select(node);
                return;
            }
        }
    }

    std::unique_ptr<TestInstallation> install_;
    std::unique_ptr<kw::frmMain> main_;
    kw::test::FakeDesktop desktop_;
};

QTEST_MAIN(frmOptionsTest)
#include "frmOptionsTest.moc"
