#pragma once

// The roles a session hands out, for the front ends that use them.
#include "core/actions/ChannelCommands.h"
#include "core/actions/DesktopHelpers.h"
#include "core/browser/CatalogueView.h"
#include "core/exchange/CatalogueExchange.h"
#include "core/session/DatabaseCare.h"
#include "core/settings/Preferences.h"
#include "core/speed/SpeedSlots.h"
