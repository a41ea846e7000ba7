#include "render/xfile_text_cursor.h"

namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsDelimiter(char c) { return c == ';' || c == ',' || c == '{' || c == '}'; }

// The importer parses digit runs into 64 bits and gives up silently past that.
constexpr std::size_t kMaxDigitRun = 19;

}  // namespace

XImporterTextCursor::XImporterTextCursor(std::string_view text)
    : p_(text.data()), end_(text.data() + text.size()) {
  p_ += text.size() < 16 ? text.size() : 16;
  SkipRestOfLine();
}

void XImporterTextCursor::Fail(const std::string& reason) const {
  throw XImporterTextError("line " + std::to_string(line_) + ": " + reason);
}

void XImporterTextCursor::SkipRestOfLine() {
  while (p_ < end_) {
    const char c = *p_++;
    if (c == '\n' || c == '\r') {
      if (c == '\n') ++line_;
      return;
    }
  }
}

void XImporterTextCursor::SkipSpaceAndComments() {
  for (;;) {
    while (p_ < end_ && IsSpace(*p_)) {
      if (*p_ == '\n') ++line_;
      ++p_;
    }
    if (p_ >= end_) return;
    if ((At(0) == '/' && At(1) == '/') || At(0) == '#') {
      SkipRestOfLine();
    } else {
      return;
    }
  }
}

std::string_view XImporterTextCursor::NextToken() {
  SkipSpaceAndComments();
  const char* start = p_;
  while (p_ < end_ && !IsSpace(*p_)) {
    if (IsDelimiter(*p_)) {
      if (p_ == start) ++p_;
      break;
    }
    ++p_;
  }
  return {start, static_cast<std::size_t>(p_ - start)};
}

std::int64_t XImporterTextCursor::ReadInt() {
  SkipSpaceAndComments();
  if (p_ >= end_) Fail("the file ends where a number was expected");
  const bool negative = At(0) == '-';
  if (negative) ++p_;
  if (!IsDigit(At(0))) Fail("a whole number was expected");
  std::uint64_t value = 0;
  std::size_t digits = 0;
  while (IsDigit(At(digits))) {
    if (++digits > 10) Fail("a whole number is too large");
    value = value * 10 + static_cast<std::uint64_t>(At(digits - 1) - '0');
  }
  if (value > 0xFFFFFFFFULL) Fail("a whole number is too large");
  p_ += digits;
  ExpectSeparator();
  return negative ? -static_cast<std::int64_t>(value) : static_cast<std::int64_t>(value);
}

void XImporterTextCursor::ReadFloat() {
  SkipSpaceAndComments();
  if (p_ >= end_) Fail("the file ends where a number was expected");
  const std::string_view rest(p_, Remaining());
  if (rest.starts_with("-1.#IND00") || rest.starts_with("1.#IND00") || rest.starts_with("1.#QNAN0")) {
    Fail("a number is written as an undefined value (#IND/#QNAN)");
  }
  std::size_t i = (At(0) == '-' || At(0) == '+') ? 1 : 0;
  auto skipDigits = [&](std::size_t limit) {
    std::size_t n = 0;
    while (IsDigit(At(i))) {
      ++i;
      if (++n > limit) Fail("a number has too many digits");
    }
    return n;
  };
  const bool hasWholePart = skipDigits(kMaxDigitRun) > 0;
  // The importer takes "1,5" for one and a half, where the format means two numbers.
  if (hasWholePart && At(i) == ',' && IsDigit(At(i + 1))) {
    Fail("a comma between digits is ambiguous here: real numbers need a decimal point");
  }
  if (At(i) == '.' && IsDigit(At(i + 1))) {
    ++i;
    skipDigits(static_cast<std::size_t>(-1));
  } else if (hasWholePart && At(i) == '.') {
    ++i;
  } else if (!hasWholePart) {
    Fail("a real number was expected");
  }
  if (At(i) == 'e' || At(i) == 'E') {
    ++i;
    if (At(i) == '-' || At(i) == '+') ++i;
    if (skipDigits(kMaxDigitRun) == 0) Fail("a real number has an empty exponent");
  }
  p_ += i;
  ExpectSeparator();
}

void XImporterTextCursor::ReadFloats(int count) {
  for (int i = 0; i < count; ++i) ReadFloat();
}

void XImporterTextCursor::TestForSeparator() {
  SkipSpaceAndComments();
  if (p_ < end_ && (*p_ == ';' || *p_ == ',')) ++p_;
}

void XImporterTextCursor::SkipSemicolonRightHere() {
  if (p_ < end_ && *p_ == ';') ++p_;
}

void XImporterTextCursor::ExpectSeparator() {
  const std::string_view token = NextToken();
  if (token != "," && token != ";") Fail("';' or ',' expected");
}

void XImporterTextCursor::ExpectSemicolon() {
  if (NextToken() != ";") Fail("';' expected");
}

void XImporterTextCursor::ExpectClosingBrace() {
  if (NextToken() != "}") Fail("'}' expected");
}

std::string XImporterTextCursor::ReadObjectHead() {
  const std::string_view first = NextToken();
  if (first == "{") return {};
  std::string name(first);
  if (NextToken() != "{") Fail("'{' expected");
  return name;
}

std::string XImporterTextCursor::ReadString() {
  SkipSpaceAndComments();
  if (p_ >= end_) Fail("the file ends inside a string");
  if (*p_ != '"') Fail("'\"' expected");
  const char* start = ++p_;
  while (p_ < end_ && *p_ != '"') {
    if (*p_ == '\n') ++line_;
    ++p_;
  }
  if (p_ >= end_ - 1) Fail("the file ends inside a string");
  if (p_[1] != ';') Fail("'\";' expected at the end of a string");
  std::string value(start, static_cast<std::size_t>(p_ - start));
  p_ += 2;
  return value;
}

void XImporterTextCursor::SkipUnknownObject() {
  for (;;) {
    const std::string_view token = NextToken();
    if (token.empty()) Fail("the file ends inside an object");
    if (token == "{") break;
  }
  for (int depth = 1; depth > 0;) {
    const std::string_view token = NextToken();
    if (token.empty()) Fail("the file ends inside an object");
    if (token == "{") ++depth;
    if (token == "}") --depth;
  }
}
