#include "server/page.h"

namespace tessaline_server {
namespace {

// The page. Its texts in both languages are in the script's table; the
// server only picks the starting language (from Accept-Language), the
// script may follow navigator.language or ?lang= instead. Everything the
// page shows from the service goes in through textContent, never as HTML.
constexpr const char* kPage = R"PAGE(<!DOCTYPE html>
<html lang="@LANG@">
<head>
<meta charset="utf-8">
<meta name="viewport" content="width=device-width, initial-scale=1">
<title>Tessaline</title>
<style>
:root { --fg:#1d2330; --muted:#5b6475; --line:#d5d9e0; --accent:#1f5fbf; --bad:#b3261e; --good:#1e7b34; }
* { box-sizing: border-box; }
body { margin:0; font:16px/1.4 system-ui, "DejaVu Sans", sans-serif; color:var(--fg); background:#f4f5f7; }
header { display:flex; align-items:center; justify-content:space-between; padding:.6rem 1rem; background:#fff; border-bottom:1px solid var(--line); }
header h1 { margin:0; font-size:1.2rem; }
header nav a { margin-left:.6rem; color:var(--accent); text-decoration:none; font-weight:600; }
header nav a[aria-current="true"] { color:var(--fg); text-decoration:underline; }
main { display:grid; grid-template-columns:minmax(260px, 380px) 1fr; gap:1rem; padding:1rem; max-width:1200px; margin:0 auto; }
section { background:#fff; border:1px solid var(--line); border-radius:8px; padding:1rem; min-width:0; }
label { display:block; font-size:.85rem; color:var(--muted); margin:.7rem 0 .2rem; }
label.check { display:flex; align-items:center; gap:.4rem; color:var(--fg); font-size:1rem; }
input, select { width:100%; font:inherit; padding:.45rem .5rem; border:1px solid var(--line); border-radius:6px; background:#fff; color:inherit; }
input[type=checkbox] { width:auto; }
input[type=color] { padding:0; height:2.3rem; }
.row { display:grid; grid-template-columns:1fr 1fr; gap:.6rem; }
#preview { display:flex; align-items:center; justify-content:center; min-height:220px; background:repeating-conic-gradient(#f0f1f3 0 25%, #fff 0 50%) 0 0/20px 20px; border-radius:6px; overflow:auto; padding:.5rem; }
#preview img { max-width:100%; height:auto; image-rendering:pixelated; }
#status { margin:.8rem 0; padding:.6rem .8rem; border-radius:6px; background:#f4f5f7; }
#status.ok { border-left:4px solid var(--good); }
#status.bad { border-left:4px solid var(--bad); }
#status dl { display:grid; grid-template-columns:auto 1fr; gap:.2rem .8rem; margin:0; }
#status dt { color:var(--muted); }
#status dd { margin:0; overflow-wrap:anywhere; }
.buttons { display:flex; flex-wrap:wrap; gap:.5rem; }
.buttons a, button { display:inline-block; padding:.5rem 1rem; border-radius:6px; border:1px solid var(--accent); background:var(--accent); color:#fff; text-decoration:none; font:inherit; font-weight:600; cursor:pointer; }
.buttons a[aria-disabled="true"] { opacity:.4; pointer-events:none; }
button.plain { background:#fff; color:var(--accent); }
.share { display:flex; gap:.5rem; margin-top:.8rem; }
.hint { font-size:.85rem; color:var(--muted); min-height:1.2em; margin:.2rem 0 0; }
@media (max-width: 720px) {
  main { grid-template-columns:1fr; padding:.5rem; gap:.5rem; }
  header { padding:.5rem; }
}
</style>
</head>
<body>
<header><h1 id="title">Tessaline</h1>
<nav><a href="?lang=de" id="lang-de" hreflang="de">DE</a><a href="?lang=en" id="lang-en" hreflang="en">EN</a></nav>
</header>
<main>
<section id="form">
  <label for="search" data-t="search"></label>
  <input id="search" type="search" autocomplete="off" spellcheck="false">
  <p class="hint" id="search-hint"></p>
  <label for="type" data-t="type"></label>
  <select id="type"></select>
  <label for="text" data-t="text"></label>
  <input id="text" type="text" autocomplete="off" spellcheck="false">
  <div class="row">
    <div><label for="module" data-t="module"></label><input id="module" type="number" min="1" max="20" value="2"></div>
    <div><label for="barheight" data-t="barheight"></label><input id="barheight" type="text" inputmode="decimal" placeholder="auto"></div>
  </div>
  <div class="row">
    <div><label for="rotate" data-t="rotate"></label>
      <select id="rotate"><option>0</option><option>90</option><option>180</option><option>270</option></select></div>
    <div><label for="dpi" data-t="dpi"></label><input id="dpi" type="number" min="1" max="10000" value="96"></div>
  </div>
  <div class="row">
    <div><label for="fg" data-t="fg"></label><input id="fg" type="color" value="#000000"></div>
    <div><label for="bg" data-t="bg"></label><input id="bg" type="color" value="#ffffff"></div>
  </div>
  <label class="check"><input id="showtext" type="checkbox" checked><span data-t="showtext"></span></label>
  <label class="check"><input id="quiet" type="checkbox" checked><span data-t="quiet"></span></label>
</section>
<section id="result">
  <div id="preview"><img id="image" alt=""></div>
  <div id="status" aria-live="polite"><dl>
    <dt data-t="validity"></dt><dd id="valid"></dd>
    <dt data-t="checkdigit"></dt><dd id="checksum"></dd>
    <dt data-t="reason"></dt><dd id="reason"></dd>
  </dl></div>
  <div class="buttons">
    <a id="dl-png" download="barcode.png">PNG</a>
    <a id="dl-svg" download="barcode.svg">SVG</a>
    <a id="dl-pdf" download="barcode.pdf">PDF</a>
  </div>
  <label for="share" data-t="share"></label>
  <div class="share"><input id="share" type="text" readonly><button id="copy" class="plain" type="button" data-t="copy"></button></div>
</section>
</main>
<script>
"use strict";
const TEXTS = {
  en: { title: "Tessaline barcodes", search: "Search a symbology", type: "Symbology", text: "Text",
        module: "Module width (px)", barheight: "Bar height (modules or 15mm)", rotate: "Rotation (degrees)", dpi: "Resolution (dpi)",
        fg: "Bars", bg: "Background", showtext: "Show the text", quiet: "Quiet zones",
        validity: "Validity", checkdigit: "Check digit", reason: "Reason", share: "Link to this barcode", copy: "Copy",
        copied: "Copied", valid: "valid", invalid: "invalid", none: "none", malformed: "malformed text",
        found: "Found: ", notfound: "No symbology is called that", preview: "Barcode preview", loading: "…" },
  de: { title: "Tessaline Strichcodes", search: "Symbologie suchen", type: "Symbologie", text: "Text",
        module: "Modulbreite (px)", barheight: "Balkenhöhe (Module oder 15mm)", rotate: "Drehung (Grad)", dpi: "Auflösung (dpi)",
        fg: "Striche", bg: "Hintergrund", showtext: "Text anzeigen", quiet: "Ruhezonen",
        validity: "Gültigkeit", checkdigit: "Prüfziffer", reason: "Grund", share: "Link zu diesem Strichcode", copy: "Kopieren",
        copied: "Kopiert", valid: "gültig", invalid: "ungültig", none: "keine", malformed: "fehlerhafter Text",
        found: "Gefunden: ", notfound: "Keine Symbologie heißt so", preview: "Vorschau des Strichcodes", loading: "…" }
};
const $ = id => document.getElementById(id);
const start = new URLSearchParams(location.search);
const typing = location.hash.startsWith("#type=") ? decodeURIComponent(location.hash.slice(6)) : "";
function pickLanguage() {
  const asked = start.get("lang");
  if (asked === "de" || asked === "en") return asked;
  const browser = (navigator.language || "").toLowerCase().split("-")[0];
  if (browser === "de" || browser === "en") return browser;
  return document.documentElement.lang === "de" ? "de" : "en";
}
const lang = pickLanguage();
const t = TEXTS[lang];
document.documentElement.lang = lang;
document.title = t.title;
$("title").textContent = t.title;
for (const el of document.querySelectorAll("[data-t]")) el.textContent = t[el.dataset.t];
$("search").placeholder = "ean13, code 128, isbn, upc-a …";
$("image").alt = t.preview;
$("lang-" + lang).setAttribute("aria-current", "true");

let types = [];
let lastSample = "";

function query() {
  const q = new URLSearchParams();
  q.set("type", $("type").value);
  q.set("text", $("text").value);
  const module = $("module").value.trim();
  if (module && module !== "2") q.set("module", module);
  const bh = $("barheight").value.trim();
  if (bh) q.set("barheight", bh);
  if ($("rotate").value !== "0") q.set("rotate", $("rotate").value);
  const dpi = $("dpi").value.trim();
  if (dpi && dpi !== "96") q.set("dpi", dpi);
  if ($("fg").value !== "#000000") q.set("fg", $("fg").value.slice(1));
  if ($("bg").value !== "#ffffff") q.set("bg", $("bg").value.slice(1));
  if (!$("showtext").checked) q.set("notext", "1");
  if (!$("quiet").checked) q.set("quietzones", "off");
  return q;
}

function showStatus(ok, valid, checksum, reason) {
  $("status").className = ok ? "ok" : "bad";
  $("valid").textContent = valid;
  $("checksum").textContent = checksum;
  $("reason").textContent = reason || "–";
}

let generation = 0;
async function refresh() {
  const q = query();
  const mine = ++generation;
  const share = new URL(location.href);
  const sq = new URLSearchParams(q);
  if (start.get("lang")) sq.set("lang", lang);
  share.search = sq.toString();
  history.replaceState(null, "", share.search);
  $("share").value = share.href;
  $("share").setAttribute("value", share.href);
  for (const l of ["de", "en"]) {
    const lq = new URLSearchParams(q);
    lq.set("lang", l);
    $("lang-" + l).href = "?" + lq.toString();
  }
  for (const f of ["png", "svg", "pdf"]) {
    const fq = new URLSearchParams(q);
    fq.set("format", f);
    $("dl-" + f).href = "/barcode?" + fq.toString();
  }
  let info = null, failure = null;
  try {
    const r = await fetch("/info?" + q.toString());
    const body = await r.json();
    if (r.ok) info = body; else failure = body.reason || body.error;
  } catch (e) { failure = String(e); }
  if (mine !== generation) return;
  const drawable = info && info.valid && info.sizeOk;
  if (info) {
    const cs = info.checksum >= 0 ? String(info.checksum) : info.checksum === -2 ? t.malformed : t.none;
    showStatus(drawable, info.valid ? t.valid : t.invalid, cs, info.reason);
  } else {
    showStatus(false, t.invalid, "–", failure);
  }
  for (const f of ["png", "svg", "pdf"]) $("dl-" + f).setAttribute("aria-disabled", drawable ? "false" : "true");
  const fq = new URLSearchParams(q);
  fq.set("format", "png");
  if (drawable) { $("image").src = "/barcode?" + fq.toString(); $("image").hidden = false; }
  else { $("image").removeAttribute("src"); $("image").hidden = true; }
}

let timer = 0;
function later(fn, ms) { clearTimeout(timer); timer = setTimeout(fn, ms); }

function selectType(id) {
  const entry = types.find(x => x.id === id);
  if (!entry) return;
  const text = $("text");
  if (text.value === "" || text.value === lastSample) text.value = entry.sampleText;
  lastSample = entry.sampleText;
  $("type").value = String(id);
}

function fillTypes(filter) {
  const select = $("type");
  const keep = select.value;
  select.textContent = "";
  const norm = s => s.toLowerCase().replace(/[\s_\-\/]/g, "");
  const f = norm(filter || "");
  const groups = new Map();
  for (const x of types) {
    if (f && !norm(x.name).includes(f) && String(x.id) !== f && x.id !== Number(keep)) continue;
    if (!groups.has(x.group)) groups.set(x.group, []);
    groups.get(x.group).push(x);
  }
  for (const [name, list] of groups) {
    const g = document.createElement("optgroup");
    g.label = name;
    for (const x of list) {
      const o = document.createElement("option");
      o.value = String(x.id);
      o.textContent = x.name;
      g.appendChild(o);
    }
    select.appendChild(g);
  }
  select.value = keep;
}

async function search() {
  const name = $("search").value.trim();
  fillTypes(name);
  if (!name) { $("search-hint").textContent = ""; return; }
  try {
    const r = await fetch("/resolve?type=" + encodeURIComponent(name));
    if ($("search").value.trim() !== name) return;
    if (r.ok) {
      const found = await r.json();
      $("search-hint").textContent = t.found + found.name;
      selectType(found.id);
      fillTypes(name);
      refresh();
    } else {
      $("search-hint").textContent = t.notfound;
    }
  } catch (e) { $("search-hint").textContent = String(e); }
}

async function init() {
  types = (await (await fetch("/types")).json()).filter(x => x.id !== 99); // "None" draws nothing
  fillTypes("");
  const id = types.some(x => String(x.id) === start.get("type")) ? Number(start.get("type")) : 1;
  $("type").value = String(id);
  lastSample = (types.find(x => x.id === id) || {}).sampleText || "";
  $("text").value = start.has("text") ? start.get("text") : lastSample;
  if (start.get("module")) $("module").value = start.get("module");
  if (start.get("barheight")) $("barheight").value = start.get("barheight");
  if (start.get("rotate")) $("rotate").value = start.get("rotate");
  if (start.get("dpi")) $("dpi").value = start.get("dpi");
  const colour = v => /^[0-9a-fA-F]{6}$/.test(v || "") ? "#" + v.toLowerCase() : null;
  if (colour(start.get("fg"))) $("fg").value = colour(start.get("fg"));
  if (colour(start.get("bg"))) $("bg").value = colour(start.get("bg"));
  if (start.get("notext") === "1") $("showtext").checked = false;
  if (start.get("quietzones") === "off") $("quiet").checked = false;

  $("type").addEventListener("change", () => { selectType(Number($("type").value)); refresh(); });
  $("search").addEventListener("input", () => later(search, 250));
  for (const id of ["text", "module", "barheight", "dpi"]) $(id).addEventListener("input", () => later(refresh, 250));
  for (const id of ["rotate", "fg", "bg", "showtext", "quiet"]) $(id).addEventListener("change", refresh);
  $("image").addEventListener("error", () => { $("image").hidden = true; $("image").dataset.loaded = ""; });
  $("image").addEventListener("load", () => {
    $("image").dataset.loaded = $("image").naturalWidth + "x" + $("image").naturalHeight;
  });
  $("copy").addEventListener("click", async () => {
    try { await navigator.clipboard.writeText($("share").value); }
    catch (e) { $("share").select(); document.execCommand("copy"); }
    $("copy").textContent = t.copied;
    setTimeout(() => { $("copy").textContent = t.copy; }, 1500);
  });
  refresh();
  // #type=TEXT types TEXT into the text field key by key, as a user would
  // (the browser test drives the page this way).
  if (typing) {
    $("text").value = "";
    let i = 0;
    const key = () => {
      if (i >= typing.length) return;
      $("text").value += typing[i++];
      $("text").dispatchEvent(new Event("input"));
      setTimeout(key, 40);
    };
    key();
  }
}
init();
</script>
</body>
</html>
)PAGE";

} // namespace

std::string PageHtml(const std::string& language)
{
    std::string page = kPage;
    const std::string marker = "@LANG@";
    page.replace(page.find(marker), marker.size(), language == "de" ? "de" : "en");
    return page;
}

} // namespace tessaline_server
