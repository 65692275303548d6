// Canvas drawings of the clip-art backgrounds and photos (tools/make_clipart.py).
// Everything is made from seeded noise, gradients and silhouettes, so each
// picture comes out the same on every run.
'use strict';

const L = {};

// ---- numbers ----

L.rng = function (seed) {
  let a = seed >>> 0;
  return function () {
    a = (a + 0x6D2B79F5) | 0;
    let t = Math.imul(a ^ (a >>> 15), 1 | a);
    t = (t + Math.imul(t ^ (t >>> 7), 61 | t)) ^ t;
    return ((t ^ (t >>> 14)) >>> 0) / 4294967296;
  };
};

L.clamp = (v, a, b) => Math.max(a, Math.min(b, v));
L.mix = (a, b, t) => a + (b - a) * t;
L.smooth = (e0, e1, x) => { const t = L.clamp((x - e0) / (e1 - e0), 0, 1); return t * t * (3 - 2 * t); };
L.mixc = (c1, c2, t) => [L.mix(c1[0], c2[0], t), L.mix(c1[1], c2[1], t), L.mix(c1[2], c2[2], t)];
L.css = (c, a) => a === undefined ? `rgb(${c[0] | 0},${c[1] | 0},${c[2] | 0})`
  : `rgba(${c[0] | 0},${c[1] | 0},${c[2] | 0},${a})`;
L.hex = (h) => [parseInt(h.slice(1, 3), 16), parseInt(h.slice(3, 5), 16), parseInt(h.slice(5, 7), 16)];

// Value noise on a 256 x 256 lattice; `period` (lattice cells) makes it
// wrap, for tiles.
L.noise = function (seed) {
  const r = L.rng(seed);
  const N = 256, grid = new Float32Array(N * N);
  for (let i = 0; i < N * N; i++) grid[i] = r();
  return function (x, y, period) {
    const p = period || N;
    const xi = Math.floor(x), yi = Math.floor(y);
    const xf = x - xi, yf = y - yi;
    const u = xf * xf * (3 - 2 * xf), v = yf * yf * (3 - 2 * yf);
    const x0 = ((xi % p) + p) % p, y0 = ((yi % p) + p) % p;
    const x1 = (x0 + 1) % p, y1 = (y0 + 1) % p;
    const a = grid[y0 * N + x0], b = grid[y0 * N + x1], c = grid[y1 * N + x0], d = grid[y1 * N + x1];
    return L.mix(L.mix(a, b, u), L.mix(c, d, u), v);
  };
};

// Fractal sum, 0..1; with a period the base lattice wraps every `period`
// cells and each octave doubles it, so the sum tiles too.
L.fbm = function (n, x, y, octaves, period) {
  let sum = 0, amp = 0.5, f = 1, norm = 0;
  for (let o = 0; o < octaves; o++) {
    sum += amp * n(x * f + o * 17.3 * (period ? 0 : 1), y * f + o * 9.1 * (period ? 0 : 1),
                   period ? period * f : 0);
    norm += amp; amp *= 0.5; f *= 2;
  }
  return sum / norm;
};

// ---- painting helpers ----

L.vgrad = function (g, w, y0, y1, stops) {
  const gr = g.createLinearGradient(0, y0, 0, y1);
  for (const [t, c] of stops) gr.addColorStop(t, typeof c === 'string' ? c : L.css(c));
  g.fillStyle = gr;
  g.fillRect(0, y0, w, y1 - y0);
};

L.glow = function (g, x, y, r, colour, alpha) {
  const gr = g.createRadialGradient(x, y, 0, x, y, r);
  gr.addColorStop(0, L.css(colour, alpha));
  gr.addColorStop(1, L.css(colour, 0));
  g.fillStyle = gr;
  g.beginPath(); g.arc(x, y, r, 0, Math.PI * 2); g.fill();
};

// A per-pixel pass: f(x, y, [r, g, b]) returns the new colour (or nothing).
L.pixels = function (g, w, h, f, y0, y1) {
  y0 = y0 || 0; y1 = y1 === undefined ? h : y1;
  const img = g.getImageData(0, y0, w, y1 - y0), d = img.data;
  for (let y = y0; y < y1; y++) {
    for (let x = 0; x < w; x++) {
      const i = ((y - y0) * w + x) * 4;
      const c = f(x, y, [d[i], d[i + 1], d[i + 2]]);
      if (c) { d[i] = c[0]; d[i + 1] = c[1]; d[i + 2] = c[2]; d[i + 3] = 255; }
    }
  }
  g.putImageData(img, 0, y0);
};

// Soft clouds over what is painted: density from fractal noise.
L.clouds = function (g, w, h, o) {
  const n = L.noise(o.seed);
  const top = o.top || 0, bottom = o.bottom || h;
  const light = o.light || [255, 255, 255], shade = o.shade || [200, 208, 220];
  L.pixels(g, w, h, (x, y, c) => {
    const fade = L.smooth(top, top + (bottom - top) * 0.25, y) * (1 - L.smooth(bottom - (bottom - top) * 0.35, bottom, y));
    const v = L.fbm(n, x / o.scale, y / (o.scale * (o.squash || 0.45)), 5);
    const dns = L.smooth(o.cover, o.cover + (o.soft || 0.22), v) * fade * (o.alpha || 0.9);
    if (dns <= 0) return null;
    const v2 = L.fbm(n, x / o.scale, (y - 6) / (o.scale * (o.squash || 0.45)), 5);
    const lit = L.clamp(0.55 + (v2 - v) * 6, 0, 1);
    const cc = L.mixc(shade, light, lit);
    return L.mixc(c, cc, dns);
  }, top, bottom);
};

// A ridge line from fractal noise: returns the heights across the width.
L.ridge = function (w, seed, base, amp, scale, octaves, sharp) {
  const n = L.noise(seed), ys = [];
  for (let x = 0; x <= w; x++) {
    let v = L.fbm(n, x / scale, seed * 0.37, octaves || 5);
    if (sharp) v = 1 - Math.abs(v * 2 - 1);
    ys.push(base - amp * v);
  }
  return ys;
};

