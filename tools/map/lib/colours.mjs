// Colours for the map: a pastel for every quiz country, chosen so that no
// two neighbours share one, and quiet tones for everything else.

export const SEA = '#b9d8ee';
export const OTHER_LAND = '#e6e0d2';
export const OUTLINE = '#6f6a62';
export const PASTELS = [
  '#f4b8b6', // rose
  '#f8d2a2', // apricot
  '#f2e694', // butter
  '#c0e0a8', // pistachio
  '#d2c3ea', // lavender
  '#a9d9c4', // sage
];

// Pairs that touch across a narrow strait or sit side by side on the
// picture; they should differ too, although they share no border.
export const VISUAL_NEIGHBOURS = [
  ['Singapore', 'Malaysia'], ['Singapore', 'Indonesia'], ['Sri Lanka', 'India'],
  ['Japan', 'South Korea'], ['Japan', 'Russia'], ['Taiwan', 'China'],
  ['Taiwan', 'Philippines'], ['Philippines', 'Malaysia'], ['Philippines', 'Indonesia'],
  ['Japan', 'North Korea'], ['Malaysia', 'Thailand'], ['Indonesia', 'Malaysia'],
];

// tags: the quiz tags; pairs: [tagA, tagB] that must differ. Returns a Map
// tag -> colour. Picks the most constrained country first and gives it the
// least used colour its neighbours leave free, so the result is stable and
// the colours are spread evenly.
export function colourCountries(tags, pairs, palette = PASTELS) {
  const near = new Map(tags.map((t) => [t, new Set()]));
  for (const [a, b] of pairs) {
    if (a === b || !near.has(a) || !near.has(b)) continue;
    near.get(a).add(b);
    near.get(b).add(a);
  }
  const colour = new Map();
  const used = new Map(palette.map((c) => [c, 0]));
  while (colour.size < tags.length) {
    let pick = null;
    let pickSaturation = -1;
    for (const t of tags) {
      if (colour.has(t)) continue;
      const saturation = new Set([...near.get(t)].filter((n) => colour.has(n)).map((n) => colour.get(n))).size;
      if (saturation > pickSaturation || (saturation === pickSaturation && near.get(t).size > near.get(pick).size)) {
        pick = t;
        pickSaturation = saturation;
      }
    }
    const taken = new Set([...near.get(pick)].map((n) => colour.get(n)));
    const free = palette.filter((c) => !taken.has(c));
    if (!free.length) throw new Error(`no colour left for ${pick}: the palette is too small`);
    const choice = free.reduce((a, c) => (used.get(c) < used.get(a) ? c : a));
    colour.set(pick, choice);
    used.set(choice, used.get(choice) + 1);
  }
  return colour;
}
