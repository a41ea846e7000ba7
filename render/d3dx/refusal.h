#pragma once
// How the loaders fail: a result code, and in `error` (when the caller wants it) the file and the
// reason, "name: reason".
#include <string>

#include "render/types/d3d_types.h"

inline HRESULT Refuse(HRESULT result, const std::string& name, const std::string& reason,
                      std::string* error) {
  if (error) *error = name + ": " + reason;
  return result;
}
