#include "gui/PruneDeadWindow.h"

#include <QPushButton>
#include <QTreeWidget>
#include <QtTest>

using kw::DeadChannelCandidate;
using kw::PruneDeadWindow;

class PruneDeadWindowTest : public QObject {
    Q_OBJECT

private slots:
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
};

QTEST_MAIN(PruneDeadWindowTest)
#include "PruneDeadWindowTest.moc"
