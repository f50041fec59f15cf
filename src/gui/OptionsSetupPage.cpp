#include "gui/OptionsSetupPage.h"

#include "core/session/OptionsVisit.h"
#include "gui/FileDialogs.h"
#include "gui/QtText.h"

#include <QAction>
#include <QCheckBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>

namespace kw {
namespace {

// The settings page's hint panel texts; "\r" breaks a line.
constexpr std::string_view kHintPage = "    只要将鼠标移到某选项上，就可在此显示与该选项相关的操作说明。";
constexpr std::string_view kHintAutostart =
    "      勾选后，每次登录桌面时都会自动启动本软件；取消勾选则不再自动启动。";
constexpr std::string_view kHintGeneral = "      设置常规选项以及其它小功能。";
constexpr std::string_view kHintAutoPlay =
    "      选中此项(打勾)，下次启动本软件时\r\r  自动播放这次退出程序时最后播放的频道。";
constexpr std::string_view kHintHide =
    "      当您切换到其它软件时，如当您单击了\r\r  除本软件之外的窗口时，将会自动隐藏本软\r\r  件的窗口。";
constexpr std::string_view kHintRecorderLabel =
    "      单击主窗口左下角的\"打开录音机\"时，\r\r  打开在此指定的录音软件。您可以单击下面\r\r  "
    "的\"浏览\"按钮进行指定。";
constexpr std::string_view kHintRecorderBox =
    "      您已经指定的录音软件的启动路径。\r\r  若为空，则默认启动\"Windows 录音机\"\r\r  ( sndrec32.exe )";
constexpr std::string_view kHintBrowse = "      通过浏览来指定录音软件的启动路径。";
constexpr std::string_view kHintLockGroup =
    "      童锁功能设置\r\r  请根据您的需要，在三个单选项中选择一项。\r\r  "
    "当将已锁频道由\"显示\"改为\"隐藏\"时 或 "
    "在播放频道与解锁频道时将童锁密码由\"不要输入\"改为\"必须输入\"时(即由\"宽松\"改为\"严格\")，请您单击 "
    "\"设置或修改童锁密码\" 按钮设置密码保护。\r\r  "
    "若是首次设置，则童锁密码初始值为空，否则为您上次设置的童锁密码。";
constexpr std::string_view kHintLockRadio =
    "      童锁功能设置\r  当童锁功能设置选项由\"严格\"改为\"宽松\"时，必须输入正确的解锁密码后方可生效，"
    "否则童锁功能设置选项保持不变。\r  由\"严格\"改为\"宽松\"是指：将已锁频道由\"隐藏\"改为\"显示\" 或 "
    "在播放频道与解锁频道时将童锁密码由\"必须输入\"改为\"不要输入\"；其它情形均为由\"宽松\"改为\"严格\"。\r  "
    "当童锁功能设置选项由\"宽松\"改为\"严格\"时，必须 \"设置或修改童锁密码\" 进行密码保护，"
    "方可让童锁功能真正起作用。";
constexpr std::string_view kHintPack =
    "      精简频道数据\r\r  目的是更快更稳定地使用频道数据，频道数量不会减少，频道数据也不会丢失；"
    "一般每隔三个月到一年运行一次。\r\r  您只要单击\"精简频道数据\"按钮即可(手动)进行精简频道数据；"
    "完成后没有提示，但若出错会有提示。\r\r  当然，本软件也会在退出时以2%的机率自动精简频道数据。"
    "因此几乎不用您手动进行精简频道数据。";
constexpr std::string_view kHintSubscriptionDays =
    "程序启动时，刷新超过这个天数没有刷新的播放列表订阅；选“不刷新”则只在您选择“刷新订阅”时刷新。";
constexpr std::string_view kHintReportClicks =
    "      试听电台目录中的电台时，告诉电台目录这个电台播放了一次；电台目录用它统计各电台的点击数。";
constexpr std::string_view kHintBackgroundCheck =
    "      后台检查频道状态\r\r  本软件运行时在后台慢慢检查各个频道是否还能连通(每次只读取一小段数据，"
    "播放频道时暂停)，最近两次检查都失败的频道在频道树里显示为失效。\r\r  检查的快慢可以在设置文件的 "
    "[BackgroundCheck] 一节里调整。";
constexpr std::string_view kHintExport =
    "  与您的朋友共享自添频道的实现步骤:\r\r  1. 将您自添的频道导出到文本文件中；\r\r  2. "
    "将此文本文件复制给您的朋友；\r\r  3. 您的朋友通过 \"批量自添\" 功能导入此\r\r     文本文件即可。";

}  // namespace

OptionsSetupPage::OptionsSetupPage(OptionsVisit& visit, const OptionsLinks& links, QWidget* parent)
    : OptionsPageWidget(visit, links, parent),
      hints_(new OptionsHintPanel(this, OptionsHintPanel::Follows::Mouse)) {
    QWidget* tabSetup = this;
    tabSetup->setObjectName(QStringLiteral("tabSetup"));
    tabSetup->setGeometry(0, 0, kWidth, kHeight);
    const auto hint = [this](QWidget* widget, std::string_view text) { hints_->add(widget, text); };
    hint(tabSetup, kHintPage);

    auto* general = new QGroupBox(QStringLiteral("常规选项设置"), tabSetup);
    general->setObjectName(QStringLiteral("gbGeneralOption"));
    general->setGeometry(8, 6, 308, 128);
    hint(general, kHintGeneral);
    chkIsAutoPlayLastChannel_ = new QCheckBox(QStringLiteral("自动播放上次最后播放的频道(&P)"), general);
    chkIsAutoPlayLastChannel_->setObjectName(QStringLiteral("chkIsAutoPlayLastChannel"));
    chkIsAutoPlayLastChannel_->setGeometry(10, 20, 290, 20);
    hint(chkIsAutoPlayLastChannel_, kHintAutoPlay);
    chkIsHideOnDeactive_ = new QCheckBox(QStringLiteral("当本软件处于非活动状态时隐藏起来(&H)"), general);
    chkIsHideOnDeactive_->setObjectName(QStringLiteral("chkIsHideOnDeactive"));
    chkIsHideOnDeactive_->setGeometry(10, 44, 290, 20);
    hint(chkIsHideOnDeactive_, kHintHide);
    hint(options_ui::label(general, "Label20", "使用您指定的录音软件", QRect(12, 70, 280, 16)),
         kHintRecorderLabel);
    edSNDREC_ = new QLineEdit(general);
    edSNDREC_->setObjectName(QStringLiteral("edSNDREC"));
    edSNDREC_->setGeometry(12, 92, 204, 22);
    edSNDREC_->setInputMethodHints(Qt::ImhLatinOnly);
    hint(edSNDREC_, kHintRecorderBox);
    auto* browse = new QPushButton(QStringLiteral("浏览(&B)"), general);
    browse->setObjectName(QStringLiteral("spSetupSNDREC"));
    browse->setGeometry(222, 91, 76, 24);
    hint(browse, kHintBrowse);
    connect(browse, &QPushButton::clicked, this, &OptionsSetupPage::spSetupSNDRECClick);

    auto* desktopGroup = new QGroupBox(QStringLiteral("桌面"), tabSetup);
    desktopGroup->setObjectName(QStringLiteral("gbDesktop"));
    desktopGroup->setGeometry(328, 6, 296, 128);
    hint(desktopGroup, kHintAutostart);
    chkAutostart_ = new QCheckBox(QStringLiteral("登录桌面时自动启动本软件(&S)"), desktopGroup);
    chkAutostart_->setObjectName(QStringLiteral("chkAutostart"));
    chkAutostart_->setGeometry(10, 20, 280, 20);
    hint(chkAutostart_, kHintAutostart);
    chkBackgroundCheck_ = new QCheckBox(QStringLiteral("后台检查频道状态(&K)"), desktopGroup);
    chkBackgroundCheck_->setObjectName(QStringLiteral("chkBackgroundCheck"));
    chkBackgroundCheck_->setGeometry(10, 44, 280, 20);
    hint(chkBackgroundCheck_, kHintBackgroundCheck);
    QLabel* daysLabel = options_ui::label(desktopGroup, "lblSubscriptionDays",
                                          "启动时刷新订阅，间隔天数(&U)：", QRect(12, 72, 196, 20));
    seSubscriptionDays_ = new QSpinBox(desktopGroup);
    seSubscriptionDays_->setObjectName(QStringLiteral("seSubscriptionDays"));
    seSubscriptionDays_->setGeometry(212, 70, 76, 22);
    seSubscriptionDays_->setRange(0, SetupValues::kMaxSubscriptionRefreshDays);
    seSubscriptionDays_->setSpecialValueText(QStringLiteral("不刷新"));
    daysLabel->setBuddy(seSubscriptionDays_);
    hint(daysLabel, kHintSubscriptionDays);
    hint(seSubscriptionDays_, kHintSubscriptionDays);
    chkReportDirectoryClicks_ =
        new QCheckBox(QStringLiteral("试听时向电台目录报告播放次数(&R)"), desktopGroup);
    chkReportDirectoryClicks_->setObjectName(QStringLiteral("chkReportDirectoryClicks"));
    chkReportDirectoryClicks_->setGeometry(10, 98, 280, 20);
    hint(chkReportDirectoryClicks_, kHintReportClicks);

    auto* lock = new QGroupBox(QStringLiteral("童锁功能设置"), tabSetup);
    lock->setObjectName(QStringLiteral("gbLockedChannel"));
    lock->setGeometry(8, 140, 308, 128);
    hint(lock, kHintLockGroup);
    constexpr const char* kRadioTexts[] = {"显示已锁频道且播放或解锁已锁频道时必须输入密码",
                                           "隐藏已锁频道且播放或解锁已锁频道时必须输入密码",
                                           "显示已锁频道且播放或解锁已锁频道时不要输入密码"};
    for (int i = 0; i < 3; ++i) {
        radLockedChannel_[i] = new QRadioButton(QString::fromUtf8(kRadioTexts[i]), lock);
        radLockedChannel_[i]->setObjectName(QStringLiteral("radLockedChannel%1").arg(i));
        radLockedChannel_[i]->setGeometry(8, 20 + 24 * i, 296, 20);
        hint(radLockedChannel_[i], kHintLockRadio);
    }
    auto* setPassword = new QPushButton(QStringLiteral("设置或修改童锁密码(&T)"), lock);
    setPassword->setObjectName(QStringLiteral("btnSetLockedChannelPassword"));
    setPassword->setGeometry(10, 96, 180, 24);
    connect(setPassword, &QPushButton::clicked, this, &OptionsSetupPage::btnSetLockedChannelPasswordClick);

    auto* pack = new QPushButton(QStringLiteral("精简频道数据"), tabSetup);
    pack->setObjectName(QStringLiteral("spPackMDB"));
    pack->setGeometry(8, 278, 150, 24);
    connect(pack, &QPushButton::clicked, links_.packMDB, &QAction::trigger);
    hint(pack, kHintPack);
    QLabel* label22 = options_ui::label(tabSetup, "Label22",
                                        "目的是更快更稳定地使用频道数据，一般每隔三个月到一年运行一次。",
                                        QRect(8, 304, 308, 32));
    label22->setWordWrap(true);
    hint(label22, kHintPack);
    auto* exportButton = new QPushButton(QStringLiteral("导出所有自添频道(&E)..."), tabSetup);
    exportButton->setObjectName(QStringLiteral("spExportUserChannel"));
    exportButton->setGeometry(8, 342, 180, 24);
    connect(exportButton, &QPushButton::clicked, links_.exportUserChannel, &QAction::trigger);
    hint(exportButton, kHintExport);
    QLabel* label21 = options_ui::label(
        tabSetup, "Label21",
        "将您自添的频道导出到文本文件中，再让您的朋友通过\"批量自添\"功能导入，以实现共享。",
        QRect(8, 368, 308, 32));
    label21->setWordWrap(true);
    hint(label21, kHintExport);

    hints_->place(tabSetup, "stSetupHint", 13, QRect(328, 140, 296, 262));
    hints_->show(kHintPage);

    auto* ok = new QPushButton(QStringLiteral("确定(&O)"), tabSetup);
    ok->setObjectName(QStringLiteral("spSetupOK"));
    ok->setToolTip(QStringLiteral("保存设置结果并关闭窗口"));
    ok->setGeometry(222, 416, 88, 28);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &OptionsSetupPage::save);
    auto* cancel = new QPushButton(QStringLiteral("取消(&C)"), tabSetup);
    cancel->setObjectName(QStringLiteral("spSetupCancel"));
    cancel->setToolTip(QStringLiteral("关闭窗口且不做任何操作"));
    cancel->setGeometry(322, 416, 88, 28);
    connect(cancel, &QPushButton::clicked, this, &OptionsSetupPage::rejected);
}

