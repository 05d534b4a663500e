#pragma once
// Helpers every screen uses on its controls: quiet programmatic changes, enabling
// edits with their colours, ids kept with list, combo and grid items, and windows
// and menus opened at the mouse pointer.
#include <QColor>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <initializer_list>

class QAbstractButton;
class QAction;
class QComboBox;
class QDialog;
class QHBoxLayout;
class QLabel;
class QPushButton;
class QLineEdit;
class QListWidget;
class QMenu;
class QPlainTextEdit;
class QRadioButton;
class QTableWidget;
class QAbstractItemModel;
class QAbstractItemView;
class QTableView;
class QWidget;

// ---- Quiet changes -------------------------------------------------------------
// Change handlers call TakeQuietFlag() first and ignore the change when it is true:
// the program, not the user, made it.
void SetCheckedQuietly(QAbstractButton* box, bool on);
void CheckRadioQuietly(QRadioButton* button);
void ClearEditQuietly(QLineEdit* edit);
void ClearEditQuietly(QPlainTextEdit* edit);
// Quiet-change flag OR screen-updating flag; clears only the quiet-change flag.
// Checking a radio button also unchecks its group's previous one: take the flag in
// the handler of the button being checked (toggled(true)) only.
bool TakeQuietFlag();
// Raised by a screen while it fills or moves its own controls.
void SetScreenUpdating(bool on);
bool ScreenUpdating();

// ---- Enabled look ----------------------------------------------------------------
// on: enabled with the remembered colour. off (only when enabled): the edit's colour
// is remembered, then it is disabled and painted in the button-face colour.
void EnableEdit(QLineEdit* edit, bool on);
void EnableEdit(QPlainTextEdit* edit, bool on);
// on: enabled with the remembered colour; off: disabled and silver.
void EnableCombo(QComboBox* combo, bool on);
QColor RememberedEditColour();

// ---- Items with ids ----------------------------------------------------------------
// The id and its second value live in the item's data roles, so clearing the list
// frees them with the items.
inline constexpr int kItemIdRole = Qt::UserRole;
inline constexpr int kItemValueRole = Qt::UserRole + 1;

void AddItemWithId(QComboBox* list, const QString& text, int id, int value = 0);
void AddItemWithId(QListWidget* list, const QString& text, int id, int value = 0);
// Id of item i; -1 when i is out of range or the item carries no id.
int ItemId(const QComboBox* list, int i);
int ItemId(const QListWidget* list, int i);
int ItemValue(const QComboBox* list, int i);
int ItemValue(const QListWidget* list, int i);
// Id of the selected item; -1 when nothing is selected.
int SelectedId(const QComboBox* list);
int SelectedId(const QListWidget* list);
// Select the first item with that id / exactly that text (case counts); false when none.
bool SelectById(QComboBox* list, int id);
bool SelectById(QListWidget* list, int id);
bool SelectByText(QComboBox* list, const QString& text);
bool SelectByText(QListWidget* list, const QString& text);
void ClearItemsWithIds(QComboBox* list);
void ClearItemsWithIds(QListWidget* list);

// ---- String grids --------------------------------------------------------------------
// The row's id is kept with its first cell; -1 when the row has none.
void SetRowId(QTableWidget* grid, int row, int id);
int RowId(const QTableWidget* grid, int row);
// Empties every cell (texts and ids); rows and columns stay.
void ClearStringGrid(QTableWidget* grid);
// Exchanges the cells (with their ids) of two rows, column by column.
void SwapGridRows(QTableWidget* grid, int r1, int r2);
// A row selected from outside the keyboard and mouse (a screen reader selects
// without moving the cursor) becomes the current row, so the list's own
// buttons act on the row the user chose.
void CurrentFollowsSelection(QAbstractItemView* view);
// A read-only grid of whole rows over model, one row chosen at a time, named
// for screen readers, its pop-up menu left to the caller.
QTableView* NewRowGrid(QWidget* parent, QAbstractItemModel* model, const QString& accessibleName);

// ---- At the pointer ------------------------------------------------------------------
// Moves a box of boxSize at topLeft up and left so it ends inside screen, then
// right and down so it starts inside it.
QPoint KeepOnScreen(const QRect& screen, QPoint topLeft, const QSize& boxSize);
// A window's top-left corner one pixel right of and below the pointer, moved up and
// left to end inside screen, then right and down to start inside it.
QPoint PointerPlacement(const QRect& screen, const QPoint& pointer, const QSize& size);
// The available area of the screen under p.
QRect ScreenRectAt(const QPoint& p);
void PlaceAtPointer(QWidget* form);
void ShowAtPointer(QWidget* form);
int ShowModalAtPointer(QDialog* form);
void PopupAtPointer(QMenu* menu);
// Makes the item under the pointer current; false when the pointer is over no item.
bool SelectItemUnderPointer(QListWidget* list);
// Shows the form, un-minimising it when it was minimised.
void ShowRestored(QWidget* form);

// ---- Grid columns --------------------------------------------------------------------
// Each visible column as wide as its caption and the texts of the rows in view.
void FitColumnWidths(QTableView* grid);
// Where a label sits under a column: 12 pixels plus the width + 1 of each
// visible column before it.
int ColumnLeftOffset(const QTableView* grid, int column);
// Makes a row current and the only one selected, whole; rows outside the model are ignored.
void SelectGridRow(QTableView* grid, int row);

// ---- Named controls ------------------------------------------------------------------
// A label that is the control's buddy and names it for screen readers (its text
// without "&", trimmed).
QLabel* LabelFor(const QString& text, QWidget* control, QWidget* parent = nullptr);
// A push button whose accessible name is its caption without "&", trimmed.
QPushButton* NamedButton(const QString& text, QWidget* parent = nullptr);
// A row of buttons pushed to the right, in the order given.
QHBoxLayout* RightAlignedButtons(std::initializer_list<QWidget*> buttons);