L.fillRidge = function (g, w, h, ys, fill) {
  g.beginPath(); g.moveTo(0, h);
  for (let x = 0; x <= w; x++) g.lineTo(x, ys[x]);
  g.lineTo(w, h); g.closePath();
  g.fillStyle = fill; g.fill();
};

L.pine = function (g, x, base, height, colour) {
  const wd = height * 0.36;
  g.fillStyle = colour;
  g.beginPath();
  g.moveTo(x, base - height);
  for (let k = 0; k < 4; k++) {
    const t = (k + 1) / 4;
    g.lineTo(x + wd * t, base - height + height * t * 0.92);
    g.lineTo(x + wd * t * 0.45, base - height + height * t * 0.92);
  }
  g.lineTo(x + height * 0.04, base);
  g.lineTo(x - height * 0.04, base);
  for (let k = 3; k >= 0; k--) {
    const t = (k + 1) / 4;
    g.lineTo(x - wd * t * 0.45, base - height + height * t * 0.92);
    g.lineTo(x - wd * t, base - height + height * t * 0.92);
  }
  g.closePath(); g.fill();
};

L.roundTree = function (g, x, base, r, colour, trunk, r01) {
  g.fillStyle = trunk;
  g.fillRect(x - r * 0.12, base - r * 1.2, r * 0.24, r * 1.2);
  g.fillStyle = colour;
  for (let k = 0; k < 6; k++) {
    const a = r01() * Math.PI * 2, d = r * 0.45 * r01();
    g.beginPath();
    g.arc(x + Math.cos(a) * d, base - r * 1.55 + Math.sin(a) * d * 0.7, r * (0.55 + 0.25 * r01()), 0, Math.PI * 2);
    g.fill();
  }
};

// A jet seen from the side, nose to the right, length 1 unit; painted at
// (x, y) with length `len`, turned by `angle`.
L.jet = function (g, x, y, len, angle, body, detail) {
  g.save(); g.translate(x, y); g.rotate(angle); g.scale(len, len);
  g.fillStyle = body;
  g.beginPath();
  g.moveTo(0.5, 0);
  g.bezierCurveTo(0.44, -0.035, 0.36, -0.05, 0.25, -0.05);
  g.lineTo(-0.38, -0.045); g.lineTo(-0.47, -0.3); g.lineTo(-0.36, -0.3); g.lineTo(-0.22, -0.05);
  g.lineTo(-0.2, -0.04); g.lineTo(-0.5, -0.02); g.lineTo(-0.5, 0.035);
  g.lineTo(0.3, 0.045); g.bezierCurveTo(0.4, 0.04, 0.46, 0.025, 0.5, 0);
  g.closePath(); g.fill();
  // wing, seen a little from below
  g.beginPath(); g.moveTo(0.12, 0.02); g.lineTo(-0.2, 0.2); g.lineTo(-0.29, 0.2); g.lineTo(-0.12, 0.03);
  g.closePath(); g.fill();
  g.beginPath(); g.moveTo(-0.36, 0.02); g.lineTo(-0.48, 0.11); g.lineTo(-0.52, 0.11); g.lineTo(-0.47, 0.02);
  g.closePath(); g.fill();
  if (detail) {
    g.fillStyle = detail;
    g.beginPath(); g.moveTo(0.33, -0.045); g.bezierCurveTo(0.3, -0.1, 0.18, -0.1, 0.12, -0.05);
    g.closePath(); g.fill();
  }
  g.restore();
};

// A biplane from the side, nose to the right.
L.biplane = function (g, x, y, len, angle, body, wing) {
  g.save(); g.translate(x, y); g.rotate(angle); g.scale(len, len);
  g.fillStyle = body;
  g.beginPath();
  g.moveTo(0.42, -0.06); g.lineTo(0.46, -0.04); g.lineTo(0.46, 0.05); g.lineTo(0.42, 0.07);
  g.lineTo(-0.4, 0.02); g.lineTo(-0.5, -0.2); g.lineTo(-0.42, -0.2); g.lineTo(-0.32, -0.04);
  g.lineTo(0.05, -0.07); g.closePath(); g.fill();
  g.fillStyle = wing;
  g.fillRect(-0.12, -0.22, 0.42, 0.04);
  g.fillRect(-0.1, 0.06, 0.4, 0.035);
  g.fillStyle = body;
  g.fillRect(0.0, -0.2, 0.018, 0.27); g.fillRect(0.2, -0.2, 0.018, 0.27);
  g.fillRect(0.47, -0.2, 0.015, 0.5);
  g.beginPath(); g.arc(0.2, 0.16, 0.045, 0, Math.PI * 2); g.fill();
  g.restore();
};

// A smoke trail along points, wide and soft.
L.trail = function (g, points, width, colour, alpha, blur) {
  g.save();
  g.filter = `blur(${blur || 2}px)`;
  g.lineCap = 'round'; g.lineJoin = 'round';
  for (let k = 0; k < 3; k++) {
    g.strokeStyle = L.css(colour, alpha * (k === 2 ? 1 : 0.45));
    g.lineWidth = width * (1.8 - k * 0.4);
    g.beginPath();
    g.moveTo(points[0][0], points[0][1]);
    for (let i = 1; i < points.length; i++) g.lineTo(points[i][0], points[i][1]);
    g.stroke();
  }
  g.restore();
};

L.grain = function (g, w, h, seed, amount) {
  const r = L.rng(seed);
  L.pixels(g, w, h, (x, y, c) => {
    const d = (r() - 0.5) * amount;
    return [c[0] + d, c[1] + d, c[2] + d];
  });
};

// Mirrors what lies above `horizon` into the water below, with ripples.
L.reflect = function (g, w, h, horizon, o) {
  const src = g.getImageData(0, 0, w, horizon).data;
  const n = L.noise(o.seed || 5);
  const water = o.water;
  L.pixels(g, w, h, (x, y) => {
    const depth = (y - horizon) / (h - horizon);
    const wob = (L.fbm(n, x / 40, y / 3, 3) - 0.5) * (4 + depth * 30);
    const sy = Math.round(L.clamp(horizon - 1 - (y - horizon) * 1.0 + wob * 0.3, 0, horizon - 1));
    const sx = Math.round(L.clamp(x + wob, 0, w - 1));
    const i = (sy * w + sx) * 4;
    const c = [src[i], src[i + 1], src[i + 2]];
    const wc = L.mixc(water[0], water[1], depth);
    return L.mixc(c, wc, L.clamp(o.tint + depth * 0.35, 0, 1));
  }, horizon, h);
};

