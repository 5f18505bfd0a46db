#pragma once
// A character plot of a curve for the plain-text report.

namespace ostrel {

// Plots the n points (x_i, y_i) as '*' on a grid of `width` columns by `height` rows
// (at least 2 each), axes scaled to the data, with the y range at the left and the x range
// below. Master only.
void print_text_plot(const double* x, const double* y, int n, int width = 60, int height = 20);

}  // namespace ostrel
