#include <gtest/gtest.h>

#include <limits>

#include "automation/Json.h"

// The automation's answers: JSON whose numbers read back to the same value.

namespace storm {
namespace {

TEST(Json, WritesValuesThatReadBackExactly) {
  Json j = Json::object()
               .set("s", "a\"b\\c\n\x01")
               .set("f", 0.1f)
               .set("d", 1020.8699951171875)
               .set("n", nullptr)
               .set("b", false)
               .set("a", Json(Json::Array{1, 2.5}));
  EXPECT_EQ(j.dump(),
            R"({"s":"a\"b\\c\n\u0001","f":0.10000000149011612,"d":1020.8699951171875,"n":null,"b":false,"a":[1,2.5]})");
  EXPECT_EQ(Json(std::numeric_limits<double>::infinity()).dump(), "null");
  EXPECT_EQ(Json(std::numeric_limits<long>::max()).dump(), "9223372036854775807");
}

}  // namespace
}  // namespace storm
