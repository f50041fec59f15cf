#include "core/exchange/ChannelForm.h"

#include "core/base/AddressRules.h"
#include "core/base/Error.h"
#include "core/base/ScrambleText.h"
#include "core/base/TextCodec.h"
#include "core/browser/ChannelBrowser.h"
#include "core/exchange/ChannelExchange.h"
#include "core/exchange/ChannelTextFile.h"
#include "core/ports/UiPort.h"
#include "core/store/ChannelStore.h"

#include <fcntl.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>
#include <utility>

namespace kw {
namespace {

namespace fs = std::filesystem;

// Trimmed and held to the box's limit, as the box itself would hold it.
void clean(std::string& value, std::size_t limit) {
    value = std::string(text::cutToChars(text::trimBlanks(value), limit));
}

std::optional<std::vector<std::string>> listOf(const std::vector<std::string>& rows) {
    if (rows.empty()) return std::nullopt;
    std::vector<std::string> list;
    for (const std::string& row : rows) {
        const std::string_view value = text::trimBlanks(row);
        if (!value.empty()) list.emplace_back(value);
    }
    return list;
}

void writeAll(int fd, std::string_view bytes, const std::string& file) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) throw Error(std::string(std::strerror(errno)) + " (" + file + ")");
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
}

}  // namespace

ChannelForm::ChannelForm(ChannelStore& store, ChannelExchange& exchange, ChannelBrowser& browser, UiPort& ui,
                         fs::path programDir, FormMode mode)
    : store_(store),
      exchange_(exchange),
      browser_(browser),
      ui_(ui),
      programDir_(std::move(programDir)),
      formMode_(mode),
      mode_(mode == FormMode::Edit ? ConfirmMode::Edit : ConfirmMode::Add) {}

ChannelForm::~ChannelForm() = default;

std::string_view ChannelForm::windowCaption() const {
    return formMode_ == FormMode::Edit ? form_texts::kEditCaption : form_texts::kAddCaption;
}

std::string_view ChannelForm::confirmCaption() const {
    if (mode_ == ConfirmMode::Edit) return form_texts::kEdit;
    return mode_ == ConfirmMode::Add ? form_texts::kAdd : form_texts::kSave;
}

std::string_view ChannelForm::confirmHint() const {
    if (mode_ == ConfirmMode::Edit) return form_texts::kEditHint;
    return mode_ == ConfirmMode::Add ? form_texts::kAddHint : form_texts::kSaveHint;
}

std::string_view ChannelForm::closeCaption() const {
    return done_ ? form_texts::kClose : form_texts::kCancel;
}

std::string_view ChannelForm::closeHint() const {
    if (!done_) return form_texts::kCancelHint;
    return textFile_ ? form_texts::kCloseSavedHint : form_texts::kCloseAddedHint;
}

bool ChannelForm::enterPage(ChannelFormFields& fields, std::string_view selectedName) {
    if (!store_.isOpen()) store_.reopen();
    if (mode_ != ConfirmMode::Edit) return true;
    const ChannelStore::EditableChannel channel = store_.readChannelForEdit(selectedName);
    const ChannelRecord& record = channel.record;
    fields.name = selectedName;
    fields.class0 = record.class0;
    fields.class1 = record.class1;
    fields.class2 = record.class2;
    fields.class3 = record.class3;
    fields.type = record.type;
    fields.speed = record.speed;
    fields.link = record.link;
    fields.memo = record.memo;
    fields.url = kKeepAddress;
    loaded_ = fields;
    loadedId_ = channel.id;
    loadedName_ = selectedName;
    loadedUrl_ = unscrambleText(record.scrambledUrl, selectedName);
    return channel.id != 0;
}

std::optional<std::vector<std::string>> ChannelForm::mainCategoryList() {
    return listOf(store_.distinctMainCategories());
}

std::optional<std::vector<std::string>> ChannelForm::classList(int column, std::string_view mainCategory) {
    if (text::trimBlanks(mainCategory).empty()) return std::nullopt;
    return listOf(store_.distinctClassValues(column, mainCategory));
}

void ChannelForm::saveToFileClicked(bool ticked) {
    ticked_ = ticked;
    if (ticked_) {
        const std::optional<std::string> chosen =
            ui_.ChooseSaveFile({std::string(ChannelExchange::kSaveTitle),
                                std::string(ChannelExchange::kTextFilter), "txt", programDir_.string()});
        if (chosen) {
            // The whole path: a cut one names another file (or no folder at all).
            textFileName_ = *chosen;
            mode_ = ConfirmMode::FileChosen;
            return;
        }
        ticked_ = false;
    }
    mode_ = ConfirmMode::Add;
}

void ChannelForm::clearAfterStore(ChannelFormFields& fields) {
    fields.name.clear();
    fields.url.clear();
    fields.link.clear();
    fields.memo.clear();
    fields.type.clear();
    fields.speed.clear();
}

