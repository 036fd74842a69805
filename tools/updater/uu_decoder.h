// Decoding one UU-encoded line (the standard uuencode scheme; "`" and " "
// both stand for 0): the first character gives the byte count, every four
// characters after it give three bytes.
#pragma once

#include <QByteArray>
#include <optional>

namespace vexilo::updater {

// The bytes of `line` (without its line break); nothing when the line is
// not UU-encoded: a character outside " " to "`", or fewer characters than
// its count needs.
std::optional<QByteArray> DecodeUULine(const QByteArray& line);

}  // namespace vexilo::updater
