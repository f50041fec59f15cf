#include "gui/OptionsChannelPage.h"

#include "gui/QtText.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>
#include <memory>
#include <utility>

namespace kw {
namespace {

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

}  // namespace

OptionsChannelPage::OptionsChannelPage(OptionsVisit& visit, const OptionsLinks& links, QWidget* parent)
    : OptionsPageWidget(visit, links, parent),
      form_(*visit.form()),
      hints_(new OptionsHintPanel(this, OptionsHintPanel::Follows::Focus)) {
    QWidget* tab = this;
    tab->setObjectName(QStringLiteral("tabAddEditChannelInfo"));
    tab->setGeometry(0, 0, kWidth, kHeight);
    options_ui::label(tab, "lblHint", "需填写的条目较多，但为了您更方便地选择与播放频道，这样做是值得的。",
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
    // A limit of 0 keeps the box's own maximum (32767).
    const auto lineEdit = [group](std::size_t limit, bool latin) {
        auto* edit = new QLineEdit(group);
        if (limit > 0) edit->setMaxLength(static_cast<int>(limit));
        if (latin) edit->setInputMethodHints(Qt::ImhLatinOnly);
        return edit;
    };
    fields[5] = edSpeed_ = lineEdit(ChannelForm::kSpeedLimit, true);
    edSpeed_->setToolTip(QStringLiteral("(建议填写)"));
    fields[6] = edName_ = lineEdit(ChannelForm::kNameLimit, false);
    // The address box cuts nothing a user could mean: an address over the
    // limit reaches the form whole and is refused there with a message.
    fields[7] = edURL_ = lineEdit(0, true);
    fields[8] = edLink_ = lineEdit(ChannelForm::kLinkLimit, true);
    fields[9] = meMemo_ = new QPlainTextEdit(group);
    meMemo_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    limitLength(meMemo_, static_cast<int>(ChannelForm::kMemoLimit));

    hints_->place(group, "stHint", 12, QRect(8, 274, 600, 68));
    hints_->show(kFieldTexts[0].hint);
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
        hints_->add(fields[i], kFieldTexts[i].hint);
        if (auto* box = qobject_cast<QComboBox*>(fields[i]))
            hints_->add(box->lineEdit(), kFieldTexts[i].hint);
    }
    options_ui::label(group, "lblSpeedUnit", "KBit/S", QRect(518, 117, 60, 16));
    for (int i = 1; i < 10; ++i) setTabOrder(fields[i - 1], fields[i]);
    connect(cbClass_[0], &QComboBox::currentTextChanged, this, &OptionsChannelPage::cbClass0Change);

    auto* panel = new QWidget(tab);
    panel->setObjectName(QStringLiteral("pnlAddChannel"));
    panel->setGeometry(8, 374, 616, 46);
    chkIsAddToTextFile_ = new QCheckBox(
        QStringLiteral("保存到文本文件 (不是直接添加频道，而是只生成供您\"批量自添\"用的文本文件)(&S)"),
        panel);
    chkIsAddToTextFile_->setObjectName(QStringLiteral("chkIsAddToTextFile"));
    chkIsAddToTextFile_->setGeometry(0, 0, 616, 20);
    connect(chkIsAddToTextFile_, &QCheckBox::clicked, this, &OptionsChannelPage::chkIsAddToTextFileClick);
    edTextFileName_ = new QLineEdit(panel);
    edTextFileName_->setObjectName(QStringLiteral("edTextFileName"));
    edTextFileName_->setGeometry(0, 22, 616, 22);
    edTextFileName_->setReadOnly(true);
    edTextFileName_->setStyleSheet(QStringLiteral("QLineEdit { background: #FFFBF0; }"));
    edTextFileName_->setEnabled(false);
    panel->setVisible(form_.mode() == FormMode::Add);

    spEditChannel_ = new QPushButton(tab);
    spEditChannel_->setObjectName(QStringLiteral("spEditChannel"));
    spEditChannel_->setGeometry(150, 424, 190, 28);
    connect(spEditChannel_, &QPushButton::clicked, this, &OptionsChannelPage::save);
    spClose_ = new QPushButton(tab);
    spClose_->setObjectName(QStringLiteral("spClose"));
    spClose_->setGeometry(352, 424, 130, 28);
    connect(spClose_, &QPushButton::clicked, this, &OptionsChannelPage::rejected);
}

void OptionsChannelPage::load() {
    run([this] {
        ChannelFormFields loaded = readFields();
        const bool edit = form_.mode() == FormMode::Edit;
        const std::optional<std::string> name = edit ? visit_.channelToEdit() : std::nullopt;
        form_.enterPage(loaded, name.value_or(std::string()));
        fillList(cbClass_[0], form_.mainCategoryList());
        if (edit) {
            writeFields(loaded);
            edURL_->setToolTip(QStringLiteral("若此框值为 7 ，则保留原频道网址。"));
            cbClass0Change();
        }
    });
    showFormState();
    edURL_->setFocus();
}

void OptionsChannelPage::fillList(QComboBox* box, const std::optional<std::vector<std::string>>& values) {
    if (!values) return;
    const QString typed = box->currentText();
    const QSignalBlocker blocker(box);
    box->clear();
    for (const std::string& value : *values) box->addItem(qs(value));
    box->setEditText(typed);
}

void OptionsChannelPage::cbClass0Change() {
    run([this] {
        const std::string category = options_ui::utf8(cbClass_[0]->currentText());
        for (int column = 1; column <= 3; ++column)
            fillList(cbClass_[column], form_.classList(column, category));
    });
}

void OptionsChannelPage::chkIsAddToTextFileClick() {
    run([this] { form_.saveToFileClicked(chkIsAddToTextFile_->isChecked()); });
    showFormState();
}

ChannelFormFields OptionsChannelPage::readFields() const {
    ChannelFormFields fields;
    fields.class0 = options_ui::utf8(cbClass_[0]->currentText());
    fields.class1 = options_ui::utf8(cbClass_[1]->currentText());
    fields.class2 = options_ui::utf8(cbClass_[2]->currentText());
    fields.class3 = options_ui::utf8(cbClass_[3]->currentText());
    fields.type = options_ui::utf8(cbType_->currentText());
    fields.speed = options_ui::utf8(edSpeed_->text());
    fields.name = options_ui::utf8(edName_->text());
    fields.url = options_ui::utf8(edURL_->text());
    fields.link = options_ui::utf8(edLink_->text());
    fields.memo = options_ui::utf8(meMemo_->toPlainText());
    return fields;
}

void OptionsChannelPage::writeFields(const ChannelFormFields& fields) {
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

void OptionsChannelPage::save() {
    ChannelFormFields fields = readFields();
    ChannelForm::Focus focus = ChannelForm::Focus::None;
    ChannelForm::Outcome outcome = ChannelForm::Outcome::Refused;
    run([&] { outcome = form_.confirm(fields, focus); });
    // The address box keeps its own text; every other field shows the trimmed one.
    const QString typedUrl = edURL_->text();
    writeFields(fields);
    if (outcome == ChannelForm::Outcome::Refused && fields.url.empty() && !typedUrl.isEmpty()) {
        edURL_->setText(typedUrl);
    }
    showFormState();
    if (focus == ChannelForm::Focus::Url) edURL_->setFocus();
    if (focus == ChannelForm::Focus::Name) edName_->setFocus();
    if (outcome == ChannelForm::Outcome::Close) emit accepted();
}

void OptionsChannelPage::showFormState() {
    spEditChannel_->setText(qs(form_.confirmCaption()));
    spEditChannel_->setToolTip(qs(form_.confirmHint()));
    spClose_->setText(qs(form_.closeCaption()));
    spClose_->setToolTip(qs(form_.closeHint()));
    chkIsAddToTextFile_->setChecked(form_.saveToFileTicked());
    chkIsAddToTextFile_->setEnabled(form_.saveToFileEnabled());
    edTextFileName_->setEnabled(form_.saveToFileTicked());
    edTextFileName_->setText(qs(form_.textFileName()));
}

}  // namespace kw
