// Reads the drop regions straight from the program's own table in
// src/quiz/maptables.cpp, so the map is always fitted to the regions the
// program really uses.

import { readFileSync } from 'node:fs';

export const CANVAS_WIDTH = 764;
export const CANVAS_HEIGHT = 705;
// The picture's top-left pixel sits at window pixel (-52, -40), so picture
// pixel (x, y) is window pixel (x - 52, y - 40). Only x 52..763, y 40..704
// are ever on screen.
export const ORIGIN_X = 52;
export const ORIGIN_Y = 40;
export const TWIPS_PER_PIXEL = 15;
export const REGION_COUNT = 66;

export const QUIZ_COUNTRIES = [
  'Bangladesh', 'Bhutan', 'Brunei', 'Burma (Myanmar)', 'Cambodia', 'China',
  'India', 'Indonesia', 'Japan', 'Kazakhstan', 'Laos', 'Malaysia',
  'Mongolia', 'Nepal', 'North Korea', 'Philippines', 'Russia', 'Singapore',
  'South Korea', 'Sri Lanka', 'Taiwan', 'Thailand', 'Vietnam',
];

const ROW = /\{\s*(-?\d+)\s*,\s*"([^"]*)"\s*,\s*(-?\d+)\s*,\s*(-?\d+)\s*,\s*(-?\d+)\s*,\s*(-?\d+)\s*\}/g;

// Parses the body of kRegionTable out of the C++ source text. Throws with a
// clear message when the table is missing, short, out of order or tagged
// with a name that is not a quiz country.
export function parseRegionTable(source) {
  const start = source.indexOf('kRegionTable');
  if (start < 0) throw new Error('kRegionTable not found in the table source');
  const open = source.indexOf('{{', start);
  const close = source.indexOf('}};', open);
  if (open < 0 || close < 0) throw new Error('kRegionTable has no {{ ... }}; body');
  const body = source.slice(open + 1, close + 1);
  const regions = [];
  for (const m of body.matchAll(ROW)) {
    const [index, left, top, width, height] = [m[1], m[3], m[4], m[5], m[6]].map(Number);
    regions.push({ index, tag: m[2], left, top, width, height });
  }
  if (regions.length !== REGION_COUNT) {
    throw new Error(`kRegionTable has ${regions.length} rows, expected ${REGION_COUNT}`);
  }
  regions.forEach((r, i) => {
    if (r.index !== i) throw new Error(`kRegionTable row ${i} carries index ${r.index}`);
    if (!QUIZ_COUNTRIES.includes(r.tag)) throw new Error(`region ${i} has unknown tag "${r.tag}"`);
    if (r.width <= 0 || r.height <= 0) throw new Error(`region ${i} has an empty rectangle`);
  });
  return regions;
}

export function loadRegions(path) {
  return parseRegionTable(readFileSync(path, 'utf8'));
}

// A region's rectangle in picture pixels (fractional, half-open).
export function regionPixels(r) {
  return {
    x0: r.left / TWIPS_PER_PIXEL + ORIGIN_X,
    y0: r.top / TWIPS_PER_PIXEL + ORIGIN_Y,
    x1: (r.left + r.width) / TWIPS_PER_PIXEL + ORIGIN_X,
    y1: (r.top + r.height) / TWIPS_PER_PIXEL + ORIGIN_Y,
  };
}

// For every picture pixel, the index of the region a drop at its centre goes
// to (the highest index whose half-open rectangle holds the centre), or -1.
// The centre of picture pixel (px, py) is twip ((px-52)*15+7, (py-40)*15+7).
export function dropIndexMap(regions, width = CANVAS_WIDTH, height = CANVAS_HEIGHT) {
  const map = new Int8Array(width * height).fill(-1);
  for (let py = 0; py < height; py++) {
    const ty = (py - ORIGIN_Y) * TWIPS_PER_PIXEL + 7;
    for (let px = 0; px < width; px++) {
      const tx = (px - ORIGIN_X) * TWIPS_PER_PIXEL + 7;
      for (let i = regions.length - 1; i >= 0; i--) {
        const r = regions[i];
        if (tx >= r.left && tx < r.left + r.width && ty >= r.top && ty < r.top + r.height) {
          map[py * width + px] = i;
          break;
        }
      }
    }
  }
  return map;
}
