// Reads the drop regions from the map dump that the build writes with the
// program's own core (build/map.json), so the map is always fitted to the
// regions and the hit test the program really uses.

import { readFileSync } from 'node:fs';

export const CANVAS_WIDTH = 764;
export const CANVAS_HEIGHT = 705;
// The picture's top-left pixel sits at window pixel (-52, -40), so picture
// pixel (x, y) is window pixel (x - 52, y - 40). Only x 52..763, y 40..704
// are ever on screen.
export const ORIGIN_X = 52;
export const ORIGIN_Y = 40;
export const REGION_COUNT = 66;

export const QUIZ_COUNTRIES = [
  'Bangladesh', 'Bhutan', 'Brunei', 'Burma (Myanmar)', 'Cambodia', 'China',
  'India', 'Indonesia', 'Japan', 'Kazakhstan', 'Laos', 'Malaysia',
  'Mongolia', 'Nepal', 'North Korea', 'Philippines', 'Russia', 'Singapore',
  'South Korea', 'Sri Lanka', 'Taiwan', 'Thailand', 'Vietnam',
];

// Parses the map dump's text. Throws with a clear message when it is not a
// dump, has the wrong number of regions or tags a region with a name that
// is not a quiz country.
export function parseDump(text) {
  let dump;
  try {
    dump = JSON.parse(text);
  } catch (e) {
    throw new Error(`the map dump is not JSON: ${e.message}`);
  }
  if (!Array.isArray(dump.regions) || !Array.isArray(dump.hitMap)) throw new Error('the map dump has no regions or hit map');
  const regions = dump.regions.map((r) => {
    const [left, top, width, height] = r.rect;
    return { index: r.index, tag: r.tag, left, top, width, height };
  });
  if (regions.length !== REGION_COUNT) {
    throw new Error(`the map dump has ${regions.length} regions, expected ${REGION_COUNT}`);
  }
  regions.forEach((r, i) => {
    if (r.index !== i) throw new Error(`region ${i} carries index ${r.index}`);
    if (!QUIZ_COUNTRIES.includes(r.tag)) throw new Error(`region ${i} has unknown tag "${r.tag}"`);
    if (r.width <= 0 || r.height <= 0) throw new Error(`region ${i} has an empty rectangle`);
  });
  return { regions, hitMap: dump.hitMap };
}

export function loadDump(path) {
  return parseDump(readFileSync(path, 'utf8'));
}

// A region's rectangle in picture pixels (half-open).
export function regionPixels(r) {
  return {
    x0: r.left + ORIGIN_X,
    y0: r.top + ORIGIN_Y,
    x1: r.left + r.width + ORIGIN_X,
    y1: r.top + r.height + ORIGIN_Y,
  };
}

// For every picture pixel, the index of the region a drop at its centre goes
// to, or -1, from the dump's hit map (window pixel (x, y) is picture pixel
// (x + 52, y + 40); the parts of the picture outside the window take no drop).
export function dropIndexMap(hitMap, width = CANVAS_WIDTH, height = CANVAS_HEIGHT) {
  const map = new Int8Array(width * height).fill(-1);
  hitMap.forEach((runs, y) => {
    const py = y + ORIGIN_Y;
    if (py >= height) return;
    for (const [x, length, region] of runs) {
      for (let px = x + ORIGIN_X; px < Math.min(x + length + ORIGIN_X, width); px++) map[py * width + px] = region;
    }
  });
  return map;
}
