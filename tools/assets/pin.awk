# Draws the blue push-pin used as the drag picture.
#
# The pin is described once, in its own frame: u runs along the pin from the
# needle point (u = 0) towards the cap, v runs across it (negative v is the
# lit side). Units are pixels of the 32 x 32 picture. On screen the pin leans
# 45 degrees, with the needle point at the bottom left.
#
#   awk -v MODE=pixels -f pin.awk   -> 32 x 32 XPM, crisp pixel art: every
#       pixel takes the colour of the frontmost part holding the pixel centre,
#       with a one pixel outline where a part meets empty space or a part
#       lying behind it. The needle point is the centre of pixel (TX, TY).
#   awk -v MODE=vector -v K=n -f pin.awk -> MVG drawing commands for a canvas
#       of n device pixels per picture pixel (anti-aliased version of the
#       same drawing, for the double-size picture).

function clamp0(x) { return x < 0 ? 0 : x }

# rounded rectangle: u in [u0,u1], |v| <= hw, corner radius r
function inrect(u, v, u0, u1, hw, r,   du, dv) {
    if (u < u0 || u > u1 || v < -hw || v > hw) return 0
    du = clamp0(u0 + r - u) + clamp0(u - (u1 - r))
    dv = clamp0(-hw + r - v) + clamp0(v - (hw - r))
    return du * du + dv * dv <= r * r
}

# half widths of the tapering waist and of the needle
function waisthw(u) { return WAISTHW - WAISTTAPER * (u - FU1) }
function needlehw(u) { return (u < 1.5) ? 0.3 + 0.45 * u : NEEDLEHW }

# part at (u,v): 0 nothing, 1 needle, 2 waist, 3 flange, 4 cap (front to back: 4..1)
function part(u, v,   hw) {
    if (inrect(u, v, CU0, CU1, CHW, CR)) return 4
    if (inrect(u, v, FU0, FU1, FHW, FR)) return 3
    hw = waisthw(u)
    if (u >= FU1 - 1 && u <= CU0 + 1 && v >= -hw && v <= hw) return 2
    hw = needlehw(u)
    if (u >= -0.5 && u <= FU0 + 1 && v >= -hw && v <= hw) return 1
    return 0
}

function halfwidth(p, u) { return (p == 4) ? CHW : (p == 3) ? FHW : waisthw(u) }

# fill colour of a plastic part at (u,v), away from its outline
function shade(p, u, v,   hw) {
    hw = halfwidth(p, u)
    if (p == 4 && v < -HIGHLIGHTV0 * hw && v > -HIGHLIGHTV1 * hw && u > CU0 + 1.6 && u < CU1 - 1.4) return "W"
    if (v < -SHADEV * hw) return "L"
    if (v > SHADEV * hw) return "D"
    return "B"
}

function pixels(   x, y, dx, dy, u, v, p, q, edge, i, row, c, nb) {
    for (y = 0; y < 32; y++) for (x = 0; x < 32; x++) {
        dx = x - TX; dy = y - TY
        P[x, y] = part((dx - dy) / sqrt(2), (dx + dy) / sqrt(2))
    }
    print "/* XPM */"
    print "static char *pin[] = {"
    print "\"32 32 8 1\","
    print "\". c None\","
    printf "\"K c %s\",\n\"B c %s\",\n\"L c %s\",\n\"W c %s\",\n", OUTLINE, BASE, LIGHT, SHINE
    printf "\"D c %s\",\n\"g c %s\",\n\"s c %s\",\n", DARK, STEELLINE, STEEL
    for (y = 0; y < 32; y++) {
        row = ""
        for (x = 0; x < 32; x++) {
            p = P[x, y]; c = "."
            if (p) {
                edge = 0
                nb[1] = (x < 31) ? P[x + 1, y] : 0
                nb[2] = (x > 0) ? P[x - 1, y] : 0
                nb[3] = (y < 31) ? P[x, y + 1] : 0
                nb[4] = (y > 0) ? P[x, y - 1] : 0
                for (i = 1; i <= 4; i++) if (nb[i] < p) edge = 1
                dx = x - TX; dy = y - TY
                u = (dx - dy) / sqrt(2); v = (dx + dy) / sqrt(2)
                if (p == 1) c = edge ? "g" : "s"
                else if (edge) c = "K"
                else c = shade(p, u, v)
            }
            row = row c
        }
        printf "\"%s\"%s\n", row, (y < 31) ? "," : ""
    }
    print "};"
}

