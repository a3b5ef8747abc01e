// A table control: rows of text cells under a header of column titles, one
// row selected at a time, each row optionally with a small colour square
// before its first cell. Registered under a control number like the other
// controls (Controls.h).
//
// Events (EventControl): the user selects a row: type ControlActivated, data
// = the row; the user double-clicks a row or presses Enter on it: type
// TableRowOpened, data = the row. Changes made by the program post nothing.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace hx {

inline constexpr int TableRowOpened = 2;

struct TableRow {
    std::vector<std::string> Cells;   // UTF-8, one per column (missing ones are empty)
    uint32_t Swatch = 0;              // colour square (red in the low byte); alpha 0: none
};

// columns: the titles; widths: pixels per column (missing or 0: the rest of the width).
void CreateTable(int number, int window, int x, int y, int width, int height,
                 const std::vector<std::string> &columns, const std::vector<int> &widths);
// Replaces every row; the selection stays on the same row index when it still exists.
void SetTableRows(int number, const std::vector<TableRow> &rows);
int TableRowCount(int number);
std::string TableCell(int number, int row, int column);   // "" outside the table
// -1 when no row is selected.
int TableSelectedRow(int number);
void SelectTableRow(int number, int row);   // -1 or a bad row clears the selection
// As the user would (tests): selects the row and posts its event; opened
// posts TableRowOpened as a double click does. A bad row does nothing.
void ActivateTableRow(int number, int row, bool opened);

}  // namespace hx
