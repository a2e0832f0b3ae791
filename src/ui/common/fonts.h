#pragma once

#include <QFont>

namespace tilora::ui {

// The form font (Tahoma, 11 pixels) and the description font (Courier New,
// 12 pixels), or their metric-compatible stand-ins, or at last an installed
// sans or monospace face.
QFont FormFont();
QFont DescriptionFont();

// The height of the font's text as the window layout counts it: the font's
// full ascent and descent (its "win" metrics), each rounded to pixels. The
// typographic metrics some font engines use instead make Tahoma 11 px two
// pixels shorter than the 13 the layout was designed for.
int TextHeight(const QFont& font);

}  // namespace tilora::ui