// ---- backgrounds (each tiles seamlessly) ----

const B = {};

B.paper = function (g, w, h) {
  const n = L.noise(11);
  L.pixels(g, w, h, (x, y) => {
    const v = L.fbm(n, x / w * 8, y / h * 8, 5, 8);
    const f = L.fbm(n, x / w * 32 + 3, y / h * 32, 2, 32);
    const k = (v - 0.5) * 14 + (f - 0.5) * 8;
    return [250 + k, 246 + k, 236 + k];
  });
};

B.linen = function (g, w, h) {
  const n = L.noise(12);
  L.pixels(g, w, h, (x, y) => {
    const warp = Math.sin((x / w) * Math.PI * 2 * 40) * 0.5 + 0.5;
    const weft = Math.sin((y / h) * Math.PI * 2 * 40) * 0.5 + 0.5;
    const v = L.fbm(n, x / w * 16, y / h * 16, 3, 16);
    const slub = L.fbm(n, x / w * 4 + 7, y / h * 64, 2, 4);
    const k = (warp * 0.5 + weft * 0.5 - 0.5) * 10 + (v - 0.5) * 10 + (slub - 0.5) * 6;
    return [239 + k, 234 + k, 222 + k];
  });
};

B.parchment = function (g, w, h) {
  const n = L.noise(13);
  L.pixels(g, w, h, (x, y) => {
    const v = L.fbm(n, x / w * 4, y / h * 4, 6, 4);
    const s = L.fbm(n, x / w * 16 + 5, y / h * 16 + 5, 3, 16);
    const t = L.smooth(0.3, 0.75, v);
    const base = L.mixc([246, 234, 205], [228, 206, 160], t);
    const k = (s - 0.5) * 10;
    return [base[0] + k, base[1] + k, base[2] + k * 0.8];
  });
};

B.sky = function (g, w, h) {
  g.fillStyle = '#A9CFF0'; g.fillRect(0, 0, w, h);
  const n = L.noise(14);
  L.pixels(g, w, h, (x, y, c) => {
    const v = L.fbm(n, x / w * 6, y / h * 6, 5, 6);
    const d = L.smooth(0.46, 0.72, v);
    return L.mixc([150, 196, 238], [252, 253, 255], d);
  });
};

B.dots = function (g, w, h) {
  g.fillStyle = '#EEF5FC'; g.fillRect(0, 0, w, h);
  g.fillStyle = '#C9DDF2';
  for (const [x, y] of [[w / 4, h / 4], [3 * w / 4, 3 * h / 4]]) {
    g.beginPath(); g.arc(x, y, w * 0.085, 0, Math.PI * 2); g.fill();
  }
};

B.stripes = function (g, w, h) {
  // 45-degree stripes, half the period wide, sampled 4 x 4 per pixel.
  const period = w / 2;
  L.pixels(g, w, h, (x, y) => {
    let cover = 0;
    for (let i = 0; i < 4; i++) for (let j = 0; j < 4; j++) {
      const u = (x + (i + 0.5) / 4 + y + (j + 0.5) / 4) % period;
      if (u < period / 2) cover++;
    }
    return L.mixc([247, 248, 250], [233, 237, 242], cover / 16);
  });
};

B.grid = function (g, w, h) {
  g.fillStyle = '#FFFFFF'; g.fillRect(0, 0, w, h);
  for (let i = 0; i < 4; i++) {
    g.fillStyle = i === 0 ? '#BCD3EA' : '#E1EBF6';
    g.fillRect(i * w / 4, 0, 1, h);
    g.fillRect(0, i * h / 4, w, 1);
  }
};

// Scattered motifs that wrap around the edges so the tile repeats.
function scatter(g, w, h, seed, count, draw) {
  const r = L.rng(seed);
  for (let i = 0; i < count; i++) {
    const x = r() * w, y = r() * h, s = r(), a = r();
    for (const dx of [-w, 0, w]) for (const dy of [-h, 0, h]) draw(x + dx, y + dy, s, a);
  }
}

B.stars = function (g, w, h) {
  const n = L.noise(20);
  L.pixels(g, w, h, (x, y) => {
    const v = L.fbm(n, x / w * 4, y / h * 4, 4, 4);
    return L.mixc([20, 32, 66], [34, 48, 92], L.smooth(0.35, 0.75, v));
  });
  scatter(g, w, h, 21, 46, (x, y, s) => {
    g.fillStyle = `rgba(255,255,240,${0.35 + 0.6 * s})`;
    g.beginPath(); g.arc(x, y, 0.5 + s * 1.1, 0, Math.PI * 2); g.fill();
  });
  scatter(g, w, h, 22, 4, (x, y) => {
    L.glow(g, x, y, 5, [255, 255, 230], 0.5);
    g.fillStyle = '#FFFFF2'; g.fillRect(x - 0.5, y - 3, 1, 6); g.fillRect(x - 3, y - 0.5, 6, 1);
  });
};

B.leaves = function (g, w, h) {
  g.fillStyle = '#F1F7EC'; g.fillRect(0, 0, w, h);
  scatter(g, w, h, 23, 7, (x, y, s, a) => {
    g.save(); g.translate(x, y); g.rotate(a * Math.PI * 2); g.scale(0.7 + s * 0.5, 0.7 + s * 0.5);
    g.fillStyle = s > 0.5 ? '#D6E8CB' : '#DDEBD3';
    g.beginPath(); g.moveTo(-10, 0); g.quadraticCurveTo(0, -7, 10, 0); g.quadraticCurveTo(0, 7, -10, 0); g.fill();
    g.strokeStyle = '#C7DDB9'; g.lineWidth = 0.8;
    g.beginPath(); g.moveTo(-12, 0); g.lineTo(8, 0); g.stroke();
    g.restore();
  });
};

