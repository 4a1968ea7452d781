#pragma once

// Points, sizes and rectangles in 32-bit float points, the unit every view frame is measured in.

namespace storm {

struct Point {
  float x = 0;
  float y = 0;
  friend bool operator==(const Point&, const Point&) = default;
};

struct Size {
  float width = 0;
  float height = 0;
  friend bool operator==(const Size&, const Size&) = default;
};

struct Rect {
  float x = 0;
  float y = 0;
  float width = 0;
  float height = 0;
  friend bool operator==(const Rect&, const Rect&) = default;
};

inline constexpr Rect RectZero{};

}  // namespace storm
