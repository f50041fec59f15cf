#include "core/browser/ChannelBrowser.h"

#include "core/base/Error.h"
#include "core/base/ScopedFlag.h"
#include "core/browser/BrowserTexts.h"
#include "core/browser/FindChannel.h"
#include "core/browser/TreeCache.h"
#include "core/ports/UiPort.h"
#include "core/store/ChannelStore.h"

#include <ctime>
#include <utility>

namespace kw {
ChannelBrowser::ChannelBrowser(ChannelStore& store, std::filesystem::path programDir, UiPort& ui,
                               YieldHook& yield)
    : collation_(texts::kFavouritesRoot),
      store_(store),
      programDir_(std::move(programDir)),
      ui_(ui),
      yield_(yield),
      details_(initialNodeDetails()) {}

void ChannelBrowser::setRatingFilter(int filter) {
    const int valid = isValidRatingFilter(filter) ? filter : 0;
    settingsChanged_ = settingsChanged_ || valid != ratingFilter_;
    ratingFilter_ = valid;
}

void ChannelBrowser::setDisplayMode(int mode) {
    const int valid = isValidDisplayMode(mode) ? mode : 0;
    settingsChanged_ = settingsChanged_ || valid != displayMode_;
    displayMode_ = valid;
}

void ChannelBrowser::setLockMode(int mode) {
    // A change of mode matters to the tree only where locked channels show or hide.
    constexpr int kLocked = 1;
    settingsChanged_ =
        settingsChanged_ || isShownInLockMode(kLocked, mode) != isShownInLockMode(kLocked, lockMode_);
    lockMode_ = mode;
}

void ChannelBrowser::setHideDeadChannels(bool hide) {
    settingsChanged_ = settingsChanged_ || hide != hideDead_;
    hideDead_ = hide;
}

std::filesystem::path ChannelBrowser::treeCacheFile() const { return programDir_ / kTreeCacheFileName; }

void ChannelBrowser::RebuildChannelTree(bool useCache) {
    if (busy()) return;
    const ScopedFlag busy(busy_);
    dead_.reload(openStore());
    ChannelTree::ResetScope reset(tree_);
    tree_.clear();
    // Whatever was pending, the tree now follows the database and settings.
    pending_ = ChannelChanges{};
    settingsChanged_ = false;
    irregularNames_.reset();

    // A read under way is used once, or dropped by a rebuild from the database.
    const std::unique_ptr<TreeCachePreload> preload = std::move(preload_);
    std::error_code missing;
    if (useCache && !hideDead_ && (preload || std::filesystem::exists(treeCacheFile(), missing))) {
        try {
            if (preload) {
                preload->takeInto(tree_, yield_);
            } else {
                loadTreeCache(tree_, treeCacheFile(), yield_);
            }
        } catch (const Error& error) {
            tree_.clear();
            ui_.ShowError(error.what());
        }
        if (tree_.FindCategoryNode(texts::kFavouritesRoot) != kNoNode) {
            finishRebuild(false);  // the cache's order is the tree's order
            return;
        }
        tree_.clear();
    }
    try {
        loadFromDatabase();
    } catch (const Error&) {
        finishRebuild(true);
        throw;
    }
    finishRebuild(true);
}

void ChannelBrowser::loadFromDatabase() {
    addCategoryRoots(tree_);
    LoadChannelNodes(ratingFilter_, displayMode_);
}

ChannelStore& ChannelBrowser::openStore() {
    // Compaction closes the connection for a moment.
    if (!store_.isOpen()) store_.reopen();
    return store_;
}

void ChannelBrowser::LoadChannelNodes(int ratingFilter, int displayMode) {
    openStore();
    ChannelPlacer placer(tree_, displayMode, shownChannels(), yield_);
    try {
        store_.forEachListedChannel(
            ratingFilter,
            [&](const ChannelListing& row) {
                placer.place(row);
                yield_.tick();
            },
            ChannelPlacer::columnsRead(displayMode));
    } catch (const Error&) {
        placer.finish();  // the channels read before the error stay
        throw;
    }
    placer.finish();
    irregularNames_ = placer.sawIrregularName();
}

void ChannelBrowser::finishRebuild(bool sort) {
    if (sort) tree_.sortChildren(collation_, yield_);
    showAsBuilt();
}

void ChannelBrowser::showAsBuilt() {
    const NodeId root = tree_.root();
    if (root != kNoNode) tree_.setExpanded(root, true);
    const NodeId favourites = tree_.FindCategoryNode(texts::kFavouritesRoot);
    if (favourites != kNoNode) tree_.setBranchExpanded(favourites, true);
    tree_.select(favourites);
}

NodeId ChannelBrowser::PlaceChannel(const ChannelPlacement& columns, std::string_view name, int displayMode) {
    const ChannelColumns channel{columns.class0, columns.class1, columns.class2,   columns.class3,
                                 columns.vol,    name,           columns.favorited};
    return kw::PlaceChannel(tree_, channel, displayMode, yield_);
}

void ChannelBrowser::noteChannelChanging(std::string_view name) {
    if (!pending_.tooMany()) pending_.changing(name, openStore().findListedChannel(name, ratingFilter_));
}

void ChannelBrowser::noteChannelStored(std::string_view name) { pending_.stored(name); }

void ChannelBrowser::applyPendingChanges() {
    if (busy()) return;
    const ChannelChanges changes = std::exchange(pending_, ChannelChanges{});
    bool patched = false;
    {
        const ScopedFlag busy(busy_);
        try {
            patched = patchTree(changes);
        } catch (const Error&) {
            // The rebuild below reads the database again and reports what fails.
        }
    }
    if (!patched) RebuildChannelTree(false);
}

// A patch costs some dozens of microseconds a channel, a rebuild about one a node.
bool ChannelBrowser::patchTree(const ChannelChanges& changes) {
    constexpr std::size_t kNodesPerChange = 32;
    if (settingsChanged_ || changes.tooMany() || changes.size() * kNodesPerChange > tree_.nodeCount() ||
        tree_.FindCategoryNode(texts::kFavouritesRoot) == kNoNode) {
        return false;
    }
    openStore();
    if (!changes.removed().empty()) {
        // Two channels whose names trim alike share a leaf; a removal cannot
        // tell whether the other still needs it.
        if (!irregularNames_) irregularNames_ = store_.hasIrregularNames();
        if (*irregularNames_) return false;
    }
    const auto find = [this](std::string_view name) { return store_.findListedChannel(name, ratingFilter_); };
    TreePatch patch(tree_, displayMode_, shownChannels(), find, yield_);
    for (const ChannelListing& before : changes.removed()) {
        if (!patch.remove(before)) return false;
    }
    for (const std::string& name : changes.placed()) {
        const std::optional<ChannelListing> row = find(name);
        if (!row) continue;
        if (isIrregularName(row->name)) irregularNames_ = true;
        patch.place(*row);
    }
    tree_.sortChildren(collation_, yield_);
    tree_.setAllExpanded(false);
    showAsBuilt();
    return true;
}

void ChannelBrowser::sortTree() { tree_.sortChildren(collation_, yield_); }

void ChannelBrowser::SaveChannelTreeCache() { saveTreeCache(tree_, treeCacheFile(), yield_); }

void ChannelBrowser::cbFilterChannelChange(int filter) {
    if (busy()) return;
    setRatingFilter(filter);
    RebuildChannelTree(false);
}

void ChannelBrowser::cbClassDisplayChannelChange(int mode) {
    if (busy()) return;
    setDisplayMode(mode);
    const NodeId selection = tree_.selected();
    std::string name;
    if (selection != kNoNode && tree_.IsChannelLeaf(selection)) name = tree_.text(selection);
    RebuildChannelTree(false);
    if (!name.empty()) FindNextChannel(name);
}

const NodeDetails& ChannelBrowser::ShowNodeDetails(NodeId node) {
    if (!tree_.contains(node)) return details_;
    // A node of level 0 is never a channel, even without children.
    if (!tree_.IsChannelLeaf(node)) {
        details_ = categoryDetails(tree_.text(node), details_);
        return details_;
    }
    details_ = channelCommandsEnabled(details_);
    try {
        details_ = channelDetails(store_.readChannelDetails(tree_.text(node)), details_);
        if (const std::optional<StoredCheck> check = store_.readCheck(tree_.text(node)))
            details_.memo.append("\r\n").append(lastCheckLine(*check, std::time(nullptr)));
        if (dead_.reasonOf(tree_.text(node)) == kGoneFromSource)
            details_.memo.append("\r\n").append(probeReasonEntry(ProbeReason::GoneFromSource).words);
    } catch (const Error& error) {
        ui_.ShowError(error.what());
    }
    return details_;
}

bool ChannelBrowser::FindNextChannel(std::string_view text) {
    if (text.empty() || busy()) return false;
    const ScopedFlag busy(busy_);
    const NodeId remembered = tree_.selected();
    const NodeId found = findNextChannelNode(tree_, remembered, text, yield_);
    if (found != kNoNode) {
        tree_.makeVisible(found);
        tree_.select(found);
        return true;
    }
    tree_.select(remembered);
    ui_.ShowMessage(std::string(texts::kNotFoundBefore).append(text).append(texts::kNotFoundAfter));
    return false;
}

void ChannelBrowser::actFindChannelExecute() {
    if (busy()) return;
    const std::optional<std::string> entry = ui_.InputBox(texts::kFindCaption, texts::kFindPrompt, "");
    if (!entry || entry->empty()) return;
    lastSearchText_ = *entry;
    findContinueEnabled_ = true;
    FindNextChannel(lastSearchText_);
}

void ChannelBrowser::actFindChannelContinueExecute() {
    if (findContinueEnabled_ && !busy()) FindNextChannel(lastSearchText_);
}

void ChannelBrowser::muCurNodeFullExpandClick() {
    if (busy()) return;
    if (tree_.selected() != kNoNode) tree_.setBranchExpanded(tree_.selected(), true);
}

void ChannelBrowser::muCurNodeFullCollapseClick() {
    if (busy()) return;
    if (tree_.selected() != kNoNode) tree_.setBranchExpanded(tree_.selected(), false);
}

void ChannelBrowser::muFullExpandClick() {
    if (busy()) return;
    tree_.setAllExpanded(true);
    if (tree_.selected() != kNoNode) tree_.makeVisible(tree_.selected());
}

void ChannelBrowser::muFullCollapseClick() {
    if (busy()) return;
    const NodeId remembered = tree_.selected();
    tree_.setAllExpanded(false);
    if (remembered == kNoNode) return;
    tree_.makeVisible(remembered);
    tree_.select(remembered);
}

}  // namespace kw
