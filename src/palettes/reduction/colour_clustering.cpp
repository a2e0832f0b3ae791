#include "palettes/reduction/colour_clustering.h"

#include <algorithm>
#include <limits>
#include <numeric>

namespace tilora::packing::detail {
namespace {

using Point3 = std::array<double, 3>;

double DistanceSquared(const Point3& x, const Point3& y) {
  double sum = 0;
  for (std::size_t c = 0; c < 3; ++c) sum += (x[c] - y[c]) * (x[c] - y[c]);
  return sum;
}

struct Box {
  std::vector<std::size_t> members;
  double spread = 0;     // weighted squared distance to the mean
  std::size_t axis = 0;  // channel of largest weighted variance
};

Box Measure(std::span<const WeightedPoint> points, std::vector<std::size_t> members) {
  Box box{std::move(members), 0, 0};
  double weight = 0;
  Point3 mean{};
  for (std::size_t i : box.members) {
    weight += points[i].weight;
    for (std::size_t c = 0; c < 3; ++c) mean[c] += points[i].weight * points[i].at[c];
  }
  if (weight <= 0) return box;
  for (double& m : mean) m /= weight;
  Point3 variance{};
  for (std::size_t i : box.members)
    for (std::size_t c = 0; c < 3; ++c)
      variance[c] += points[i].weight * (points[i].at[c] - mean[c]) * (points[i].at[c] - mean[c]);
  box.spread = variance[0] + variance[1] + variance[2];
  box.axis = static_cast<std::size_t>(std::max_element(variance.begin(), variance.end()) - variance.begin());
  return box;
}

// Halves of a box by weight along its axis; both halves non-empty.
std::pair<std::vector<std::size_t>, std::vector<std::size_t>> Split(std::span<const WeightedPoint> points,
                                                                      Box box) {
  std::vector<std::size_t>& m = box.members;
  const std::size_t axis = box.axis;
  std::stable_sort(m.begin(), m.end(),
                   [&](std::size_t x, std::size_t y) { return points[x].at[axis] < points[y].at[axis]; });
  double total = 0;
  for (std::size_t i : m) total += points[i].weight;
  double running = 0;
  std::size_t cut = 1;
  for (; cut < m.size() - 1; ++cut) {
    running += points[m[cut - 1]].weight;
    if (running * 2 >= total) break;
  }
  return {std::vector<std::size_t>(m.begin(), m.begin() + static_cast<std::ptrdiff_t>(cut)),
          std::vector<std::size_t>(m.begin() + static_cast<std::ptrdiff_t>(cut), m.end())};
}

}  // namespace

std::vector<int> MedianCut(std::span<const WeightedPoint> points, int boxes) {
  std::vector<std::size_t> all(points.size());
  std::iota(all.begin(), all.end(), std::size_t{0});
  std::vector<Box> found;
  if (!all.empty()) found.push_back(Measure(points, std::move(all)));
  while (static_cast<int>(found.size()) < boxes) {
    std::size_t widest = 0;
    for (std::size_t b = 1; b < found.size(); ++b)
      if (found[b].spread > found[widest].spread) widest = b;
    if (found.empty() || found[widest].spread <= 0 || found[widest].members.size() < 2) break;
    auto [low, high] = Split(points, std::move(found[widest]));
    found[widest] = Measure(points, std::move(low));
    found.push_back(Measure(points, std::move(high)));
  }
  std::vector<int> boxOf(points.size(), 0);
  for (std::size_t b = 0; b < found.size(); ++b)
    for (std::size_t i : found[b].members) boxOf[i] = static_cast<int>(b);
  return boxOf;
}

std::vector<Point3> BoxMeans(std::span<const WeightedPoint> points, const std::vector<int>& boxOf) {
  const std::size_t boxes =
      boxOf.empty() ? 0 : static_cast<std::size_t>(*std::max_element(boxOf.begin(), boxOf.end()) + 1);
  std::vector<Point3> sums(boxes, Point3{});
  std::vector<double> weights(boxes, 0);
  for (std::size_t i = 0; i < points.size(); ++i) {
    const auto b = static_cast<std::size_t>(boxOf[i]);
    weights[b] += points[i].weight;
    for (std::size_t c = 0; c < 3; ++c) sums[b][c] += points[i].weight * points[i].at[c];
  }
  for (std::size_t b = 0; b < boxes; ++b)
    if (weights[b] > 0)
      for (double& s : sums[b]) s /= weights[b];
  return sums;
}

int NearestCentre(const Point3& at, const std::vector<Point3>& centres) {
  int nearest = 0;
  double best = std::numeric_limits<double>::max();
  for (std::size_t k = 0; k < centres.size(); ++k) {
    const double d = DistanceSquared(at, centres[k]);
    if (d < best) best = d, nearest = static_cast<int>(k);
  }
  return nearest;
}

std::vector<Point3> KMeans(std::span<const WeightedPoint> points, std::vector<Point3> centres, int rounds) {
  std::vector<int> centreOf(points.size(), -1);
  for (int round = 0; round < rounds && !centres.empty(); ++round) {
    bool moved = false;
    for (std::size_t i = 0; i < points.size(); ++i) {
      const int nearest = NearestCentre(points[i].at, centres);
      moved |= nearest != centreOf[i];
      centreOf[i] = nearest;
    }
    if (!moved) break;
    const std::vector<Point3> means = BoxMeans(points, centreOf);
    std::vector<double> weights(centres.size(), 0);
    for (std::size_t i = 0; i < points.size(); ++i) weights[static_cast<std::size_t>(centreOf[i])] += points[i].weight;
    std::vector<Point3> next;
    for (std::size_t k = 0; k < centres.size(); ++k)
      if (weights[k] > 0) next.push_back(means[k]);
    if (next.size() != centres.size()) std::fill(centreOf.begin(), centreOf.end(), -1);
    centres = std::move(next);
  }
  return centres;
}

}  // namespace tilora::packing::detail
