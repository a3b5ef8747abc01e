// A table of any number of rows whose texts are asked for only when a row is
// shown (the list of a comparison may hold a million ranges): titled columns,
// one row selected at a time.
//
// Choosing a row (click, or the arrow keys while the table has the focus)
// posts EventControl (type ControlActivated, data = the row). Function keys,
// which the table has no use for, are posted as CanvasKeyDown events of the
// control (input.key and input.modifiers as a canvas gives them), so that
// they keep working while the table has the focus.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace hx {

using TableText = std::function<std::string(int64_t row, int column)>;

void CreateVirtualTable(int number, int window, int x, int y, int width, int height,
                        const std::vector<std::string> &titles);
// The rows and where their texts come from (UTF-8). Rows added at the end keep
// the selection and the scroll position; fewer rows start the table afresh.
// Counts beyond the toolkit's limit (2^31 - 1) are cut there.
void SetVirtualTableRows(int number, int64_t rows, TableText text);
int64_t VirtualTableRows(int number);
// Selects a row and scrolls it into view, without an event; -1 selects none.
void SelectVirtualTableRow(int number, int64_t row);
int64_t VirtualTableSelectedRow(int number);   // -1 none
// The text of a shown cell as the table has it ("" outside the table).
std::string VirtualTableText(int number, int64_t row, int column);

}  // namespace hx