B.hearts = function (g, w, h) {
  g.fillStyle = '#FDF1F4'; g.fillRect(0, 0, w, h);
  const heart = (x, y, s, c) => {
    g.fillStyle = c;
    g.beginPath();
    g.moveTo(x, y + s * 0.9);
    g.bezierCurveTo(x - s * 1.2, y, x - s * 0.8, y - s * 0.9, x, y - s * 0.35);
    g.bezierCurveTo(x + s * 0.8, y - s * 0.9, x + s * 1.2, y, x, y + s * 0.9);
    g.fill();
  };
  heart(w * 0.25, h * 0.27, w * 0.11, '#F6CDD8');
  heart(w * 0.75, h * 0.77, w * 0.11, '#F3C1CF');
};

B.caption_blue = function (g, w, h) {
  L.vgrad(g, w, 0, h, [[0, '#5B9BD8'], [0.5, '#2F6FB3'], [1, '#1E4F86']]);
  g.fillStyle = 'rgba(255,255,255,0.18)'; g.fillRect(0, 0, w, 1);
};

B.caption_green = function (g, w, h) {
  L.vgrad(g, w, 0, h, [[0, '#7DB46A'], [0.5, '#4C8A41'], [1, '#2F5D27']]);
  g.fillStyle = 'rgba(255,255,255,0.18)'; g.fillRect(0, 0, w, 1);
};

B.caption_sunset = function (g, w, h) {
  L.vgrad(g, w, 0, h, [[0, '#F9B56B'], [0.55, '#E8743B'], [1, '#B94A2C']]);
  g.fillStyle = 'rgba(255,255,255,0.2)'; g.fillRect(0, 0, w, 1);
};

// ---- photos ----

const P = {};

// Airshow

P.formation = function (g, w, h) {
  L.vgrad(g, w, 0, h, [[0, '#2D6FB8'], [0.6, '#5D9CDA'], [1, '#A8CDEE']]);
  L.clouds(g, w, h, { seed: 31, scale: 140, cover: 0.56, top: h * 0.45, bottom: h, alpha: 0.95 });
  const r = L.rng(32);
  const lead = [w * 0.64, h * 0.34], ang = -0.16, len = w * 0.085;
  const slots = [[0, 0], [-1.1, -0.55], [-1.1, 0.55], [-2.2, 0]];
  for (const [a, b] of slots) {
    const x = lead[0] + a * len * Math.cos(ang) - b * len * Math.sin(ang) * 1.6;
    const y = lead[1] + a * len * Math.sin(ang) + b * len * Math.cos(ang) * 1.6;
    const pts = [];
    for (let t = 0; t <= 1.0001; t += 0.05) {
      const d = t * w * 0.75;
      pts.push([x - len * 0.5 - d * Math.cos(ang), y - d * Math.sin(ang) + Math.sin(t * 5 + r()) * t * 3]);
    }
    L.trail(g, pts, h * 0.022, [255, 255, 255], 0.55, 2.5);
    L.jet(g, x, y, len, ang, '#394556', '#A9C9E8');
  }
};

P.biplane = function (g, w, h) {
  L.vgrad(g, w, 0, h, [[0, '#3C4C82'], [0.45, '#C96B5C'], [0.78, '#F3A65A'], [1, '#FBD38A']]);
  L.glow(g, w * 0.22, h * 0.92, h * 0.9, [255, 214, 140], 0.7);
  L.clouds(g, w, h, { seed: 41, scale: 170, cover: 0.6, top: h * 0.2, bottom: h * 0.8, alpha: 0.7,
    light: [255, 196, 150], shade: [150, 96, 110], squash: 0.3 });
  // the smoke of a loop: in low from the left, over the top, out to the right
  const cx = w * 0.34, cy = h * 0.45, rad = h * 0.28, pts = [];
  for (let x = w * 0.02; x < cx; x += 6) pts.push([x, cy + rad + (cx - x) * 0.08]);
  for (let t = 0; t <= 1.0001; t += 0.02) {
    const a = Math.PI / 2 - t * Math.PI * 2;
    pts.push([cx + Math.cos(a) * rad + t * w * 0.1, cy + Math.sin(a) * rad]);
  }
  const [lx, ly] = pts[pts.length - 1];
  for (let k = 1; k <= 10; k++) pts.push([lx + k * w * 0.02, ly - k * k * 0.35]);
  L.trail(g, pts, h * 0.03, [255, 244, 235], 0.5, 3);
  const [ex, ey] = pts[pts.length - 1], [px, py] = pts[pts.length - 2];
  const heading = Math.atan2(ey - py, ex - px);
  L.biplane(g, ex + Math.cos(heading) * h * 0.12, ey + Math.sin(heading) * h * 0.12, h * 0.24, heading,
            '#2A1E26', '#3A2A33');
  L.fillRidge(g, w, h, L.ridge(w, 42, h * 1.02, h * 0.12, 180, 4), '#2A1E26');
};

P.climb = function (g, w, h) {
  L.vgrad(g, w, 0, h, [[0, '#123E78'], [0.7, '#3C7BC4'], [1, '#7FB2E5']]);
  const colours = [[225, 52, 52], [255, 255, 255], [60, 110, 220]];
  for (let k = 0; k < 3; k++) {
    const x0 = w * (0.35 + k * 0.13), pts = [];
    for (let t = 0; t <= 1.0001; t += 0.04) {
      pts.push([x0 + Math.sin(t * 3 + k) * 6 * (1 - t) - (1 - t) * (k - 1) * w * 0.08, h * (0.3 + t * 0.9)]);
    }
    L.trail(g, pts, h * 0.035, colours[k], 0.75, 3);
    L.jet(g, pts[0][0], pts[0][1] - h * 0.05, h * 0.27, -Math.PI / 2 + (k - 1) * 0.12, '#2B3440', '#9FC3E6');
  }
  L.clouds(g, w, h, { seed: 51, scale: 120, cover: 0.6, top: h * 0.55, bottom: h, alpha: 0.8 });
};

