#include "server/json.h"

#include <cstdio>

namespace tessaline_server {

std::string JsonString(std::string_view utf8)
{
    std::string out;
    out.reserve(utf8.size() + 2);
    out += '"';
    for (const unsigned char c : utf8) {
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            // '<' too, so that a reason never closes a script block it is
            // pasted into.
            if (c < 0x20 || c == 0x7F || c == '<') {
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\u%04x", c);
                out += buf;
            } else {
                out += char(c);
            }
        }
    }
    out += '"';
    return out;
}

std::string ErrorJson(std::string_view error, std::string_view reason)
{
    return "{\"error\":" + JsonString(error) + ",\"reason\":" + JsonString(reason) + "}";
}

} // namespace tessaline_server
