// A plain scanline rasteriser for the id image: a pixel belongs to a shape
// when its centre lies inside (even-odd rule), with no antialiasing, so that
// every pixel carries exactly one country. Also a minimal PNG writer for
// 8-bit grey images, so the id image needs no image library.

import { deflateSync } from 'node:zlib';

// Sets label[y * width + x] = value for every pixel whose centre lies inside
// the rings (arrays of [x, y], implicitly closed) by the even-odd rule.
export function fillRings(label, width, height, rings, value) {
  const edges = [];
  let ymin = Infinity;
  let ymax = -Infinity;
  for (const ring of rings) {
    const n = ring.length;
    if (n < 3) continue;
    for (let i = 0; i < n; i++) {
      const [xa, ya] = ring[i];
      const [xb, yb] = ring[(i + 1) % n];
      if (ya === yb) continue;
      if (!Number.isFinite(xa + ya + xb + yb)) throw new Error('ring has a non-finite point');
      const lo = ya < yb ? [xa, ya] : [xb, yb];
      const hi = ya < yb ? [xb, yb] : [xa, ya];
      edges.push({ y0: lo[1], y1: hi[1], x0: lo[0], dxdy: (hi[0] - lo[0]) / (hi[1] - lo[1]) });
      ymin = Math.min(ymin, lo[1]);
      ymax = Math.max(ymax, hi[1]);
    }
  }
  if (!edges.length) return 0;
  edges.sort((a, b) => a.y0 - b.y0);
  const rowFirst = Math.max(0, Math.ceil(ymin - 0.5));
  const rowLast = Math.min(height - 1, Math.ceil(ymax - 0.5) - 1);
  let next = 0;
  let active = [];
  const xs = [];
  let filled = 0;
  for (let py = rowFirst; py <= rowLast; py++) {
    const yc = py + 0.5;
    while (next < edges.length && edges[next].y0 <= yc) active.push(edges[next++]);
    active = active.filter((e) => e.y1 > yc);
    xs.length = 0;
    for (const e of active) if (e.y0 <= yc) xs.push(e.x0 + (yc - e.y0) * e.dxdy);
    xs.sort((a, b) => a - b);
    for (let k = 0; k + 1 < xs.length; k += 2) {
      const from = Math.max(0, Math.ceil(xs[k] - 0.5));
      const to = Math.min(width, Math.ceil(xs[k + 1] - 0.5));
      const row = py * width;
      for (let px = from; px < to; px++) label[row + px] = value;
      if (to > from) filled += to - from;
    }
  }
  return filled;
}

// Sets every pixel whose centre lies within radius r of (cx, cy).
export function fillDisc(label, width, height, cx, cy, r, value) {
  let filled = 0;
  for (let py = Math.max(0, Math.floor(cy - r)); py <= Math.min(height - 1, Math.ceil(cy + r)); py++) {
    for (let px = Math.max(0, Math.floor(cx - r)); px <= Math.min(width - 1, Math.ceil(cx + r)); px++) {
      const dx = px + 0.5 - cx;
      const dy = py + 0.5 - cy;
      if (dx * dx + dy * dy <= r * r) {
        label[py * width + px] = value;
        filled++;
      }
    }
  }
  return filled;
}

const CRC_TABLE = (() => {
  const t = new Uint32Array(256);
  for (let n = 0; n < 256; n++) {
    let c = n;
    for (let k = 0; k < 8; k++) c = c & 1 ? 0xedb88320 ^ (c >>> 1) : c >>> 1;
    t[n] = c >>> 0;
  }
  return t;
})();

function crc32(buf) {
  let c = 0xffffffff;
  for (const b of buf) c = CRC_TABLE[(c ^ b) & 0xff] ^ (c >>> 8);
  return (c ^ 0xffffffff) >>> 0;
}

function chunk(type, data) {
  const out = Buffer.alloc(12 + data.length);
  out.writeUInt32BE(data.length, 0);
  out.write(type, 4, 'ascii');
  data.copy(out, 8);
  out.writeUInt32BE(crc32(out.subarray(4, 8 + data.length)), 8 + data.length);
  return out;
}

// Encodes an 8-bit greyscale image (one byte per pixel) as PNG.
export function encodeGreyPng(pixels, width, height) {
  if (pixels.length !== width * height) throw new Error('grey image size does not match its pixels');
  const raw = Buffer.alloc((width + 1) * height);
  for (let y = 0; y < height; y++) {
    raw[y * (width + 1)] = 0; // filter: none
    for (let x = 0; x < width; x++) raw[y * (width + 1) + 1 + x] = pixels[y * width + x];
  }
  const header = Buffer.alloc(13);
  header.writeUInt32BE(width, 0);
  header.writeUInt32BE(height, 4);
  header[8] = 8; // bit depth
  header[9] = 0; // greyscale
  return Buffer.concat([
    Buffer.from([0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a]),
    chunk('IHDR', header),
    chunk('IDAT', deflateSync(raw, { level: 9 })),
    chunk('IEND', Buffer.alloc(0)),
  ]);
}
