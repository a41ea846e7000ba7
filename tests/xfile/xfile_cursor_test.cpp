// Reading the text .x format token by token: numbers as written, separators, comments, and
// the line a refusal names.
#include "xfile/xfile_cursor.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const std::string kHeader = "xof 0302txt 0032\n";

// The reason `read` fails with on `body`, or "" if it does not fail.
template <typename Read>
std::string FailureOf(const std::string& body, Read read) {
  const std::string text = kHeader + body;
  XTextCursor in(text);
  try {
    read(in);
  } catch (const XTextError& e) {
    return e.what();
  }
  return "";
}

TEST(XTextCursorTest, RealNumbersReadAsWrittenToTheNearestFloat) {
  const struct {
    const char* text;
    float value;
  } rows[] = {{"0.5;", 0.5f},
              {".25,", 0.25f},
              {"-3.;", -3.0f},
              {"+2e1;", 20.0f},
              {"1E-2;", 0.01f},
              {"0.1;", 0.1f},
              {"-19.318517;", -19.318517f},
              {"3.4e38;", 3.4e38f},
              {"1e-60;", 0.0f}};
  for (const auto& row : rows) {
    const std::string text = kHeader + row.text;
    XTextCursor in(text);
    EXPECT_EQ(in.ReadFloat(), row.value) << row.text;
    EXPECT_EQ(in.NextToken(), "") << row.text << ": the separator belongs to the number";
  }
}

TEST(XTextCursorTest, NumbersThatCannotBeReadAreRefusedWithTheirLine) {
  const struct {
    const char* text;
    const char* reason;
  } rows[] = {
      {"\n\n1,5;", "line 4: a comma between digits is ambiguous here"},
      {"1e39;", "line 2: a number is not finite as a 32-bit float"},
      {"-1.#IND00;", "undefined value"},
      {"1e;", "empty exponent"},
      {"x;", "a real number was expected"},
      {"1.0 2.0;", "';' or ',' expected"},
      {"// only a comment", "the file ends where a number was expected"},
      {"12345678901234567890.0;", "too many digits"},
  };
  for (const auto& row : rows) {
    const std::string failure = FailureOf(row.text, [](XTextCursor& in) { in.ReadFloat(); });
    EXPECT_NE(failure.find(row.reason), std::string::npos) << row.text << " gave " << failure;
  }
  EXPECT_NE(FailureOf("4294967296;", [](XTextCursor& in) { in.ReadInt(); }).find("too large"),
            std::string::npos);
  EXPECT_NE(FailureOf("12345678901;", [](XTextCursor& in) { in.ReadInt(); }).find("too large"),
            std::string::npos);
  const std::string text = kHeader + "4294967295; -7,";
  XTextCursor in(text);
  EXPECT_EQ(in.ReadInt(), 4294967295);
  EXPECT_EQ(in.ReadInt(), -7);
}

TEST(XTextCursorTest, CommentsAreSkippedAndLinesCounted) {
  const std::string text = kHeader + "// a comment { 1;\n# another 2;\n  Mesh // after a name\n{ 5; }";
  XTextCursor in(text);
  EXPECT_EQ(in.NextToken(), "Mesh");
  EXPECT_EQ(in.Line(), 4);
  EXPECT_EQ(in.NextToken(), "{");
  EXPECT_EQ(in.ReadInt(), 5);
  in.ExpectClosingBrace();
  EXPECT_EQ(in.NextToken(), "");
}

TEST(XTextCursorTest, StringsKeepBackslashesAndMustEndWithASemicolon) {
  const std::string text = kHeader + R"("maps\\red.png";)";
  XTextCursor in(text);
  EXPECT_EQ(in.ReadString(), R"(maps\\red.png)");
  auto readString = [](XTextCursor& in) { in.ReadString(); };
  EXPECT_NE(FailureOf("\"open", readString).find("ends inside a string"), std::string::npos);
  EXPECT_NE(FailureOf("\"a\" ;", readString).find("'\";' expected"), std::string::npos);
}

TEST(XTextCursorTest, SkippedObjectsEndAtTheirBraceAndAreBoundedInDepth) {
  const std::string text = kHeader + "Unknown name { a { b; } { } c } next";
  XTextCursor in(text);
  in.SkipObject();
  EXPECT_EQ(in.NextToken(), "next");
  auto skip = [](XTextCursor& in) { in.SkipObject(); };
  EXPECT_NE(FailureOf(std::string(200, '{') + std::string(200, '}'), skip).find("nested more than 128 deep"),
            std::string::npos);
  EXPECT_NE(FailureOf("Unknown { {", skip).find("the file ends inside an object"), std::string::npos);
}

}  // namespace
