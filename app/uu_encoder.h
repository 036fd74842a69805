// TUUEncoder: the UU encoding of one short line, as the update request
// writes it. Each character becomes one byte (codes above 255 become "?"),
// the line starts with the character for its byte count, and every three
// bytes become four characters of the table "`" (for 0) and "!" to "_" (1 to
// 63); a last group of one or two bytes is padded with FillChar. Lines of up
// to 45 bytes fit one encoded line, which carries no line break.
#pragma once

#include <QByteArray>
#include <QString>

namespace vexilo::app {

class TUUEncoder {
 public:
  // The longest line one encoded line holds.
  static constexpr int kMaxLineBytes = 45;

  // The character written for the missing bytes of a last group.
  char FillChar = '`';

  // Encodes `line`, which must be at most kMaxLineBytes characters long.
  QByteArray EncodeLine(const QString& line) const;
};

}  // namespace vexilo::app
