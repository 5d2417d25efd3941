#pragma once
// The graph the curvature analysis plots into. The time-line graph control
// implements it; TCurvatureGraphPoints is a plain in-memory one for callers
// without a window (the command-line tool, tests, benchmarks).

#include <cstdint>
#include <vector>

namespace kestrava {

class ICurvatureGraph {
public:
  virtual ~ICurvatureGraph() = default;
  // Resizes to Count points (negative counts as 0), every point 0.
  virtual void SetPointCount(std::int32_t Count) = 0;
  virtual std::int32_t PointCount() const = 0;
  // Index in 0 .. PointCount() - 1; other indexes are ignored.
  virtual void SetPoint(std::int32_t Index, double Value) = 0;
  // The selected point index, or -1 for none.
  virtual std::int32_t SelectedIndex() const = 0;
  virtual void SetSelectedIndex(std::int32_t Index) = 0;
};

class TCurvatureGraphPoints final : public ICurvatureGraph {
public:
  void SetPointCount(std::int32_t Count) override;
  std::int32_t PointCount() const override { return static_cast<std::int32_t>(Points_.size()); }
  void SetPoint(std::int32_t Index, double Value) override;
  std::int32_t SelectedIndex() const override { return Selected_; }
  void SetSelectedIndex(std::int32_t Index) override { Selected_ = Index < 0 ? -1 : Index; }

  const std::vector<double>& Points() const { return Points_; }

private:
  std::vector<double> Points_;
  std::int32_t Selected_ = -1;
};

} // namespace kestrava