void OptionsSetupPage::load() {
    const SetupValues values = visit_.readSetupValues();
    chkIsAutoPlayLastChannel_->setChecked(values.autoPlayLastChannel);
    chkIsHideOnDeactive_->setChecked(values.hideOnDeactive);
    chkBackgroundCheck_->setChecked(values.backgroundCheck);
    seSubscriptionDays_->setValue(values.subscriptionRefreshDays);
    chkReportDirectoryClicks_->setChecked(values.reportDirectoryClicks);
    edSNDREC_->setText(qs(values.sndrec));
    // Without a home folder there is no autostart folder: the box stays off.
    chkAutostart_->setChecked(values.autostart.value_or(false));
    chkAutostart_->setEnabled(values.autostart.has_value());
    // Mode 3 selects no radio: the group must allow none checked.
    for (QRadioButton* radio : radLockedChannel_) radio->setAutoExclusive(false);
    if (values.lockRadio) radLockedChannel_[storedLockMode(*values.lockRadio)]->setChecked(true);
    for (QRadioButton* radio : radLockedChannel_) radio->setAutoExclusive(true);
}

void OptionsSetupPage::save() {
    SetupValues values;
    values.autoPlayLastChannel = chkIsAutoPlayLastChannel_->isChecked();
    values.hideOnDeactive = chkIsHideOnDeactive_->isChecked();
    values.backgroundCheck = chkBackgroundCheck_->isChecked();
    values.subscriptionRefreshDays = seSubscriptionDays_->value();
    values.reportDirectoryClicks = chkReportDirectoryClicks_->isChecked();
    values.sndrec = options_ui::utf8(edSNDREC_->text());
    for (int i = 0; i < 3; ++i) {
        if (radLockedChannel_[i]->isChecked()) values.lockRadio = lockModeFromStored(i);
    }
    if (chkAutostart_->isEnabled()) values.autostart = chkAutostart_->isChecked();
    bool stored = false;
    run([&] {
        visit_.spSetupOKClick(values, links_.setHideOnDeactive,
                              QCoreApplication::applicationFilePath().toStdString());
        stored = true;
    });
    if (stored) emit accepted();
}

void OptionsSetupPage::cancel() { visit_.spSetupCancelClick(); }

void OptionsSetupPage::spSetupSNDRECClick() {
    // The list shows every file: Linux programs carry no ".exe".
    const std::optional<QString> file =
        runFileDialog(window(), {QStringLiteral("指定录音软件的启动路径"), QStringLiteral("可执行文件 (*)")});
    if (file) edSNDREC_->setText(*file);
}

void OptionsSetupPage::btnSetLockedChannelPasswordClick() {
    run([this] { visit_.btnSetLockedChannelPasswordClick(); });
}

}  // namespace kw
