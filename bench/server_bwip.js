// The peer for bench/server_load.sh: a plain Node http server that draws
// EAN 13 PNGs with bwip-js, on one process as Node serves by default.
"use strict";
const http = require("http");
const bwipjs = require("bwip-js");
const port = Number(process.argv[2] || 0);
const server = http.createServer((req, res) => {
  const url = new URL(req.url, "http://localhost");
  if (url.pathname !== "/barcode") { res.writeHead(404); res.end(); return; }
  bwipjs.toBuffer({ bcid: "ean13", text: url.searchParams.get("text") || "", scale: 2, includetext: true })
    .then(png => { res.writeHead(200, { "Content-Type": "image/png" }); res.end(png); })
    .catch(e => { res.writeHead(400, { "Content-Type": "text/plain" }); res.end(String(e)); });
});
server.listen(port, "127.0.0.1", () => console.log("listening on http://127.0.0.1:" + server.address().port + "/"));
