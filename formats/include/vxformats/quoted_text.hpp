#pragma once
// Text from an input quoted for an error message: the result is valid UTF-8
// and short whatever the input holds, so a message can always become a
// Python str and never grows with the input.

#include <cstddef>
#include <string>
#include <string_view>

namespace vxformats {

// How many characters of a quoted text a message shows.
inline constexpr std::size_t quoted_text_limit = 48;

// Appends `text` in double quotes with the escapes of a debug text: \t \r \n
// \\ \" \0, \u{..} for the other C0 and C1 controls, DEL and encoded
// surrogates (which Python's pickles may carry), \x.. for a byte that is no
// part of valid UTF-8; other characters as they are. After `limit`
// characters the rest is left out and "..." follows the closing quote.
void append_quoted(std::string& out, std::string_view text, std::size_t limit = quoted_text_limit);

}  // namespace vxformats
