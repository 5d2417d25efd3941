// The notice panel: which of the notices, frame problems and marker alerts
// given one after the other it shows.

#include "app/NoticePanel.h"

#include <utility>
#include <vector>

#include <gtest/gtest.h>

namespace kestrava {
namespace {

TEST(NoticePanel, AFrameProblemOrMarkerAlertGoesWhenOverButNotANoticeAfterIt) {
  // N: a notice, P: the frame's problem, M: a marker alert; "" ends either.
  const struct {
    std::vector<std::pair<char, const char*>> Steps;
    const char* Shown;
  } Cases[] = {
      {{{'N', "disk full"}, {'P', ""}}, "disk full"},
      {{{'P', "bad sensor"}, {'P', ""}}, ""},
      {{{'P', "bad sensor"}, {'N', "disk full"}, {'P', ""}}, "disk full"},
      {{{'M', "markers 1 and 2"}, {'M', ""}}, ""},
      {{{'M', "markers 1 and 2"}, {'N', "disk full"}, {'M', ""}}, "disk full"},
      {{{'M', "markers 1 and 2"}, {'P', "bad sensor"}, {'P', ""}, {'M', ""}}, ""},
  };
  for (const auto& Case : Cases) {
    TNoticePanel Panel;
    for (const auto& [Source, Text] : Case.Steps) {
      if (Source == 'N')
        Panel.Notice(Text);
      else if (Source == 'P')
        Panel.FrameProblem(Text);
      else
        Panel.MarkerAlert(Text);
    }
    EXPECT_EQ(Panel.Line(), Case.Shown);
  }
  TNoticePanel Panel;
  Panel.Notice("Unable to save\nrec.img");
  EXPECT_EQ(Panel.Line(), "Unable to save rec.img");
  EXPECT_EQ(Panel.Text(), "Unable to save\nrec.img");
}

} // namespace
} // namespace kestrava
