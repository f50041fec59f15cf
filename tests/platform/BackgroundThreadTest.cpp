#include "core/base/ProfileFile.h"
#include "core/browser/ChannelBrowser.h"
#include "core/health/BackgroundCheck.h"
#include "core/health/ChannelHealth.h"
#include "core/settings/SettingsFile.h"
#include "platform/CurlStreamProbe.h"
#include "support/FakeUi.h"
#include "support/LocalStreamServer.h"
#include "support/StoreFixture.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace kw {
namespace {

class BackgroundThreadTest : public test::StoreFixture {};

// The probes run on the check's own thread against real sockets; the results
// reach the database only through tick(), and a check destroyed mid-probe
// stops instead of waiting for the slow channel.
TEST_F(BackgroundThreadTest, ProbesOnItsOwnThreadAndKeepsOnTheCallers) {
    makeStore();
    test::LocalStreamServer server;
    addChannel("好台", server.url("/fast"));
    addChannel("死台", test::LocalStreamServer::refusedUrl());
    addChannel("慢台", server.url("/silent"));
    SettingsFile settings(programDir_);
    ProfileFile(settings.path()).writeInteger("BackgroundCheck", "PerMinute", 600);
    test::FakeUi ui;
    YieldHook yield;
    CurlStreamProbe probe;
    ChannelBrowser browser(*store_, programDir_, ui, yield);
    ChannelHealth health(*store_, browser, settings, probe, yield);
    auto check = std::make_unique<BackgroundCheck>(*store_, health, settings, probe, BackgroundCheckHooks{});

    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!store_->readCheck("死台") && std::chrono::steady_clock::now() < deadline) {
        check->tick();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ASSERT_TRUE(store_->readCheck("死台"));
    EXPECT_EQ(store_->readCheck("死台")->reasonCode, "connection-refused");
    ASSERT_TRUE(store_->readCheck("好台"));
    EXPECT_GT(store_->readCheck("好台")->status, 0);

    check.reset();  // returns although the silent channel may still be waited for
}

}  // namespace
}  // namespace kw
