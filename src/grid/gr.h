// Grid navigation: the 256-real navigation block of a grid.
#pragma once

#include <span>
#include <string_view>

// Build the navigation block from projection, size, corners and angles; iret 0.
void gr_mnav(std::string_view proj, int kx, int ky, float lat1, float lon1, float lat2, float lon2,
             float angl1, float angl2, float angl3, bool angset, std::span<float> navblock,
             int& iret);
