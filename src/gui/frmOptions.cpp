#include "gui/frmOptions.h"

#include "core/actions/ChildLock.h"
#include "core/base/Error.h"
#include "core/session/Autostart.h"
#include "core/session/Session.h"
#include "gui/ChannelTreeView.h"
#include "gui/FileDialogs.h"
#include "gui/QtUi.h"
#include "gui/frmMain.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>

#include <algorithm>
#include <memory>
#include <utility>

namespace kw {
namespace {

std::string utf8(const QString& text) { return text.toStdString(); }

// A several-line box with an input limit, as a one-line box has: typing or
// pasting past it keeps only as much of the inserted text as still fits.
void limitLength(QPlainTextEdit* edit, int limit) {
    auto inserted = std::make_shared<std::pair<int, int>>(0, 0);  // where, how many
    QObject::connect(edit->document(), &QTextDocument::contentsChange, edit,
                     [inserted](int position, int, int added) {
                         *inserted = {position, added};
                     });
    QObject::connect(edit, &QPlainTextEdit::textChanged, edit, [edit, limit, inserted] {
        const auto [position, added] = std::exchange(*inserted, {0, 0});
        const int length = edit->document()->characterCount() - 1;  // without the closing separator
        const int excess = length - limit;
        if (excess <= 0 || added <= 0) return;
        const int end = std::min(position + added, length);
        QTextCursor cursor(edit->document());
        cursor.setPosition(end);
        cursor.setPosition(std::max(position, end - excess), QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
    });
}

QPointer<frmOptions>& openWindow() {
    static QPointer<frmOptions> window;
    return window;
}

// Page captions.
constexpr std::string_view kSetupCaption = "设置选项";
constexpr std::string_view kTimerCaption = "设置定时播放列表";
constexpr std::string_view kAboutCaption = "关于 (版权信息、版本号、升级信息、作者信息等)";

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
constexpr std::string_view kHintExport =
    "  与您的朋友共享自添频道的实现步骤:\r\r  1. 将您自添的频道导出到文本文件中；\r\r  2. "
    "将此文本文件复制给您的朋友；\r\r  3. 您的朋友通过 \"批量自添\" 功能导入此\r\r     文本文件即可。";

// The add/edit page: label and hint-strip text of each field, in tab order.
struct FieldText {
    const char* label;
    const char* hint;
};
constexpr FieldText kFieldTexts[] = {
    {"&1、总分类 (必须选择或填写一项)",
     " 1、总分类示例: B电视台/C广播电台/D在线电影/E最新专题/Flash精品/G远程教育/H精选网址  "
     "(开头加大写字母是为了便于按需要排序)"},
    {"&2、一级分类[内容](最好选择或填写一项)",
     " 2、一级分类[内容]示例: "
     "综合/娱乐/新闻/财经/音乐/影视/体育/科教/戏剧/生活/健康/文艺/交通/老少/宗教/政治/"
     "法制/记录/其它||MV\\MTV/游戏/小品/广告/贺卡/专辑||动作片/喜剧片/爱情片/科幻片/伦理片/战争片/恐怖片/"
     "动画片/"
     "武侠片/纪录片/成人片/灾难片/连续剧/另类片"},
    {"&3、二级分类[区域](建议选择或填写一项)",
     " 3、二级分类[区域]示例: 中国大陆/中国港澳台/美洲/欧洲/东南亚/虚拟网络/日韩/欧美/其它"},
    {"&4、三级分类[语言](建议选择或填写一项)",
     " 4、三级分类[语言]示例: 普通话/英语/粤语/闽南语/日语/韩语/法语/其它"},
    {"&5、频道格式 (建议选择一项)",
     " 5、频道格式: Windows "
     "Media类型一般以\"mms\"开头或以\".asx\"、\".asf\"、\".wmv\"、\".wma\"、\".avi\"结尾；\r"
     "Real Media类型一般以\"rtsp\"或\"pnm\"开头或以\".ram\"、\".rm\"、\".rmvb\"结尾；\r"
     "Flash类型一般以\".swf\"结尾；3CX类型一般以\"ijl\"开头。"},
    {"&6、频道要求最低连接速度",
     " 6、频道要求最低连接速度用于：让您根据您的网络连接速度来判断该频道是否可达。"},
    {"&7、频道名称 (必须填写，尽量不与已有频道重名)",
     " 7、频道名称是必须输入的。请直接输入频道名称，如果重复，本软件会自动在名称后面添加序号，以避免名称重复"
     "。"},
    {"&8、频道网址 (即URL，必须详细完整填写)",
     " 8、频道地址示例: http://media.example.com/live/news.asx || mms://media.example.com/news || "
     "http://media.example.com/film/trailer.rm || rtsp://media.example.com/radio/music.rm || "
     "ijl://media.example.com/tv/1"},
    {"&9、频道相关网站的网址 (可不填写)",
     " 9、频道相关网址提供该频道的详细资料，如电视和电台的节目表、节目介绍等。一般是相应网页的详细URL地址，如"
     ": "
     "http://www.example.com/programme/index.htm"},
    {"1&0、频道描述 (最好填写)", " 10、频道描述格式为: [直播否][播出时段][简要描述]"},
};
constexpr const char* kTypes[] = {"未知格式",   "Windows Media", "Real Media", "Flash",
                                  "Quick Time", "3CX",           "网页",       "其它"};

QLabel* label(QWidget* parent, const char* name, std::string_view text, QRect geometry) {
    auto* made = new QLabel(qs(text), parent);
    made->setObjectName(QString::fromLatin1(name));
    made->setGeometry(geometry);
    return made;
}

// A hint panel: white text on blue, wrapped.
QLabel* hintPanel(QWidget* parent, const char* name, int pixelSize, QRect geometry) {
    auto* panel = new QLabel(parent);
    panel->setObjectName(QString::fromLatin1(name));
    panel->setGeometry(geometry);
    panel->setWordWrap(true);
    panel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    panel->setStyleSheet(
        QStringLiteral("QLabel { background: #0000C0; color: white; font-size: %1px; padding: 4px; }")
            .arg(pixelSize));
    return panel;
}

}  // namespace

frmOptions* frmOptions::current() { return openWindow().data(); }

frmOptions::frmOptions(frmMain& main, int page, QWidget* parent)
    : QDialog(parent,
              Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::MSWindowsFixedSizeDialogHint),
      main_(main),
      session_(main.session()),
      page_(page) {
    setObjectName(QStringLiteral("frmOptions"));
    setWindowTitle(QStringLiteral("设置"));
    QFont font(QStringLiteral("宋体"));
    font.setPixelSize(12);
    setFont(font);
    setModal(true);

    switch (page_) {
        case 0:
            setWindowTitle(qs(kSetupCaption));
            buildSetupPage();
            break;
        case ChannelForm::kPageAdd:
        case ChannelForm::kPageEdit:
            buildChannelPage();
            break;
        case 4:
            setWindowTitle(qs(kAboutCaption));
            buildAboutPage();
            break;
        default:
            setWindowTitle(qs(kTimerCaption));
            setFixedSize(kSetupWidth, kSetupHeight);
            break;
    }
    placeDialog(this, &main_, DialogPlace::OnScreen);
    openWindow() = this;
}

frmOptions::~frmOptions() = default;

void frmOptions::open(frmMain& main, int page) {
    if (frmOptions* window = current()) {
        window->raise();
        window->activateWindow();
    }
    Session& session = main.session();
    if (!session.beginOptions(page)) return;
    std::unique_ptr<frmOptions> dialog;
    main.runCommand([&] { dialog = std::make_unique<frmOptions>(main, page); });
    if (!dialog) {
        // Nothing was shown: close the frame without a rebuild.
        session.spSetupCancelClick();
        session.endOptions(page, nullptr);
        return;
    }
    main.ui().setOwner(dialog.get());
    main.hide();
    dialog->exec();
    main.ui().setOwner(&main);
    dialog.reset();
    main.show();
    main.activateWindow();
    if (main.widgets().tvSelectChannel != nullptr) main.widgets().tvSelectChannel->setFocus();
    if (page == ChannelForm::kPageEdit) main.ShowNodeDetails(session.channelTree().selected());
}

void frmOptions::done(int result) {
    if (!closed_) {
        closed_ = true;
        main_.runCommand([this] { session_.endOptions(page_, form_.get()); });
    }
    QDialog::done(result);
}

void frmOptions::reject() {
    // Escape or the window's close: a cancel, as the page's own cancel is.
    if (page_ == 0) session_.spSetupCancelClick();
    if (form_) form_->closeClicked();
    QDialog::reject();
}

bool frmOptions::eventFilter(QObject* watched, QEvent* event) {
    if (hintPanel_ != nullptr && hints_.contains(watched)) {
        if (hintFollowsFocus_) {
            if (event->type() == QEvent::FocusIn) hintPanel_->setText(hints_.value(watched));
        } else if (event->type() == QEvent::Enter) {
            leftFor_ = nullptr;
            hintPanel_->setText(hints_.value(watched));
        } else if (event->type() == QEvent::Leave) {
            mouseLeft(static_cast<QWidget*>(watched));
        }
    }
    if (event->type() == QEvent::MouseButtonRelease) {
        if (watched == lblAuthorHomepage_) main_.command(MainCommand::actAuthorHomePage)->trigger();
        if (watched == lblAuthorEmail_) main_.command(MainCommand::actAuthorEmail)->trigger();
    }
    return QDialog::eventFilter(watched, event);
}

void frmOptions::mouseLeft(QWidget* control) {
    // Leaving a control for the empty part of its group (or the page) enters
    // nothing: the group's hint shows once no other control is entered. One
    // move reports every control it leaves, innermost first; leaving that
    // group as well means the mouse went further out.
    const bool pending = leaving_;
    if (!pending || leftFor_ == control) {
        QWidget* outer = control->parentWidget();
        while (outer != nullptr && !hints_.contains(outer)) outer = outer->parentWidget();
        leftFor_ = outer;
    }
    if (pending) return;
    leaving_ = true;
    QTimer::singleShot(0, this, [this] {
        leaving_ = false;
        if (leftFor_ != nullptr) hintPanel_->setText(hints_.value(leftFor_));
        leftFor_ = nullptr;
    });
}

// --- the settings page.

void frmOptions::buildSetupPage() {
    setFixedSize(kSetupWidth, kSetupHeight);
    auto* tabSetup = new QWidget(this);
    tabSetup->setObjectName(QStringLiteral("tabSetup"));
    tabSetup->setGeometry(0, 0, kSetupWidth, kSetupHeight);
    const auto hint = [this](QWidget* widget, std::string_view text) {
        hints_.insert(widget, toDisplayText(text));
        widget->installEventFilter(this);
    };
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
    hint(label(general, "Label20", "使用您指定的录音软件", QRect(12, 70, 280, 16)), kHintRecorderLabel);
    edSNDREC_ = new QLineEdit(general);
    edSNDREC_->setObjectName(QStringLiteral("edSNDREC"));
    edSNDREC_->setGeometry(12, 92, 204, 22);
    edSNDREC_->setInputMethodHints(Qt::ImhLatinOnly);
    hint(edSNDREC_, kHintRecorderBox);
    auto* browse = new QPushButton(QStringLiteral("浏览(&B)"), general);
    browse->setObjectName(QStringLiteral("spSetupSNDREC"));
    browse->setGeometry(222, 91, 76, 24);
    hint(browse, kHintBrowse);
    connect(browse, &QPushButton::clicked, this, &frmOptions::spSetupSNDRECClick);

    auto* desktopGroup = new QGroupBox(QStringLiteral("桌面"), tabSetup);
    desktopGroup->setObjectName(QStringLiteral("gbDesktop"));
    desktopGroup->setGeometry(328, 6, 296, 128);
    hint(desktopGroup, kHintAutostart);
    chkAutostart_ = new QCheckBox(QStringLiteral("登录桌面时自动启动本软件(&S)"), desktopGroup);
    chkAutostart_->setObjectName(QStringLiteral("chkAutostart"));
    chkAutostart_->setGeometry(10, 20, 280, 20);
    hint(chkAutostart_, kHintAutostart);

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
    connect(setPassword, &QPushButton::clicked, this, &frmOptions::btnSetLockedChannelPasswordClick);

    auto* pack = new QPushButton(QStringLiteral("精简频道数据"), tabSetup);
    pack->setObjectName(QStringLiteral("spPackMDB"));
    pack->setGeometry(8, 278, 150, 24);
    connect(pack, &QPushButton::clicked, main_.command(MainCommand::actPackMDB), &QAction::trigger);
    hint(pack, kHintPack);
    QLabel* label22 =
        label(tabSetup, "Label22", "目的是更快更稳定地使用频道数据，一般每隔三个月到一年运行一次。",
              QRect(8, 304, 308, 32));
    label22->setWordWrap(true);
    hint(label22, kHintPack);
    auto* exportButton = new QPushButton(QStringLiteral("导出所有自添频道(&E)..."), tabSetup);
    exportButton->setObjectName(QStringLiteral("spExportUserChannel"));
    exportButton->setGeometry(8, 342, 180, 24);
    connect(exportButton, &QPushButton::clicked, main_.command(MainCommand::actExportUserChannel),
            &QAction::trigger);
    hint(exportButton, kHintExport);
    QLabel* label21 =
        label(tabSetup, "Label21",
              "将您自添的频道导出到文本文件中，再让您的朋友通过\"批量自添\"功能导入，以实现共享。",
              QRect(8, 368, 308, 32));
    label21->setWordWrap(true);
    hint(label21, kHintExport);

    stSetupHint_ = hintPanel(tabSetup, "stSetupHint", 13, QRect(328, 140, 296, 262));
    stSetupHint_->setText(toDisplayText(kHintPage));
    hintPanel_ = stSetupHint_;

    auto* ok = new QPushButton(QStringLiteral("确定(&O)"), tabSetup);
    ok->setObjectName(QStringLiteral("spSetupOK"));
    ok->setToolTip(QStringLiteral("保存设置结果并关闭窗口"));
    ok->setGeometry(222, 416, 88, 28);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &frmOptions::spSetupOKClick);
    auto* cancel = new QPushButton(QStringLiteral("取消(&C)"), tabSetup);
    cancel->setObjectName(QStringLiteral("spSetupCancel"));
    cancel->setToolTip(QStringLiteral("关闭窗口且不做任何操作"));
    cancel->setGeometry(322, 416, 88, 28);
    connect(cancel, &QPushButton::clicked, this, &frmOptions::reject);

