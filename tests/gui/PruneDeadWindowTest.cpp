#include "TestInstallation.h"
#include "support/FakeDesktop.h"

#include "core/store/ChannelStore.h"
#include "gui/PruneDeadWindow.h"
#include "gui/frmMain.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>

using kw::DeadChannelCandidate;
using kw::PruneDeadWindow;

class PruneDeadWindowTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { kw::test::prepareRuntimeFolder(); }

    void listsTheCandidatesTickedAndWorksFromTheKeyboard() {
        const std::vector<DeadChannelCandidate> candidates = {{"老台", "连接被拒绝", 5, 1'600'000'000},
                                                              {"新台", "a-newer-code", 3, 1'700'000'000}};
        std::vector<std::vector<std::string>> handed;
        bool answer = false;
        PruneDeadWindow window(
            candidates,
            [&](const std::vector<std::string>& names) {
                handed.push_back(names);
                return answer;
            },
            nullptr);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        auto* list = window.findChild<QTreeWidget*>("tvPruneDead");
        auto* remove = window.findChild<QPushButton*>("btnPruneDelete");
        auto* cancel = window.findChild<QPushButton*>("btnPruneCancel");
        QCOMPARE(list->headerItem()->text(3), QStringLiteral("失效起始"));
        QCOMPARE(list->topLevelItem(1)->text(1), QStringLiteral("a-newer-code"));
        QCOMPARE(list->topLevelItem(0)->text(2), QStringLiteral("5"));
        QCOMPARE(window.chosenNames(), (std::vector<std::string>{"老台", "新台"}));

        QCOMPARE(QApplication::focusWidget(), list);
        QTest::keyClick(list, Qt::Key_Space);
        QCOMPARE(window.chosenNames(), std::vector<std::string>{"新台"});
        QTest::keyClick(list, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), remove);
        QTest::keyClick(remove, Qt::Key_Space);  // answered No: the window stays
        QCOMPARE(handed, (std::vector<std::vector<std::string>>{{"新台"}}));
        QVERIFY(window.isVisible());
        QTest::keyClick(remove, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), cancel);

        QTest::keyClick(&window, Qt::Key_Escape);
        QVERIFY(!window.isVisible());
        QCOMPARE(window.result(), int(QDialog::Rejected));
    }

    void deletesTheTickedChannelsAfterOneQuestion() {
        using kw::ChannelStore;
        kw::test::TestInstallation install(kw::test::TestInstallation::Content::Initialised);
        const std::filesystem::path database = install.file(std::string(ChannelStore::kFileName));
        {
            auto store = ChannelStore::open(database);
            for (const std::string name : {"死台", "留台"}) {
                kw::ChannelRecord record;
                record.class0 = "A电台";
                record.name = name;
                record.scrambledUrl = "x";
                store->insertChannel(record, 2, "User");
                for (int i = 0; i < 3; ++i)
                    store->recordChecks({{name, 0, "connection-refused", 1'600'000'000 + i}});
            }
        }
        kw::test::FakeDesktop desktop;
        kw::frmMain main(install.dir(), desktop);
        {
            kw::test::MessageBoxCatcher boxes;
            main.startUp();
        }
        QStringList questions;
        bool pressed = false;
        QTimer answer;
        answer.setInterval(5);
        connect(&answer, &QTimer::timeout, this, [&] {
            QWidget* modal = QApplication::activeModalWidget();
            if (auto* box = qobject_cast<QMessageBox*>(modal)) {
                questions << box->text();
                box->button(QMessageBox::Yes)->click();
            } else if (!pressed && modal != nullptr &&
                       modal->objectName() == QStringLiteral("frmPruneDead")) {
                pressed = true;
                auto* list = modal->findChild<QTreeWidget*>("tvPruneDead");
                for (int row = 0; row < list->topLevelItemCount(); ++row) {
                    QTreeWidgetItem* item = list->topLevelItem(row);
                    if (item->text(0) == QStringLiteral("留台")) item->setCheckState(0, Qt::Unchecked);
                }
                // Queued: the question it asks runs an event loop of its own.
                QTimer::singleShot(0, modal->findChild<QPushButton*>("btnPruneDelete"), &QPushButton::click);
            }
        });
        answer.start();
        kw::test::commandNamed(main, "actPruneDeadChannels")->trigger();
        answer.stop();

        QCOMPARE(questions.size(), 1);
        QVERIFY2(questions.at(0).contains(QStringLiteral(" 1 个失效频道")), qPrintable(questions.at(0)));
        auto store = ChannelStore::open(database);
        QCOMPARE(store->countChannelsByName("死台"), 0);
        QCOMPARE(store->countChannelsByName("留台"), 1);
    }
};

QTEST_MAIN(PruneDeadWindowTest)
#include "PruneDeadWindowTest.moc"
