// The barcode web service: its routes on an httplib server. Every symbol
// is made by the render API, one renderer per worker thread.
#pragma once

#include <cstdint>
#include <vector>

#include <httplib.h>
#include <tessaline/tessaline.hpp>

namespace tessaline_server {

// Adds /barcode, /info, /types, /resolve, /healthz and the page at / to
// `server`, with JSON error answers for every other path.
void InstallRoutes(httplib::Server& server);

// The PDF and EPS writers stamp the time of writing into the file; the
// service gives one fixed time so that one request always has one answer.
// Keeps the length of a PDF's date, so its cross-reference offsets hold.
void FixCreationDate(tessaline::Format format, std::vector<uint8_t>& bytes);

} // namespace tessaline_server
