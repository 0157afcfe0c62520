// The query parameters of /barcode and /info: parsed into the render API's
// options, checked against the service's limits, and normalised into the
// key that names a response (its ETag).
#pragma once

#include <map>
#include <optional>
#include <string>

#include <tessaline/tessaline.hpp>

namespace tessaline_server {

// The service's own limits, stricter than the library's: a request never
// makes an image beyond these, whatever it asks for.
constexpr size_t kMaxTextBytes = 4096;
constexpr int kMaxImageSide = 32767;
constexpr long long kMaxImagePixels = 1LL << 24;
// The catalogue's "None": a type id that selects no symbology.
constexpr int kNoSymbology = 99;

// Query parameters as the HTTP layer hands them over (httplib::Params).
using QueryParams = std::multimap<std::string, std::string>;

struct BarcodeRequest {
    int type = -1;                   // resolved type id
    std::optional<std::string> text; // nullopt: the type's sample text
    tessaline::Format format = tessaline::Format::Png;
    tessaline::RenderOptions options;
};

// A refusal: HTTP status, a short error word and the reason in full.
struct RequestError {
    int status = 400;
    std::string error;
    std::string reason;
};

// Parses every parameter; nullopt and `error` set for an unknown, repeated
// or malformed one, an unknown type, or a request beyond the limits that
// can be told before rendering (text length, a given image size).
std::optional<BarcodeRequest> ParseBarcodeRequest(const QueryParams& params, RequestError& error);

// Checks an image size against the limits; nullopt when it is within them.
std::optional<RequestError> CheckImageSize(int width, int height);

// The request with every default made explicit, one canonical text per
// distinct image: equal keys, equal bytes.
std::string NormalisedKey(const BarcodeRequest& request);

// A strong entity tag ("…", quotes included) for a key and the library's
// version.
std::string EntityTag(const std::string& key);

// Whether an If-None-Match header value names `etag` (or is "*").
bool MatchesIfNoneMatch(const std::string& header, const std::string& etag);

// "de" or "en" after an Accept-Language header (highest weight wins).
std::string LanguageFromAcceptLanguage(const std::string& header);

} // namespace tessaline_server