    const Session::SetupValues values = session_.readSetupValues();
    chkIsAutoPlayLastChannel_->setChecked(values.autoPlayLastChannel);
    chkIsHideOnDeactive_->setChecked(values.hideOnDeactive);
    edSNDREC_->setText(qs(values.sndrec));
    // Without a home folder there is no autostart folder: the box stays off.
    try {
        chkAutostart_->setChecked(Autostart().isOn());
    } catch (const Error&) {
        chkAutostart_->setEnabled(false);
    }
    autostartWasOn_ = chkAutostart_->isChecked();
    // Mode 3 selects no radio: the group must allow none checked.
    for (QRadioButton* radio : radLockedChannel_) radio->setAutoExclusive(false);
    if (values.lockRadio) radLockedChannel_[*values.lockRadio]->setChecked(true);
    for (QRadioButton* radio : radLockedChannel_) radio->setAutoExclusive(true);
}

void frmOptions::spSetupOKClick() {
    Session::SetupValues values;
    values.autoPlayLastChannel = chkIsAutoPlayLastChannel_->isChecked();
    values.hideOnDeactive = chkIsHideOnDeactive_->isChecked();
    values.sndrec = utf8(edSNDREC_->text());
    for (int i = 0; i < 3; ++i) {
        if (radLockedChannel_[i]->isChecked()) values.lockRadio = i;
    }
    bool stored = false;
    main_.runCommand([&] {
        session_.spSetupOKClick(values, [this](bool hide) { main_.setHideOnDeactive(hide); });
        if (chkAutostart_->isChecked() != autostartWasOn_) {
            Autostart().set(chkAutostart_->isChecked(),
                            QCoreApplication::applicationFilePath().toStdString());
            autostartWasOn_ = chkAutostart_->isChecked();
        }
        stored = true;
    });
    if (stored) accept();
}

void frmOptions::spSetupSNDRECClick() {
    // The list shows every file: Linux programs carry no ".exe".
    const std::optional<QString> file =
        runFileDialog(this, {QStringLiteral("指定录音软件的启动路径"), QStringLiteral("可执行文件 (*)")});
    if (file) edSNDREC_->setText(*file);
}

void frmOptions::btnSetLockedChannelPasswordClick() {
    main_.runCommand([this] { session_.btnSetLockedChannelPasswordClick(); });
}

// --- the add/edit page.

void frmOptions::buildChannelPage() {
    setFixedSize(kSetupWidth, kSetupHeight);
    form_ = session_.makeChannelForm(page_);
    setWindowTitle(qs(form_->windowCaption()));
    auto* tab = new QWidget(this);
    tab->setObjectName(QStringLiteral("tabAddEditChannelInfo"));
    tab->setGeometry(0, 0, kSetupWidth, kSetupHeight);
    label(tab, "lblHint", "需填写的条目较多，但为了您更方便地选择与播放频道，这样做是值得的。",
          QRect(8, 6, 616, 16));
    auto* group = new QGroupBox(QStringLiteral("请选择或输入频道的资料(请尽量按顺序输入)(&D)"), tab);
    group->setObjectName(QStringLiteral("grpEnterChannelInfo"));
    group->setGeometry(8, 24, 616, 348);

    QWidget* fields[10] = {};
    const char* names[] = {"cbClass0", "cbClass1", "cbClass2", "cbClass3", "cbType",
                           "edSpeed",  "edName",   "edURL",    "edLink",   "meMemo"};
    for (int i = 0; i < 4; ++i) {
        cbClass_[i] = new QComboBox(group);
        cbClass_[i]->setEditable(true);
        cbClass_[i]->lineEdit()->setMaxLength(static_cast<int>(ChannelForm::kClassLimit));
        cbClass_[i]->setInsertPolicy(QComboBox::NoInsert);
        fields[i] = cbClass_[i];
    }
    cbType_ = new QComboBox(group);
    cbType_->setEditable(true);
    cbType_->setInsertPolicy(QComboBox::NoInsert);
    for (const char* type : kTypes) cbType_->addItem(QString::fromUtf8(type));
    cbType_->lineEdit()->setMaxLength(static_cast<int>(ChannelForm::kTypeLimit));
    cbType_->setEditText(qs(ChannelForm::kDefaultType));
    cbType_->setInputMethodHints(Qt::ImhLatinOnly);
    fields[4] = cbType_;
    const auto lineEdit = [group](std::size_t limit, bool latin) {
        auto* edit = new QLineEdit(group);
        edit->setMaxLength(static_cast<int>(limit));
        if (latin) edit->setInputMethodHints(Qt::ImhLatinOnly);
        return edit;
    };
    fields[5] = edSpeed_ = lineEdit(ChannelForm::kSpeedLimit, true);
    edSpeed_->setToolTip(QStringLiteral("(建议填写)"));
    fields[6] = edName_ = lineEdit(ChannelForm::kNameLimit, false);
    fields[7] = edURL_ = lineEdit(ChannelForm::kUrlLimit, true);
    fields[8] = edLink_ = lineEdit(ChannelForm::kLinkLimit, true);
    fields[9] = meMemo_ = new QPlainTextEdit(group);
    meMemo_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    limitLength(meMemo_, static_cast<int>(ChannelForm::kMemoLimit));

    stHint_ = hintPanel(group, "stHint", 12, QRect(8, 274, 600, 68));
    hintPanel_ = stHint_;
    hintFollowsFocus_ = true;
    stHint_->setText(toDisplayText(kFieldTexts[0].hint));
    // Two fields a row, the address of the related site and the description across.
    const QRect places[] = {{8, 34, 296, 22},  {312, 34, 296, 22},  {8, 74, 296, 22},  {312, 74, 296, 22},
                            {8, 114, 296, 22}, {312, 114, 200, 22}, {8, 154, 296, 22}, {312, 154, 296, 22},
                            {8, 194, 600, 22}, {8, 234, 600, 36}};
    for (int i = 0; i < 10; ++i) {
        fields[i]->setObjectName(QString::fromLatin1(names[i]));
        fields[i]->setGeometry(places[i]);
        auto* caption = new QLabel(QString::fromUtf8(kFieldTexts[i].label), group);
        caption->setGeometry(places[i].x(), places[i].y() - 16, 296, 16);
        caption->setBuddy(fields[i]);
        if (i == 0 || i == 6 || i == 7) caption->setStyleSheet(QStringLiteral("color: red;"));
        hints_.insert(fields[i], toDisplayText(kFieldTexts[i].hint));
        fields[i]->installEventFilter(this);
        if (auto* box = qobject_cast<QComboBox*>(fields[i])) box->lineEdit()->installEventFilter(this);
        if (auto* box = qobject_cast<QComboBox*>(fields[i]))
            hints_.insert(box->lineEdit(), hints_.value(box));
    }
    label(group, "lblSpeedUnit", "KBit/S", QRect(518, 117, 60, 16));
    for (int i = 1; i < 10; ++i) setTabOrder(fields[i - 1], fields[i]);
    connect(cbClass_[0], &QComboBox::currentTextChanged, this, &frmOptions::cbClass0Change);

    auto* panel = new QWidget(tab);
    panel->setObjectName(QStringLiteral("pnlAddChannel"));
    panel->setGeometry(8, 374, 616, 46);
    chkIsAddToTextFile_ = new QCheckBox(
        QStringLiteral("保存到文本文件 (不是直接添加频道，而是只生成供您\"批量自添\"用的文本文件)(&S)"),
        panel);
    chkIsAddToTextFile_->setObjectName(QStringLiteral("chkIsAddToTextFile"));
    chkIsAddToTextFile_->setGeometry(0, 0, 616, 20);
    connect(chkIsAddToTextFile_, &QCheckBox::clicked, this, &frmOptions::chkIsAddToTextFileClick);
    edTextFileName_ = new QLineEdit(panel);
    edTextFileName_->setObjectName(QStringLiteral("edTextFileName"));
    edTextFileName_->setGeometry(0, 22, 616, 22);
    edTextFileName_->setReadOnly(true);
    edTextFileName_->setStyleSheet(QStringLiteral("QLineEdit { background: #FFFBF0; }"));
    edTextFileName_->setEnabled(false);
    panel->setVisible(page_ == ChannelForm::kPageAdd);

    spEditChannel_ = new QPushButton(tab);
    spEditChannel_->setObjectName(QStringLiteral("spEditChannel"));
    spEditChannel_->setGeometry(150, 424, 190, 28);
    connect(spEditChannel_, &QPushButton::clicked, this, &frmOptions::spEditChannelClick);
    spClose_ = new QPushButton(tab);
    spClose_->setObjectName(QStringLiteral("spClose"));
    spClose_->setGeometry(352, 424, 130, 28);
    connect(spClose_, &QPushButton::clicked, this, [this] {
        form_->closeClicked();
        QDialog::reject();
    });

    // Page entry.
    main_.runCommand([this] {
        ChannelFormFields loaded = readFields();
        const std::optional<std::string> name =
            page_ == ChannelForm::kPageEdit ? session_.channelToEdit() : std::nullopt;
        form_->enterPage(loaded, name.value_or(std::string()));
        fillList(cbClass_[0], form_->mainCategoryList());
        if (page_ == ChannelForm::kPageEdit) {
            writeFields(loaded);
            edURL_->setToolTip(QStringLiteral("若此框值为 7 ，则保留原频道网址。"));
            cbClass0Change();
        }
    });
    pageEntered_ = true;
    showFormState();
    edURL_->setFocus();
}

void frmOptions::fillList(QComboBox* box, const std::optional<std::vector<std::string>>& values) {
    if (!values) return;
    const QString typed = box->currentText();
    const QSignalBlocker blocker(box);
    box->clear();
    for (const std::string& value : *values) box->addItem(qs(value));
    box->setEditText(typed);
}

void frmOptions::cbClass0Change() {
    if (!form_) return;
    main_.runCommand([this] {
        const std::string category = utf8(cbClass_[0]->currentText());
        for (int column = 1; column <= 3; ++column)
            fillList(cbClass_[column], form_->classList(column, category));
    });
}

void frmOptions::chkIsAddToTextFileClick() {
    main_.runCommand([this] { form_->saveToFileClicked(chkIsAddToTextFile_->isChecked()); });
    showFormState();
}

ChannelFormFields frmOptions::readFields() const {
    ChannelFormFields fields;
    fields.class0 = utf8(cbClass_[0]->currentText());
    fields.class1 = utf8(cbClass_[1]->currentText());
    fields.class2 = utf8(cbClass_[2]->currentText());
    fields.class3 = utf8(cbClass_[3]->currentText());
    fields.type = utf8(cbType_->currentText());
    fields.speed = utf8(edSpeed_->text());
    fields.name = utf8(edName_->text());
    fields.url = utf8(edURL_->text());
    fields.link = utf8(edLink_->text());
    fields.memo = utf8(meMemo_->toPlainText());
    return fields;
}

void frmOptions::writeFields(const ChannelFormFields& fields) {
    for (int i = 0; i < 4; ++i) {
        const std::string& value = i == 0   ? fields.class0
                                   : i == 1 ? fields.class1
                                   : i == 2 ? fields.class2
                                            : fields.class3;
        if (cbClass_[i]->currentText() != qs(value)) cbClass_[i]->setEditText(qs(value));
    }
    cbType_->setEditText(qs(fields.type));
    edSpeed_->setText(qs(fields.speed));
    edName_->setText(qs(fields.name));
    edURL_->setText(qs(fields.url));
    edLink_->setText(qs(fields.link));
    meMemo_->setPlainText(qs(fields.memo));
}

void frmOptions::spEditChannelClick() {
    ChannelFormFields fields = readFields();
    ChannelForm::Focus focus = ChannelForm::Focus::None;
    ChannelForm::Outcome outcome = ChannelForm::Outcome::Refused;
    main_.runCommand([&] { outcome = form_->confirm(fields, focus); });
    // The address box keeps its own text; every other field shows the trimmed one.
    const QString typedUrl = edURL_->text();
    writeFields(fields);
    if (outcome == ChannelForm::Outcome::Refused && fields.url.empty() && !typedUrl.isEmpty()) {
        edURL_->setText(typedUrl);
    }
    showFormState();
    if (focus == ChannelForm::Focus::Url) edURL_->setFocus();
    if (focus == ChannelForm::Focus::Name) edName_->setFocus();
    if (outcome == ChannelForm::Outcome::Close) accept();
}

void frmOptions::showFormState() {
    spEditChannel_->setText(qs(form_->confirmCaption()));
    spEditChannel_->setToolTip(qs(form_->confirmHint()));
    spClose_->setText(qs(form_->closeCaption()));
    spClose_->setToolTip(qs(form_->closeHint()));
    chkIsAddToTextFile_->setChecked(form_->saveToFileTicked());
    chkIsAddToTextFile_->setEnabled(form_->saveToFileEnabled());
    edTextFileName_->setEnabled(form_->saveToFileTicked());
    edTextFileName_->setText(qs(form_->textFileName()));
}

// --- the about page.

void frmOptions::buildAboutPage() {
    setFixedSize(kAboutWidth, kAboutHeight);
    auto* tabAbout = new QWidget(this);
    tabAbout->setObjectName(QStringLiteral("tabAbout"));
    tabAbout->setGeometry(0, 0, kAboutWidth, kAboutHeight);
    tabAbout->setAutoFillBackground(true);
    tabAbout->setStyleSheet(QStringLiteral("#tabAbout { background: white; }"));

    auto* strip = new QLabel(tabAbout);
    strip->setObjectName(QStringLiteral("imgStrip"));
    strip->setGeometry(0, 0, 56, kAboutHeight);
    strip->setStyleSheet(QStringLiteral(
        "background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #1E5AA8, stop:1 #9CC3F0);"));
    auto* icon = new QLabel(tabAbout);
    icon->setObjectName(QStringLiteral("imgIcon"));
    icon->setGeometry(66, 10, 48, 48);
    icon->setPixmap(QPixmap(QStringLiteral(":/kestrelwave/icons/kestrelwave-48.png")));
    QLabel* banner = label(tabAbout, "imgBanner", "鹰波视听 Kestrel Wave", QRect(124, 18, 280, 32));
    banner->setStyleSheet(QStringLiteral("color: #1E5AA8; font-size: 22px; font-weight: bold;"));

    label(tabAbout, "lblVersion", "程序版本:1.0正式版", QRect(70, 72, 330, 18));
    const Session::AboutValues about = session_.aboutValues();
    QLabel* verDat = label(tabAbout, "lblVerDat", "频道数据版本:" + about.verDat, QRect(70, 94, 330, 18));
    verDat->setToolTip(QStringLiteral("仅表示您最近一次升级时的最新数据版本号。"));
    label(tabAbout, "lblHomePageCaption", "作者主页:", QRect(70, 116, 64, 18));
    label(tabAbout, "lblEmailCaption", "作者邮箱:", QRect(70, 138, 64, 18));
    lblAuthorHomepage_ = label(tabAbout, "lblAuthorHomepage", about.homePage, QRect(136, 116, 264, 18));
    lblAuthorHomepage_->setToolTip(QStringLiteral("请经常访问作者网站，以获取最新资讯。"));
    lblAuthorEmail_ = label(tabAbout, "lblAuthorEmail", about.email, QRect(136, 138, 264, 18));
    lblAuthorEmail_->setToolTip(QStringLiteral("只要向其中一个地址发送邮件即可。"));
    for (QLabel* link : {lblAuthorHomepage_, lblAuthorEmail_}) {
        link->setStyleSheet(QStringLiteral("color: blue; text-decoration: underline;"));
        link->setCursor(Qt::PointingHandCursor);
        link->installEventFilter(this);
    }

    auto* frame = new QLabel(tabAbout);
    frame->setObjectName(QStringLiteral("shpChannelCount"));
    frame->setGeometry(66, 164, 338, 34);
    frame->setStyleSheet(QStringLiteral("border: 1px dotted blue; border-radius: 6px;"));
    label(tabAbout, "lblChannelCountCaption", "您现有频道数:", QRect(74, 173, 90, 16));
    QLabel* count = label(tabAbout, "lblChannelCount", "", QRect(166, 173, 234, 16));
    count->setStyleSheet(QStringLiteral("color: navy;"));
    main_.runCommand([&] { count->setText(qs(session_.aboutChannelCount())); });

    auto* logo = new QLabel(tabAbout);
    logo->setObjectName(QStringLiteral("imgLogo"));
    logo->setGeometry(340, 210, 64, 64);
    logo->setPixmap(QPixmap(QStringLiteral(":/kestrelwave/icons/kestrelwave-64.png")));
    QLabel* slogan = label(tabAbout, "lblSlogan", "天高任鹰飞，频道随心听。", QRect(70, 224, 264, 28));
    QFont sloganFont(QStringLiteral("楷体_GB2312"));
    sloganFont.setPixelSize(17);
    sloganFont.setItalic(true);
    slogan->setFont(sloganFont);

    auto* close = new QPushButton(QStringLiteral("关闭(&X)"), tabAbout);
    close->setObjectName(QStringLiteral("spCloseAbout"));
    close->setFlat(true);
    close->setGeometry(66, kAboutHeight - 38, 88, 26);
    close->setStyleSheet(QStringLiteral("QPushButton { background: #1E5AA8; color: white; border: none; }"));
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
}

void connectOptionsCommands(frmMain& main) {
    const auto page = [&main](MainCommand id, int number) {
        QObject::connect(main.command(id), &QAction::triggered, &main,
                         [&main, number] { frmOptions::open(main, number); });
    };
    page(MainCommand::actSetup, 0);
    page(MainCommand::actUserAddChannel, ChannelForm::kPageAdd);
    page(MainCommand::actEditChannel, ChannelForm::kPageEdit);
    page(MainCommand::actSetTimerSwitchChannel, 3);
    page(MainCommand::actAbout, 4);
    const auto onSession = [&main](MainCommand id, auto sessionCommand) {
        QObject::connect(main.command(id), &QAction::triggered, &main, [&main, sessionCommand] {
            main.runCommand([&main, sessionCommand] { sessionCommand(main.session()); });
        });
    };
    onSession(MainCommand::actExportUserChannel, [](Session& s) { s.actExportUserChannel(); });
    onSession(MainCommand::actUserBatchAddChannel, [](Session& s) { s.actUserBatchAddChannel(); });
    onSession(MainCommand::actPackMDB, [](Session& s) { s.actPackMDB(); });
}

}  // namespace kw
