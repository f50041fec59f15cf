#pragma once

#include "core/session/Roles.h"
#include "core/session/Session.h"

namespace kw::test {

// What a test of the core may look at inside a session; the windows and kwave
// reach it only through its commands.
class SessionProbe {
public:
    static ChannelStore& store(const Session& session) { return session.store(); }
    static ChannelBrowser& browser(const Session& session) { return session.browser(); }
    static ChannelExchange& channelExchange(const Session& session) { return session.channelExchange(); }
};

}  // namespace kw::test
