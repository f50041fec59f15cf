#include "gui/DirectoryWindow.h"

#include "core/base/Error.h"
#include "core/session/Session.h"
#include "gui/QtText.h"
#include "gui/QtUi.h"
#include "gui/frmMain.h"

#include <QAbstractTableModel>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QCompleter>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>

#include <algorithm>
#include <unordered_set>
#include <utility>

namespace kw {
namespace {

constexpr std::string_view kTitle = "电台目录";
constexpr std::string_view kAll = "全部";
constexpr std::string_view kNoBitrateLimit = "不限";
constexpr std::string_view kSearching = "正在搜索…";
constexpr std::string_view kLoadingFilters = "正在读取电台目录的标签、国家/地区和语言…";
constexpr std::string_view kCancelled = "已取消";
constexpr std::string_view kCheckOk = "正常";
constexpr std::string_view kCheckFailed = "失效";

constexpr const char* kColumnTitles[] = {"名称", "国家", "语言", "格式", "kbit/s", "投票", "目录检查"};
constexpr const char* kCodecs[] = {"MP3", "AAC", "AAC+", "OGG", "FLAC", "OPUS"};

struct OrderChoice {
    const char* label;
    StationOrder order;
};
constexpr OrderChoice kOrders[] = {
    {"按投票", StationOrder::Votes}, {"按点击", StationOrder::Clicks}, {"按名称", StationOrder::Name}};

QString joined(const std::vector<std::string>& texts) {
    QStringList list;
    for (const std::string& text : texts) list << qs(text);
    return list.join(QStringLiteral(", "));
}

// The text a combo box holds as a filter value: what is typed, without blanks round it.
std::string typedValue(const QComboBox* box) { return box->currentText().trimmed().toStdString(); }

// An editable list of a filter's values: the empty value (no filter) first,
// then the directory's, keeping what the user typed meanwhile.
void fillEditable(QComboBox* box, const std::vector<DirectoryFacet>& facets) {
    const QString typed = box->currentText();
    box->clear();
    box->addItem(QString());
    for (const DirectoryFacet& facet : facets)
        if (!facet.name.empty()) box->addItem(qs(facet.name));
    box->setEditText(typed);
}

QComboBox* editableCombo(QWidget* parent, const char* name) {
    auto* box = new QComboBox(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    box->setMinimumContentsLength(12);
    box->completer()->setFilterMode(Qt::MatchContains);
    box->completer()->setCompletionMode(QCompleter::PopupCompletion);
    return box;
}

}  // namespace

// The stations found, one row each, with the catalogue's stations marked.
class StationListModel : public QAbstractTableModel {
public:
    enum Column { Name, Country, Language, Codec, Bitrate, Votes, Check, kColumns };

    using QAbstractTableModel::QAbstractTableModel;

    void clear() {
        beginResetModel();
        stations_.clear();
        listed_.clear();
        endResetModel();
    }

    // A station a later page repeats (the directory's order moved) is listed once.
    void append(std::vector<RadioStation> stations) {
        std::erase_if(stations, [this](const RadioStation& s) { return !listed_.insert(s.uuid).second; });
        if (stations.empty()) return;
        const int first = static_cast<int>(stations_.size());
        beginInsertRows({}, first, first + static_cast<int>(stations.size()) - 1);
        stations_.insert(stations_.end(), std::make_move_iterator(stations.begin()),
                         std::make_move_iterator(stations.end()));
        endInsertRows();
    }

    void setAdded(std::unordered_set<std::string> uuids) {
        added_ = std::move(uuids);
        if (!stations_.empty()) emit dataChanged(index(0, Name), index(rowCount() - 1, Name));
    }

