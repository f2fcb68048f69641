#include "platform/json.h"

#include <gtest/gtest.h>

#include <string>

namespace vex::json {
namespace {

TEST(JsonParse, ReadsNestedDocumentInOrder) {
  auto v = Parse(R"( {"b": [1, -2.5e1, true, false, null], "a": {"x": "y"}, "b": 0} )");
  ASSERT_TRUE(v);
  ASSERT_TRUE(v->IsObject());
  ASSERT_EQ(v->members.size(), 3u);
  EXPECT_EQ(v->members[0].key, "b");
  EXPECT_EQ(v->members[1].key, "a");
  const Value& b = (*v)["b"];  // the first of two equal keys
  ASSERT_EQ(b.Size(), 5u);
  EXPECT_EQ(b.At(0).IntOr(-1), 1);
  EXPECT_DOUBLE_EQ(b.At(1).number, -25.0);
  EXPECT_TRUE(b.At(2).boolean);
  EXPECT_EQ(b.At(3).kind, Value::Kind::Bool);
  EXPECT_FALSE(b.At(3).boolean);
  EXPECT_EQ(b.At(4).kind, Value::Kind::Null);
  EXPECT_EQ((*v)["a"]["x"].StringOr(), "y");
}

TEST(JsonParse, MissingMembersAndItemsChainToNull) {
  auto v = Parse(R"({"a": [1]})");
  ASSERT_TRUE(v);
  EXPECT_EQ((*v)["none"]["deeper"].At(3).kind, Value::Kind::Null);
  EXPECT_EQ((*v)["a"].At(1).kind, Value::Kind::Null);
  EXPECT_EQ((*v)["a"]["key of an array"].kind, Value::Kind::Null);
  EXPECT_EQ((*v)["a"].StringOr("fb"), "fb");
}

TEST(JsonParse, IntOrTakesOnlyWholeNumbers) {
  struct Case {
    const char* text;
    long long expected;
  } cases[] = {{"3", 3},      {"-0", 0},     {"2.0", 2},  {"2.5", -7},
               {"\"3\"", -7}, {"1e300", -7}, {"true", -7}};
  for (const Case& c : cases) {
    auto v = Parse(c.text);
    ASSERT_TRUE(v) << c.text;
    EXPECT_EQ(v->IntOr(-7), c.expected) << c.text;
  }
}

TEST(JsonParse, DecodesStringEscapesToUtf8) {
  struct Case {
    const char* name;
    const char* json;
    std::string expected;
  } cases[] = {
      {"simple escapes", R"("a\"b\\c\/d\n\t\r\b\f")", "a\"b\\c/d\n\t\r\b\f"},
      {"two-byte", R"("\u00e9")", "\xC3\xA9"},
      {"three-byte Japanese", R"("\u30c1\u30a7")", "\xE3\x83\x81\xE3\x82\xA7"},
      {"surrogate pair", R"("\ud83d\ude00")", "\xF0\x9F\x98\x80"},
      {"lone high surrogate", R"("\ud83dx")", "\xEF\xBF\xBDx"},
      {"lone low surrogate", R"("\ude00")", "\xEF\xBF\xBD"},
      {"raw UTF-8 kept", "\"\xE3\x83\x81\"", "\xE3\x83\x81"},
  };
  for (const Case& c : cases) {
    auto v = Parse(c.json);
    ASSERT_TRUE(v) << c.name;
    EXPECT_EQ(v->StringOr("?"), c.expected) << c.name;
  }
}

TEST(JsonParse, RejectsMalformedText) {
  const char* cases[] = {
      "",        "   ",         "{",        "[1,]",          "{\"a\":1,}", "{\"a\" 1}",
      "{a:1}",   "'x'",         "\"open",   "\"tab\there\"", "01",         "1.",
      ".5",      "-",           "1e",       "tru",           "nul",        "[1] [2]",
      "\"\\x\"", "\"\\u12g4\"", "{\"a\":}", "[,1]",
  };
  for (const char* text : cases) EXPECT_FALSE(Parse(text)) << "[" << text << "]";
}

TEST(JsonParse, NestingBeyondTheLimitIsRejectedNotOverflowed) {
  std::string deep(100000, '[');
  EXPECT_FALSE(Parse(deep));
  std::string ok = std::string(20, '[') + std::string(20, ']');
  EXPECT_TRUE(Parse(ok));
  EXPECT_FALSE(Parse(ok, 10));
}

}  // namespace
}  // namespace vex::json