P.flypast = function (g, w, h) {
  L.vgrad(g, w, 0, h * 0.78, [[0, '#6FA3D8'], [1, '#D9E8F3']]);
  L.clouds(g, w, h, { seed: 61, scale: 160, cover: 0.52, top: 0, bottom: h * 0.7, squash: 0.35 });
  // contrail and jet
  const pts = [];
  for (let t = 0; t <= 1.0001; t += 0.05) pts.push([w * (0.1 + t * 0.55), h * (0.42 - t * 0.16)]);
  L.trail(g, pts, h * 0.012, [255, 255, 255], 0.8, 1.5);
  L.jet(g, w * 0.69, h * 0.255, w * 0.1, -0.28, '#3B4350', '#B7CDE0');
  // airfield: grass, runway, hangars, a crowd line
  L.vgrad(g, w, h * 0.78, h, [[0, '#8DAF6B'], [1, '#5E8743']]);
  g.fillStyle = '#9B9F9E'; g.fillRect(0, h * 0.8, w, h * 0.035);
  g.fillStyle = '#F2F2F2';
  for (let x = 10; x < w; x += 40) g.fillRect(x, h * 0.815, 18, 2);
  for (const [x, hw, hh] of [[0.05, 0.12, 0.1], [0.19, 0.09, 0.08], [0.78, 0.14, 0.11]]) {
    g.fillStyle = '#6B7684';
    g.beginPath();
    g.moveTo(w * x, h * 0.78); g.lineTo(w * x, h * (0.78 - hh * 0.6));
    g.quadraticCurveTo(w * (x + hw / 2), h * (0.78 - hh * 1.3), w * (x + hw), h * (0.78 - hh * 0.6));
    g.lineTo(w * (x + hw), h * 0.78); g.fill();
    g.fillStyle = '#515B67'; g.fillRect(w * (x + hw * 0.3), h * (0.78 - hh * 0.5), w * hw * 0.4, h * hh * 0.5);
  }
  const r = L.rng(62);
  for (let x = 4; x < w; x += 4 + r() * 9) {
    if (r() < 0.3) { x += 20 * r(); continue; }
    const hh = h * (0.05 + r() * 0.025);
    g.fillStyle = ['#3D3A45', '#5A4B5E', '#2F3E52', '#6A4A3A', '#7A3A3A'][Math.floor(r() * 5)];
    g.fillRect(x - 1.5, h - hh + 3, 3, hh);
    g.beginPath(); g.arc(x, h - hh + 1.5, 1.6, 0, Math.PI * 2); g.fill();
  }
};

// Nature

P.forest = function (g, w, h) {
  L.vgrad(g, w, 0, h, [[0, '#C9D8DC'], [0.6, '#E4ECE9'], [1, '#F3F1E6']]);
  L.glow(g, w * 0.7, h * 0.3, h * 0.6, [255, 248, 220], 0.6);
  const layers = [['#AFC2C0', 0.55, 41], ['#8FA9A4', 0.68, 42], ['#6C8C83', 0.8, 43], ['#45665A', 0.93, 44], ['#27443A', 1.06, 45]];
  layers.forEach(([colour, base, seed], k) => {
    const r = L.rng(seed);
    const ys = L.ridge(w, seed, h * base, h * 0.1, 200, 3);
    L.fillRidge(g, w, h, ys.map(y => y + h * 0.03), colour);
    const size = h * (0.12 + k * 0.06);
    for (let x = -10; x < w + 10; x += size * (0.25 + r() * 0.3)) {
      L.pine(g, x, ys[L.clamp(Math.round(x), 0, w)] + h * 0.04, size * (0.7 + r() * 0.5), colour);
    }
    // mist between the layers
    L.vgrad(g, w, h * (base - 0.05), h * (base + 0.1), [[0, 'rgba(236,241,238,0)'], [1, 'rgba(236,241,238,0.35)']]);
  });
};

P.meadow = function (g, w, h) {
  L.vgrad(g, w, 0, h * 0.6, [[0, '#4F93D6'], [1, '#BFDDF2']]);
  L.clouds(g, w, h, { seed: 71, scale: 130, cover: 0.55, top: 0, bottom: h * 0.55 });
  const hills = [['#9CC46A', 0.55, 72, 0.08], ['#7DB24E', 0.68, 73, 0.1], ['#5E9A38', 0.84, 74, 0.1]];
  for (const [c, base, seed, amp] of hills) L.fillRidge(g, w, h, L.ridge(w, seed, h * base, h * amp, 260, 3), c);
  const r = L.rng(75);
  const ys = L.ridge(w, 74, h * 0.84, h * 0.1, 260, 3);
  L.roundTree(g, w * 0.78, L.ridge(w, 73, h * 0.68, h * 0.1, 260, 3)[Math.round(w * 0.78)] + 4, h * 0.1, '#4A7F2E', '#5A4030', r);
  for (let i = 0; i < 420; i++) {
    const x = r() * w, top = ys[Math.round(x)] + 3, y = top + Math.pow(r(), 0.7) * (h - top);
    const depth = L.clamp((y - top) / (h - top), 0, 1);
    g.fillStyle = ['#F7E15A', '#FFFFFF', '#E86A8A', '#C8A2F0'][Math.floor(r() * 4)];
    g.beginPath(); g.arc(x, y, 0.6 + depth * 1.6, 0, Math.PI * 2); g.fill();
  }
};

