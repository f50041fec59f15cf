#include "core/session/Installation.h"
#include "core/store/ChannelStore.h"
#include "support/Kwave.h"
#include "support/LocalDocumentServer.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

using namespace kw;
using test::runKwave;

namespace {

std::string list(std::initializer_list<std::tuple<const char*, const char*, const char*>> entries) {
    std::string text = "#EXTM3U\n";
    for (const auto& [id, title, address] : entries)
        text += std::string("#EXTINF:-1 tvg-id=\"") + id + "\" group-title=\"新闻\"," + title + "\n" +
                address + "\n";
    return text;
}

test::LocalDocumentServer::Answer answer(std::string body, std::string status = "200 OK",
                                         std::string type = "text/plain") {
    test::LocalDocumentServer::Answer made;
    made.status = std::move(status);
    made.contentType = std::move(type);
    made.body = std::move(body);
    return made;
}

bool contains(const std::string& text, std::string_view part) { return text.find(part) != std::string::npos; }

class SourceCommands : public ::testing::Test {
protected:
    void SetUp() override { createInstallation(dir_, KW_DATA_DIR, false); }

    test::TempDir temp_;
    const std::filesystem::path dir_ = temp_.path() / "program";
    test::LocalDocumentServer server_;
};

TEST_F(SourceCommands, ASubscriptionIsListedRefreshedAndRemoved) {
    server_.serve("/tv.m3u", answer(list({{"a", "甲台", "http://s.example/a"},
                                          {"b", "乙台", "http://s.example/b"},
                                          {"c", "丙台", "http://s.example/c"}})));
    const std::string address = server_.url("/tv.m3u");
    test::KwaveRun run = runKwave(dir_, {"import-playlist", address, "--name", "电视"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(contains(run.out, "已订阅“电视”：新增 3")) << run.out;
    run = runKwave(dir_, {"sources"});
    EXPECT_TRUE(contains(run.out, "电视\t" + address + "\t3\t")) << run.out;

    server_.serve("/tv.m3u", answer(list({{"a", "甲台", "http://s.example/a2"},
                                          {"b", "乙台新名", "http://s.example/b"},
                                          {"d", "丁台", "http://s.example/d"}})));
    run = runKwave(dir_, {"refresh", "--dry-run"});
    EXPECT_TRUE(contains(run.out, "试运行")) << run.out;
    EXPECT_TRUE(contains(run.out, "新增 1，更新 2，移除 1，未变 0")) << run.out;
    run = runKwave(dir_, {"refresh", "电视"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(contains(run.out, "丙台")) << "the gone channel is named: " << run.out;
    run = runKwave(dir_, {"list", "--status", "dead"});
    EXPECT_TRUE(contains(run.out, "丙台")) << run.out;
    run = runKwave(dir_, {"details", "乙台新名"});
    EXPECT_EQ(run.status, 0) << run.err;

    run = runKwave(dir_, {"unsubscribe", "电视", "--delete-channels"});
    EXPECT_TRUE(contains(run.out, "删除了 4 个频道")) << run.out;
    EXPECT_EQ(runKwave(dir_, {"sources"}).out, "");
}

TEST_F(SourceCommands, WhatIsNoListIsRefusedInChineseAndNothingIsStored) {
    using Answer = test::LocalDocumentServer::Answer;
    const std::vector<std::pair<std::string, Answer>> cases = {
        {"/page", answer("<!DOCTYPE html><html><body>hi</body></html>", "200 OK", "text/html")},
        {"/empty", answer("")},
        {"/none", answer("#EXTM3U\n#EXTINF:-1,没有地址\n")},
        {"/gone", answer("gone", "404 Not Found")},
    };
    for (const auto& [path, answer] : cases) {
        server_.serve(path, answer);
        const test::KwaveRun run = runKwave(dir_, {"import-playlist", server_.url(path)});
        EXPECT_NE(run.status, 0) << path;
        EXPECT_TRUE(contains(run.err, "不能") || contains(run.err, "没有")) << path << ": " << run.err;
    }
    EXPECT_EQ(runKwave(dir_, {"sources"}).out, "");
    EXPECT_EQ(ChannelStore::open(dir_ / ChannelStore::kFileName)->countChannelsInGroup(2), 0);
}

}  // namespace
