// Fits the projection to the drop regions: a bounded local search over
// centre, scale and translate that maximises the accuracy measure.

import { CANVAS_WIDTH, CANVAS_HEIGHT, QUIZ_COUNTRIES, dropIndexMap, regionPixels } from './regions.mjs';
import { fillRings, fillDisc } from './raster.mjs';
import { measure } from './accuracy.mjs';
import { makeProjection, lonLatRings } from './geo.mjs';

export const SINGAPORE = [103.82, 1.35];
export const MARKER_RADIUS = 3.2;      // 1x pixels, fill only
export const MARKER_STROKE = 0.8;      // 1x pixels

// The marker's centre: Singapore itself, moved the least needed to put the
// whole dot (stroke included) inside its drop region.
export function markerCentre(projection, regions) {
  const [x, y] = projection(SINGAPORE);
  const region = regions.find((r) => r.tag === 'Singapore');
  const box = regionPixels(region);
  const reach = MARKER_RADIUS + MARKER_STROKE / 2 + 0.25;
  const clamp = (v, lo, hi) => Math.min(Math.max(v, lo), hi);
  return {
    x: clamp(x, box.x0 + reach, box.x1 - reach),
    y: clamp(y, box.y0 + reach, box.y1 - reach),
    geoX: x,
    geoY: y,
  };
}

export function makeEvaluator(countries, regions, hitMap) {
  const drop = dropIndexMap(hitMap);
  const idOfTag = new Map(QUIZ_COUNTRIES.map((t, i) => [t, i + 1]));
  const shapes = countries.filter((c) => c.tag).map((c) => ({ id: idOfTag.get(c.tag), rings: lonLatRings(c.geometry) }));
  const label = new Uint8Array(CANVAS_WIDTH * CANVAS_HEIGHT);
  return (params) => {
    const projection = makeProjection(params);
    label.fill(0);
    for (const s of shapes) {
      fillRings(label, CANVAS_WIDTH, CANVAS_HEIGHT, s.rings.map((r) => r.map((p) => projection(p))), s.id);
    }
    const m = markerCentre(projection, regions);
    fillDisc(label, CANVAS_WIDTH, CANVAS_HEIGHT, m.x, m.y, MARKER_RADIUS, idOfTag.get('Singapore'));
    const result = measure(label, drop, regions, idOfTag);
    // How far Singapore itself would have to move to sit under its marker.
    result.markerShift = Math.hypot(m.x - m.geoX, m.y - m.geoY);
    return result;
  };
}

// The number the search maximises: the plain mean, with the worst country
// kept clear of 0.72 and the marker's displacement from Singapore held in
// check.
export function score(r) {
  return r.mean + Math.min(0, r.min - 0.72) - 0.002 * r.markerShift;
}

// The search moves the centre while keeping this point where it is on the
// picture, so that centre and translate do not fight each other.
const ANCHOR = [100, 30];

function toSearch(p) {
  const [x, y] = makeProjection(p)(ANCHOR);
  return { lon: p.lon, lat: p.lat, scale: p.scale, ax: x, ay: y };
}

function fromSearch(q) {
  const [x, y] = makeProjection({ lon: q.lon, lat: q.lat, scale: q.scale, tx: 0, ty: 0 })(ANCHOR);
  return { lon: q.lon, lat: q.lat, scale: q.scale, tx: q.ax - x, ty: q.ay - y };
}

// A seeded random hill climb: each trial nudges some parameters at once,
// first widely, then ever more finely. Deterministic for a given start, and
// bounded by the number of evaluations.
export function fit(evaluate, start, { evaluations = 2400, seed = 1, log = () => {} } = {}) {
  let state = seed >>> 0 || 1;
  const random = () => {
    state = (Math.imul(state, 1103515245) + 12345) >>> 0;
    return state / 4294967296;
  };
  let q = toSearch(start);
  let best = evaluate(fromSearch(q));
  let bestScore = score(best);
  log(`start    mean ${best.mean.toFixed(4)} min ${best.min.toFixed(3)} score ${bestScore.toFixed(4)}`);
  const wide = { lon: 4, lat: 4, scale: 25, ax: 5, ay: 5 };
  const phases = [1, 0.4, 0.15];
  const perPhase = Math.max(1, Math.floor(evaluations / phases.length));
  for (const size of phases) {
    for (let i = 0; i < perPhase; i++) {
      const shrink = size * Math.max(0.05, 1 - i / perPhase);
      const trial = { ...q };
      for (const key of Object.keys(wide)) {
        if (random() < 0.5) trial[key] += (random() * 2 - 1) * wide[key] * shrink;
      }
      const r = evaluate(fromSearch(trial));
      const s = score(r);
      if (s > bestScore) {
        q = trial;
        best = r;
        bestScore = s;
      }
    }
    log(`phase ${size.toFixed(2)} mean ${best.mean.toFixed(4)} min ${best.min.toFixed(3)} score ${bestScore.toFixed(4)}`);
  }
  return { params: fromSearch(q), result: best };
}
