// The status bar's OpenIGTLink panel.

#include "app/StreamPanelText.h"

#include <gtest/gtest.h>

namespace kestrava {
namespace {

TEST(StreamPanelText, SaysOffOrWhereTheServerListensAndWhoIsServed) {
  const std::pair<TStreamPanelState, const char*> Cases[] = {
      {{}, "IGTLink: off"},
      {{true, "127.0.0.1", 18944, 0, false}, "IGTLink: 127.0.0.1:18944, no clients"},
      {{true, "127.0.0.1", 18944, 1, false}, "IGTLink: 127.0.0.1:18944, 1 client"},
      {{true, "0.0.0.0", 5000, 2, false}, "IGTLink: 0.0.0.0:5000, 2 clients"},
      {{true, "::1", 18944, 3, true}, "IGTLink: [::1]:18944, stopped"},
  };
  for (const auto& [State, Text] : Cases)
    EXPECT_EQ(StreamPanelText(State), Text);
}

} // namespace
} // namespace kestrava
