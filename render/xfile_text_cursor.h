#pragma once
// Reads the text flavour of the .x format token by token, the way the mesh importer reads it:
// same whitespace, comments, delimiters, number extents and separator rules. The outline
// reader walks a file with it before the importer does, so the two see the same structure.
// Where the importer would read a number differently from what the text means (a comma
// between digits, spelled-out NaNs), the cursor refuses instead.
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

struct XImporterTextError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

class XImporterTextCursor {
 public:
  // `text` is the whole file; reading starts after the 16-byte header line.
  explicit XImporterTextCursor(std::string_view text);

  int Line() const { return line_; }
  std::size_t Remaining() const { return static_cast<std::size_t>(end_ - p_); }
  [[noreturn]] void Fail(const std::string& reason) const;

  // A name, a number run or one of the delimiters ; , { } ("" at the end of the text).
  std::string_view NextToken();
  // An integer followed by a separator; values beyond 32 bits are refused.
  std::int64_t ReadInt();
  // A real number followed by a separator; only its extent matters here.
  void ReadFloat();
  void ReadFloats(int count);
  // Consumes one ';' or ',' if one comes next.
  void TestForSeparator();
  // Consumes a ';' only if it is the very next character.
  void SkipSemicolonRightHere();
  void ExpectSeparator();
  void ExpectSemicolon();
  void ExpectClosingBrace();
  // `Name [name] {`: reads the optional name and the brace after the template name.
  std::string ReadObjectHead();
  // A quoted string followed by ';'.
  std::string ReadString();
  // Skips an object the importer does not know: up to its '{' and then to the matching '}'.
  void SkipUnknownObject();

 private:
  char At(std::size_t k) const { return Remaining() > k ? p_[k] : '\0'; }
  void SkipSpaceAndComments();
  void SkipRestOfLine();

  const char* p_;
  const char* end_;
  int line_ = 1;
};
