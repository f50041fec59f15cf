#include "gui/CheckWindow.h"

#include "gui/PruneDeadWindow.h"
#include "gui/QtText.h"
#include "gui/QtUi.h"
#include "gui/frmMain.h"

#include <QAction>
#include <QCoreApplication>
#include <QDialog>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QProgressDialog>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <array>

namespace kw {
namespace {

constexpr const char* kCaption = "检查频道状态...";
constexpr const char* kHint = "检查选中分支里所有频道当前是否可用";
constexpr const char* kProgressText = "正在检查频道状态...";
constexpr const char* kCancelText = "取消";
constexpr const char* kResultsTitle = "频道状态";
constexpr const char* kHideDeadCaption = "隐藏失效频道";
constexpr const char* kHideDeadHint = "不在频道树里显示最近两次检查都失败的频道";
constexpr const char* kPruneDeadCaption = "清理失效频道...";
constexpr const char* kPruneDeadHint = "列出长期检查失败的频道，确认后删除";

QString number(double value, int decimals) { return QString::number(value, 'f', decimals); }

}  // namespace

void addHealthEntries(QMenu* menu, frmMain* main) {
    auto* action = new QAction(QString::fromUtf8(kCaption), main);
    action->setObjectName(QStringLiteral("actCheckChannels"));
    action->setStatusTip(QString::fromUtf8(kHint));
    action->setToolTip(QString::fromUtf8(kHint));
    menu->addAction(action);
    QObject::connect(action, &QAction::triggered, main, [main] {
        main->runCommand([main] {
            const std::vector<ChannelCheck> checks = checkSelectedBranch(main->session().health(), main);
            if (!checks.empty()) showCheckResults(checks, main);
        });
    });
    auto* hideDead = new QAction(QString::fromUtf8(kHideDeadCaption), main);
    hideDead->setObjectName(QStringLiteral("actHideDeadChannels"));
    hideDead->setCheckable(true);
    hideDead->setStatusTip(QString::fromUtf8(kHideDeadHint));
    menu->addAction(hideDead);
    // The settings file is read at start-up, after the menus are made.
    QObject::connect(menu, &QMenu::aboutToShow, hideDead,
                     [main, hideDead] { hideDead->setChecked(main->session().view().hidesDeadChannels()); });
    QObject::connect(hideDead, &QAction::triggered, main, [main](bool hide) {
        main->runCommand([main, hide] { main->session().view().setHideDeadChannels(hide); });
    });
    auto* pruneDead = new QAction(QString::fromUtf8(kPruneDeadCaption), main);
    pruneDead->setObjectName(QStringLiteral("actPruneDeadChannels"));
    pruneDead->setStatusTip(QString::fromUtf8(kPruneDeadHint));
    pruneDead->setToolTip(QString::fromUtf8(kPruneDeadHint));
    menu->addAction(pruneDead);
    QObject::connect(pruneDead, &QAction::triggered, main, [main] {
        main->runCommand([main] { pruneDeadChannels(main->session().deadChannelCleanup(), main); });
    });
    // While a channel test waits for the network the user can go on browsing.
    main->session().health().setProbeIdle([] { QCoreApplication::processEvents(QEventLoop::AllEvents, 20); });
}

std::vector<ChannelCheck> checkSelectedBranch(ChannelHealth& health, QWidget* parent) {
    const std::vector<std::string> names = health.channelsInSelectedBranch();
    if (names.empty() || health.probing()) return {};
    QProgressDialog progress(QString::fromUtf8(kProgressText), QString::fromUtf8(kCancelText), 0,
                             static_cast<int>(names.size()), parent);
    progress.setObjectName(QStringLiteral("frmCheckProgress"));
    progress.setWindowTitle(qs(kAppTitle));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(0);
    placeDialog(&progress, parent);
    progress.setValue(0);
    return health.checkChannels(names, kDefaultProbeJobs, 0, [&progress](std::size_t done, std::size_t) {
        progress.setValue(static_cast<int>(done));
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        return !progress.wasCanceled();
    });
}

QWidget* showCheckResults(const std::vector<ChannelCheck>& checks, QWidget* parent) {
    auto* window = new QDialog(parent);
    window->setObjectName(QStringLiteral("frmCheckResults"));
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setWindowTitle(QString::fromUtf8(kResultsTitle));
    auto* list = new QTreeWidget(window);
    list->setObjectName(QStringLiteral("tvCheckResults"));
    list->setRootIsDecorated(false);
    list->setHeaderLabels({QStringLiteral("频道"), QStringLiteral("状态"), QStringLiteral("原因"),
                           QStringLiteral("应答 (秒)"), QStringLiteral("速率 (kbit/s)")});
    for (const ChannelCheck& check : checks) {
        const ProbeResult& r = check.result;
        list->addTopLevelItem(new QTreeWidgetItem(
            {qs(check.name), qs(check.statusWord()), qs(r.reason),
             r.answerSeconds < 0 ? QStringLiteral("-") : number(r.answerSeconds, 3),
             check.shownKbitPerSecond() ? number(*check.shownKbitPerSecond(), 0) : QStringLiteral("-")}));
    }
    list->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    auto* summary = new QLabel(qs(summarizeChecks(checks).text()), window);
    summary->setObjectName(QStringLiteral("lblCheckSummary"));
    auto* layout = new QVBoxLayout(window);
    layout->addWidget(list);
    layout->addWidget(summary);
    window->resize(640, 400);
    placeDialog(window, parent);
    window->show();
    return window;
}

}  // namespace kw
