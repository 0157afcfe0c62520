#include "server/json.h"

#include "control/render/render_internal.h"

namespace tessaline_server {

std::string JsonString(std::string_view utf8) { return tessaline::JsonString(utf8, true); }

std::string ErrorJson(std::string_view error, std::string_view reason)
{
    return "{\"error\":" + JsonString(error) + ",\"reason\":" + JsonString(reason) + "}";
}

} // namespace tessaline_server
