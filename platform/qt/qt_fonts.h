#pragma once
// The face for text set in columns, the code listing and the RAM dump. The
// window is laid out in pixels for a face whose lines are at most 1.2 times
// its size apart: at 8 points the listing's 420 pixels hold its 32 lines.
// Some faces that answer to a common name are taller; Nimbus Mono PS, which
// fontconfig gives for "Courier" where the URW fonts are installed, needs 15
// pixels a line at 8 points, and only 28 lines would fit.

#include <QFont>
#include <QString>

// The most pixels a line of text of `points` may take: 1.2 times the size
// at 96 pixels per inch, the resolution the window's layout is drawn for,
// rounded up (13 at 8 points).
int FixedLineBudget(int points);

// A fixed-pitch font of `points` (sized in pixels at 96 per inch, like the
// window) whose lines fit the budget: `face` where it does, else the first
// that does out of the system's fixed font, DejaVu Sans Mono, Liberation
// Mono and the generic monospace; where none fits at this size, the first
// that fits a pixel smaller, and so on. `face` at the size asked where
// nothing fits at all. `points` must be positive.
QFont ChooseFixedFont(const QString& face, int points);

// The pixels one line of the font takes in a list or a text box.
int LineHeightOf(const QFont& font);
