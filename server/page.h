// The service's own page: the editor in the browser, one HTML document with
// its styles and script inside (no external assets).
#pragma once

#include <string>

namespace tessaline_server {

// The page in `language` ("de" or "en"); the script may switch it after the
// browser's own setting when the request named none.
std::string PageHtml(const std::string& language);

} // namespace tessaline_server
