#include "tools/updater/uu_decoder.h"

namespace vexilo::updater {

namespace {

// The 6-bit value of one character, or -1 outside the table.
int SixBits(char character) {
  const auto code = static_cast<unsigned char>(character);
  if (code < 32 || code > 96) return -1;
  return (code - 32) & 63;
}

}  // namespace

std::optional<QByteArray> DecodeUULine(const QByteArray& line) {
  if (line.isEmpty()) return std::nullopt;
  const int count = SixBits(line[0]);
  if (count < 0) return std::nullopt;
  const qsizetype groups = (count + 2) / 3;
  if (line.size() < 1 + groups * 4) return std::nullopt;

  QByteArray bytes;
  bytes.reserve(groups * 3);
  for (qsizetype group = 0; group < groups; ++group) {
    int values[4];
    for (int i = 0; i < 4; ++i) {
      values[i] = SixBits(line[1 + group * 4 + i]);
      if (values[i] < 0) return std::nullopt;
    }
    bytes.append(static_cast<char>((values[0] << 2) | (values[1] >> 4)));
    bytes.append(static_cast<char>(((values[1] << 4) & 0xf0) | (values[2] >> 2)));
    bytes.append(static_cast<char>(((values[2] << 6) & 0xc0) | values[3]));
  }
  bytes.truncate(count);
  return bytes;
}

}  // namespace vexilo::updater
