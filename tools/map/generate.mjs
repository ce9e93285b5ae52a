// Draws the quiz's map picture of Asia from Natural Earth borders.
//
//   node generate.mjs [--refit] [--evaluations N] [--svg DIR]
//
// Writes data/pictures/map.jpg and map@2x.jpg, plus tools/map/idmap.png and
// idmap-legend.txt, which tools/map/mapaccuracy measures. With --refit the
// projection is fitted to the drop regions again (starting from the one in
// projection.json) and projection.json is rewritten.

import { execFileSync } from 'node:child_process';
import { mkdtempSync, mkdirSync, readFileSync, rmSync, writeFileSync, existsSync, copyFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { dirname, join, resolve } from 'node:path';
import { fileURLToPath } from 'node:url';

import { CANVAS_WIDTH, CANVAS_HEIGHT, QUIZ_COUNTRIES, loadDump, dropIndexMap, regionPixels } from './lib/regions.mjs';
import { loadCountries, makeProjection, projectGeometry, worldAtlasVersion, topojson } from './lib/geo.mjs';
import { fillRings, fillDisc, encodeGreyPng } from './lib/raster.mjs';
import { measure } from './lib/accuracy.mjs';
import { fit, makeEvaluator, markerCentre, MARKER_RADIUS, MARKER_STROKE } from './lib/fit.mjs';
import { SEA, OTHER_LAND, OUTLINE, colourCountries, VISUAL_NEIGHBOURS } from './lib/colours.mjs';

const here = dirname(fileURLToPath(import.meta.url));
const repo = resolve(here, '..', '..');
// Written by the build: cmake --build build --target map-dump.
const DUMP = process.env.DRILLIX_MAP_DUMP || join(repo, 'build', 'map.json');
const PICTURES = join(repo, 'data', 'pictures');
const PROJECTION_FILE = join(here, 'projection.json');
const OUTLINE_WIDTH = 0.6; // 1x pixels

// Grey values in the id image.
const SEA_VALUE = 0;
const OTHER_VALUE = 250;
const valueOf = (tag) => 10 * (QUIZ_COUNTRIES.indexOf(tag) + 1);

function parseArgs(argv) {
  const args = { refit: false, evaluations: 2400, svg: null };
  for (let i = 0; i < argv.length; i++) {
    const a = argv[i];
    if (a === '--refit') args.refit = true;
    else if (a === '--evaluations' && i + 1 < argv.length) args.evaluations = Number(argv[++i]);
    else if (a === '--svg' && i + 1 < argv.length) args.svg = argv[++i];
    else throw new Error(`unknown argument "${a}" (use --refit, --evaluations N, --svg DIR)`);
  }
  if (!Number.isInteger(args.evaluations) || args.evaluations < 1 || args.evaluations > 100000) {
    throw new Error('--evaluations wants a whole number from 1 to 100000');
  }
  return args;
}

function readProjection() {
  const p = JSON.parse(readFileSync(PROJECTION_FILE, 'utf8'));
  for (const k of ['lon', 'lat', 'scale', 'tx', 'ty']) {
    if (!Number.isFinite(p[k])) throw new Error(`projection.json: "${k}" is missing or not a number`);
  }
  return p;
}

const fmt = (v) => (Math.round(v * 100) / 100).toString();

function pathData(parts, close) {
  return parts.map((ring) => 'M' + ring.map(([x, y]) => `${fmt(x)} ${fmt(y)}`).join('L') + (close ? 'Z' : '')).join('');
}

// The borders and coasts, each drawn once. Natural Earth cuts the polygons
// that cross the 180th meridian; that cut is no border and is left out.
function outlineLines(topology) {
  const mesh = topojson.mesh(topology, topology.objects.countries);
  const lines = [];
  for (const line of mesh.coordinates) {
    let current = [];
    for (let i = 0; i < line.length; i++) {
      const onCut = i > 0 && Math.abs(line[i][0]) > 179.999 && Math.abs(line[i - 1][0]) > 179.999;
      if (onCut) {
        if (current.length > 1) lines.push(current);
        current = [line[i]];
      } else {
        current.push(line[i]);
      }
    }
    if (current.length > 1) lines.push(current);
  }
  return { type: 'MultiLineString', coordinates: lines };
}

function neighbourPairs(topology, countries) {
  const pairs = [...VISUAL_NEIGHBOURS];
  const near = topojson.neighbors(topology.objects.countries.geometries);
  const byObject = new Map(countries.map((c) => [c.object, c]));
  topology.objects.countries.geometries.forEach((object, i) => {
    const a = byObject.get(object);
    for (const j of near[i]) {
      const b = byObject.get(topology.objects.countries.geometries[j]);
      if (a && b && a.tag && b.tag && a.tag !== b.tag) pairs.push([a.tag, b.tag]);
    }
  });
  return pairs;
}

function buildSvg(countries, outlines, colours, marker) {
  const out = [];
  out.push(`<svg xmlns="http://www.w3.org/2000/svg" width="${CANVAS_WIDTH}" height="${CANVAS_HEIGHT}" viewBox="0 0 ${CANVAS_WIDTH} ${CANVAS_HEIGHT}">`);
  out.push(`<rect x="-10" y="-10" width="${CANVAS_WIDTH + 20}" height="${CANVAS_HEIGHT + 20}" fill="${SEA}"/>`);
  out.push('<g stroke="none" fill-rule="evenodd">');
  for (const c of countries) {
    if (!c.rings.length) continue;
    const fill = c.tag ? colours.get(c.tag) : OTHER_LAND;
    out.push(`<path fill="${fill}" d="${pathData(c.rings, true)}"/>`);
  }
  out.push('</g>');
  out.push(`<path fill="none" stroke="${OUTLINE}" stroke-width="${OUTLINE_WIDTH}" stroke-linejoin="round" stroke-linecap="round" d="${pathData(outlines, false)}"/>`);
  out.push(`<circle cx="${fmt(marker.x)}" cy="${fmt(marker.y)}" r="${MARKER_RADIUS}" fill="${colours.get('Singapore')}" stroke="${OUTLINE}" stroke-width="${MARKER_STROKE}"/>`);
  out.push('</svg>');
  return out.join('\n') + '\n';
}

function run(command, args) {
  try {
    execFileSync(command, args, { stdio: ['ignore', 'inherit', 'inherit'] });
  } catch (e) {
    if (e.code === 'ENOENT') throw new Error(`${command} is not installed (see tools/map/README.md)`);
    throw new Error(`${command} failed: ${e.message}`);
  }
}

function rasterise(svgPath, scale, jpgPath, work) {
  const png = join(work, `map-${scale}x.png`);
  run('rsvg-convert', ['-f', 'png', '-w', String(CANVAS_WIDTH * scale), '-h', String(CANVAS_HEIGHT * scale), '-o', png, svgPath]);
  // Baseline, full-resolution colour (4:4:4), no metadata.
  run('convert', [png, '-alpha', 'off', '-strip', '-colorspace', 'sRGB', '-type', 'TrueColor',
    '-interlace', 'none', '-sampling-factor', '1x1,1x1,1x1', '-quality', '95', jpgPath]);
}

function main() {
  const args = parseArgs(process.argv.slice(2));
  const { regions, hitMap } = loadDump(DUMP);
  const { topology, countries } = loadCountries();

  let params = existsSync(PROJECTION_FILE) ? readProjection() : null;
  if (args.refit || !params) {
    const start = params || { lon: 84.9, lat: 34.86, scale: 506.646, tx: 284.007, ty: 374.612 };
    console.log(`fitting the projection to the drop regions (${args.evaluations} evaluations)`);
    const evaluate = makeEvaluator(countries, regions, hitMap);
    const { params: fitted } = fit(evaluate, start, { evaluations: args.evaluations, log: (s) => console.log('  ' + s) });
    params = Object.fromEntries(Object.entries(fitted).map(([k, v]) => [k, Math.round(v * 1000) / 1000]));
  }

  const projection = makeProjection(params);
  for (const c of countries) c.rings = projectGeometry(projection, c.geometry);
  const outlines = projectGeometry(projection, outlineLines(topology));
  const colours = colourCountries(QUIZ_COUNTRIES, neighbourPairs(topology, countries));
  const marker = markerCentre(projection, regions);

  // The id image: what each pixel centre shows, no antialiasing.
  const label = new Uint8Array(CANVAS_WIDTH * CANVAS_HEIGHT).fill(SEA_VALUE);
  for (const c of countries) fillRings(label, CANVAS_WIDTH, CANVAS_HEIGHT, c.rings, c.tag ? valueOf(c.tag) : OTHER_VALUE);
  fillDisc(label, CANVAS_WIDTH, CANVAS_HEIGHT, marker.x, marker.y, MARKER_RADIUS, valueOf('Singapore'));
  writeFileSync(join(here, 'idmap.png'), encodeGreyPng(label, CANVAS_WIDTH, CANVAS_HEIGHT));

  const idOfTag = new Map(QUIZ_COUNTRIES.map((t) => [t, valueOf(t)]));
  const result = measure(label, dropIndexMap(hitMap), regions, idOfTag);
  const box = regionPixels(regions.find((r) => r.tag === 'Singapore'));
  const legend = [
    '# What each grey value of idmap.png shows (generated by generate.mjs).',
    '# value <tab> quiz country tag; "sea" and "other" are not quiz countries.',
    `${SEA_VALUE}\tsea`,
    ...QUIZ_COUNTRIES.map((t) => `${valueOf(t)}\t${t}`),
    `${OTHER_VALUE}\tother`,
    '# The fill colour of each value on the map picture.',
    `colour\tsea\t${SEA}`,
    ...QUIZ_COUNTRIES.map((t) => `colour\t${t}\t${colours.get(t)}`),
    `colour\tother\t${OTHER_LAND}`,
    '# The Singapore dot, in 1x picture pixels: centre x, centre y, radius, outline width.',
    `marker\tSingapore\t${marker.x.toFixed(3)}\t${marker.y.toFixed(3)}\t${MARKER_RADIUS}\t${MARKER_STROKE}`,
    '# Lambert azimuthal equal-area, north up: centre lon, lat; d3-geo scale; translate x, y.',
    `projection\t${params.lon}\t${params.lat}\t${params.scale}\t${params.tx}\t${params.ty}`,
  ];
  writeFileSync(join(here, 'idmap-legend.txt'), legend.join('\n') + '\n');

  writeFileSync(PROJECTION_FILE, JSON.stringify({
    projection: 'Lambert azimuthal equal-area, north up (d3-geo geoAzimuthalEqualArea)',
    lon: params.lon, lat: params.lat, scale: params.scale, tx: params.tx, ty: params.ty,
    canvas: [CANVAS_WIDTH, CANVAS_HEIGHT],
    borders: `Natural Earth 1:50m admin 0 countries, world-atlas ${worldAtlasVersion()} countries-50m.json`,
    accuracy: {
      mean: +result.mean.toFixed(4), weighted: +result.weighted.toFixed(4),
      min: +result.min.toFixed(4), worst: result.worst,
    },
  }, null, 2) + '\n');

  const svg = buildSvg(countries, outlines, colours, marker);
  const work = mkdtempSync(join(tmpdir(), 'drillix-map-'));
  try {
    const svgPath = join(work, 'map.svg');
    writeFileSync(svgPath, svg);
    mkdirSync(PICTURES, { recursive: true });
    rasterise(svgPath, 1, join(PICTURES, 'map.jpg'), work);
    rasterise(svgPath, 2, join(PICTURES, 'map@2x.jpg'), work);
    if (args.svg) {
      mkdirSync(args.svg, { recursive: true });
      copyFileSync(svgPath, join(args.svg, 'map.svg'));
    }
  } finally {
    rmSync(work, { recursive: true, force: true });
  }

  console.log(`projection: centre ${params.lon} E ${params.lat} N, scale ${params.scale}, translate (${params.tx}, ${params.ty})`);
  console.log(`Singapore dot at (${marker.x.toFixed(2)}, ${marker.y.toFixed(2)}), inside x ${box.x0}..${box.x1}, y ${box.y0}..${box.y1}`);
  console.log(`accuracy: mean ${result.mean.toFixed(4)}, area-weighted ${result.weighted.toFixed(4)}, min ${result.min.toFixed(4)} (${result.worst})`);
  console.log('wrote data/pictures/map.jpg, data/pictures/map@2x.jpg, tools/map/idmap.png, tools/map/idmap-legend.txt');
}

try {
  main();
} catch (e) {
  console.error(`generate: ${e.message}`);
  process.exit(1);
}
