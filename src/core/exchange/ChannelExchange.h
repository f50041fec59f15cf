#pragma once

#include "core/base/ScopedFlag.h"
#include "core/base/YieldHook.h"
#include "core/store/ChannelStore.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace kw {

class ChannelBrowser;
class ChannelTextReader;
class UiPort;

// Channels in and out of channel text files: the export of the user's own
// channels and batch add, with the name rules the add form shares.
class ChannelExchange {
public:
    static constexpr std::string_view kSaveTitle = "保存到文本文件，请输入文件名";
    static constexpr std::string_view kTextFilter = "文本文件 (*.txt)|*.txt";
    static constexpr std::string_view kOpenTitle = "请选择您创建好的频道信息文件，即特殊格式的文本文件";
    static constexpr std::string_view kOpenFilter = "文本文件 (*.txt)|*.txt|所有文件(*.*)|*.*";
    static constexpr std::size_t kMaxNameChars = 100;

    ChannelExchange(ChannelStore& store, ChannelBrowser& browser, UiPort& ui, YieldHook& yield,
                    std::filesystem::path programDir);

    // Number of rows holding the trimmed name, letter case ignored.
    std::int64_t CountChannelsByName(std::string_view name);
    // The first free name of the series "base (2)", "base (3)", ...; a
    // candidate over 100 characters gives up the end of base to fit exactly.
    std::string MakeUniqueChannelName(std::string_view name);

    // MakeUniqueChannelName over one long write (batch add, playlist import),
    // which only adds rows: a number once found taken stays taken, so each
    // series remembers the first number not yet found taken and N renames of
    // one name cost N lookups, not N * N / 2, with the same names as a result.
    class UniqueNames {
    public:
        explicit UniqueNames(ChannelExchange& exchange) : exchange_(exchange) {}
        // The caller stores the name it gets before it asks again.
        std::string make(std::string_view name);

    private:
        ChannelExchange& exchange_;
        // By digit count and stem in lower case (the name comparison ignores
        // ASCII case): candidates of one key are the same names.
        std::unordered_map<std::string, std::uint64_t> next_;
    };

    // The export command: save dialog, the file, the success message.
    // Returns whether the file was written.
    bool actExportUserChannel();
    // Writes every user channel (group 2, volume "User") to file, whole: a
    // failure leaves the old file, or none, under that name. Returns the
    // number of records written. Throws kw::Error.
    std::int64_t exportUserChannels(const std::filesystem::path& file);

    struct BatchCounts {
        std::int64_t records = 0, inserted = 0, updated = 0, skipped = 0;
        // What was changed or left out on the way in, record by record: the
        // first kMaxNotes ("第 N 条记录 (文件第 L 行起)：reason").
        std::vector<std::string> notes;
        bool stopped = false;  // the user asked it to stop (an exit while it ran)
    };
    static constexpr std::size_t kMaxNotes = 100;
    // The batch-add command: open dialog, batchAdd, tree rebuild, final message.
    // Returns false when nothing ran (cancelled, file not opened, refused).
    bool actUserBatchAddChannel();
    // Reads file into the database. Rows are committed at least every
    // kCommitInterval, so a crash loses at most that much work; an error keeps
    // every record stored before it and throws kw::Error naming the record and
    // its first line.
    BatchCounts batchAdd(const std::filesystem::path& file);
    BatchCounts batchAdd(ChannelTextReader& reader);
    // True while batch add runs; commands that change the database or the
    // tree wait for it to end.
    bool running() const { return running_; }

    static constexpr std::chrono::milliseconds kCommitInterval{200};
    // The pause after each commit of a long write, in which another program
    // polling for the lock finds it free.
    static constexpr std::chrono::milliseconds kWriteGap{15};

    // One long write into the user's channels (batch add, playlist import):
    // the running state and the held tree for its length, rows grouped into
    // transactions committed every kCommitInterval, and after an error every
    // row written before it kept.
    class BatchWriter {
    public:
        // Throws kw::Error while another long write or a tree build runs. A
        // rehearsal holds every row in one transaction and drops it at the end.
        explicit BatchWriter(ChannelExchange& exchange, bool rehearsal = false);
        ~BatchWriter();
        BatchWriter(const BatchWriter&) = delete;
        BatchWriter& operator=(const BatchWriter&) = delete;

        void insert(ChannelRecord record);
        void update(ChannelRecord record);
        // Writes every editable column of the row with that id, its name included.
        void rename(std::int64_t id, std::string_view oldName, ChannelRecord record);
        // Commits when the interval has passed since the last commit.
        void step();
        void finish();
        // After an error: commits what the transaction holds, or writes it
        // again row by row when the engine rolled it back. Never throws:
        // returns the sentence naming how many rows could not be kept and
        // why, for the caller's error message; empty when every row was kept.
        std::string keepWritten() noexcept;

    private:
        enum class Kind { Insert, Update, Rename };
        struct Written {
            Kind kind;
            std::int64_t id;  // Rename only
            ChannelRecord record;
        };
        // Opens the store when closed; throws while another long write or a tree build runs.
        static ChannelExchange& claim(ChannelExchange& exchange);
        void write(Kind kind, std::int64_t id, ChannelRecord record);
        static void store(ChannelStore& store, const Written& row);

        ChannelExchange& exchange_;
        bool rehearsal_;
        ScopedFlag running_;
        std::vector<Written> pending_;
        std::chrono::steady_clock::time_point lastCommit_;
    };

private:
    // The GBK bytes of every user channel's record, and their number.
    std::string userChannelsText(std::int64_t& count);

    ChannelStore& store_;
    ChannelBrowser& browser_;
    UiPort& ui_;
    YieldHook& yield_;
    std::filesystem::path programDir_;
    bool running_ = false;
};

// When `file` cannot be written because it or its folder is write-protected
// (its mode, the user's rights, a read-only medium): the sentence that says
// so, with the path. Empty for any other reason.
std::string writeProtectionMessage(const std::filesystem::path& file);

// Texts of export and batch add, in one place.
namespace exchange_texts {
inline constexpr std::string_view kFileWriteProtected =
    "不能写入下面的文件：它是只读的，或者您没有写入它的权限。";
inline constexpr std::string_view kFolderWriteProtected =
    "不能在下面的文件夹中写入文件：它是只读的，或者您没有写入它的权限。";
inline constexpr std::string_view kExportRemoveFailed = "对不起，出现未知错误。创建文件失败：";
inline constexpr std::string_view kExportRemoveHint = "请您检查文件名是否合法 或 磁盘空间是否足够后重试。";
inline constexpr std::string_view kExportDone = "祝贺您，您自己添加的频道已经全部导出到下面的文本文件中：";
inline constexpr std::string_view kCannotOpenBefore = "不能打开 ";
inline constexpr std::string_view kCannotOpenAfter = " 文件，请检查文件格式是否正确。";
inline constexpr std::string_view kRefusedAddress = "地址或相关网址不是媒体或网页地址，没有添加：";
// After address::overlongReason(), before the channel's name.
inline constexpr std::string_view kOverlongAddressLeftOut = "，没有添加：";
inline constexpr std::string_view kBatchDone = "祝贺您，操作成功了！\r\n\r\n您现在就可以开始欣赏更多的频道！";
inline constexpr std::string_view kEarlierRecordsLostBefore = "此前读入的 ";
inline constexpr std::string_view kEarlierRecordsLostAfter = " 条记录也没能保存：";
inline constexpr std::string_view kNameControlsBlanked = "频道名称里的换行、制表符等控制字符已换成空格";
}  // namespace exchange_texts

}  // namespace kw
