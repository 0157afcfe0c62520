// JSON texts the service writes itself (errors, the type catalogue); the
// symbol reports come from the render API.
#pragma once

#include <string>
#include <string_view>

namespace tessaline_server {

// A JSON string literal for UTF-8 text, quotes included.
std::string JsonString(std::string_view utf8);

// {"error":"<error>","reason":"<reason>"}
std::string ErrorJson(std::string_view error, std::string_view reason);

} // namespace tessaline_server
