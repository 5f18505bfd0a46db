#include "model/text_plot.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace ostrel {
namespace {

// Cell of value v on a scale of `cells` cells over [low, high] (a flat range uses the middle).
int cell(double v, double low, double high, int cells) {
  if (!(high > low)) return cells / 2;
  const int c = static_cast<int>(std::lround((v - low) / (high - low) * (cells - 1)));
  return std::clamp(c, 0, cells - 1);
}

}  // namespace

void print_text_plot(const double* x, const double* y, int n, int width, int height) {
  if (n < 1) return;
  width = std::max(width, 2);
  height = std::max(height, 2);
  const auto [x_low, x_high] = std::minmax_element(x, x + n);
  const auto [y_low, y_high] = std::minmax_element(y, y + n);
  std::vector<std::string> grid(height, std::string(width, ' '));
  for (int i = 0; i < n; ++i) {
    if (!std::isfinite(x[i]) || !std::isfinite(y[i])) continue;
    const int row = height - 1 - cell(y[i], *y_low, *y_high, height);
    grid[row][cell(x[i], *x_low, *x_high, width)] = '*';
  }
  std::printf("\n");
  for (int r = 0; r < height; ++r) {
    if (r == 0)
      std::printf(" %12.6lf |", *y_high);
    else if (r == height - 1)
      std::printf(" %12.6lf |", *y_low);
    else
      std::printf("              |");
    std::printf("%s\n", grid[r].c_str());
  }
  std::printf("              +%s\n", std::string(width, '-').c_str());
  std::printf("              %-12.6lf%*.6lf\n\n", *x_low, width - 11, *x_high);
}

}  // namespace ostrel
