#pragma once
// UTC times as ISO 8601 texts: "2026-03-20T12:00:00Z" (seconds may be left out).
#include <cstdint>
#include <optional>
#include <string_view>

std::optional<std::int64_t> ReadUtcTime(std::string_view text);
