// The notice panel: which of the notices, frame problems and marker alerts
// given one after the other it shows.

#include "app/NoticePanel.h"

#include <functional>
#include <vector>

#include <gtest/gtest.h>

namespace kestrava {
namespace {

TEST(NoticePanel, AFrameProblemOrMarkerAlertGoesWhenOverButNotANoticeAfterIt) {
  using TStep = std::function<void(TNoticePanel&)>;
  const auto Notice = [](const char* Text) {
    return TStep([=](TNoticePanel& P) { P.Notice(Text); });
  };
  const auto Problem = [](const char* Text) {
    return TStep([=](TNoticePanel& P) { P.FrameProblem(Text); });
  };
  const auto Alert = [](const char* Text) {
    return TStep([=](TNoticePanel& P) { P.MarkerAlert(Text); });
  };
  const struct {
    std::vector<TStep> Steps;
    const char* Shown;
  } Cases[] = {
      {{Notice("disk full"), Problem("")}, "disk full"},
      {{Problem("bad sensor"), Problem("")}, ""},
      {{Problem("bad sensor"), Notice("disk full"), Problem("")}, "disk full"},
      {{Alert("markers 1 and 2"), Alert("")}, ""},
      {{Alert("markers 1 and 2"), Notice("disk full"), Alert("")}, "disk full"},
      {{Alert("markers 1 and 2"), Problem("bad sensor"), Problem(""), Alert("")}, ""},
  };
  for (const auto& Case : Cases) {
    TNoticePanel Panel;
    for (const TStep& Step : Case.Steps)
      Step(Panel);
    EXPECT_EQ(Panel.Line(), Case.Shown);
  }
  TNoticePanel Panel;
  Panel.Notice("Unable to save\nrec.img");
  EXPECT_EQ(Panel.Line(), "Unable to save rec.img");
  EXPECT_EQ(Panel.Text(), "Unable to save\nrec.img");
}

} // namespace
} // namespace kestrava
