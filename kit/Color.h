#pragma once

// An RGBA colour with components from 0 to 1 in 32-bit floats.

namespace storm {

struct Color {
  float red = 0;
  float green = 0;
  float blue = 0;
  float alpha = 1;

  static constexpr Color blackColor() { return {0, 0, 0, 1}; }
  static constexpr Color redColor() { return {1, 0, 0, 1}; }
  constexpr Color colorWithAlphaComponent(float a) const { return {red, green, blue, a}; }
  friend bool operator==(const Color&, const Color&) = default;
};

}  // namespace storm
