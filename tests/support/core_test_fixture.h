// A fixture for the core tests: records message boxes, starts the generators
// from their initial states, and checks that a test leaves no block behind.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "seams/test_seams.h"
#include "support/recording_message_box.h"
#include "vectors/noise_generators.h"

class CoreTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        noiseState = kInitialNoiseState;
        backgroundState = kInitialBackgroundState;
        liveBefore = LiveAllocationCount();
    }

    void TearDown() override
    {
        FailAllocationsFrom(0);
        EXPECT_EQ(LiveAllocationCount(), liveBefore) << "blocks left behind";
    }

    // Exactly one box was shown, with this text and caption ("Error" is the default).
    void ExpectOneMessage(const std::string& text, const std::string& caption = "Error")
    {
        ASSERT_EQ(recorder.messages().size(), 1u);
        EXPECT_EQ(recorder.messages()[0].text, text);
        EXPECT_EQ(recorder.messages()[0].caption, caption);
        EXPECT_EQ(recorder.messages()[0].owner, owner);
    }

    void ExpectNoMessage() { EXPECT_TRUE(recorder.messages().empty()); }

    MessageRecorder recorder;
    // Never dereferenced: only handed through as the message boxes' owner.
    AppWindow* owner = reinterpret_cast<AppWindow*>(0x1000);
    long liveBefore = 0;
};