P.autumn = function (g, w, h) {
  L.vgrad(g, w, 0, h, [[0, '#F4E3C1'], [1, '#E7C48E']]);
  const r = L.rng(81);
  const palette = ['#C8451F', '#E07B24', '#E9A93A', '#A8321E', '#D9612A', '#B8892B'];
  for (let layer = 0; layer < 3; layer++) {
    const base = h * (0.5 + layer * 0.17);
    for (let x = -20; x < w + 20; x += 18 + r() * 20) {
      const rr = h * (0.12 + layer * 0.06) * (0.7 + r() * 0.5);
      g.globalAlpha = 0.55 + layer * 0.2;
      g.fillStyle = '#4A3022';
      g.fillRect(x - rr * 0.06, base - rr * 0.4, rr * 0.12, h);
      for (let k = 0; k < 7; k++) {
        g.fillStyle = palette[Math.floor(r() * palette.length)];
        g.beginPath();
        g.arc(x + (r() - 0.5) * rr * 1.2, base - rr + (r() - 0.5) * rr * 0.8, rr * (0.35 + r() * 0.3), 0, Math.PI * 2);
        g.fill();
      }
    }
  }
  g.globalAlpha = 1;
  // the ground with fallen leaves
  L.vgrad(g, w, h * 0.86, h, [[0, '#C98B45'], [1, '#9A5F2A']]);
  for (let i = 0; i < 500; i++) {
    const x = r() * w, y = h * (0.85 + r() * 0.15);
    g.fillStyle = palette[Math.floor(r() * palette.length)];
    g.fillRect(x, y, 2 + r() * 2, 1 + r() * 1.5);
  }
  L.glow(g, w * 0.5, h * 0.2, h * 0.7, [255, 240, 200], 0.35);
};

P.lake = function (g, w, h) {
  const horizon = Math.round(h * 0.62);
  L.vgrad(g, w, 0, horizon, [[0, '#7FA9D6'], [1, '#E4EEF5']]);
  L.clouds(g, w, h, { seed: 91, scale: 150, cover: 0.6, top: 0, bottom: horizon * 0.7, squash: 0.35 });
  const far = L.ridge(w, 92, horizon - 4, h * 0.42, 150, 5, true);
  L.fillRidge(g, w, h, far, '#8C9DB5');
  // snow on the peaks: light above a wavy line
  g.save(); g.beginPath(); g.moveTo(0, h);
  for (let x = 0; x <= w; x++) g.lineTo(x, far[x]);
  g.lineTo(w, h); g.clip();
  const n = L.noise(93);
  L.pixels(g, w, h, (x, y, c) => {
    const line = h * 0.3 + (L.fbm(n, x / 30, 0, 3) - 0.5) * h * 0.12;
    if (y > line || y < far[x]) return null;
    return L.mixc(c, [244, 247, 252], 0.85);
  }, 0, horizon);
  g.restore();
  L.fillRidge(g, w, h, L.ridge(w, 94, horizon + 1, h * 0.16, 120, 4), '#4F6B5A');
  const r = L.rng(95), ys = L.ridge(w, 96, horizon + 1, h * 0.06, 90, 3);
  L.fillRidge(g, w, h, ys, '#2E4A3A');
  for (let x = 0; x < w; x += 5 + r() * 6) L.pine(g, x, ys[Math.round(x)] + 2, h * (0.06 + r() * 0.07), '#2E4A3A');
  L.reflect(g, w, h, horizon, { seed: 97, water: [[120, 150, 175], [60, 90, 110]], tint: 0.25 });
};

// Ocean

P.sunset = function (g, w, h) {
  const horizon = Math.round(h * 0.6);
  L.vgrad(g, w, 0, horizon, [[0, '#2E3A6E'], [0.45, '#B8567A'], [0.8, '#F08A4B'], [1, '#FCC46E']]);
  L.clouds(g, w, h, { seed: 101, scale: 180, cover: 0.6, top: 0, bottom: horizon * 0.85, alpha: 0.8,
    light: [255, 170, 120], shade: [110, 60, 100], squash: 0.25 });
  L.glow(g, w * 0.55, horizon, h * 0.5, [255, 210, 130], 0.8);
  g.fillStyle = '#FFE7A6';
  g.beginPath(); g.arc(w * 0.55, horizon + 2, h * 0.09, Math.PI, 0); g.fill();
  L.vgrad(g, w, horizon, h, [[0, '#7A4A6A'], [1, '#2A2448']]);
  // the sun's path on the water
  const r = L.rng(102);
  for (let y = horizon + 1; y < h; y += 1.5) {
    const t = (y - horizon) / (h - horizon);
    const half = h * (0.05 + t * 0.25);
    for (let k = 0; k < 6; k++) {
      const x = w * 0.55 + (r() - 0.5) * 2 * half;
      g.fillStyle = `rgba(255,${200 + r() * 40},${120 + r() * 40},${0.8 - t * 0.5})`;
      g.fillRect(x, y, 4 + r() * 12 * (1 - t * 0.5), 1);
    }
  }
};

P.waves = function (g, w, h) {
  const hz = Math.round(h * 0.22);
  L.vgrad(g, w, 0, hz, [[0, '#6FB6E3'], [1, '#D8EEF8']]);
  L.clouds(g, w, h, { seed: 112, scale: 110, cover: 0.6, top: 0, bottom: hz, squash: 0.3 });
  const n = L.noise(111);
  // Rows of swell: closer rows are further apart and taller; a crest
  // breaks into foam where the noise allows.
  L.pixels(g, w, h, (x, y) => {
    const t = (y - hz) / (h - hz);
    const z = 1 / (0.07 + t);
    const ph = z * 3.4 + L.fbm(n, x / (25 + t * 170), z * 0.7, 4) * 6;
    const s = Math.sin(ph), lit = 0.5 + 0.5 * Math.cos(ph);
    const base = L.mixc([16, 74, 112], [44, 158, 176], L.clamp(lit * 0.65 + t * 0.25, 0, 1));
    const far = L.mixc(base, [150, 200, 220], L.clamp(0.5 - t * 2, 0, 0.5));
    const foam = L.smooth(0.72, 0.97, s) * L.smooth(0.42, 0.68, L.fbm(n, x / (6 + t * 30), y / (2 + t * 9), 3));
    return L.mixc(far, [244, 250, 250], L.clamp(foam * (0.6 + t * 0.4), 0, 1));
  }, hz, h);
};

