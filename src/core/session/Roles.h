#pragma once

// The roles a session hands out, and the values and text rules the front
// ends use with them; the front ends include the core through this header,
// Session.h, the ports and Error.h only.
#include "core/actions/ChannelOpener.h"
#include "core/actions/DesktopHelpers.h"
#include "core/base/AsciiText.h"
#include "core/base/ScrambleText.h"
#include "core/browser/CatalogueQuery.h"
#include "core/browser/CatalogueView.h"
#include "core/browser/ChannelScope.h"
#include "core/exchange/CatalogueExchange.h"
#include "core/health/BackgroundCheck.h"
#include "core/health/ChannelHealth.h"
#include "core/health/DeadChannelCleanup.h"
#include "core/session/ChannelCommands.h"
#include "core/session/DatabaseCare.h"
#include "core/settings/ListEntries.h"
#include "core/settings/Preferences.h"
#include "core/settings/ReadableColors.h"
#include "core/settings/Skin.h"
#include "core/sources/RadioDirectory.h"
#include "core/sources/Subscriptions.h"
#include "core/speed/SpeedChannelSet.h"
#include "core/speed/SpeedSlots.h"
#include "core/store/ChannelStore.h"
