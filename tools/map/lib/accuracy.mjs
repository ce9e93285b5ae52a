// The accuracy measure the fit maximises, the same one that
// tools/map/mapaccuracy.cpp checks: for each quiz country, the share of its
// visible pixels where a drop lands on a region tagged with that country.

import { CANVAS_WIDTH, CANVAS_HEIGHT, ORIGIN_X, ORIGIN_Y, QUIZ_COUNTRIES } from './regions.mjs';

// label: Uint8Array of ids over the canvas; idOfTag: Map tag -> id.
// drop: Int8Array of region indices (see dropIndexMap).
export function measure(label, drop, regions, idOfTag) {
  const tagOfId = new Map([...idOfTag].map(([t, i]) => [i, t]));
  const total = new Map(QUIZ_COUNTRIES.map((t) => [t, 0]));
  const hit = new Map(QUIZ_COUNTRIES.map((t) => [t, 0]));
  for (let py = ORIGIN_Y; py < CANVAS_HEIGHT; py++) {
    for (let px = ORIGIN_X; px < CANVAS_WIDTH; px++) {
      const k = py * CANVAS_WIDTH + px;
      const tag = tagOfId.get(label[k]);
      if (!tag) continue;
      total.set(tag, total.get(tag) + 1);
      const r = drop[k];
      if (r >= 0 && regions[r].tag === tag) hit.set(tag, hit.get(tag) + 1);
    }
  }
  const countries = QUIZ_COUNTRIES.map((tag) => ({
    tag,
    pixels: total.get(tag),
    share: total.get(tag) ? hit.get(tag) / total.get(tag) : 0,
  }));
  const mean = countries.reduce((s, c) => s + c.share, 0) / countries.length;
  const allPixels = countries.reduce((s, c) => s + c.pixels, 0);
  const weighted = allPixels ? countries.reduce((s, c) => s + c.share * c.pixels, 0) / allPixels : 0;
  const worst = countries.reduce((a, c) => (c.share < a.share ? c : a));
  return { countries, mean, weighted, min: worst.share, worst: worst.tag };
}
