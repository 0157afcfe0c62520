#include "server/service.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <optional>
#include <string>

#include "server/json.h"
#include "server/page.h"
#include "server/params.h"
#include "server/render_pool.h"

namespace tessaline_server {
namespace {

using tessaline::ErrorKind;

// Every answer names a request's parameters completely, so it never
// changes: caches may keep it for a year.
constexpr const char* kImmutable = "public, max-age=31536000, immutable";

void SendJson(httplib::Response& res, int status, const std::string& body)
{
    res.status = status;
    // A refusal is never cached under the tag of the image it refused.
    res.headers.erase("ETag");
    res.headers.erase("Cache-Control");
    res.set_header("Cache-Control", "no-store");
    res.set_content(body, "application/json");
}

void SendError(httplib::Response& res, const RequestError& e) { SendJson(res, e.status, ErrorJson(e.error, e.reason)); }

} // namespace

RequestError FromRenderError(const tessaline::CRenderError& e)
{
    switch (e.Kind()) {
    case ErrorKind::InvalidText: return {400, "invalid text", e.what()};
    case ErrorKind::DoesNotFit: return {400, "does not fit", e.what()};
    case ErrorKind::Gs1: return {422, "gs1", e.what()};
    case ErrorKind::Limit: return {413, "too large", e.what()};
    case ErrorKind::Usage: return {400, "bad parameter", e.what()};
    case ErrorKind::Write: break;
    }
    return {500, "internal", e.what()};
}

namespace {

// Answers 304 when the client holds this answer already; sets the
// validators either way.
bool NotModified(const httplib::Request& req, httplib::Response& res, const std::string& etag)
{
    res.set_header("ETag", etag);
    res.set_header("Cache-Control", kImmutable);
    if (req.has_header("If-None-Match") && MatchesIfNoneMatch(req.get_header_value("If-None-Match"), etag)) {
        res.status = 304;
        return true;
    }
    return false;
}

// A header value without line breaks.
std::string HeaderSafe(std::string s)
{
    for (char& c : s)
        if (c == '\r' || c == '\n') c = ' ';
    return s;
}

void HandleBarcode(const httplib::Request& req, httplib::Response& res, CRenderPool& pool)
{
    RequestError error;
    const auto request = ParseBarcodeRequest(req.params, error);
    if (!request) return SendError(res, error);
    const std::string etag = EntityTag("barcode;" + NormalisedKey(*request));
    if (NotModified(req, res, etag)) return;

    const std::string type = std::to_string(request->type);
    try {
        std::optional<RequestError> refused;
        tessaline::Image image;
        pool.Run([&](tessaline::CRenderer& renderer) {
            if (request->options.width == 0) {
                // Sized from the symbol: learn the size before drawing anything.
                const tessaline::SymbolReport report = renderer.Inspect(type, request->text, request->options);
                // A valid symbol that no image fits when sized from its own
                // module is beyond the largest image, not too small for one.
                if (report.valid && !report.sizeOk && report.reason.rfind("size error", 0) == 0)
                    refused = RequestError{413, "too large", report.reason};
                else
                    refused = CheckImageSize(report.width, report.height);
                if (refused) return;
            }
            image = renderer.Render(type, request->text, request->format, request->options);
        });
        if (refused) return SendError(res, *refused);
        FixCreationDate(image.format, image.bytes);
        if (!image.warnings.empty()) {
            std::string joined;
            for (const std::string& w : image.warnings) joined += (joined.empty() ? "" : "; ") + w;
            res.set_header("X-Barcode-Warnings", HeaderSafe(joined));
        }
        // An SVG from this origin is an image, never a document that runs.
        res.set_header("Content-Security-Policy", "default-src 'none'; style-src 'unsafe-inline'");
        res.set_header("X-Content-Type-Options", "nosniff");
        res.set_content(reinterpret_cast<const char*>(image.bytes.data()), image.bytes.size(),
                        tessaline::MimeType(image.format));
    } catch (const tessaline::CRenderError& e) {
        SendError(res, FromRenderError(e));
    }
}

void HandleInfo(const httplib::Request& req, httplib::Response& res, CRenderPool& pool)
{
    RequestError error;
    const auto request = ParseBarcodeRequest(req.params, error);
    if (!request) return SendError(res, error);
    const std::string etag = EntityTag("info;" + NormalisedKey(*request));
    if (NotModified(req, res, etag)) return;
    try {
        tessaline::SymbolReport report;
        pool.Run([&](tessaline::CRenderer& renderer) {
            report = renderer.Inspect(std::to_string(request->type), request->text, request->options);
        });
        res.set_content(report.ToJson(), "application/json");
    } catch (const tessaline::CRenderError& e) {
        SendError(res, FromRenderError(e));
    }
}

const std::string& TypesJson()
{
    static const std::string json = [] {
        std::string j = "[";
        for (const tessaline::TypeEntry& t : tessaline::Types()) {
            if (j.size() > 1) j += ",";
            j += "{\"id\":" + std::to_string(t.id) + ",\"name\":" + JsonString(t.name) +
                 ",\"sampleText\":" + JsonString(t.sampleText) + ",\"group\":" + JsonString(t.group) + "}";
        }
        return j + "]";
    }();
    return json;
}

void HandleTypes(const httplib::Request& req, httplib::Response& res)
{
    if (!req.params.empty()) return SendError(res, {400, "unknown parameter", "/types takes no parameters"});
    if (NotModified(req, res, EntityTag("types"))) return;
    res.set_content(TypesJson(), "application/json");
}

// The type a tolerant name selects, as the renderer would take it.
void HandleResolve(const httplib::Request& req, httplib::Response& res)
{
    for (const auto& p : req.params)
        if (p.first != "type")
            return SendError(res, {400, "unknown parameter", "unknown parameter \"" + p.first + "\""});
    if (req.get_param_value_count("type") != 1)
        return SendError(res, {400, "bad parameter", "/resolve wants one type"});
    const std::string type = req.get_param_value("type");
    const int id = type.size() > 200 ? -1 : tessaline::ResolveType(type);
    if (id < 0) return SendJson(res, 404, ErrorJson("unknown type", "no type is called \"" + type.substr(0, 200) + "\""));
    for (const tessaline::TypeEntry& t : tessaline::Types())
        if (t.id == id) {
            res.set_header("Cache-Control", "public, max-age=86400");
            res.set_content("{\"id\":" + std::to_string(t.id) + ",\"name\":" + JsonString(t.name) + "}",
                            "application/json");
            return;
        }
    SendJson(res, 404, ErrorJson("unknown type", "no type is called \"" + type.substr(0, 200) + "\""));
}

void HandlePage(const httplib::Request& req, httplib::Response& res)
{
    // The page's own state lives in its query string; the server reads only
    // the language from it.
    std::string language;
    if (req.has_param("lang")) language = req.get_param_value("lang");
    const bool named = language == "de" || language == "en";
    if (!named) language = LanguageFromAcceptLanguage(req.get_header_value("Accept-Language"));
    res.set_header("Vary", "Accept-Language");
    res.set_header("Cache-Control", "no-cache");
    res.set_header("Content-Security-Policy",
                   "default-src 'none'; img-src 'self'; connect-src 'self'; style-src 'unsafe-inline'; "
                   "script-src 'unsafe-inline'; base-uri 'none'; form-action 'none'");
    res.set_header("X-Content-Type-Options", "nosniff");
    res.set_content(PageHtml(language), "text/html; charset=utf-8");
}

} // namespace

void FixCreationDate(tessaline::Format format, std::vector<uint8_t>& bytes)
{
    auto find = [&](const char* marker) -> size_t {
        const size_t n = std::strlen(marker);
        const size_t limit = std::min<size_t>(bytes.size(), 64 * 1024); // in the header part
        for (size_t i = 0; i + n <= limit; ++i)
            if (std::memcmp(bytes.data() + i, marker, n) == 0) return i + n;
        return std::string::npos;
    };
    if (format == tessaline::Format::Pdf) {
        // "/CreationDate (D:YYYYMMDDHHmmSS...)": the same number of digits.
        const size_t at = find("/CreationDate (D:");
        if (at == std::string::npos) return;
        static const char kDigits[] = "20000101000000";
        for (size_t i = 0; i < 14 && at + i < bytes.size() && std::isdigit(bytes[at + i]); ++i)
            bytes[at + i] = uint8_t(kDigits[i]);
    } else if (format == tessaline::Format::Eps) {
        const size_t at = find("%%CreationDate: ");
        if (at == std::string::npos) return;
        size_t end = at;
        while (end < bytes.size() && bytes[end] != '\n' && bytes[end] != '\r') ++end;
        static const std::string kDate = "Sat Jan  1 00:00:00 2000";
        bytes.erase(bytes.begin() + long(at), bytes.begin() + long(end));
        bytes.insert(bytes.begin() + long(at), kDate.begin(), kDate.end());
    }
}

void InstallRoutes(httplib::Server& server, CRenderPool& pool)
{
    server.Get("/barcode", [&pool](const httplib::Request& req, httplib::Response& res) { HandleBarcode(req, res, pool); });
    server.Get("/info", [&pool](const httplib::Request& req, httplib::Response& res) { HandleInfo(req, res, pool); });
    server.Get("/types", HandleTypes);
    server.Get("/resolve", HandleResolve);
    server.Get("/healthz", [](const httplib::Request&, httplib::Response& res) {
        res.set_header("Cache-Control", "no-store");
        res.set_content("{\"status\":\"ok\",\"version\":" + JsonString(tessaline::Version()) + "}",
                        "application/json");
    });
    server.Get("/", HandlePage);
    server.set_error_handler([](const httplib::Request& req, httplib::Response& res) {
        // Only where no handler answered: keep what a handler sent.
        if (!res.body.empty() || res.status == 304) return;
        if (req.method != "GET" && req.method != "HEAD" && !req.method.empty()) {
            res.status = 405;
            res.set_header("Allow", "GET, HEAD");
        }
        const int status = res.status;
        const char* error = status == 404 ? "not found" : status == 414 ? "too large" : "bad request";
        const char* reason = status == 404   ? "no such path: the service has /, /barcode, /info, /types, /resolve, /healthz"
                             : status == 405 ? "only GET is served"
                             : status == 414 ? "the request line is longer than 8192 bytes"
                                             : "the request is malformed";
        SendJson(res, status, ErrorJson(error, reason));
    });
    server.set_exception_handler([](const httplib::Request&, httplib::Response& res, std::exception_ptr ep) {
        std::string what = "unexpected failure";
        try {
            std::rethrow_exception(ep);
        } catch (const std::exception& e) {
            what = e.what();
        } catch (...) {
        }
        SendJson(res, 500, ErrorJson("internal", what));
    });
}

} // namespace tessaline_server