    const RadioStation& station(int row) const { return stations_[static_cast<std::size_t>(row)]; }

    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : static_cast<int>(stations_.size());
    }
    int columnCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : kColumns; }

    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid() || index.row() >= rowCount()) return {};
        const RadioStation& s = station(index.row());
        if (role == Qt::TextAlignmentRole && (index.column() == Bitrate || index.column() == Votes))
            return int(Qt::AlignRight | Qt::AlignVCenter);
        if (role == Qt::ToolTipRole && index.column() == Name) return qs(s.address);
        if (role != Qt::DisplayRole) return {};
        switch (static_cast<Column>(index.column())) {
            case Name:
                return added_.contains(s.uuid) ? qs(s.name + std::string(RadioDirectory::kAddedMark))
                                               : qs(s.name);
            case Country:
                return qs(s.country.empty() ? s.countryCode : s.country);
            case Language:
                return joined(s.languages);
            case Codec:
                return s.hls ? qs(s.codec) + QStringLiteral(" (HLS)") : qs(s.codec);
            case Bitrate:
                return s.bitrate > 0 ? QString::number(s.bitrate) : QString();
            case Votes:
                return QString::number(s.votes);
            case Check: {
                const QString word = qs(s.lastCheckOk ? kCheckOk : kCheckFailed);
                return s.lastCheckTime.empty() ? word : word + QLatin1Char(' ') + qs(s.lastCheckTime);
            }
            case kColumns:
                break;
        }
        return {};
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= kColumns)
            return {};
        return QString::fromUtf8(kColumnTitles[section]);
    }

private:
    std::vector<RadioStation> stations_;
    std::unordered_set<std::string> listed_;
    std::unordered_set<std::string> added_;
};

// One call on the directory: the window is busy and the Ui's dialogs stand
// over it until the call returns, however it returns.
class DirectoryWindow::Call {
public:
    explicit Call(DirectoryWindow& window) : window_(window), dialogs_(window.ui_, &window) {
        window_.busy_ = true;
        window_.updateButtons();
    }
    ~Call() {
        window_.busy_ = false;
        window_.updateButtons();
    }
    Call(const Call&) = delete;
    Call& operator=(const Call&) = delete;

private:
    DirectoryWindow& window_;
    QtUi::OwnerScope dialogs_;
};

DirectoryWindow::DirectoryWindow(RadioDirectory& directory, QtUi& ui, QWidget* parent)
    : QDialog(parent), directory_(directory), ui_(ui), model_(new StationListModel(this)) {
    setObjectName(QStringLiteral("frmDirectory"));
    setWindowTitle(qs(kTitle));
    setSizeGripEnabled(true);
    buildLayout();

    connect(search_, &QPushButton::clicked, this, &DirectoryWindow::search);
    connect(play_, &QPushButton::clicked, this, &DirectoryWindow::play);
    connect(add_, &QPushButton::clicked, this, &DirectoryWindow::addChosen);
    connect(list_, &QAbstractItemView::doubleClicked, this, &DirectoryWindow::play);
    connect(list_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &DirectoryWindow::updateButtons);
    connect(list_->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &DirectoryWindow::updateButtons);
    // The next page is asked once the current signal has returned, not in
    // the middle of the scroll bar's own handling.
    QScrollBar* bar = list_->verticalScrollBar();
    connect(bar, &QScrollBar::valueChanged, this, [this, bar](int value) {
        if (value == bar->maximum() && more_ && !busy_)
            QTimer::singleShot(0, this, &DirectoryWindow::searchMore);
    });
    list_->installEventFilter(this);
    updateButtons();
    name_->setFocus(Qt::OtherFocusReason);
    const QFontMetrics metrics = fontMetrics();
    resize(metrics.height() * 52, metrics.height() * 32);
}

DirectoryWindow::~DirectoryWindow() = default;

