#include "xfile/xfile_cursor.h"

#include <charconv>
#include <cmath>

namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsDelimiter(char c) { return c == ';' || c == ',' || c == '{' || c == '}'; }

// Longer runs of digits in a whole part or an exponent are refused rather than guessed at.
constexpr std::size_t kMaxDigitRun = 19;

}  // namespace

std::optional<std::string> XHeaderProblem(std::string_view text) {
  if (text.size() < 4 || text.substr(0, 4) != "xof ") return "not a DirectX .x file (no \"xof \" header)";
  if (text.size() < 16) return "the header is truncated";
  const std::string_view format = text.substr(8, 4);
  if (format == "bin ") return "binary .x files are not supported (only the text format is)";
  if (format == "tzip" || format == "bzip") {
    return "compressed .x files are not supported (only the text format is)";
  }
  if (format != "txt ") return "unknown .x format \"" + std::string(format) + "\"";
  const std::string_view floatSize = text.substr(12, 4);
  if (floatSize != "0032" && floatSize != "0064") return "unknown float size in the header";
  if (text.find('\0') != std::string_view::npos) return "a text .x file holds a NUL byte";
  return std::nullopt;
}

XTextCursor::XTextCursor(std::string_view text) : p_(text.data()), end_(text.data() + text.size()) {
  p_ += text.size() < 16 ? text.size() : 16;
  SkipRestOfLine();
}

void XTextCursor::Fail(const std::string& reason) const {
  throw XTextError("line " + std::to_string(line_) + ": " + reason);
}

void XTextCursor::SkipRestOfLine() {
  while (p_ < end_) {
    const char c = *p_++;
    if (c == '\n' || c == '\r') {
      if (c == '\n') ++line_;
      return;
    }
  }
}

void XTextCursor::SkipSpaceAndComments() {
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

std::string_view XTextCursor::NextToken() {
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

std::int64_t XTextCursor::ReadInt() {
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

std::uint32_t XTextCursor::ReadCount(std::size_t minBytes, const char* what) {
  const std::int64_t count = ReadInt();
  CheckFits(count, minBytes, what);
  return static_cast<std::uint32_t>(count);
}

void XTextCursor::CheckFits(std::int64_t count, std::size_t minBytes, const char* what) const {
  if (count < 0) Fail(std::string("negative number of ") + what);
  if (static_cast<std::uint64_t>(count) > Remaining() / minBytes) {
    Fail("declares " + std::to_string(count) + " " + what + ", more than the rest of the file (" +
         std::to_string(Remaining()) + " bytes) can hold");
  }
}

std::uint32_t XTextCursor::ReadIndex(std::uint32_t limit, const char* what) {
  const std::int64_t index = ReadInt();
  if (index < 0 || index >= limit) {
    Fail(std::string(what) + " index " + std::to_string(index) + " is out of range (there are " +
         std::to_string(limit) + ")");
  }
  return static_cast<std::uint32_t>(index);
}

float XTextCursor::ReadFloat() {
  SkipSpaceAndComments();
  if (p_ >= end_) Fail("the file ends where a number was expected");
  const std::string_view rest(p_, Remaining());
  if (rest.starts_with("-1.#IND00") || rest.starts_with("1.#IND00") || rest.starts_with("1.#QNAN0")) {
    Fail("a number is written as an undefined value (#IND/#QNAN)");
  }
  const std::size_t sign = At(0) == '+' ? 1 : 0;
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
  // "1,5" would be one and a half in some locales; here a comma separates two numbers.
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
  bool tinyExponent = false;
  if (At(i) == 'e' || At(i) == 'E') {
    ++i;
    tinyExponent = At(i) == '-';
    if (At(i) == '-' || At(i) == '+') ++i;
    if (skipDigits(kMaxDigitRun) == 0) Fail("a real number has an empty exponent");
  }
  float value = 0;
  const auto [end, error] = std::from_chars(p_ + sign, p_ + i, value);
  if (end != p_ + i) Fail("a real number was expected");
  if (error == std::errc::result_out_of_range) {
    // At most 19 digits before the point: only a negative exponent or a long fraction can
    // take a number out of range, and then towards zero.
    const bool towardsZero = tinyExponent || rest.substr(0, i).find_first_of("eE") == std::string_view::npos;
    if (!towardsZero) Fail("a number is not finite as a 32-bit float");
    value = At(0) == '-' ? -0.0f : 0.0f;
  }
  if (!std::isfinite(value)) Fail("a number is not finite as a 32-bit float");
  p_ += i;
  ExpectSeparator();
  return value;
}

void XTextCursor::TestForSeparator() {
  SkipSpaceAndComments();
  if (p_ < end_ && (*p_ == ';' || *p_ == ',')) ++p_;
}

void XTextCursor::SkipSemicolonRightHere() {
  if (p_ < end_ && *p_ == ';') ++p_;
}

void XTextCursor::ExpectSeparator() {
  const std::string_view token = NextToken();
  if (token != "," && token != ";") Fail("';' or ',' expected");
}

void XTextCursor::ExpectSemicolon() {
  if (NextToken() != ";") Fail("';' expected");
}

void XTextCursor::ExpectClosingBrace() {
  if (NextToken() != "}") Fail("'}' expected");
}

std::string XTextCursor::ReadObjectHead() {
  const std::string_view first = NextToken();
  if (first == "{") return {};
  std::string name(first);
  if (NextToken() != "{") Fail("'{' expected");
  return name;
}

std::string XTextCursor::ReadString() {
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

void XTextCursor::SkipObject() {
  for (;;) {
    const std::string_view token = NextToken();
    if (token.empty()) Fail("the file ends inside an object");
    if (token == "{") break;
  }
  for (int depth = 1; depth > 0;) {
    const std::string_view token = NextToken();
    if (token.empty()) Fail("the file ends inside an object");
    if (token == "{" && ++depth > kMaxXNesting) {
      Fail("objects are nested more than " + std::to_string(kMaxXNesting) + " deep");
    }
    if (token == "}") --depth;
  }
}
