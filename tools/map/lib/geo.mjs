// Loads the Natural Earth country borders and projects them onto the map
// picture.

import { readFileSync } from 'node:fs';
import { createRequire } from 'node:module';
import * as topojson from 'topojson-client';
import * as d3 from 'd3-geo';
import { CANVAS_WIDTH, CANVAS_HEIGHT, QUIZ_COUNTRIES } from './regions.mjs';

const require = createRequire(import.meta.url);

// Natural Earth names that differ from the quiz's tags, and the small
// territories that the quiz counts as part of a country.
const TAG_OF_NAME = new Map([
  ['Myanmar', 'Burma (Myanmar)'],
  ['Hong Kong', 'China'],
  ['Macao', 'China'],
]);

export function tagOfName(name) {
  if (TAG_OF_NAME.has(name)) return TAG_OF_NAME.get(name);
  return QUIZ_COUNTRIES.includes(name) ? name : null;
}

// A polygon whose rings run the wrong way round covers the rest of the
// globe instead of the country; turn such polygons round.
export function fixWinding(geometry) {
  const fixPolygon = (rings) => {
    const area = d3.geoArea({ type: 'Polygon', coordinates: rings });
    return area > 2 * Math.PI ? rings.map((ring) => ring.slice().reverse()) : rings;
  };
  if (geometry.type === 'Polygon') {
    return { type: 'Polygon', coordinates: fixPolygon(geometry.coordinates) };
  }
  if (geometry.type === 'MultiPolygon') {
    return { type: 'MultiPolygon', coordinates: geometry.coordinates.map(fixPolygon) };
  }
  return geometry;
}

export function worldAtlasPath() {
  return require.resolve('world-atlas/countries-50m.json');
}

export function worldAtlasVersion() {
  return JSON.parse(readFileSync(require.resolve('world-atlas/package.json'), 'utf8')).version;
}

// Returns { topology, countries }, where each country is
// { name, tag (quiz tag or null), geometry (winding fixed), object (topology geometry) }.
export function loadCountries(path = worldAtlasPath()) {
  const topology = JSON.parse(readFileSync(path, 'utf8'));
  const collection = topology.objects && topology.objects.countries;
  if (!collection || !Array.isArray(collection.geometries)) {
    throw new Error(`${path} has no countries collection`);
  }
  const countries = collection.geometries.map((object) => {
    const feature = topojson.feature(topology, object);
    const name = (object.properties && object.properties.name) || '';
    return { name, tag: tagOfName(name), geometry: fixWinding(feature.geometry), object };
  }).filter((c) => c.geometry);
  for (const tag of QUIZ_COUNTRIES) {
    if (!countries.some((c) => c.tag === tag)) throw new Error(`no borders found for ${tag}`);
  }
  return { topology, countries };
}

// The projection parameters: a north-up Lambert azimuthal equal-area view
// centred on (lon, lat), with d3-geo's scale and translate on the 1x canvas.
export function makeProjection(p, factor = 1, margin = 8) {
  const w = CANVAS_WIDTH * factor;
  const h = CANVAS_HEIGHT * factor;
  return d3.geoAzimuthalEqualArea()
    .rotate([-p.lon, -p.lat, 0])
    .scale(p.scale * factor)
    .translate([p.tx * factor, p.ty * factor])
    .clipExtent([[-margin * factor, -margin * factor], [w + margin * factor, h + margin * factor]])
    .precision(0.1);
}

// Projects a geometry through the projection's stream (resampled and
// clipped) and returns its rings (polygons) or lines, as arrays of [x, y].
export function projectGeometry(projection, geometry) {
  const parts = [];
  let part = null;
  const sink = {
    point(x, y) { part.push([x, y]); },
    lineStart() { part = []; },
    lineEnd() { if (part.length > 1) parts.push(part); part = null; },
    polygonStart() {},
    polygonEnd() {},
    sphere() {},
  };
  d3.geoStream(geometry, projection.stream(sink));
  return parts;
}

// The rings of a (multi)polygon in longitude/latitude, for quick
// projecting while the fit searches.
export function lonLatRings(geometry) {
  if (geometry.type === 'Polygon') return geometry.coordinates.map((r) => r.slice(0, -1));
  if (geometry.type === 'MultiPolygon') return geometry.coordinates.flat().map((r) => r.slice(0, -1));
  return [];
}

export { d3, topojson };
