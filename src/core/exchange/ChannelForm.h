#pragma once

#include "core/base/SafeFile.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kw {

class ChannelBrowser;
class ChannelExchange;
class ChannelStore;
class UiPort;

// The ten fields of the add and edit form, as UTF-8 text.
struct ChannelFormFields {
    std::string class0, class1, class2, class3, type, speed, name, url, link, memo;
};

// Whether the form adds channels or edits the selected one.
enum class FormMode { Add, Edit };

// What the confirm button does now: add to the database, create the chosen
// text file, write into the open text file, or store the edit.
enum class ConfirmMode { Add, FileChosen, FileOpen, Edit };

// The rules of the add/edit page: its confirm modes, the done and cancel
// marks, the duplicate check, add, edit and save to a channel text file. The
// window shows the fields and captions this object gives and forwards its
// clicks; it decides nothing itself.
class ChannelForm {
public:
    // Input limits in characters, in the order of ChannelFormFields. The
    // address has none of its own: it is held to address::kMaxAddressChars
    // and refused, never cut, when longer.
    static constexpr std::size_t kClassLimit = 20, kTypeLimit = 30, kSpeedLimit = 10, kNameLimit = 100,
                                 kLinkLimit = 200, kMemoLimit = 2000, kFileNameLimit = 255;
    // The address box's value that keeps the stored address when editing.
    static constexpr std::string_view kKeepAddress = "7";
    static constexpr std::string_view kDefaultType = "Windows Media";

    enum class Focus { None, Url, Name };
    enum class Outcome { Stay, Refused, Close };

    ChannelForm(ChannelStore& store, ChannelExchange& exchange, ChannelBrowser& browser, UiPort& ui,
                std::filesystem::path programDir, FormMode mode);
    ~ChannelForm();
    ChannelForm(const ChannelForm&) = delete;
    ChannelForm& operator=(const ChannelForm&) = delete;

    FormMode mode() const { return formMode_; }
    ConfirmMode confirmMode() const { return mode_; }
    bool doneMark() const { return done_; }
    std::string_view windowCaption() const;
    std::string_view confirmCaption() const;
    std::string_view confirmHint() const;
    std::string_view closeCaption() const;
    std::string_view closeHint() const;
    const std::string& textFileName() const { return textFileName_; }
    bool saveToFileTicked() const { return ticked_; }
    // The check box is disabled once the text file is open.
    bool saveToFileEnabled() const { return mode_ != ConfirmMode::FileOpen; }

    // Page entry. In edit mode loads the channel of that name into fields,
    // the address box showing "7". Returns false when no such channel exists.
    bool enterPage(ChannelFormFields& fields, std::string_view selectedName = {});

    // The list of field 1, and of field 2, 3 or 4 (column 1..3) for a main
    // category: trimmed non-empty values in the database's order; nullopt when
    // the statement returns no row, or the category is blank, so the list
    // stays as it was.
    std::optional<std::vector<std::string>> mainCategoryList();
    std::optional<std::vector<std::string>> classList(int column, std::string_view mainCategory);

    // The save-to-text-file check box was clicked into state ticked. Ticking
    // asks for a file; a cancelled dialog unticks it again.
    void saveToFileClicked(bool ticked);

    // The confirm button. Trims the fields and puts them back, then adds,
    // saves to the text file or edits; an address over the limit is refused
    // with a message. focus tells where the input focus goes.
    Outcome confirm(ChannelFormFields& fields, Focus& focus);
    // The close button.
    void closeClicked();
    // The window's closing step: closes an open text file; returns whether
    // the tree is to be rebuilt from the database. An edit that kept the name
    // and the four categories leaves the tree as it is.
    bool finish();

private:
    void clearAfterStore(ChannelFormFields& fields);

    ChannelStore& store_;
    ChannelExchange& exchange_;
    ChannelBrowser& browser_;
    UiPort& ui_;
    std::filesystem::path programDir_;
    FormMode formMode_;
    // Set by a close without anything stored and by an edit the tree need
    // not follow: the closing step then leaves the tree as it is.
    bool cancelMark_ = false;
    ConfirmMode mode_;
    bool done_ = false;
    bool ticked_ = false;
    std::string textFileName_;
    std::unique_ptr<FileDescriptor> textFile_;
    std::string loadedName_;
    std::string loadedUrl_;
    ChannelFormFields loaded_;
    std::int64_t loadedId_ = 0;
};

namespace form_texts {
inline constexpr std::string_view kAddCaption = "添加频道资料";
inline constexpr std::string_view kEditCaption = "修改选中频道资料";
inline constexpr std::string_view kAdd = "添加 (&O)";
inline constexpr std::string_view kAddHint = "添加当前频道资料，并可继续添加下一个频道。";
inline constexpr std::string_view kSave = "保存并继续添加频道 (&N)";
inline constexpr std::string_view kSaveHint = "将上面输入的频道资料保存到文本文件，不关闭本窗口";
inline constexpr std::string_view kEdit = "修改 (&O)";
inline constexpr std::string_view kEditHint = "执行修改并关闭本窗口";
inline constexpr std::string_view kCancel = "取消 (&X)";
inline constexpr std::string_view kCancelHint = "关闭本窗口且不做任何操作";
inline constexpr std::string_view kClose = "关闭 (&X)";
inline constexpr std::string_view kCloseAddedHint =
    "关闭本窗口且不添加当前编辑的频道资料，但已经添加的仍然有效。";
inline constexpr std::string_view kCloseSavedHint =
    "关闭本窗口且不保存当前编辑的频道资料，但已经保存的仍然有效。";
inline constexpr std::string_view kRequired = "频道总分类、频道名称和频道地址均必须输入。";
inline constexpr std::string_view kDuplicate =
    "您刚才输入的频道名称在系统频道库中已经存在，请重新输入一个不同的频道名称。\r\n\r\n"
    "若是同一频道有多个不同的频道网址(即URL)，建议按如下形式命名：\r\n\r\n"
    "\" 原频道名称 (编号) \"，如：中央电视台一套 (2)";
}  // namespace form_texts

}  // namespace kw