void DirectoryWindow::buildLayout() {
    const auto labelFor = [this](const char* text, QWidget* buddy) {
        auto* label = new QLabel(QString::fromUtf8(text), this);
        label->setBuddy(buddy);
        return label;
    };
    name_ = new QLineEdit(this);
    name_->setObjectName(QStringLiteral("edStationName"));
    name_->setClearButtonEnabled(true);
    tag_ = editableCombo(this, "cbStationTag");
    country_ = new QComboBox(this);
    country_->setObjectName(QStringLiteral("cbStationCountry"));
    country_->addItem(qs(kAll), QString());
    language_ = editableCombo(this, "cbStationLanguage");
    codec_ = new QComboBox(this);
    codec_->setObjectName(QStringLiteral("cbStationCodec"));
    codec_->addItem(qs(kAll), QString());
    for (const char* codec : kCodecs) codec_->addItem(QString::fromLatin1(codec), QString::fromLatin1(codec));
    bitrate_ = new QSpinBox(this);
    bitrate_->setObjectName(QStringLiteral("seStationBitrate"));
    bitrate_->setRange(0, kMaxStationBitrate);
    bitrate_->setSingleStep(32);
    bitrate_->setSuffix(QStringLiteral(" kbit/s"));
    bitrate_->setSpecialValueText(qs(kNoBitrateLimit));
    order_ = new QComboBox(this);
    order_->setObjectName(QStringLiteral("cbStationOrder"));
    for (const OrderChoice& choice : kOrders)
        order_->addItem(QString::fromUtf8(choice.label), static_cast<int>(choice.order));
    includeBroken_ = new QCheckBox(QStringLiteral("包括目录检查失效的电台(&I)"), this);
    includeBroken_->setObjectName(QStringLiteral("chkIncludeBrokenStations"));
    search_ = new QPushButton(QStringLiteral("搜索(&S)"), this);
    search_->setObjectName(QStringLiteral("btnStationSearch"));
    search_->setDefault(true);

    auto* filters = new QGridLayout;
    filters->addWidget(labelFor("名称(&M)：", name_), 0, 0);
    filters->addWidget(name_, 0, 1, 1, 3);
    filters->addWidget(labelFor("标签(&T)：", tag_), 1, 0);
    filters->addWidget(tag_, 1, 1);
    filters->addWidget(labelFor("国家/地区(&C)：", country_), 1, 2);
    filters->addWidget(country_, 1, 3);
    filters->addWidget(labelFor("语言(&L)：", language_), 2, 0);
    filters->addWidget(language_, 2, 1);
    filters->addWidget(labelFor("格式(&F)：", codec_), 2, 2);
    filters->addWidget(codec_, 2, 3);
    filters->addWidget(labelFor("最低码率(&B)：", bitrate_), 3, 0);
    filters->addWidget(bitrate_, 3, 1);
    filters->addWidget(labelFor("排序(&O)：", order_), 3, 2);
    filters->addWidget(order_, 3, 3);
    filters->addWidget(includeBroken_, 4, 0, 1, 3);
    filters->addWidget(search_, 4, 3, Qt::AlignRight);
    filters->setColumnStretch(1, 1);
    filters->setColumnStretch(3, 1);

    list_ = new QTreeView(this);
    list_->setObjectName(QStringLiteral("tvStations"));
    list_->setModel(model_);
    list_->setRootIsDecorated(false);
    list_->setUniformRowHeights(true);
    list_->setAlternatingRowColors(true);
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    QHeaderView* header = list_->header();
    header->setStretchLastSection(false);
    header->setSectionResizeMode(QHeaderView::ResizeToContents);
    header->setSectionResizeMode(StationListModel::Name, QHeaderView::Stretch);

    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("lblDirectoryStatus"));
    status_->setWordWrap(true);
    status_->setTextInteractionFlags(Qt::TextSelectableByMouse);

    play_ = new QPushButton(QStringLiteral("试听(&P)"), this);
    play_->setObjectName(QStringLiteral("btnStationPlay"));
    add_ = new QPushButton(QStringLiteral("加入频道(&A)"), this);
    add_->setObjectName(QStringLiteral("btnStationAdd"));
    auto* close = new QPushButton(QStringLiteral("关闭"), this);
    close->setObjectName(QStringLiteral("btnDirectoryClose"));
    // Enter starts a search wherever the focus is, except on the list, where it plays.
    for (QPushButton* button : {play_, add_, close}) button->setAutoDefault(false);
    connect(close, &QPushButton::clicked, this, &DirectoryWindow::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(play_);
    buttons->addWidget(add_);
    buttons->addStretch(1);
    buttons->addWidget(close);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(filters);
    layout->addWidget(list_, 1);
    layout->addWidget(status_);
    layout->addLayout(buttons);
}

void DirectoryWindow::reject() {
    if (!busy_) QDialog::reject();
}

void DirectoryWindow::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // The lists are asked once the window is on screen, for their progress to stand over.
    if (filtersAsked_) return;
    filtersAsked_ = true;
    QTimer::singleShot(0, this, &DirectoryWindow::loadFilters);
}

bool DirectoryWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == list_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        // Taken here: the list would pass it on to the window's default button.
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            play();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void DirectoryWindow::loadFilters() {
    if (busy_) return;
    showStatus(qs(kLoadingFilters));
    try {
        const Call call(*this);
        const std::optional<std::vector<DirectoryFacet>> tags = directory_.tags();
        if (!tags) return showStatus(qs(kCancelled));
        fillEditable(tag_, *tags);
        const std::optional<std::vector<DirectoryFacet>> countries = directory_.countries();
        if (!countries) return showStatus(qs(kCancelled));
        for (const DirectoryFacet& country : *countries) {
            // Without its code a country cannot be asked for.
            if (country.countryCode.empty()) continue;
            country_->addItem(QStringLiteral("%1 (%2)").arg(qs(country.name)).arg(country.stationCount),
                              qs(country.countryCode));
        }
        const std::optional<std::vector<DirectoryFacet>> languages = directory_.languages();
        if (!languages) return showStatus(qs(kCancelled));
        fillEditable(language_, *languages);
    } catch (const Error& error) {
        return showStatus(qs(error.what()));
    }
    showStatus({});
}

