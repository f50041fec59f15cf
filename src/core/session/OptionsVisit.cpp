#include "core/session/OptionsVisit.h"

#include "core/actions/ChildLock.h"
#include "core/base/Error.h"
#include "core/base/TextCodec.h"
#include "core/browser/ChannelBrowser.h"
#include "core/session/Autostart.h"
#include "core/settings/AboutPage.h"
#include "core/settings/SettingsFile.h"

#include <utility>

namespace kw {

OptionsVisit::OptionsVisit(OptionsPage page, Parts parts)
    : page_(page),
      store_(parts.store),
      browser_(parts.browser),
      childLock_(parts.childLock),
      settings_(parts.settings),
      selectedChannel_(std::move(parts.selectedChannel)),
      endedCallback_(std::move(parts.ended)) {
    if (page_ == OptionsPage::Add || page_ == OptionsPage::Edit)
        form_ = std::make_unique<ChannelForm>(parts.store, parts.exchange, parts.browser, parts.ui,
                                              std::move(parts.programDir),
                                              page_ == OptionsPage::Edit ? FormMode::Edit : FormMode::Add);
}

OptionsVisit::~OptionsVisit() {
    if (ended_) return;
    ended_ = true;
    if (endedCallback_) endedCallback_();
}

SetupValues OptionsVisit::readSetupValues() {
    SetupValues values;
    values.autoPlayLastChannel = settings_.isAutoPlayLastChannel();
    values.hideOnDeactive = settings_.isHideOnDeactive();
    values.backgroundCheck = settings_.backgroundCheckPace().enabled;
    values.subscriptionRefreshDays = settings_.subscriptionRefreshDays();
    values.reportDirectoryClicks = settings_.reportsDirectoryClicks();
    values.sndrec = settings_.sndrec();
    values.lockRadio = radioForMode(childLock_.lockMode());
    try {
        values.autostart = Autostart().isOn();
    } catch (const Error&) {
        // Without a home folder there is no autostart folder to look in.
    }
    autostartWasOn_ = values.autostart;
    return values;
}

void OptionsVisit::spSetupOKClick(const SetupValues& values,
                                  const std::function<void(bool)>& bindHideOnDeactivate,
                                  const std::filesystem::path& program) {
    settings_.setAutoPlayLastChannel(values.autoPlayLastChannel);
    settings_.setHideOnDeactive(values.hideOnDeactive);
    if (values.backgroundCheck != settings_.backgroundCheckPace().enabled)
        settings_.setBackgroundCheckEnabled(values.backgroundCheck);
    if (values.subscriptionRefreshDays != settings_.subscriptionRefreshDays())
        settings_.setSubscriptionRefreshDays(
            std::clamp(values.subscriptionRefreshDays, 0, SetupValues::kMaxSubscriptionRefreshDays));
    if (values.reportDirectoryClicks != settings_.reportsDirectoryClicks())
        settings_.setReportDirectoryClicks(values.reportDirectoryClicks);
    settings_.setSndrec(text::trimBlanks(values.sndrec));
    browser_.setLockMode(storedLockMode(childLock_.confirmLockMode(values.lockRadio)));
    if (bindHideOnDeactivate) bindHideOnDeactivate(values.hideOnDeactive);
    if (values.autostart && autostartWasOn_ && *values.autostart != *autostartWasOn_) {
        Autostart().set(*values.autostart, program);
        autostartWasOn_ = values.autostart;
    }
}

void OptionsVisit::btnSetLockedChannelPasswordClick() { childLock_.changePassword(); }

AboutValues OptionsVisit::aboutValues() const {
    return {settings_.verDat(), settings_.authorHomePage(), settings_.authorEmail()};
}

std::string OptionsVisit::channelCountLine() { return kw::channelCountLine(store_); }

void OptionsVisit::end() {
    if (ended_) return;
    ended_ = true;
    if (endedCallback_) endedCallback_();
    bool rebuild = false;
    if (page_ == OptionsPage::Settings) {
        rebuild = !cancelMark_;
    } else if (form_) {
        rebuild = form_->finish();
    }
    if (rebuild) browser_.applyPendingChanges();
}

}  // namespace kw
