#pragma once

// The 12 x 12 lamp image shared by every lamp colour, top row first: B pure blue outside the
// lamp, K black outline, L the lamp colour, W white highlight. Each blue corner region touches
// one corner pixel and is closed off by the outline.
inline constexpr const char* LedPattern[12] = {
    "BBBBKKKKBBBB", "BBKKLLLLKKBB", "BKLLLLLLLLKB", "BKLLWLLLLLKB", "KLLWWLLLLLLK", "KLLWLLLLLLLK",
    "KLLWLLLLLLLK", "KLLLLLLLLLLK", "BKLLLLLLLLKB", "BKLLLLLLLLKB", "BBKKLLLLKKBB", "BBBBKKKKBBBB",
};
