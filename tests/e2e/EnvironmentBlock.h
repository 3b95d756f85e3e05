// The environment a started program gets, as CreateProcessW wants it.
// Portable: no Windows header.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace e2e {

using EnvironmentOverrides = std::vector<std::pair<std::wstring, std::wstring>>;

// The "NAME=value" entries of a block (each NUL-terminated, an empty entry
// ending the block).
std::vector<std::wstring> SplitEnvironmentBlock(const wchar_t* block);

// base with every override set (an existing name is replaced: names compare
// without regard to ASCII case, as Windows compares them; of two overrides
// of one name the later wins), sorted by name
// the same way, each entry NUL-terminated and the block closed by one more
// NUL. The hidden "=C:"-style entries of base are kept.
std::wstring BuildEnvironmentBlock(const std::vector<std::wstring>& base, const EnvironmentOverrides& overrides);

// The value of name in entries; empty (and *found false) when it is not set.
std::wstring EnvironmentValue(const std::vector<std::wstring>& entries, const std::wstring& name,
                              bool* found = nullptr);

} // namespace e2e
