#pragma once
// TScrollableStringList: the information box. Text lines (UTF-8) whose tab
// characters separate columns aligned on tab stops, scrollable both ways,
// with an optional selected line.
//
// Thread: the user-interface thread only.

#include "controls/CustomScrollBoxWithCanvas.h"
#include "controls/TabStops.h"

#include <string>
#include <vector>

namespace kestrava {

class TScrollableStringList : public TCustomScrollBoxWithCanvas {
public:
  explicit TScrollableStringList(QWidget* Parent = nullptr);

  // Returns the index of the new line.
  std::int32_t AddLine(const std::string& Text);
  // Removes every line and the selection.
  void Clear();
  std::int32_t NumItems() const { return static_cast<std::int32_t>(Lines_.size()); }
  const std::string& Line(std::int32_t Index) const { return Lines_.at(Index); }

  void ClearTabStops();
  // See TTabStops::Add: kept ascending, duplicates and a 33rd stop ignored.
  void AddTabStop(std::int32_t X);
  const TTabStops& TabStops() const { return TabStops_; }

  bool SelectableItems() const { return SelectableItems_; }
  void SetSelectableItems(bool Value) { SelectableItems_ = Value; }
  TColor SelectionColor() const { return SelectionColor_; }
  void SetSelectionColor(TColor Value);
  TColor FontColor() const { return FontColor_; }
  void SetFontColor(TColor Value);
  // The selected line or -1.
  std::int32_t SelectedIndex() const { return Selected_; }
  // The line whose band holds the client y, or -1.
  std::int32_t LineAtY(std::int32_t Y) const;

  // Height of the text "0" in the current font, in pixels.
  std::int32_t LineHeight() const;
  // Scroll ranges (content sizes in pixels) of the last paint.
  std::int32_t HorzRange() const { return HorzRange_; }
  std::int32_t VertRange() const { return VertRange_; }

protected:
  void Paint(QPainter& Canvas) override;
  void mousePressEvent(QMouseEvent* Event) override;

private:
  void SetRanges(std::int32_t Horz, std::int32_t Vert);

  std::vector<std::string> Lines_;
  TTabStops TabStops_;
  bool SelectableItems_ = false;
  TColor SelectionColor_ = ColorNavy;
  TColor FontColor_ = ColorBlack;
  std::int32_t Selected_ = -1;
  std::int32_t HorzRange_ = 0;
  std::int32_t VertRange_ = 0;
};

} // namespace kestrava
