// Deciding a page's encoding as a browser decides it.
#pragma once

#include "platform/encoding_table.h"
#include "text/utf8.h"

#include <optional>
#include <string_view>

namespace solvina {

// The encoding fixed by the start of the page: a byte-order mark (UTF-8; UTF-16 ones give the
// unsupported UTF-16 encodings), else the first charset a <meta> declares within the first 1024
// bytes (the browsers' prescan), else an XML declaration at byte 0. nullopt when nothing
// decides. head: the page's first bytes (at least 1024 when the page has them).
std::optional<EncodingInfo> declaredPageEncoding(std::string_view head);

// Length of the byte-order mark at the start of head (0, 2 or 3).
std::size_t byteOrderMarkLength(std::string_view head);

// With no declaration: UTF-8 when the whole page is valid UTF-8 holding a non-ASCII byte,
// else Shift_JIS (CP932).
EncodingInfo undeclaredPageEncoding(const Utf8Validator& wholePage);

} // namespace solvina