ChannelForm::Outcome ChannelForm::confirm(ChannelFormFields& fields, Focus& focus) {
    cancelMark_ = false;
    for (std::string* value : {&fields.class0, &fields.class1, &fields.class2, &fields.class3})
        clean(*value, kClassLimit);
    clean(fields.speed, kSpeedLimit);
    clean(fields.name, kNameLimit);
    clean(fields.link, kLinkLimit);
    clean(fields.memo, kMemoLimit);
    clean(fields.type, kTypeLimit);
    std::string address(text::trimBlanks(fields.url));

    if (fields.class0.empty() || fields.name.empty() || address.empty()) {
        ui_.ShowMessage(form_texts::kRequired);
        focus = Focus::Url;
        return Outcome::Refused;
    }
    if (!address::fitsAddressLimit(address)) {
        ui_.ShowMessage(address::overlongMessage());
        focus = Focus::Url;
        return Outcome::Refused;
    }
    const bool keepsAddress = mode_ == ConfirmMode::Edit && address == kKeepAddress;
    if ((!keepsAddress && !address::isAllowedAddress(address)) || !address::isAllowedAddress(fields.link)) {
        ui_.ShowMessage(address::kRefusedScheme);
        focus = Focus::Url;
        return Outcome::Refused;
    }
    const bool mayKeepName = mode_ == ConfirmMode::Edit && fields.name == loadedName_;
    if (!mayKeepName && exchange_.CountChannelsByName(fields.name) > 0) {
        ui_.ShowMessage(form_texts::kDuplicate);
        if (mode_ == ConfirmMode::Edit) fields.name = loadedName_;
        focus = Focus::Name;
        return Outcome::Refused;
    }

    ChannelRecord record;
    record.class0 = fields.class0;
    record.class1 = fields.class1;
    record.class2 = fields.class2;
    record.class3 = fields.class3;
    record.name = fields.name;
    record.link = fields.link;
    record.memo = fields.memo;
    record.type = fields.type;
    record.speed = fields.speed;

    if (mode_ == ConfirmMode::Add) {
        record.scrambledUrl = scrambleText(address, fields.name);
        store_.insertChannel(record, kUserChannelGroup, kUserChannelVol);
        browser_.noteChannelStored(record.name);
        clearAfterStore(fields);
        done_ = true;
        focus = Focus::None;
        return Outcome::Stay;
    }
    if (mode_ == ConfirmMode::FileChosen) {
        std::error_code ignored;
        fs::remove(textFileName_, ignored);
        const int fd =
            ::open(textFileName_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_APPEND | O_CLOEXEC, 0644);
        if (fd < 0) {
            ui_.ShowMessage("创建 \" " + textFileName_ + " \" 文件出错，请重试。");
            focus = Focus::None;
            return Outcome::Refused;
        }
        textFile_ = std::make_unique<FileDescriptor>(fd);
        mode_ = ConfirmMode::FileOpen;
        done_ = true;
    }
    if (mode_ == ConfirmMode::FileOpen) {
        ChannelTextRecord line{fields.class0,
                               fields.class1,
                               fields.class2,
                               fields.class3,
                               fields.name,
                               address,
                               fields.link,
                               fields.memo,
                               fields.type,
                               fields.speed,
                               std::string(kInsertMarker)};
        writeAll(textFile_->get(), encodeChannelRecord(line), textFileName_);
        clearAfterStore(fields);
        focus = Focus::None;
        return Outcome::Stay;
    }

    // Edit: "7" keeps the stored address; it is keyed with the name the
    // channel has from now on.
    if (address == kKeepAddress) address = loadedUrl_;
    // The tree shows a channel by its name under its categories: a change of
    // either needs the rebuild at closing.
    const bool treeChanges = fields.name != loadedName_ || fields.class0 != loaded_.class0 ||
                             fields.class1 != loaded_.class1 || fields.class2 != loaded_.class2 ||
                             fields.class3 != loaded_.class3;
    if (treeChanges) {
        browser_.noteChannelChanging(loadedName_);
    } else {
        cancelMark_ = true;
    }
    record.scrambledUrl = scrambleText(address, fields.name);
    store_.updateChannelById(loadedId_, record);
    if (treeChanges) browser_.noteChannelStored(record.name);
    focus = Focus::None;
    return Outcome::Close;
}

void ChannelForm::closeClicked() {
    if (!done_) cancelMark_ = true;
}

bool ChannelForm::finish() {
    if (cancelMark_) return false;
    if (textFile_) {
        const bool closed = textFile_->close();
        textFile_.reset();
        if (!closed) throw Error("Unable to write to " + textFileName_);
        return false;
    }
    return true;
}

}  // namespace kw
