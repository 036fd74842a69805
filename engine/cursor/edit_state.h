// The edit states of an accessor and the modes in which one accessor takes
// over another's state.
//
//   esBrowse  the accessor shows stored records; nothing is being changed
//   esAppend  a new record (record number 0) is being built in the work buffer
//   esEdit    a stored record is being changed in the work buffer, under its
//             record edit lock
//
// Take-over modes: tomIgnore copies the current record only; tomMove and
// tomCopy also copy the work record and the edit state.
#pragma once

#include <cstdint>

namespace vexilo::cursor {

enum TVxbEditState : uint8_t { esBrowse, esAppend, esEdit };

enum TVxbTakeOverMode : uint8_t { tomIgnore, tomMove, tomCopy };

}  // namespace vexilo::cursor
