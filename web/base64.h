#pragma once
// Standard Base64 (RFC 4648 alphabet, '=' padding, no line breaks), as the game client decodes it.
#include <string>
#include <string_view>

namespace web {

std::string Base64Encode(std::string_view bytes);

}  // namespace web
