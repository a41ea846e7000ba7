#pragma once
// Reads the text flavour of the .x format token by token: whitespace, `//` and `#` comments,
// the delimiters ; , { }, numbers with the separator that must follow each, and quoted strings.
// Every failure names the line it happened on.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

struct XTextError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

class XTextCursor {
 public:
  // `text` is the whole file; reading starts on the line after the 16-byte header.
  explicit XTextCursor(std::string_view text);

  int Line() const { return line_; }
  std::size_t Remaining() const { return static_cast<std::size_t>(end_ - p_); }
  [[noreturn]] void Fail(const std::string& reason) const;

  // A name, a number run or one of the delimiters ; , { } ("" at the end of the text).
  std::string_view NextToken();
  // A whole number followed by a separator; values beyond 32 bits are refused.
  std::int64_t ReadInt();
  // A count of elements that take at least `minBytes` each: refused when negative or when the
  // rest of the file cannot hold that many, so nothing is ever sized by a count the file
  // does not back. `what` names the elements in the reason.
  std::uint32_t ReadCount(std::size_t minBytes, const char* what);
  void CheckFits(std::int64_t count, std::size_t minBytes, const char* what) const;
  // An index below `limit` (the number of `what`s there are).
  std::uint32_t ReadIndex(std::uint32_t limit, const char* what);
  // A finite real number followed by a separator.
  float ReadFloat();
  // Consumes one ';' or ',' if one comes next.
  void TestForSeparator();
  // Consumes a ';' only if it is the very next character.
  void SkipSemicolonRightHere();
  void ExpectSeparator();
  void ExpectSemicolon();
  void ExpectClosingBrace();
  // `Name [name] {`: reads the optional name and the brace after the template name.
  std::string ReadObjectHead();
  // A quoted string followed by ';', as written (backslashes are not escapes).
  std::string ReadString();
  // Skips an object whose content is not read: up to its '{' and then to the matching '}'.
  void SkipObject();

 private:
  char At(std::size_t k) const { return Remaining() > k ? p_[k] : '\0'; }
  void SkipSpaceAndComments();
  void SkipRestOfLine();

  const char* p_;
  const char* end_;
  int line_ = 1;
};

// Why the 16-byte header "xof 0302txt 0032" (or 0303, or 0064) does not open a text .x file
// this reads: binary and compressed files among others; nothing if it does.
std::optional<std::string> XHeaderProblem(std::string_view text);

// Objects, frames included, may nest this deep.
constexpr int kMaxXNesting = 128;
