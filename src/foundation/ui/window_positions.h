#pragma once
// Saving and restoring where the program's windows stand: section "forms" of the
// books' settings file, keys name + "-T", "-L", "-H", "-W" and "-Maximized" per
// window, name being the window's component name (the class name without its
// leading T, for example "FCtrl").
#include <QRect>
#include <QString>

class QWidget;

struct WindowPosition {
  int top = -1;  // -1 = not stored
  int left = -1;
  int height = -1;
  int width = -1;
  bool maximized = false;
};

// Windows join the list once, when they are created. A window that registers after
// the positions were loaded gets its stored position at once; one that never
// registers in a run keeps its stored values at the next save.
void RegisterWindowPosition(QWidget* window, const QString& name);

// Restores every listed window (and reads the two fit options). False when the file
// cannot be read; the windows then stay where they are.
bool LoadWindowPositions(const QString& settingsFile);
// Stores every listed window (a maximised one with its normal size and -Maximized
// set) and the two fit options, with the "Saving settings" flash up meanwhile.
bool SaveWindowPositions(const QString& settingsFile);

// Applies a stored position: top or left of 0 or more (0 when beyond the screen's
// height or width); height and width only for windows that can be resized;
// maximised or normal.
void ApplyWindowPosition(QWidget* window, const WindowPosition& pos, const QRect& screen);
// The position to store for a window (its normal size when maximised).
WindowPosition CurrentWindowPosition(const QWidget* window);

// The "Always" fit options of the balances and postings windows (default on).
bool BalancesAlwaysFit();
void SetBalancesAlwaysFit(bool on);
bool PostingsAlwaysFit();
void SetPostingsAlwaysFit(bool on);
