#pragma once

// Median cut and k-means over weighted points in a three-channel colour
// space. Internal to the colour reduction.

#include <array>
#include <span>
#include <vector>

namespace tilora::packing::detail {

struct WeightedPoint {
  std::array<double, 3> at{};
  double weight = 0;
};

// Splits the points into at most `boxes` boxes, each time the box with the
// largest weighted squared spread, along its widest channel at the weighted
// median. Returns each point's box, boxes numbered from 0 without gaps.
std::vector<int> MedianCut(std::span<const WeightedPoint> points, int boxes);

// The weighted mean of each box.
std::vector<std::array<double, 3>> BoxMeans(std::span<const WeightedPoint> points, const std::vector<int>& boxOf);

// Lloyd's k-means from the given centres, at most `rounds` rounds; the
// centres move to the weighted means of their points, and centres left
// without points are dropped.
std::vector<std::array<double, 3>> KMeans(std::span<const WeightedPoint> points,
                                          std::vector<std::array<double, 3>> centres, int rounds);

// Index of the centre nearest to a point (squared Euclidean distance).
int NearestCentre(const std::array<double, 3>& at, const std::vector<std::array<double, 3>>& centres);

}  // namespace tilora::packing::detail
