#include "core/browser/CatalogueView.h"

#include "core/base/Error.h"
#include "core/browser/BrowserTexts.h"
#include "core/browser/ChannelBrowser.h"
#include "core/browser/TreeCache.h"
#include "core/settings/AboutPage.h"
#include "core/settings/ListEntries.h"
#include "core/settings/SettingsFile.h"
#include "core/store/ChannelStore.h"

namespace kw {

CatalogueView::CatalogueView(ChannelStore& store, ChannelBrowser& browser, SettingsFile& settings)
    : store_(store), browser_(browser), settings_(settings) {}

const ChannelTree& CatalogueView::tree() const { return browser_.tree(); }

void CatalogueView::watch(TreeObserver* observer) {
    browser_.tree().addObserver(observer);
    browser_.deadChannels().watch(observer);
}

void CatalogueView::unwatch(TreeObserver* observer) {
    browser_.tree().removeObserver(observer);
    browser_.deadChannels().unwatch(observer);
}

bool CatalogueView::isMarkedDead(NodeId node) const {
    const ChannelTree& tree = browser_.tree();
    return tree.IsChannelLeaf(node) && browser_.deadChannels().contains(tree.text(node));
}

void CatalogueView::setExpanded(NodeId node, bool expanded) { browser_.tree().setExpanded(node, expanded); }

void CatalogueView::setSelected(NodeId node) { browser_.select(node); }

const NodeDetails& CatalogueView::ShowNodeDetails(NodeId node) {
    // Without a database the window keeps its first captions and the slogan.
    static const NodeDetails kNoDatabase = [] {
        NodeDetails details = initialNodeDetails();
        details.info = texts::kSlogan;
        return details;
    }();
    return store_.isOpen() ? browser_.ShowNodeDetails(node) : kNoDatabase;
}

const NodeDetails& CatalogueView::tvSelectChannelContextPopup(NodeId nodeUnderMouse) {
    if (store_.isOpen() && nodeUnderMouse != kNoNode) browser_.select(nodeUnderMouse);
    return ShowNodeDetails(browser_.selected());
}

NodeHover CatalogueView::tvSelectChannelMouseMove(NodeId node) const {
    const bool channel = browser_.tree().IsChannelLeaf(node);
    return {channel ? texts::kInfoChannel : texts::kInfoCategory, channel};
}

void CatalogueView::muCurNodeFullExpandClick() {
    if (store_.isOpen()) browser_.muCurNodeFullExpandClick();
}
void CatalogueView::muCurNodeFullCollapseClick() {
    if (store_.isOpen()) browser_.muCurNodeFullCollapseClick();
}
void CatalogueView::muFullExpandClick() {
    if (store_.isOpen()) browser_.muFullExpandClick();
}
void CatalogueView::muFullCollapseClick() {
    if (store_.isOpen()) browser_.muFullCollapseClick();
}
void CatalogueView::cbFilterChannelChange(int filter) {
    if (store_.isOpen()) browser_.cbFilterChannelChange(filter);
}
void CatalogueView::cbClassDisplayChannelChange(int mode) {
    if (store_.isOpen()) browser_.cbClassDisplayChannelChange(mode);
}
void CatalogueView::actFindChannelExecute() {
    if (store_.isOpen()) browser_.actFindChannelExecute();
}
void CatalogueView::actFindChannelContinueExecute() {
    if (store_.isOpen()) browser_.actFindChannelContinueExecute();
}
bool CatalogueView::hidesDeadChannels() const { return browser_.hidesDeadChannels(); }

void CatalogueView::setHideDeadChannels(bool hide) {
    if (!store_.isOpen() || browser_.busy()) return;
    settings_.setHideDeadChannels(hide);
    browser_.setHideDeadChannels(hide);
    browser_.RebuildChannelTree(false);
}

bool CatalogueView::FindNextChannel(std::string_view text) {
    return store_.isOpen() && browser_.FindNextChannel(text);
}

}  // namespace kw