P.sailboat = function (g, w, h) {
  const horizon = Math.round(h * 0.58);
  L.vgrad(g, w, 0, horizon, [[0, '#3E86C8'], [1, '#D6EAF7']]);
  L.clouds(g, w, h, { seed: 121, scale: 140, cover: 0.58, top: 0, bottom: horizon * 0.9, squash: 0.35 });
  g.fillStyle = '#8FA8B8';
  g.beginPath(); g.moveTo(w * 0.75, horizon); g.quadraticCurveTo(w * 0.85, horizon - h * 0.07, w, horizon - h * 0.04);
  g.lineTo(w, horizon); g.fill();
  L.vgrad(g, w, horizon, h, [[0, '#3C7FB4'], [1, '#1D4E7A']]);
  const r = L.rng(122);
  for (let i = 0; i < 700; i++) {
    const y = horizon + Math.pow(r(), 1.6) * (h - horizon);
    const t = (y - horizon) / (h - horizon);
    g.fillStyle = `rgba(255,255,255,${0.15 + 0.25 * r()})`;
    g.fillRect(r() * w, y, 3 + t * 14 * r(), 1 + t * 1.2);
  }
  // the boat
  const bx = w * 0.38, by = horizon + h * 0.12, s = h * 0.5;
  g.fillStyle = '#F7F4EC';
  g.beginPath(); g.moveTo(bx, by - s * 0.9); g.quadraticCurveTo(bx + s * 0.3, by - s * 0.5, bx + s * 0.36, by - s * 0.1);
  g.lineTo(bx + s * 0.02, by - s * 0.1); g.closePath(); g.fill();
  g.fillStyle = '#E8E2D2';
  g.beginPath(); g.moveTo(bx - s * 0.02, by - s * 0.75); g.lineTo(bx - s * 0.02, by - s * 0.12); g.lineTo(bx - s * 0.3, by - s * 0.12);
  g.closePath(); g.fill();
  g.fillStyle = '#404A55'; g.fillRect(bx - s * 0.01, by - s * 0.92, s * 0.02, s * 0.84);
  g.fillStyle = '#C8342C';
  g.beginPath(); g.moveTo(bx - s * 0.36, by - s * 0.09); g.lineTo(bx + s * 0.42, by - s * 0.09);
  g.lineTo(bx + s * 0.33, by); g.lineTo(bx - s * 0.3, by); g.closePath(); g.fill();
  g.fillStyle = 'rgba(255,255,255,0.35)'; g.fillRect(bx - s * 0.4, by, s * 0.8, 1.5);
  // gulls
  g.strokeStyle = '#2F3B48'; g.lineWidth = 1.4;
  for (const [x, y, k] of [[0.62, 0.22, 1], [0.67, 0.3, 0.8], [0.58, 0.33, 0.7]]) {
    const gs = h * 0.04 * k;
    g.beginPath(); g.moveTo(w * x - gs, h * y); g.quadraticCurveTo(w * x - gs * 0.5, h * y - gs * 0.6, w * x, h * y);
    g.quadraticCurveTo(w * x + gs * 0.5, h * y - gs * 0.6, w * x + gs, h * y); g.stroke();
  }
};

P.beach = function (g, w, h) {
  const horizon = Math.round(h * 0.42);
  L.vgrad(g, w, 0, horizon, [[0, '#49A3DF'], [1, '#CDEBF8']]);
  L.clouds(g, w, h, { seed: 131, scale: 120, cover: 0.62, top: 0, bottom: horizon, squash: 0.35 });
  const n = L.noise(132);
  L.pixels(g, w, h, (x, y) => {
    const shore = h * 0.66 + (L.fbm(n, x / 90, 1.5, 4) - 0.5) * h * 0.18 + x * 0.04;
    const t = (y - horizon) / (shore - horizon);
    if (y < shore) {
      const sea = L.mixc([20, 110, 160], [60, 200, 200], L.clamp(t, 0, 1));
      const foam = L.smooth(0.9, 1.0, t) + L.smooth(0.65, 0.75, L.fbm(n, x / 25, y / 3, 3)) * t * 0.6;
      return L.mixc(sea, [250, 252, 250], L.clamp(foam, 0, 1));
    }
    const wet = 1 - L.smooth(shore, shore + h * 0.06, y);
    const grain = (L.fbm(n, x / 2, y / 2, 2) - 0.5) * 16;
    const sand = L.mixc([236, 214, 170], [198, 170, 125], wet);
    return [sand[0] + grain, sand[1] + grain, sand[2] + grain];
  }, horizon, h);
  // a palm over the sand, on the right
  const r = L.rng(133);
  const bx = w * 0.88, by = h * 1.02;
  g.strokeStyle = '#4A3A2A'; g.lineWidth = h * 0.035; g.lineCap = 'round';
  g.beginPath(); g.moveTo(bx, by); g.quadraticCurveTo(bx - w * 0.02, h * 0.5, bx - w * 0.08, h * 0.18); g.stroke();
  const tx = bx - w * 0.08, ty = h * 0.18;
  g.fillStyle = '#2F4A2A';
  for (let k = 0; k < 8; k++) {
    const a = -Math.PI * 0.95 + k * Math.PI * 0.27 + (r() - 0.5) * 0.2, len = h * (0.3 + r() * 0.12);
    g.save(); g.translate(tx, ty); g.rotate(a);
    g.beginPath(); g.moveTo(0, 0); g.quadraticCurveTo(len * 0.5, -len * 0.18, len, len * 0.22);
    g.quadraticCurveTo(len * 0.5, len * 0.04, 0, 0); g.fill();
    g.restore();
  }
};

// Scenic

P.desert = function (g, w, h) {
  L.vgrad(g, w, 0, h, [[0, '#5B4A8A'], [0.4, '#E08A6A'], [0.62, '#F7C27A']]);
  L.glow(g, w * 0.3, h * 0.6, h * 0.5, [255, 230, 170], 0.7);
  const dunes = [['#D59A5E', 0.62, 141], ['#C48046', 0.72, 142], ['#A9672F', 0.85, 143], ['#8E5323', 1.0, 144]];
  for (const [c, base, seed] of dunes) {
    const ys = L.ridge(w, seed, h * base, h * 0.16, 220, 2, true);
    const top = Math.min(...ys);
    const gr = g.createLinearGradient(0, top, 0, top + h * 0.3);
    gr.addColorStop(0, L.css(L.mixc(L.hex(c), [255, 225, 170], 0.35)));
    gr.addColorStop(1, c);
    L.fillRidge(g, w, h, ys, gr);
  }
  // a camel train on the far crest
  const crest = L.ridge(w, 141, h * 0.62, h * 0.16, 220, 2, true);
  g.fillStyle = '#5A3A2A';
  for (let k = 0; k < 3; k++) {
    const x = w * (0.58 + k * 0.035), y = crest[Math.round(x)];
    g.beginPath(); g.ellipse(x, y - 6, 5, 3, 0, 0, Math.PI * 2); g.fill();
    g.fillRect(x - 4, y - 4, 1.2, 5); g.fillRect(x + 3, y - 4, 1.2, 5);
    g.fillRect(x + 4, y - 10, 1.2, 5); g.fillRect(x + 4, y - 10, 3, 1.5);
  }
};

