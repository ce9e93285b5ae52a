// Tests for the map generator's own pieces: node --test tools/map/test/
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { inflateSync } from 'node:zlib';
import { existsSync, readFileSync } from 'node:fs';
import { dirname, join } from 'node:path';
import { fileURLToPath } from 'node:url';

import { fillRings, fillDisc, encodeGreyPng } from '../lib/raster.mjs';
import { parseDump, dropIndexMap, regionPixels, QUIZ_COUNTRIES, CANVAS_WIDTH } from '../lib/regions.mjs';
import { colourCountries, PASTELS } from '../lib/colours.mjs';
import { measure } from '../lib/accuracy.mjs';

const here = dirname(fileURLToPath(import.meta.url));
// The map dump the build writes with the program's own core.
const dumpText = readFileSync(process.env.DRILLIX_MAP_DUMP || join(here, '..', '..', '..', 'build', 'map.json'), 'utf8');
const haveModules = existsSync(join(here, '..', 'node_modules', 'd3-geo'));

test('scanline fill takes pixels by their centres, even-odd, and rejects broken rings', () => {
  const w = 8;
  const label = new Uint8Array(w * w);
  // The square [1, 3) x [1, 3) holds the centres of pixels 1 and 2 only.
  assert.equal(fillRings(label, w, w, [[[1, 1], [3, 1], [3, 3], [1, 3]]], 5), 4);
  assert.deepEqual([...label.slice(w, 2 * w)], [0, 5, 5, 0, 0, 0, 0, 0]);
  // A hole is left empty; a ring that runs off the canvas is clipped.
  label.fill(0);
  const outer = [[-5, -5], [13, -5], [13, 13], [-5, 13]];
  const hole = [[2, 2], [6, 2], [6, 6], [2, 6]];
  assert.equal(fillRings(label, w, w, [outer, hole], 1), 64 - 16);
  assert.equal(label[3 * w + 3], 0);
  assert.equal(label[0], 1);
  // Two touching squares share their edge without gap or overlap.
  label.fill(0);
  const a = fillRings(label, w, w, [[[0, 0], [4.3, 0], [4.3, 8], [0, 8]]], 1);
  const b = fillRings(label, w, w, [[[4.3, 0], [8, 0], [8, 8], [4.3, 8]]], 2);
  assert.equal(a + b, 64);
  assert.throws(() => fillRings(label, w, w, [[[0, 0], [NaN, 1], [2, 2]]], 1), /non-finite/);
  assert.equal(fillDisc(label, w, w, 4, 4, 1, 9), 4);
});

test('grey PNG holds the exact bytes it was given', () => {
  const pixels = Uint8Array.from({ length: 12 }, (_, i) => i * 20);
  const png = encodeGreyPng(pixels, 4, 3);
  assert.deepEqual([...png.subarray(1, 4)], [0x50, 0x4e, 0x47]);
  assert.equal(png.readUInt32BE(16), 4);
  assert.equal(png.readUInt32BE(20), 3);
  const idatLength = png.readUInt32BE(33);
  assert.equal(png.toString('ascii', 37, 41), 'IDAT');
  const raw = inflateSync(png.subarray(41, 41 + idatLength));
  assert.deepEqual([...raw], [0, 0, 20, 40, 60, 0, 80, 100, 120, 140, 0, 160, 180, 200, 220]);
  assert.throws(() => encodeGreyPng(pixels, 5, 3), /size/);
});

test('regions are read from the map dump and bad dumps are refused', () => {
  const { regions } = parseDump(dumpText);
  assert.equal(regions.length, 66);
  assert.deepEqual(regionPixels(regions[45]), { x0: 442, y0: 646, x1: 459, y1: 663 });
  assert.throws(() => parseDump('int x;'), /not JSON/);
  assert.throws(() => parseDump(dumpText.replace('"tag": "Nepal"', '"tag": "Nepa1"')), /unknown tag "Nepa1"/);
  const short = JSON.parse(dumpText);
  short.regions.pop();
  assert.throws(() => parseDump(JSON.stringify(short)), /65 regions/);
});

test('a drop goes to the highest-index region holding the pixel centre', () => {
  const drop = dropIndexMap(parseDump(dumpText).hitMap);
  const at = (px, py) => drop[py * CANVAS_WIDTH + px];
  assert.equal(at(442, 646), 45);  // Singapore's first pixel
  assert.equal(at(459, 650), 33);  // right of it: Malaysia beneath
  assert.equal(at(60, 170), 60);   // where Russia's regions 59 and 60 overlap
  assert.equal(at(10, 10), -1);    // off-screen margin
});

test('accuracy counts only visible pixels of quiz countries', () => {
  const { regions, hitMap } = parseDump(dumpText);
  const drop = dropIndexMap(hitMap);
  const idOfTag = new Map(QUIZ_COUNTRIES.map((t, i) => [t, i + 1]));
  const label = Uint8Array.from(drop, (r) => (r < 0 ? 0 : idOfTag.get(regions[r].tag)));
  const perfect = measure(label, drop, regions, idOfTag);
  assert.equal(perfect.mean, 1);
  label.fill(idOfTag.get('India'), 0, CANVAS_WIDTH * 40); // hidden rows
  assert.equal(measure(label, drop, regions, idOfTag).mean, 1);
  label[646 * CANVAS_WIDTH + 442] = idOfTag.get('Malaysia'); // shown, drops on Singapore
  const r = measure(label, drop, regions, idOfTag);
  assert.equal(r.worst, 'Malaysia');
  assert.ok(r.min < 1 && r.min > 0.99);
});

test('neighbours never share a pastel', () => {
  const pairs = [['A', 'B'], ['B', 'C'], ['C', 'A'], ['C', 'D'], ['D', 'A']];
  const colours = colourCountries(['A', 'B', 'C', 'D'], pairs);
  for (const [a, b] of pairs) assert.notEqual(colours.get(a), colours.get(b));
  for (const c of colours.values()) assert.ok(PASTELS.includes(c));
  const k4 = [['A', 'B'], ['A', 'C'], ['A', 'D'], ['B', 'C'], ['B', 'D'], ['C', 'D']];
  assert.throws(() => colourCountries(['A', 'B', 'C', 'D'], k4, PASTELS.slice(0, 3)), /no colour left/);
});

test('wrongly wound polygons are turned round; borders exist for every quiz country',
  { skip: !haveModules && 'npm packages not installed (run tools/map/generate.sh once)' }, async () => {
    const { fixWinding, loadCountries, d3 } = await import('../lib/geo.mjs');
    const square = [[100, 10], [110, 10], [110, 20], [100, 20], [100, 10]];
    const right = { type: 'Polygon', coordinates: [square.slice().reverse()] };
    const wrong = { type: 'Polygon', coordinates: [square] };
    const small = d3.geoArea(right);
    assert.ok(small < 0.1);
    assert.ok(d3.geoArea(wrong) > 2 * Math.PI);
    assert.ok(Math.abs(d3.geoArea(fixWinding(wrong)) - small) < 1e-9);
    assert.deepEqual(fixWinding(right), right);
    const { countries } = loadCountries();
    for (const c of countries) {
      if (c.tag) assert.ok(d3.geoArea(c.geometry) < 2 * Math.PI, `${c.name} covers the globe`);
    }
    // Hong Kong and Macao count as China; Myanmar is the quiz's Burma.
    assert.equal(countries.find((c) => c.name === 'Hong Kong').tag, 'China');
    assert.equal(countries.find((c) => c.name === 'Myanmar').tag, 'Burma (Myanmar)');
  });
