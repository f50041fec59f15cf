#include "TestInstallation.h"
#include "support/FakeDesktop.h"
#include "support/FakeDirectoryServers.h"
#include "support/FakeProbe.h"
#include "support/FakeWebFetch.h"
#include "support/SessionProbe.h"

#include "core/session/Roles.h"
#include "core/session/Session.h"
#include "gui/DirectoryWindow.h"
#include "gui/Program.h"
#include "gui/QtText.h"
#include "gui/QtUi.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTreeView>
#include <QtTest>

#include <cstdio>
#include <fstream>
#include <memory>

using kw::test::MessageBoxCatcher;
using kw::test::TestInstallation;

namespace {

const std::string kServer = "http://dir.test";

std::string searchFor(const std::string& name, int offset) {
    return kServer + "/json/stations/search?" + (name.empty() ? "" : "name=" + name + "&") +
           "order=votes&reverse=true&limit=100&offset=" + std::to_string(offset) + "&hidebroken=true";
}

std::string uuid(int number) {
    char text[40];
    std::snprintf(text, sizeof text, "00000000-0000-0000-0000-%012x", number);
    return text;
}

// Stations numbered first .. first + count - 1, named "<name> <number>".
std::string stations(const std::string& name, int first, int count) {
    std::string json = "[";
    for (int n = first; n < first + count; ++n) {
        json += std::string(n > first ? "," : "") + "{\"stationuuid\":\"" + uuid(n) + "\",\"name\":\"" +
                name + " " + std::to_string(n) + "\",\"url_resolved\":\"http://s.example/" +
                std::to_string(n) +
                "\",\"country\":\"China\",\"countrycode\":\"CN\",\"language\":\"chinese,english\","
                "\"codec\":\"MP3\",\"bitrate\":128,\"votes\":7,\"lastcheckok\":1,"
                "\"lastchecktime\":\"2024-05-01 10:00:00\"}";
    }
    return json + "]";
}

}  // namespace

class DirectoryWindowTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { kw::setUpApplication(*qApp); }

    void init() {
        install_ = std::make_unique<TestInstallation>(TestInstallation::Content::Initialised);
        std::ofstream(install_->file("Kestrelwave.ini"), std::ios::app)
            << "\r\n[Directory]\r\nServer=" << kServer << "\r\n";
        web_.answers.clear();
        web_.fetched.clear();
        session_ = std::make_unique<kw::Session>(install_->dir(), ui_, desktop_, probe_, web_, servers_,
                                                 [] { QCoreApplication::processEvents(); });
        session_->open();
        web_.serve(kServer + "/json/tags?order=stationcount&reverse=true&limit=1000&hidebroken=true",
                   "[{\"name\":\"jazz\",\"stationcount\":9}]");
        web_.serve(kServer + "/json/countries?order=name&hidebroken=true",
                   "[{\"name\":\"China\",\"iso_3166_1\":\"CN\",\"stationcount\":5},"
                   "{\"name\":\"?\",\"stationcount\":1}]");
        web_.serve(kServer + "/json/languages?order=stationcount&reverse=true&limit=500&hidebroken=true",
                   "[{\"name\":\"chinese\",\"stationcount\":3}]");
        window_ = std::make_unique<kw::DirectoryWindow>(session_->directory(), ui_);
    }

    void cleanup() {
        window_.reset();
        session_.reset();
        install_.reset();
    }

    void aSearchFillsTheListAndScrollingToItsEndAsksTheNextPage() {
        showWindow();
        auto* country = window_->findChild<QComboBox*>("cbStationCountry");
        QCOMPARE(country->count(), 2);  // a country without its code cannot be asked for
        QCOMPARE(country->itemText(1), QStringLiteral("China (5)"));
        QCOMPARE(country->itemData(1).toString(), QStringLiteral("CN"));

        web_.serve(searchFor("jazz", 0), stations("Jazz", 0, 100));
        web_.serve(searchFor("jazz", 100), stations("Jazz", 100, 3));
        auto* name = window_->findChild<QLineEdit*>("edStationName");
        QTest::keyClicks(name, QStringLiteral("jazz"));
        QTest::keyClick(name, Qt::Key_Return);
        auto* list = window_->findChild<QTreeView*>("tvStations");
        QCOMPARE(list->model()->rowCount(), 100);
        QCOMPARE(status(), QStringLiteral("找到 100 个电台，向下滚动显示更多"));
        QStringList row;
        for (int column = 0; column < list->model()->columnCount(); ++column)
            row << list->model()->index(0, column).data().toString();
        QCOMPARE(row, QStringList({"Jazz 0", "China", "chinese, english", "MP3", "128", "7",
                                   QStringLiteral("正常 2024-05-01 10:00:00")}));

        QScrollBar* bar = list->verticalScrollBar();
        QTRY_VERIFY(bar->maximum() > 0);
        bar->setValue(bar->maximum());
        QTRY_COMPARE(list->model()->rowCount(), 103);
        QCOMPARE(status(), QStringLiteral("找到 103 个电台"));
        QCOMPARE(list->model()->index(102, 0).data().toString(), QStringLiteral("Jazz 102"));
        bar->setValue(0);
        bar->setValue(bar->maximum());
        QTest::qWait(20);
        QCOMPARE(web_.fetched.back(), searchFor("jazz", 100));  // the last page had no more
    }

    void addingTheChosenStationsPutsThemInTheCatalogueAndMarksThem() {
        showWindow();
        web_.serve(searchFor("news", 0), stations("News", 0, 3));
        window_->findChild<QLineEdit*>("edStationName")->setText(QStringLiteral("news"));
        window_->findChild<QPushButton*>("btnStationSearch")->click();
        auto* list = window_->findChild<QTreeView*>("tvStations");
        QCOMPARE(list->model()->rowCount(), 3);
        auto* add = window_->findChild<QPushButton*>("btnStationAdd");
        QVERIFY(!add->isEnabled());
        for (const int row : {0, 2})
            list->selectionModel()->select(list->model()->index(row, 0),
                                           QItemSelectionModel::Select | QItemSelectionModel::Rows);
        MessageBoxCatcher boxes;
        add->click();
        QCOMPARE(boxes.texts, QStringList{QStringLiteral("已加入 2 个电台，在“C广播电台”之下。")});
        kw::ChannelStore& store = kw::test::SessionProbe::store(*session_);
        QCOMPARE(store.readOrigin("News 0")->entryId, uuid(0));
        QCOMPARE(store.readOrigin("News 2")->entryId, uuid(2));
        QVERIFY(!store.readOrigin("News 1"));
        const QString added = kw::qs(kw::RadioDirectory::kAddedMark);
        QCOMPARE(list->model()->index(0, 0).data().toString(), QStringLiteral("News 0") + added);
        QCOMPARE(list->model()->index(1, 0).data().toString(), QStringLiteral("News 1"));
        QCOMPARE(list->model()->index(2, 0).data().toString(), QStringLiteral("News 2") + added);
    }

    // Enter on the list plays the station; the window's default button does not search again.
    void enterOnAStationPlaysIt() {
        showWindow();
        web_.serve(searchFor("", 0), stations("Pop", 0, 2));
        window_->findChild<QPushButton*>("btnStationSearch")->click();
        auto* list = window_->findChild<QTreeView*>("tvStations");
        list->setFocus();
        list->setCurrentIndex(list->model()->index(1, 0));
        const std::size_t asked = web_.fetched.size();
        QTest::keyClick(list, Qt::Key_Return);
        QCOMPARE(desktop_.documents.size(), std::size_t{1});
        QCOMPARE(desktop_.documents[0].target, std::string("http://s.example/1"));
        QCOMPARE(web_.fetched.size(), asked + 1);
        QCOMPARE(web_.fetched.back(), kServer + "/json/url/" + uuid(1));  // the play is counted
    }

    void aSearchThatFailsSaysWhyAndLeavesTheWindowUsable_data() {
        QTest::addColumn<bool>("cancel");
        QTest::addColumn<QString>("shown");
        QTest::newRow("no server answers") << false << QStringLiteral("所有电台目录服务器都无法访问：");
        QTest::newRow("cancelled") << true << QStringLiteral("已取消");
    }

    void aSearchThatFailsSaysWhyAndLeavesTheWindowUsable() {
        QFETCH(bool, cancel);
        QFETCH(QString, shown);
        showWindow();
        if (cancel) ui_.requestProgressStop();
        auto* search = window_->findChild<QPushButton*>("btnStationSearch");
        search->click();
        QCOMPARE(web_.fetched.back(), searchFor("", 0));
        QVERIFY2(status().startsWith(shown), qPrintable(status()));
        QVERIFY(!window_->busy());
        QVERIFY(search->isEnabled());
        QVERIFY(window_->findChild<QLineEdit*>("edStationName")->isEnabled());
        QVERIFY(window_->isVisible());
    }

private:
    // Shown, with the filters' lists read.
    void showWindow() {
        window_->show();
        QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
        QTRY_COMPARE(window_->findChild<QComboBox*>("cbStationLanguage")->count(), 2);
        QVERIFY(!window_->busy());
    }

    QString status() const { return window_->findChild<QLabel*>("lblDirectoryStatus")->text(); }

    std::unique_ptr<TestInstallation> install_;
    kw::QtUi ui_;
    kw::test::FakeDesktop desktop_;
    kw::test::FakeProbe probe_;
    kw::test::FakeWebFetch web_;
    kw::test::FakeDirectoryServers servers_;
    std::unique_ptr<kw::Session> session_;
    std::unique_ptr<kw::DirectoryWindow> window_;
};

QTEST_MAIN(DirectoryWindowTest)
#include "DirectoryWindowTest.moc"
