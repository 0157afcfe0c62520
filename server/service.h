// The barcode web service: its routes on an httplib server. Every symbol
// is made by the render API, on the render pool's threads.
#pragma once

#include <cstdint>
#include <vector>

#include <httplib.h>
#include <tessaline/tessaline.hpp>

#include "server/params.h"

namespace tessaline_server {

class CRenderPool;

// Adds /barcode, /info, /types, /resolve, /healthz and the page at / to
// `server`, with JSON error answers for every other path. Symbols are made
// on `pool`, which must outlive the server's connections.
void InstallRoutes(httplib::Server& server, CRenderPool& pool);

// The PDF and EPS writers stamp the time of writing into the file; the
// service gives one fixed time so that one request always has one answer.
// Keeps the length of a PDF's date, so its cross-reference offsets hold.
// The answer to a failure of the render API: 400 for a bad text or
// parameter, 422 for an element string the GS1 rules refuse, 413 beyond
// the limits.
RequestError FromRenderError(const tessaline::CRenderError& e);

void FixCreationDate(tessaline::Format format, std::vector<uint8_t>& bytes);

} // namespace tessaline_server
