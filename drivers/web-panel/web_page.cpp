#include "drivers/web-panel/panel_server.h"

namespace webpanel {

// The panel is one canvas of the panel's own size, scaled by CSS without
// smoothing, so each canvas pixel is one panel pixel in the theme colours.
// The picture arrives composed (text included) from the driver.
const char kPage[] = R"html(<!DOCTYPE html>
<html lang="en">
<head>
<meta charset="utf-8">
<meta name="viewport" content="width=device-width, initial-scale=1">
<title>Glancer - Web panel</title>
<style>
  html, body { margin: 0; height: 100%; background: #202020; color: #c0c0c0; font: 14px sans-serif; }
  body { display: flex; flex-direction: column; align-items: center; justify-content: center; }
  canvas { image-rendering: pixelated; image-rendering: crisp-edges; display: block; }
  #status { position: fixed; left: 8px; bottom: 6px; }
</style>
</head>
<body>
<canvas id="panel" width="122" height="32"></canvas>
<div id="status">Connecting to Glancer...</div>
<script>
"use strict";
const canvas = document.getElementById("panel");
const context = canvas.getContext("2d");
const status = document.getElementById("status");
let lit = [0x1e, 0x28, 0x14], unlit = [0x9c, 0xbc, 0x3c], scale = 0;

function colour(hex) {
  return [0, 2, 4].map(at => parseInt(hex.substr(at, 2), 16));
}

function fit() {
  let s = scale;
  if (!s) {
    s = Math.min((window.innerWidth - 16) / canvas.width, (window.innerHeight - 16) / canvas.height);
    if (s >= 1) s = Math.floor(s);
    s = Math.max(s, 0.1);
  }
  canvas.style.width = canvas.width * s + "px";
  canvas.style.height = canvas.height * s + "px";
}

function panel(event) {
  const [w, h, l, u, s] = event.data.split(" ");
  canvas.width = +w;
  canvas.height = +h;
  lit = colour(l);
  unlit = colour(u);
  scale = +s;
  context.fillStyle = "#" + u;
  context.fillRect(0, 0, canvas.width, canvas.height);
  fit();
  status.textContent = "";
}

function rect(event) {
  const [x, y, w, h, data] = event.data.split(" ");
  const width = +w, height = +h;
  if (!width || !height) return;
  const bits = atob(data);
  const image = context.createImageData(width, height);
  const out = image.data;
  for (let i = 0; i < width * height; i++) {
    const c = (bits.charCodeAt(i >> 3) >> (7 - (i & 7))) & 1 ? lit : unlit;
    out[4 * i] = c[0];
    out[4 * i + 1] = c[1];
    out[4 * i + 2] = c[2];
    out[4 * i + 3] = 255;
  }
  context.putImageData(image, +x, +y);
}

function connect() {
  const source = new EventSource("events");
  source.addEventListener("panel", panel);
  source.onmessage = rect;
  source.onerror = () => {
    status.textContent = "Waiting for Glancer...";
    // The browser retries by itself unless the answer was not an event stream.
    if (source.readyState === EventSource.CLOSED) setTimeout(connect, 1000);
  };
}

window.addEventListener("resize", fit);
fit();
connect();
</script>
</body>
</html>
)html";

} // namespace webpanel