StationQuery DirectoryWindow::queryFromControls() const {
    StationQuery query;
    query.name = name_->text().trimmed().toStdString();
    query.tag = typedValue(tag_);
    query.countryCode = country_->currentData().toString().toStdString();
    query.language = typedValue(language_);
    query.codec = codec_->currentData().toString().toStdString();
    query.bitrateMin = bitrate_->value();
    query.order = static_cast<StationOrder>(order_->currentData().toInt());
    query.hideBroken = !includeBroken_->isChecked();
    query.limit = kPageSize;
    return query;
}

void DirectoryWindow::search() {
    if (busy_) return;
    query_ = queryFromControls();
    more_ = false;
    model_->clear();
    askPage();
}

void DirectoryWindow::searchMore() {
    if (busy_ || !more_) return;
    askPage();
}

void DirectoryWindow::askPage() {
    const bool first = query_.offset == 0;
    showStatus(qs(kSearching));
    std::optional<StationPage> page;
    try {
        const Call call(*this);
        page = directory_.search(query_);
        if (page && first) model_->setAdded(directory_.addedUuids());
    } catch (const Error& error) {
        return showStatus(qs(error.what()));
    }
    if (!page) return showStatus(qs(kCancelled));
    // A failed or cancelled next page leaves the offset, so scrolling asks it again.
    query_.offset += page->received;
    more_ = page->more;
    model_->append(std::move(page->stations));
    const QString found = QStringLiteral("找到 %1 个电台").arg(model_->rowCount());
    showStatus(more_ ? found + QStringLiteral("，向下滚动显示更多") : found);
}

std::vector<int> DirectoryWindow::chosenRows() const {
    std::vector<int> rows;
    for (const QModelIndex& index : list_->selectionModel()->selectedRows()) rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

void DirectoryWindow::play() {
    const QModelIndex current = list_->currentIndex();
    if (busy_ || !current.isValid()) return;
    const RadioStation station = model_->station(current.row());
    const Call call(*this);
    try {
        directory_.play(station);
    } catch (const Error& error) {
        ui_.ShowError(error.what());
    }
}

void DirectoryWindow::addChosen() {
    const std::vector<int> rows = chosenRows();
    if (busy_ || rows.empty()) return;
    std::vector<RadioStation> stations;
    stations.reserve(rows.size());
    for (const int row : rows) stations.push_back(model_->station(row));
    const Call call(*this);
    try {
        const DirectoryAddReport report = directory_.add(stations);
        showAdded();
        ui_.ShowMessage(RadioDirectory::describe(report), kTitle);
    } catch (const Error& error) {
        // What was added before the error stays added.
        showAdded();
        ui_.ShowError(error.what());
    }
}

void DirectoryWindow::showAdded() {
    try {
        model_->setAdded(directory_.addedUuids());
    } catch (const Error& error) {
        showStatus(qs(error.what()));
    }
}

void DirectoryWindow::updateButtons() {
    search_->setEnabled(!busy_);
    play_->setEnabled(!busy_ && list_->currentIndex().isValid());
    add_->setEnabled(!busy_ && list_->selectionModel()->hasSelection());
}

void DirectoryWindow::showStatus(const QString& text) { status_->setText(text); }

void openDirectoryWindow(frmMain& main) {
    auto* window = main.findChild<DirectoryWindow*>(QString(), Qt::FindDirectChildrenOnly);
    if (window == nullptr) {
        window = new DirectoryWindow(main.session().directory(), main.ui(), &main);
        window->setAttribute(Qt::WA_DeleteOnClose);
        placeDialog(window, &main);
    }
    window->show();
    window->raise();
    window->activateWindow();
}

void connectDirectoryCommand(frmMain& main) {
    QObject::connect(main.command(MainCommand::actRadioDirectory), &QAction::triggered, &main,
                     [&main] { main.runCommand([&main] { openDirectoryWindow(main); }); });
}

}  // namespace kw
