# Orthographic projection of coast.txt onto a disc of radius R centred at
# (CX,CY), looking at (LON0,LAT0). Points on the far side are pushed onto
# the rim, which is close enough to a horizon clip for coarse outlines.
# Emits MVG: land and water polygons, then (if GRAT) a graticule.
function rad(d) { return d * 3.14159265358979 / 180 }
function proj(lon, lat,   l, p, x, y, z, n) {
    l = rad(lon - LON0); p = rad(lat)
    x = cos(p) * sin(l)
    y = cos(P0) * sin(p) - sin(P0) * cos(p) * cos(l)
    z = sin(P0) * sin(p) + cos(P0) * cos(p) * cos(l)
    if (z < 0) { n = sqrt(x * x + y * y); x /= n; y /= n }
    PX = CX + R * x; PY = CY - R * y; PZ = z
}
function flush(   i, s, vis) {
    if (npts == 0) return
    s = ""; vis = 0
    for (i = 1; i <= npts; i++) { s = s sprintf(" %.2f,%.2f", X[i], Y[i]); if (Z[i] > 0) vis = 1 }
    if (vis) {
        printf "fill %s\npolygon%s\n", (kind == "water") ? WATER : LAND, s
    }
    npts = 0
}
BEGIN { P0 = rad(LAT0) }
/^#/ || /^[ \t]*$/ { next }
$1 == "land" || $1 == "water" { flush(); kind = $1; next }
{
    for (i = 1; i < NF; i += 2) { proj($i, $(i + 1)); npts++; X[npts] = PX; Y[npts] = PY; Z[npts] = PZ }
}
END {
    flush()
    if (!GRAT) exit
    printf "fill none\nstroke %s\nstroke-width %.2f\n", GRATC, GRATW
    for (lat = -60; lat <= 60; lat += 30) {
        s = ""; n = 0
        for (lon = LON0 - 180; lon <= LON0 + 180; lon += 3) {
            proj(lon, lat)
            if (PZ > 0) { s = s sprintf(" %.2f,%.2f", PX, PY); n++ }
            else if (n) { if (n > 1) print "polyline" s; s = ""; n = 0 }
        }
        if (n > 1) print "polyline" s
    }
    for (lon = -180; lon < 180; lon += 30) {
        s = ""; n = 0
        for (lat = -90; lat <= 90; lat += 3) {
            proj(lon, lat)
            if (PZ > 0) { s = s sprintf(" %.2f,%.2f", PX, PY); n++ }
            else if (n) { if (n > 1) print "polyline" s; s = ""; n = 0 }
        }
        if (n > 1) print "polyline" s
    }
    print "stroke none"
}
