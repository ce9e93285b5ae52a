/*
    Veltmora Drillix skin: Panel Blue

    The program reads this file at start-up when it lies in the x folder
    beside the program, and restyles the main window's buttons with it.
    Delete or rename it to get the plain white buttons back.

    The format: UTF-8 text of Qt style sheets in named sections.
    - Comments like this one may stand anywhere.
    - A line holding only [part] or [part:variant] starts a section.
    - [skin] comes first and holds "key = value" settings: format (must
      be 1) and name.
    - [controls]  rules for the window's child controls; applied, in this
                  order, before [colours] and [metrics].
    - [colours]   colour rules; applied.
    - [metrics]   rules for sizes, fonts and borders; applied.
    - [window]    declarations, without a selector, for the window itself;
                  checked but not applied: the map and the panel cover the
                  window's background.
    - A section with a variant, such as [colours:contrast], holds what
      differs from the plain one. Variants are checked but not applied:
      the program chooses none.
    - A picture, url(name), is found from this file's folder when the name
      is relative, wherever the program is started from: url(panel.png) is
      x/panel.png beside the program, and url(x/panel.png) would look for
      x/x/panel.png. A picture that is missing or that Qt cannot read, or
      pictures taking more than 32 MB together once decoded (width x height
      x 4 bytes each, every image of a file and every @2x to @9x sibling
      counted), make the skin damaged.
    - Lengths and fonts stay within the window: at most 665px, 498pt or
      1em. Of the qproperty- settings only alignment,
      flat, iconSize, indent, margin and wordWrap may be set. Backslash
      escapes are not read: write the character itself.
    Part and variant names are matched without regard to case. Each section
    must be well-formed Qt style-sheet rules (selectors, each followed by a
    block of "property: value;" declarations), or the skin is refused with
    an error report and the window keeps its own look.

    The buttons are "Restart" (#PushButton1) and "Exit" (#PushButton2), 156
    by 27 pixels at the foot of the blue side panel, in Arial 15 px bold.
*/

[skin]
format = 1
name = Panel Blue

[controls]
QPushButton {
    text-align: center;
}

[metrics]
/* A constant 2 px border, so that the focus ring does not move the text. */
QPushButton {
    border-style: solid;
    border-width: 2px;
    border-radius: 6px;
    padding: 0px 8px;
    font-size: 15px;
    font-weight: bold;
}

[colours]
/* Blues taken from the side panel, a shade lighter at the top. */
QPushButton {
    color: #ffffff;
    border-color: #1f4a86;
    background-color: qlineargradient(x1: 0, y1: 0, x2: 0, y2: 1,
        stop: 0 #5d92d8, stop: 0.5 #3f76c2, stop: 1 #2c5ea8);
}

QPushButton:hover {
    border-color: #2a5a9c;
    background-color: qlineargradient(x1: 0, y1: 0, x2: 0, y2: 1,
        stop: 0 #72a4e6, stop: 0.5 #528ad4, stop: 1 #3a6fbb);
}

QPushButton:pressed {
    color: #e4eefb;
    border-color: #173a6b;
    background-color: qlineargradient(x1: 0, y1: 0, x2: 0, y2: 1,
        stop: 0 #24518f, stop: 1 #3667ae);
}

/* The focus ring: a warm light rim that reads well on the blue panel. */
QPushButton:focus {
    border-color: #ffd76a;
}

QPushButton:disabled {
    color: #c9d6e8;
    border-color: #5c7597;
    background-color: #7d93b3;
}

[window]
background-color: #2f62a6;

[colours:contrast]
/* Strong contrast for low vision: black text on white, black rim. */
QPushButton {
    color: #000000;
    border-color: #000000;
    background-color: #ffffff;
}

QPushButton:hover {
    border-color: #000000;
    background-color: #fff3b0;
}

QPushButton:pressed {
    color: #ffffff;
    border-color: #000000;
    background-color: #000000;
}

QPushButton:focus {
    border-color: #d00000;
}
