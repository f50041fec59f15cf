#pragma once

#include "core/base/Error.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <string_view>

namespace kw::test {

// Whether run throws kw::Error with part in its message; the failure names
// what was thrown instead.
inline ::testing::AssertionResult throwsError(const std::function<void()>& run, std::string_view part) {
    try {
        run();
    } catch (const Error& error) {
        if (std::string_view(error.what()).find(part) != std::string_view::npos)
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure()
               << "the message \"" << error.what() << "\" lacks \"" << part << "\"";
    } catch (const std::exception& other) {
        return ::testing::AssertionFailure() << "threw another exception: " << other.what();
    }
    return ::testing::AssertionFailure() << "threw nothing";
}

}  // namespace kw::test

// EXPECT_THROW for kw::Error that also checks the message holds `part`.
// The statement comes last so that it may hold commas.
#define EXPECT_ERROR(part, ...) EXPECT_TRUE(::kw::test::throwsError([&] { __VA_ARGS__; }, part))