P.city = function (g, w, h) {
  L.vgrad(g, w, 0, h, [[0, '#0B1430'], [0.6, '#22305E'], [1, '#4A3F6E']]);
  const r = L.rng(151);
  for (let i = 0; i < 160; i++) {
    g.fillStyle = `rgba(255,255,235,${0.3 + r() * 0.6})`;
    g.fillRect(r() * w, r() * h * 0.55, 1, 1);
  }
  L.glow(g, w * 0.82, h * 0.2, h * 0.18, [255, 250, 225], 0.35);
  g.fillStyle = '#F6F2DC'; g.beginPath(); g.arc(w * 0.82, h * 0.2, h * 0.06, 0, Math.PI * 2); g.fill();
  for (const [layer, colour, lit] of [[0, '#1B2448', 0.25], [1, '#10162E', 0.5]]) {
    let x = -5;
    while (x < w) {
      const bw = 18 + r() * 34, bh = h * (0.2 + r() * (layer ? 0.38 : 0.5)) * (layer ? 0.85 : 1);
      const top = h - bh;
      g.fillStyle = colour; g.fillRect(x, top, bw, bh);
      if (r() < 0.2) { g.fillRect(x + bw * 0.45, top - h * 0.06, 2, h * 0.06); }
      for (let wy = top + 5; wy < h - 4; wy += 6) {
        for (let wx = x + 3; wx < x + bw - 4; wx += 5) {
          if (r() < lit) {
            g.fillStyle = ['#F8D77A', '#FBE7A8', '#F0B65A', '#CFE3FF'][Math.floor(r() * 4)];
            g.fillRect(wx, wy, 2, 3);
          }
        }
      }
      x += bw + (layer ? 1 : 3);
    }
  }
  L.vgrad(g, w, h * 0.8, h, [[0, 'rgba(255,180,120,0)'], [1, 'rgba(255,170,110,0.18)']]);
};

P.winter = function (g, w, h) {
  L.vgrad(g, w, 0, h, [[0, '#9BB8D8'], [0.55, '#E3ECF4'], [1, '#F6F8FB']]);
  L.glow(g, w * 0.25, h * 0.35, h * 0.5, [255, 240, 220], 0.5);
  const hills = [['#DCE5EF', 0.6, 161], ['#EAF0F6', 0.75, 162], ['#F7FAFD', 0.92, 163]];
  hills.forEach(([c, base, seed], k) => {
    const ys = L.ridge(w, seed, h * base, h * 0.14, 230, 3);
    L.fillRidge(g, w, h, ys, c);
    const r = L.rng(seed + 10), size = h * (0.1 + k * 0.08);
    for (let x = r() * 40; x < w; x += 30 + r() * 110) {
      const y = ys[Math.round(x)] + 2;
      for (let j = 0; j < 1 + Math.floor(r() * 3); j++) {
        const px = x + j * size * 0.35, s = size * (0.7 + r() * 0.4);
        L.pine(g, px, y + j, s, ['#4F6F68', '#3E5C57', '#2F4A47'][k]);
        g.fillStyle = 'rgba(255,255,255,0.85)';
        g.beginPath(); g.moveTo(px, y + j - s); g.lineTo(px + s * 0.12, y + j - s * 0.72); g.lineTo(px - s * 0.12, y + j - s * 0.72); g.fill();
      }
    }
    g.fillStyle = 'rgba(150,170,200,0.25)';
    g.fillRect(0, ys[0] - 1, 0, 0);
  });
  const r = L.rng(165);
  g.fillStyle = 'rgba(255,255,255,0.8)';
  for (let i = 0; i < 260; i++) { g.beginPath(); g.arc(r() * w, r() * h, 0.4 + r() * 1.1, 0, Math.PI * 2); g.fill(); }
};

P.aurora = function (g, w, h) {
  L.vgrad(g, w, 0, h, [[0, '#050B1E'], [0.6, '#0C2140'], [1, '#10324A']]);
  const r = L.rng(171);
  for (let i = 0; i < 220; i++) {
    g.fillStyle = `rgba(255,255,255,${0.25 + r() * 0.6})`;
    g.fillRect(r() * w, r() * h * 0.7, 1, 1);
  }
  const n = L.noise(172);
  L.pixels(g, w, h, (x, y, c) => {
    const curve = h * (0.35 + 0.12 * Math.sin(x / w * 5 + 1) + 0.06 * Math.sin(x / w * 13));
    const d = (y - curve) / (h * 0.3);
    const curtain = L.fbm(n, x / 22 + y / 70, 0.5, 4);
    const band = Math.exp(-d * d * 3) * L.smooth(-0.6, 0.2, -d) * L.smooth(0.35, 0.8, curtain);
    if (band < 0.01) return null;
    const col = L.mixc([60, 240, 150], [150, 90, 230], L.clamp(-d * 1.2, 0, 1));
    return L.mixc(c, col, L.clamp(band * 0.9, 0, 1));
  }, 0, Math.round(h * 0.85));
  L.fillRidge(g, w, h, L.ridge(w, 173, h * 0.86, h * 0.32, 140, 5, true), '#0A1624');
  const ys = L.ridge(w, 174, h * 0.98, h * 0.08, 100, 3);
  L.fillRidge(g, w, h, ys, '#050C14');
  for (let x = 0; x < w; x += 4 + r() * 7) L.pine(g, x, ys[Math.round(x)] + 2, h * (0.08 + r() * 0.1), '#050C14');
};

window.L = L; window.B = B; window.P = P;