# outline of a rounded rectangle as an MVG path, in (v,u) frame coordinates
function rrect(u0, u1, v0, v1, r) {
    return sprintf("roundrectangle %.3f,%.3f %.3f,%.3f %.3f,%.3f", v0, u0, v1, u1, r, r)
}

# one plastic part: base colour, lit and shaded sides, then its outline
function vpart(shape, lit, dark) {
    printf "stroke none\nfill %s\n%s\nfill %s\n%s\nfill %s\n%s\n", BASE, shape, LIGHT, lit, DARK, dark
    printf "fill none\nstroke %s\nstroke-width %.2f\n%s\n", OUTLINE, LINEW, shape
}

function vector(   needle, waist, a, b, hwa, hwb) {
    # frame -> picture: v to the right, u up the pin, then lean 45 degrees
    printf "affine %s 0 0 %s 0 0\n", K, K
    printf "translate %.3f,%.3f\nrotate 45\nscale 1,-1\n", TX + 0.5, TY + 0.5
    print "stroke-linejoin round"
    needle = sprintf("polygon 0,-0.5 %.3f,1.5 %.3f,%.3f %.3f,%.3f %.3f,1.5", \
        -needlehw(1.5), -NEEDLEHW, FU0 + 1, NEEDLEHW, FU0 + 1, needlehw(1.5))
    printf "stroke none\nfill %s\n%s\n", STEEL, needle
    printf "fill none\nstroke %s\nstroke-width %.2f\n%s\n", STEELLINE, LINEW * 0.75, needle

    a = FU0; b = CU0 + 1; hwa = waisthw(a); hwb = waisthw(b)
    waist = sprintf("polygon %.3f,%.3f %.3f,%.3f %.3f,%.3f %.3f,%.3f", -hwa, a, hwa, a, hwb, b, -hwb, b)
    vpart(waist, \
        sprintf("polygon %.3f,%.3f %.3f,%.3f %.3f,%.3f %.3f,%.3f", -hwa, a, -SHADEV * hwa, a, -SHADEV * hwb, b, -hwb, b), \
        sprintf("polygon %.3f,%.3f %.3f,%.3f %.3f,%.3f %.3f,%.3f", SHADEV * hwa, a, hwa, a, hwb, b, SHADEV * hwb, b))

    vpart(rrect(FU0, FU1, -FHW, FHW, FR), \
        rrect(FU0, FU1, -FHW, -SHADEV * FHW, FR), rrect(FU0, FU1, SHADEV * FHW, FHW, FR))

    vpart(rrect(CU0, CU1, -CHW, CHW, CR), \
        rrect(CU0, CU1, -CHW, -SHADEV * CHW, CR), rrect(CU0, CU1, SHADEV * CHW, CHW, CR))
    # glint on the cap, drawn over the outline pass's fill
    printf "stroke none\nfill %s\n%s\n", SHINE, \
        rrect(CU0 + 1.6, CU1 - 1.4, -HIGHLIGHTV1 * CHW, -HIGHLIGHTV0 * CHW, 0.7)
}

BEGIN {
    # needle point: centre of this pixel of the 32 x 32 picture
    if (TX == "") TX = 3
    if (TY == "") TY = 29
    # flange (the wide disc above the needle) and cap: u extent, half width, corner radius
    FU0 = 11.2; FU1 = 15.4; FHW = 6.4; FR = 1.4
    CU0 = 22.6; CU1 = 29.8; CHW = 6.0; CR = 1.0
    WAISTHW = 3.2; WAISTTAPER = 0.07; NEEDLEHW = 0.95
    # shading bands, and the band of the highlight on the cap, in half widths from the axis
    SHADEV = 0.4; HIGHLIGHTV0 = 0.55; HIGHLIGHTV1 = 0.8
    LINEW = 0.9
    OUTLINE = "#0B2350"; BASE = "#2F74D0"; LIGHT = "#8DBAF5"; SHINE = "#D6E8FF"
    DARK = "#1B4C98"; STEELLINE = "#38414C"; STEEL = "#C9D2DC"
    if (MODE == "vector") vector(); else pixels()
    exit
}
