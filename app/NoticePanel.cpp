#include "app/NoticePanel.h"

#include <algorithm>

namespace kestrava {

void TNoticePanel::Notice(const std::string& Text) {
  Text_ = Text;
  FrameProblemShown_ = false;
}

void TNoticePanel::FrameProblem(const std::string& Text) {
  if (Text.empty() && !FrameProblemShown_)
    return;
  Notice(Text);
  FrameProblemShown_ = !Text.empty();
}

void TNoticePanel::MarkerAlert(const std::string& Text) {
  if (Text == MarkerAlert_)
    return;
  if (!Text.empty() || Line() == MarkerAlert_)
    Notice(Text);
  MarkerAlert_ = Text;
}

// One line: the panel shares the bar with the other panels.
std::string TNoticePanel::Line() const {
  std::string OneLine = Text_;
  std::replace(OneLine.begin(), OneLine.end(), '\n', ' ');
  return OneLine;
}

} // namespace kestrava
